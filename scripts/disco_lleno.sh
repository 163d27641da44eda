#!/usr/bin/env bash
# A full disk, for real: the data file, and then the backup folder, on a tiny RAM disk. The
# program's own writer (build/clinora-escritor) writes until the disk is full; it must stop with
# the Spanish "disco lleno" message, the file must stay sound with every row it acknowledged, and
# none of its temporaries may stay behind. Needs root (it mounts a tmpfs); run after building.
set -euo pipefail
raiz=$(cd "$(dirname "$0")/.." && pwd)
escritor="$raiz/build/clinora-escritor"
bd="$raiz/build/clinora-bd"
[ "$(id -u)" -eq 0 ] || { echo "Hace falta ser root para montar un disco pequeño." >&2; exit 2; }
trabajo=$(mktemp -d)
disco="$trabajo/disco"
mkdir -p "$disco"
limpiar() { umount "$disco" 2>/dev/null || true; rm -rf "$trabajo"; }
trap limpiar EXIT
fallos=0

comprobar() {   # $1 = what, $2 = writer's output, $3 = data file
    local salida="$2" fichero="$3"
    local ultima acusados estado
    ultima=$(tail -n 1 <<<"$salida")
    acusados=$(grep -c '^P ' <<<"$salida" || true)
    estado=$("$escritor" --comprobar "$fichero")
    echo "$1: $acusados pacientes acusados; $estado"
    echo "  $ultima"
    if ! grep -q 'El disco está lleno' <<<"$ultima"; then echo "  FALLO: sin el aviso de disco lleno"; fallos=1; fi
    if ! grep -q '^integridad ok ' <<<"$estado"; then echo "  FALLO: fichero dañado"; fallos=1; fi
    local guardados
    guardados=$(awk '{print $4}' <<<"$estado")
    # Every patient acknowledged must be there (the one being written when the disk filled up
    # was not acknowledged and is not); after a load the data are the backup's, so only the
    # patients acknowledged since the last load count.
    local desde
    desde=$(awk '/^l$/ {n=0; next} /^P / {n++} END {print n+0}' <<<"$salida")
    if [ "$(grep -c '^l$' <<<"$salida" || true)" -gt 0 ]; then acusados=$desde; fi
    if [ "$guardados" -lt "$acusados" ]; then
        echo "  FALLO: faltan pacientes acusados"; fallos=1
    fi
    if ls -a "$(dirname "$fichero")" "$disco" | grep -q '\.clinora-.*\.tmp'; then
        "$escritor" --comprobar "$fichero" >/dev/null   # the next start removes them
        if ls -a "$(dirname "$fichero")" | grep -q '\.clinora-.*\.tmp'; then
            echo "  FALLO: temporales sin quitar"; fallos=1
        fi
    fi
}

# 1. The data file on the full disk (its backups elsewhere).
mount -t tmpfs -o size=512k tmpfs "$disco"
"$bd" crear "$disco/clinora.mdb" >/dev/null
mkdir -p "$trabajo/copias1"
salida=$(timeout 120 "$escritor" "$disco/clinora.mdb" "$trabajo/copias1" - 1 || true)
comprobar "datos en disco lleno" "$salida" "$disco/clinora.mdb"
umount "$disco"

# 2. The data elsewhere; the backups onto the full disk.
mount -t tmpfs -o size=96k tmpfs "$disco"
"$bd" crear "$trabajo/clinora.mdb" >/dev/null
salida=$(timeout 120 "$escritor" "$trabajo/clinora.mdb" "$disco" - 2 || true)
comprobar "copias en disco lleno" "$salida" "$trabajo/clinora.mdb"
if ls -a "$disco" | grep -q '\.clinora-.*\.tmp'; then echo "  FALLO: temporal en el disco de copias"; fallos=1; fi
umount "$disco"

# 3. Loads of a backup onto a disk with little room left (the data and their safety copies there).
mount -t tmpfs -o size=160k tmpfs "$disco"
"$bd" crear "$disco/clinora.mdb" >/dev/null
"$bd" demo "$trabajo/base.mdb" >/dev/null
salida=$(timeout 120 "$escritor" "$disco/clinora.mdb" "$disco" "$trabajo/base.mdb" 3 || true)
comprobar "cargas en disco lleno" "$salida" "$disco/clinora.mdb"
umount "$disco"

[ "$fallos" -eq 0 ] && echo "Bien: disco lleno avisado en castellano, nada perdido, nada dejado." 
exit "$fallos"
