#!/usr/bin/env bash
# Installs, from Debian 12 packages, whatever the build and the tests need and is missing.
set -euo pipefail
paquetes=(cmake ninja-build g++ qt6-base-dev libqt6sql6-sqlite qt6-translations-l10n libsqlite3-dev
          fonts-liberation poppler-utils pkg-config mdbtools-dev
          postgresql libqt6sql6-psql libpq-dev)
faltan=()
for p in "${paquetes[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || faltan+=("$p")
done
if [ ${#faltan[@]} -gt 0 ]; then
  echo "Instalando: ${faltan[*]}"
  sudo_cmd=""
  [ "$(id -u)" -ne 0 ] && sudo_cmd="sudo"
  $sudo_cmd apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo_cmd apt-get install -y -qq "${faltan[@]}"
fi
