#!/usr/bin/env bash
# Builds the program and starts it. The first time, an empty clinic database is created next
# to the executable (the program itself never creates one).
#   scripts/ejecutar.sh --demo   starts it instead on sample data of its own (about 40 patients,
#                                visits around today), in build/demo/, apart from the real data
set -euo pipefail
raiz=$(cd "$(dirname "$0")/.." && pwd)
"$raiz/scripts/construir.sh"
if [ "${1:-}" = "--demo" ]; then
  # The program looks for its data beside itself, so the sample data get a copy of it.
  demo="$raiz/build/demo"
  mkdir -p "$demo"
  cp -f "$raiz/build/clinora" "$demo/.clinora.nuevo"   # renamed over it: never "text file busy"
  mv -f "$demo/.clinora.nuevo" "$demo/clinora"
  rm -rf "$demo/Ayuda"
  cp -R "$raiz/build/Ayuda" "$demo/Ayuda"
  [ -e "$demo/clinora.mdb" ] || "$raiz/build/clinora-bd" demo "$demo/clinora.mdb"
  exec "$demo/clinora"
fi
[ -e "$raiz/build/clinora.mdb" ] || "$raiz/build/clinora-bd" crear "$raiz/build/clinora.mdb"
exec "$raiz/build/clinora"
