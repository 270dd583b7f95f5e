#!/usr/bin/env bash
# Installs a built .deb into a throw-away Debian 12 root with apt, runs both programs, removes the
# package and checks that nothing of it stays. Needs root and a Debian mirror.
# Usage: data/check-deb.sh build/pelicano_*.deb [PRISTINE_ROOT]
# A PRISTINE_ROOT made earlier by debootstrap is copied instead of bootstrapping again.
set -euo pipefail
deb=$(realpath "$1")
pristine=${2:-}
mirror=${DEBIAN_MIRROR:-http://deb.debian.org/debian}
root=$(mktemp -d /tmp/pelicano-deb.XXXXXX)
chmod 755 "$root"  # its / must be open to apt's _apt user, which reads the .deb there
cleanup() {
  umount "$root/dev/pts" "$root/proc" 2>/dev/null || true
  rm -rf "$root"
}
trap cleanup EXIT

if [ -n "$pristine" ]; then
  cp -a "$pristine/." "$root/"
else
  debootstrap --variant=minbase bookworm "$root" "$mirror" >"$root/debootstrap.log" 2>&1 ||
    { echo "check-deb: debootstrap failed:" >&2; tail -n 20 "$root/debootstrap.log" >&2; exit 1; }
  rm "$root/debootstrap.log"
fi
mount -t proc proc "$root/proc"
mkdir -p "$root/dev/pts" && mount -t devpts devpts "$root/dev/pts"
# No services start inside the throw-away root.
printf '#!/bin/sh\nexit 101\n' >"$root/usr/sbin/policy-rc.d" && chmod +x "$root/usr/sbin/policy-rc.d"
cp "$deb" "$root/tmp/pelicano.deb"
in_root() { chroot "$root" env DEBIAN_FRONTEND=noninteractive LC_ALL=C.UTF-8 "$@"; }

in_root apt-get update -q >/dev/null
in_root apt-get install -y -q --no-install-recommends /tmp/pelicano.deb xvfb xauth >/dev/null
echo "check-deb: installed; pelicano-ftp --version says: $(in_root pelicano-ftp --version)"
in_root man -w pelicano-ftp >/dev/null 2>&1 || in_root test -f /usr/share/man/man1/pelicano-ftp.1.gz
for f in copyright changelog.gz; do
  in_root test -f /usr/share/doc/pelicano/$f || { echo "check-deb: /usr/share/doc/pelicano/$f missing" >&2; exit 1; }
done

# Five seconds under a virtual display: still running then (timeout's 124) means it started.
status=0
in_root timeout 5 xvfb-run -a pelicano >/dev/null 2>"$root/tmp/pelicano.err" || status=$?
if [ "$status" -ne 124 ]; then
  echo "check-deb: pelicano ended with status $status before 5 s:" >&2
  cat "$root/tmp/pelicano.err" >&2
  exit 1
fi
echo "check-deb: pelicano ran 5 s under Xvfb"

files=$(in_root dpkg-query -L pelicano | grep -v '^/usr$\|^/usr/share$\|^/usr/bin$\|^/\.$')
in_root apt-get purge -y -q pelicano >/dev/null
left=0
for f in $files; do
  if [ -e "$root$f" ] && [ ! -d "$root$f" ]; then echo "check-deb: left behind: $f" >&2; left=1; fi
done
[ "$left" -eq 0 ] || exit 1
settings=$root/root/.config/pelicano/pelicano.ini
echo "check-deb: removed without a trace; the user's settings stay: $([ -f "$settings" ] && echo "${settings#"$root"}" || echo none)"
