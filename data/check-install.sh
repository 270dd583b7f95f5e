#!/usr/bin/env bash
# Installs the build into a temporary DESTDIR and checks the tree with the tools a distribution
# uses. Usage: check-install.sh BUILD_DIR APP_ID
set -euo pipefail
build=$1 id=$2
dest=$(mktemp -d)
trap 'rm -rf "$dest"' EXIT
DESTDIR=$dest cmake --install "$build" --prefix /usr/local >/dev/null
root=$dest/usr/local
failed=0
problem() { echo "install: $*" >&2; failed=1; }

for f in bin/pelicano bin/pelicano-ftp; do
  [ -x "$root/$f" ] || problem "$f missing or not executable"
done
for size in 16 32 48 64 128 256; do
  png=$root/share/icons/hicolor/${size}x${size}/apps/$id.png
  if [ ! -f "$png" ]; then problem "icon ${size}x${size} missing"; continue; fi
  # Width and height are the big-endian words at bytes 16 and 20 of a PNG.
  read -r w h < <(od -An -tu1 -j16 -N8 "$png" | awk '{print $3*256+$4, $7*256+$8}')
  [ "$w" = "$size" ] && [ "$h" = "$size" ] || problem "icon ${size}x${size} is ${w}x${h}"
done
[ -f "$root/share/icons/hicolor/scalable/apps/$id.svg" ] || problem "scalable icon missing"
[ -f "$root/share/bash-completion/completions/pelicano-ftp" ] || problem "bash completion missing"
for f in copyright changelog.gz; do
  [ -f "$root/share/doc/pelicano/$f" ] || problem "share/doc/pelicano/$f missing"
done

desktop=$root/share/applications/$id.desktop
out=$(desktop-file-validate "$desktop" 2>&1) || problem "desktop-file-validate: $out"
[ -z "$out" ] || problem "desktop-file-validate: $out"
out=$(appstreamcli validate --no-net "$root/share/metainfo/$id.metainfo.xml" 2>&1) || problem "appstreamcli: $out"

for page in pelicano pelicano-ftp; do
  file=$root/share/man/man1/$page.1.gz
  if [ ! -f "$file" ]; then problem "man page $page missing"; continue; fi
  warnings=$(MANWIDTH=80 man --warnings -l "$file" 2>&1 >/dev/null)
  [ -z "$warnings" ] || problem "man $page: $warnings"
done

# The programs answer without a display or a server.
"$root/bin/pelicano-ftp" --version | grep -q . || problem "pelicano-ftp --version printed nothing"
env -u DISPLAY -u WAYLAND_DISPLAY QT_QPA_PLATFORM= "$root/bin/pelicano" --help | grep -q -- --version ||
  problem "pelicano --help without a display failed"
exit $failed
