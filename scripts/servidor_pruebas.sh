#!/usr/bin/env bash
# A private PostgreSQL server for the tests, in a folder of its own:
#   servidor_pruebas.sh arrancar CARPETA   initdb (first time) and start; prints the port
#   servidor_pruebas.sh parar CARPETA      stop it and remove the folder
#   servidor_pruebas.sh detener CARPETA    stop it and keep the folder: `arrancar` brings it back
#                                          on the same port, as a server restarted would be
# It listens on a free local port and on a socket in CARPETA, and lets the user `clinora` in
# without a password (trust): nothing of it outlives the test run. The server refuses to run as
# root, so under root it runs as `postgres`.
set -euo pipefail
orden=${1:-}
carpeta=${2:-}
if [ -z "$orden" ] || [ -z "$carpeta" ]; then
  echo "Uso: $0 arrancar|detener|parar CARPETA" >&2
  exit 2
fi
bin=${CLINORA_PG_BIN:-}
if [ -z "$bin" ]; then
  for d in /usr/lib/postgresql/*/bin; do [ -x "$d/pg_ctl" ] && bin=$d; done
fi
if [ -z "$bin" ] || [ ! -x "$bin/pg_ctl" ]; then
  echo "No se encuentra PostgreSQL (pg_ctl); instálelo con scripts/dependencias.sh." >&2
  exit 1
fi
como=()
if [ "$(id -u)" -eq 0 ]; then como=(runuser -u postgres --); fi
datos="$carpeta/datos"

case "$orden" in
arrancar)
  mkdir -p "$carpeta"
  [ "$(id -u)" -eq 0 ] && chown postgres: "$carpeta"
  # A server left running by an interrupted run of the tests is stopped first.
  if [ -f "$datos/postmaster.pid" ]; then
    "${como[@]}" "$bin/pg_ctl" -D "$datos" -m immediate stop >/dev/null 2>&1 || true
  fi
  if [ ! -f "$datos/PG_VERSION" ]; then
    rm -rf "$datos"
    "${como[@]}" "$bin/initdb" -D "$datos" -U clinora --auth=trust -E UTF8 --locale=C.UTF-8 \
      >"$carpeta/initdb.log" 2>&1 || { cat "$carpeta/initdb.log" >&2; exit 1; }
  fi
  # The port it had, when free; else a free local port: the first one nothing answers on.
  puerto=""
  if [ -f "$carpeta/puerto" ]; then
    p=$(cat "$carpeta/puerto")
    if ! (exec 3<>"/dev/tcp/127.0.0.1/$p") 2>/dev/null; then puerto=$p; fi
  fi
  for _ in $(seq 1 200); do
    [ -n "$puerto" ] && break
    p=$((20000 + RANDOM % 30000))
    if ! (exec 3<>"/dev/tcp/127.0.0.1/$p") 2>/dev/null; then puerto=$p; fi
  done
  [ -n "$puerto" ] || { echo "No hay ningún puerto libre." >&2; exit 1; }
  "${como[@]}" "$bin/pg_ctl" -D "$datos" -l "$carpeta/servidor.log" -w -t 30 \
    -o "-p $puerto -k $carpeta -c listen_addresses=127.0.0.1 -c fsync=off \
        -c max_connections=60 -c shared_buffers=64MB" start >/dev/null \
    || { cat "$carpeta/servidor.log" >&2; exit 1; }
  echo "$puerto" >"$carpeta/puerto"
  chmod 644 "$carpeta/puerto"
  echo "$puerto"
  ;;
detener)
  if [ -f "$datos/postmaster.pid" ]; then
    "${como[@]}" "$bin/pg_ctl" -D "$datos" -m fast -w stop >/dev/null
  fi
  ;;
parar)
  if [ -f "$datos/postmaster.pid" ]; then
    "${como[@]}" "$bin/pg_ctl" -D "$datos" -m fast -w stop >/dev/null
  fi
  rm -rf "$carpeta"
  ;;
*)
  echo "Uso: $0 arrancar|detener|parar CARPETA" >&2
  exit 2
  ;;
esac
