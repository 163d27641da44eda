#!/usr/bin/env bash
# Installs what is missing and builds everything into build/ with both cores.
set -euo pipefail
raiz=$(cd "$(dirname "$0")/.." && pwd)
"$raiz/scripts/dependencias.sh"
lanzador=()
# A compiler cache, when the machine has one, makes rebuilds of a second work tree cheap.
if command -v ccache >/dev/null; then
  export CCACHE_BASEDIR="$raiz" CCACHE_NOHASHDIR=1
  lanzador=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
fi
cmake -S "$raiz" -B "$raiz/build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "${lanzador[@]}" >/dev/null
cmake --build "$raiz/build" -j 2
