#!/usr/bin/env bash
# Unpacks vsftpd, proftpd (with its TLS module) and pure-ftpd into a cache folder, for tests that
# run them as their own processes. Debian's server packages conflict with one another and start
# a system service when installed, so only their shared libraries are installed through apt.
# Usage: scripts/ftp-servers.sh CACHE_DIR   (idempotent; prints nothing when already done)
# Afterwards: CACHE_DIR/root/usr/sbin/{vsftpd,proftpd,pure-ftpd}, CACHE_DIR/root/usr/lib/proftpd.
set -euo pipefail

[ $# -eq 1 ] || { echo "usage: $0 CACHE_DIR" >&2; exit 2; }
cache=$(mkdir -p "$1" && cd "$1" && pwd)
packages=(vsftpd proftpd-core proftpd-mod-crypto pure-ftpd)
binaries=(usr/sbin/vsftpd usr/sbin/proftpd usr/sbin/pure-ftpd usr/lib/proftpd/mod_tls.so)
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
    [ -e "$cache/root/$b" ] || { echo "ftp-servers: $b missing from the packages" >&2; exit 1; }
  done
  touch "$stamp"
fi

libs=$(missing_libraries)
if [ -n "$libs" ]; then
  # Install the library packages the servers depend on (never the servers themselves).
  apt_lists_present || "${apt[@]}" update -q
  deps=$(apt-cache depends --no-recommends --no-suggests --no-pre-depends "${packages[@]}" |
         awk '/^ *\|?Depends: lib/ {print $2}' | grep -Ev '^libpam-(runtime|modules)$' | sort -u)
  echo "ftp-servers: installing libraries:" $deps
  # shellcheck disable=SC2086
  "${apt[@]}" install -y -q --no-install-recommends $deps >/dev/null
  libs=$(missing_libraries)
  [ -z "$libs" ] || { echo "ftp-servers: still missing: $libs" >&2; exit 1; }
fi
