#!/usr/bin/env bash
# Runs ./test.sh as a newcomer would, on a pristine Debian 12 (debootstrap minbase) with a clone of
# this repository's HEAD: once as root, once as a new user with password-less sudo, who then also
# follows the README's Install steps. Each run gets its own copy of the pristine root, so both
# start with nothing installed. Prints one line per run; exits non-zero if any fails.
# Needs root and a Debian mirror (DEBIAN_MIRROR). The pristine root, the downloaded packages and
# the logs stay in PELICANO_FRESH_CACHE (default /var/cache/pelicano-fresh).
set -euo pipefail
[ "$(id -u)" -eq 0 ] || { echo "check-fresh: run as root" >&2; exit 2; }
command -v debootstrap >/dev/null || { echo "check-fresh: needs debootstrap (scripts/install-deps.sh package)" >&2; exit 2; }
src=$(git -C "$(dirname "$0")" rev-parse --show-toplevel)
head=$(git -C "$src" rev-parse HEAD)
cache=${PELICANO_FRESH_CACHE:-/var/cache/pelicano-fresh}
mirror=${DEBIAN_MIRROR:-http://deb.debian.org/debian}
pristine=$cache/bookworm
mkdir -p "$cache/archives/partial" "$cache/logs"

if [ ! -d "$pristine" ]; then
  rm -rf "$pristine.tmp"
  echo "check-fresh: making a pristine Debian 12 root in $pristine"
  debootstrap --variant=minbase bookworm "$pristine.tmp" "$mirror" >"$cache/logs/debootstrap.log" 2>&1 ||
    { echo "check-fresh: debootstrap failed, see $cache/logs/debootstrap.log" >&2; exit 1; }
  mv "$pristine.tmp" "$pristine"
fi

roots=()
unmount_all() {
  local r m
  for r in "${roots[@]}"; do
    for m in var/cache/apt/archives dev/shm dev/pts dev proc; do
      mountpoint -q "$r/$m" && { umount "$r/$m" 2>/dev/null || umount -l "$r/$m"; }
    done
    # Deleting through a mount that is still there would delete the host's files.
    if grep -q " $r/" /proc/self/mounts; then
      echo "check-fresh: $r still has mounts; not deleted" >&2
    else
      rm -rf --one-file-system "$r"
    fi
  done
}
trap unmount_all EXIT
trap 'exit 130' INT
trap 'exit 143' TERM

# A copy of the pristine root in $r, with the mounts a running system has. The packages apt
# downloads there are kept in the cache for the next run.
new_root() {
  r=$(mktemp -d "$cache/run.XXXXXX")
  roots+=("$r")
  chmod 755 "$r"
  cp -a "$pristine/." "$r/"
  cp -L /etc/resolv.conf "$r/etc/resolv.conf"
  printf '127.0.0.1\tlocalhost\n127.0.1.1\t%s\n' "$(hostname)" >"$r/etc/hosts"
  # Nothing the tests install may start a service: the root shares this machine's network.
  printf '#!/bin/sh\nexit 101\n' >"$r/usr/sbin/policy-rc.d" && chmod 755 "$r/usr/sbin/policy-rc.d"
  mount -t proc proc "$r/proc"
  mount --bind /dev "$r/dev" && mount --make-rslave "$r/dev"
  mount --bind /dev/pts "$r/dev/pts"
  mount -t tmpfs -o mode=1777 shm "$r/dev/shm"
  mount --bind "$cache/archives" "$r/var/cache/apt/archives"
}

clone_into() {
  local r=$1 dir=$2
  git clone -q --no-hardlinks "$src" "$r$dir"
  git -C "$r$dir" checkout -q --detach "$head"
}

failed=0
# Prints "NAME: exit N, <CTest's summary>, M min" from the run's log.
report() {
  local name=$1 status=$2 log=$3 start=$4 summary
  summary=$(grep -E '^[0-9]+% tests passed' "$log" | tail -n 1 || true)
  printf '%s: exit %d, %s, %d min (log %s)\n' "$name" "$status" "${summary:-no CTest summary}" \
    $(((SECONDS - start + 30) / 60)) "$log"
  [ "$status" -eq 0 ] || failed=1
}

in_root() { local r=$1; shift; chroot "$r" env -i LANG=C.UTF-8 TERM=dumb PATH=/usr/sbin:/usr/bin:/sbin:/bin "$@"; }

new_root
clone_into "$r" /root/pelicano
log=$cache/logs/root.log start=$SECONDS status=0
in_root "$r" HOME=/root bash -lc 'cd ~/pelicano && ./test.sh' >"$log" 2>&1 </dev/null || status=$?
report "root" "$status" "$log" "$start"
unmount_all && roots=()

new_root
setup=$cache/logs/setup.log
{ in_root "$r" apt-get update -q && in_root "$r" apt-get install -y -q --no-install-recommends sudo; } >"$setup" 2>&1 ||
  { echo "check-fresh: cannot install sudo in the root, see $setup" >&2; exit 1; }
rm -rf "$r"/var/lib/apt/lists/*  # as fresh as the root's run: apt has not been updated yet
in_root "$r" useradd -m -s /bin/bash newcomer
echo 'newcomer ALL=(ALL) NOPASSWD: ALL' >"$r/etc/sudoers.d/newcomer"
clone_into "$r" /home/newcomer/pelicano
in_root "$r" chown -R newcomer: /home/newcomer/pelicano
as_user() { in_root "$r" runuser -u newcomer -- bash -lc "cd ~/pelicano && $1"; }
log=$cache/logs/user.log start=$SECONDS status=0
as_user ./test.sh >"$log" 2>&1 </dev/null || status=$?
report "sudo user" "$status" "$log" "$start"

# The Install section's commands, as written, answering yes where apt asks.
steps=$(awk '/^## Install/ {on = 1} on && /^```/ {n++; next} on && n == 1 {print} n == 2 {exit}' "$src/README.md")
log=$cache/logs/install.log start=$SECONDS status=0
as_user "set -e; $steps" >"$log" 2>&1 < <(yes) || status=$?
ls "$r"/home/newcomer/pelicano/build/pelicano_*.deb >>"$log" 2>&1 || status=1
printf 'README install steps: exit %d, %d min (log %s)\n' "$status" $(((SECONDS - start + 30) / 60)) "$log"
[ "$status" -eq 0 ] || failed=1
exit $failed
