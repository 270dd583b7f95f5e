#!/usr/bin/env bash
# Prepares the demo: the server's folder, a local folder with files to upload and a settings
# profile that knows the demo server. Existing files are kept, so uploads survive a restart.
# Usage: scripts/demo/prepare.sh DEMO_DIR
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
dir=$1
mkdir -p "$dir/servidor" "$dir/local" "$dir/profile/pelicano"
cp -rn "$here/servidor/." "$dir/servidor/"
cp -rn "$here/local/." "$dir/local/"

ini=$dir/profile/pelicano/pelicano.ini
if [ ! -f "$ini" ]; then
  # The settings file as the program writes it: lower-cased application/section/key paths.
  # "pvez" = 1: the demo profile puts no launcher on the desktop.
  cat > "$ini" <<INI
[pelicano]
configuracion\\puerto=2121
conf\\transferencia=2
link\\pvez=1
ultdir\\path="$dir/local"
lista\\1=127.0.0.1
usuario\\1=demo
INI
fi
