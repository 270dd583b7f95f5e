#!/usr/bin/env bash
# Unpacks Debian server packages into a cache folder, for tests and benches that run the servers
# as their own processes. Server packages start a system service (and some conflict with one
# another) when installed, so only the shared libraries they need are installed through apt.
# Usage: scripts/unpack-debs.sh NAME CACHE_DIR PACKAGE... -- BINARY...
#   (idempotent; prints nothing when already done). BINARY paths are relative to CACHE_DIR/root
#   and must exist afterwards, with every library they link found.
set -euo pipefail

usage() { echo "usage: $0 NAME CACHE_DIR PACKAGE... -- BINARY..." >&2; exit 2; }
[ $# -ge 4 ] || usage
name=$1
cache=$(mkdir -p "$2" && cd "$2" && pwd)
shift 2
packages=()
while [ $# -gt 0 ] && [ "$1" != -- ]; do packages+=("$1"); shift; done
[ $# -gt 1 ] || usage
shift
binaries=("$@")
stamp="$cache/unpacked"

sudo_cmd=()
[ "$(id -u)" -ne 0 ] && sudo_cmd=(sudo)
# sudo drops the environment: the setting is passed on the command itself.
apt=("${sudo_cmd[@]}" env DEBIAN_FRONTEND=noninteractive apt-get)

apt_lists_present() { compgen -G "/var/lib/apt/lists/*_Packages*" >/dev/null; }

# The libraries the unpacked programs cannot find yet.
missing_libraries() {
  for b in "${binaries[@]}"; do
    LD_LIBRARY_PATH="$cache/root/usr/lib/x86_64-linux-gnu" ldd "$cache/root/$b" 2>/dev/null |
      awk '/not found/ {print $1}'
  done | sort -u
}

if [ ! -f "$stamp" ]; then
  apt_lists_present || "${apt[@]}" update -q
  rm -rf "$cache/debs" "$cache/root"
  mkdir -p "$cache/debs" "$cache/root"
  (cd "$cache/debs" && apt-get download -qq "${packages[@]}" 2>&1 | grep -v '^W: Download is performed unsandboxed' || true)
  for deb in "$cache"/debs/*.deb; do dpkg -x "$deb" "$cache/root"; done
  for b in "${binaries[@]}"; do
    [ -e "$cache/root/$b" ] || { echo "$name: $b missing from the packages" >&2; exit 1; }
  done
  touch "$stamp"
fi

libs=$(missing_libraries)
if [ -n "$libs" ]; then
  # Install the library packages the servers depend on (never the servers themselves).
  apt_lists_present || "${apt[@]}" update -q
  deps=$(apt-cache depends --no-recommends --no-suggests --no-pre-depends "${packages[@]}" |
         awk '/^ *\|?Depends: lib/ {print $2}' | grep -Ev '^libpam-(runtime|modules)$' | sort -u)
  echo "$name: installing libraries:" $deps
  # shellcheck disable=SC2086
  "${apt[@]}" install -y -q --no-install-recommends $deps >/dev/null
  libs=$(missing_libraries)
  [ -z "$libs" ] || { echo "$name: still missing: $libs" >&2; exit 1; }
fi
