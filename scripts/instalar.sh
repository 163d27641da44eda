#!/usr/bin/env bash
# Installs the built program for the user who runs it (no root needed): the program, its help
# pages and its data side by side in one folder the user owns (the program keeps clinora.mdb
# beside itself, so that folder must be writable by the user), and an entry with an icon in the
# desktop menu.
#   scripts/instalar.sh            installs, or updates an earlier install: the data, clinora.ini
#                                  and the backups are kept
#   scripts/instalar.sh --quitar   removes the program and the menu entry; the data stay
# The folder is $XDG_DATA_HOME/clinora (~/.local/share/clinora); CLINORA_CARPETA chooses another.
set -euo pipefail
raiz=$(cd "$(dirname "$0")/.." && pwd)
compartido=${XDG_DATA_HOME:-$HOME/.local/share}
carpeta=${CLINORA_CARPETA:-$compartido/clinora}
entrada="$compartido/applications/clinora.desktop"
icono="$compartido/icons/hicolor/128x128/apps/clinora.png"

avisar_menu() {
  command -v update-desktop-database >/dev/null \
    && update-desktop-database -q "$compartido/applications" 2>/dev/null || true
}

if [ "${1:-}" = "--quitar" ]; then
  rm -f "$carpeta/clinora" "$carpeta/clinora-bd" "$entrada" "$icono"
  rm -rf "$carpeta/Ayuda"
  avisar_menu
  echo "Clinora se ha quitado del menú y del ordenador."
  echo "Los datos (clinora.mdb, clinora.ini y las copias) siguen en: $carpeta"
  exit 0
fi
if [ $# -gt 0 ]; then
  echo "Uso: $0 [--quitar]" >&2
  exit 2
fi

[ -x "$raiz/build/clinora" ] && [ -x "$raiz/build/clinora-bd" ] || "$raiz/scripts/construir.sh"

mkdir -p "$carpeta" "$(dirname "$entrada")" "$(dirname "$icono")"
chmod 700 "$carpeta"
# Each file is written beside its place and renamed over the old one, so a copy of the program
# that is running keeps its own until it ends.
for programa in clinora clinora-bd; do
  install -m 755 "$raiz/build/$programa" "$carpeta/.$programa.nuevo"
  mv -f "$carpeta/.$programa.nuevo" "$carpeta/$programa"
done
rm -rf "$carpeta/.Ayuda.nueva"
cp -R "$raiz/build/Ayuda" "$carpeta/.Ayuda.nueva"
rm -rf "$carpeta/Ayuda"
mv "$carpeta/.Ayuda.nueva" "$carpeta/Ayuda"
# The data are the practice's: created empty the first time, never touched again.
if [ ! -e "$carpeta/clinora.mdb" ]; then
  "$carpeta/clinora-bd" crear "$carpeta/clinora.mdb"
  nueva=" (base de datos nueva, vacía)"
else
  nueva=" (se conservan los datos)"
fi
install -m 644 "$raiz/resources/imagenes/logo.png" "$icono"
cat > "$entrada.nueva" <<FIN
[Desktop Entry]
Type=Application
Version=1.0
Name=Clinora
GenericName=Citas y pacientes
Comment=Citas y pacientes de la consulta
Exec="$carpeta/clinora"
Path=$carpeta
Icon=$icono
Terminal=false
StartupNotify=true
Categories=Office;MedicalSoftware;
Keywords=consulta;pacientes;citas;médico;
FIN
mv -f "$entrada.nueva" "$entrada"
avisar_menu
echo "Clinora instalado en $carpeta$nueva."
echo "Está en el menú del escritorio como «Clinora»."
