#!/usr/bin/env bash
# Builds the program and starts it. The first time, an empty clinic database is created next
# to the executable (the program itself never creates one).
set -euo pipefail
raiz=$(cd "$(dirname "$0")/.." && pwd)
"$raiz/scripts/construir.sh"
[ -e "$raiz/build/clinora.mdb" ] || "$raiz/build/clinora-bd" crear "$raiz/build/clinora.mdb"
exec "$raiz/build/clinora"
