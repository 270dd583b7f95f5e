#!/usr/bin/env bash
# Prepares the demo: the server's folder, a local folder with files to upload and a settings
# profile that knows the demo server. Existing files are kept, so uploads survive a restart.
# Usage: scripts/demo/prepare.sh DEMO_DIR [PORT]   (the port defaults to 2121)
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
dir=$1
port=${2:-2121}
mkdir -p "$dir/servidor" "$dir/local" "$dir/profile/pelicano"
cp -rn "$here/servidor/." "$dir/servidor/"
cp -rn "$here/local/." "$dir/local/"

ini=$dir/profile/pelicano/pelicano.ini
if [ -f "$ini" ]; then
  # Keep the profile, but point it at the port the server uses this time.
  sed -i "s/^configuracion\\\\puerto=.*/configuracion\\\\puerto=$port/" "$ini"
else
  # The settings file as the program writes it: lower-cased application/section/key paths.
  # "pvez" = 1: the demo profile puts no launcher on the desktop.
  (umask 077; cat > "$ini") <<INI
[pelicano]
configuracion\\puerto=$port
conf\\transferencia=2
link\\pvez=1
ultdir\\path="$dir/local"
lista\\1=127.0.0.1
usuario\\1=demo
INI
fi
