#!/usr/bin/env bash
# Upload throughput: pelicano-ftp put against other clients on loopback, same file, same server:
# against curl -T on vsftpd, first in clear, then over TLS (pelicano-ftp --tls require against
# curl --ssl-reqd); then over SFTP against OpenSSH's sftp -b and curl -T sftp:// on OpenSSH's
# sshd; then logged in to proftpd with an account, where put writes a temporary name and checks,
# times and renames it while curl writes in place (the difference is the rename's cost). The
# servers write into a tmpfs folder so the disk does not set the pace. One warm-up
# each, then RUNS alternating runs of each; prints medians of wall time, CPU time and peak
# memory, and the ratios of pelicano-ftp to each other client.
# Usage: bench/upload.sh [SIZE_MIB] (default 1024)
#   env: RUNS (default 5), BUILD_DIR, TMPFS, PARTS (default "clear tls login sftp": which to run)
set -euo pipefail
cd "$(dirname "$0")/.."
SIZE_MIB=${1:-1024}
RUNS=${RUNS:-5}
BUILD_DIR=${BUILD_DIR:-build-bench}
TMPFS=${TMPFS:-/dev/shm}
PARTS=${PARTS:-clear tls login sftp}

scripts/install-deps.sh build bench
cmake -S . -B "$BUILD_DIR" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$BUILD_DIR" -j2 --target pelicano-ftp >/dev/null
TOOL=$BUILD_DIR/tools/pelicano-ftp

work=$(mktemp -d "$TMPFS/pelicano-bench-XXXXXX")
. bench/lib.sh
cleanup() { stop_vsftpd; stop_proftpd; stop_sshd; rm -rf "$work"; }
trap cleanup EXIT
mkdir -p "$work/root" "$work/empty"

echo "Creating a ${SIZE_MIB} MiB file in $TMPFS ..."
head -c "$((SIZE_MIB * 1024 * 1024))" /dev/urandom > "$work/payload.bin"
expected=$(stat -c %s "$work/payload.bin")

# Runs one upload under /usr/bin/time; appends "wall cpu maxrss_kib" to the named file. The
# upload must arrive whole in $dest.
dest=$work/root
measure() {
  local out=$1; shift
  rm -f "$dest/payload.bin"
  /usr/bin/time -f "%e %U %S %M" -o "$work/time.txt" "$@" >/dev/null 2>"$work/err.txt" \
    || { echo "upload failed: $*" >&2; cat "$work/err.txt" >&2; exit 1; }
  local got; got=$(stat -c %s "$dest/payload.bin")
  [ "$got" = "$expected" ] || { echo "short upload: $got of $expected bytes ($*)" >&2; exit 1; }
  awk '{ printf "%.3f %.3f %d\n", $1, $2 + $3, $4 }' "$work/time.txt" >> "$out"
}
# The FTP login; the logged-in part changes it.
login_user=anonymous login_password=
pelicano() { measure "$1" env PELICANO_PASSWORD="$login_password" XDG_CONFIG_HOME="$work" "$TOOL" -P "$port" -u "$login_user" $TOOL_TLS 127.0.0.1 put "$work/payload.bin"; }
curl() { measure "$1" /usr/bin/curl -sS --fail $CURL_TLS -T "$work/payload.bin" "ftp://127.0.0.1:$port/payload.bin" --user "$login_user:$login_password"; }

# The key in $work/home/.ssh is found as a default key; no agent takes part.
pelicano_sftp() { measure "$1" env -u SSH_AUTH_SOCK HOME="$work/home" PELICANO_PASSWORD= XDG_CONFIG_HOME="$work" "$TOOL" --trust "$ssh_fingerprint" "sftp://$ssh_user@127.0.0.1:$ssh_port/" put "$work/payload.bin"; }
sftp() { measure "$1" /usr/bin/sftp -q -F /dev/null -b "$work/put.batch" -i "$work/home/.ssh/id_ed25519" -o IdentitiesOnly=yes -o BatchMode=yes -o StrictHostKeyChecking=yes -o UserKnownHostsFile="$work/home/.ssh/known_hosts" -P "$ssh_port" "$ssh_user@127.0.0.1"; }
curl_sftp() { measure "$1" env -u SSH_AUTH_SOCK HOME="$work/home" /usr/bin/curl -sS --fail -T "$work/payload.bin" --key "$work/home/.ssh/id_ed25519" --pubkey "$work/home/.ssh/id_ed25519.pub" --hostpubsha256 "${ssh_fingerprint#SHA256:}" "sftp://$ssh_user@127.0.0.1:$ssh_port$dest/payload.bin"; }

name() { case $1 in pelicano*) echo pelicano-ftp ;; curl*) echo curl ;; *) echo "$1" ;; esac; }

compare() {  # label, then the clients: functions above, the one the others are set against first
  local label=$1 c i; shift
  echo "== $label"
  echo "Warm-up ..."
  mkdir -p "$work/runs"
  for c in "$@"; do "$c" "$work/runs/warm"; : > "$work/runs/$c"; done
  for i in $(seq "$RUNS"); do
    echo "Run $i of $RUNS ..."
    for c in "$@"; do "$c" "$work/runs/$c"; done
  done
  echo
  echo "Runs (wall s, CPU s, peak KiB):"
  for i in $(seq "$RUNS"); do
    for c in "$@"; do sed -n "${i}p" "$work/runs/$c" | awk -v c="$(name "$c")" '{ printf "  %-12s %7.3f %7.3f %7d  ", c, $1, $2, $3 }'; done
    echo
  done
  echo "Upload of ${SIZE_MIB} MiB on loopback (tmpfs) $label, median of $RUNS runs each"
  printf "%-16s %10s %10s %14s\n" "" "wall s" "CPU s" "peak MiB"
  for c in "$@"; do
    for i in 1 2 3; do cut -d' ' -f$i "$work/runs/$c" | median; done | tr '\n' ' ' > "$work/runs/$c.median"
    awk -v c="$(name "$c")" '{ printf "%-16s %10.3f %10.3f %14.1f\n", c, $1, $2, $3 / 1024 }' "$work/runs/$c.median"
  done
  for c in "${@:2}"; do
    paste -d' ' "$work/runs/$1.median" "$work/runs/$c.median" |
      awk -v c="$(name "$c")" '{ printf "%-16s %10.2f %10.2f %14.2f\n", "ratio to " c, $1 / $4, $2 / $5, $3 / $6 }'
  done
}

case " $PARTS " in *" clear "* | *" tls "*)
  start_vsftpd "$work/root" "$work" tls ;;
esac
case " $PARTS " in *" clear "*)
  TOOL_TLS="--tls off" CURL_TLS="" compare "to vsftpd in clear" pelicano curl
  echo "Targets: wall ratio <= 1.00, CPU ratio <= 1.20, pelicano-ftp peak memory < 64 MiB"
  echo ;;
esac
case " $PARTS " in *" tls "*)
  TOOL_TLS="--tls require --trust SHA256:$tls_sha256" CURL_TLS="--ssl-reqd --cacert $work/cert.pem" \
    compare "to vsftpd over TLS" pelicano curl
  echo "Targets over TLS: wall ratio <= 1.10, CPU ratio <= 1.10"
  echo ;;
esac
# Logged in: put adds SIZE, MFMT, RNFR and RNTO after the transfer; curl writes in place.
case " $PARTS " in *" login "*)
  stop_vsftpd; vsftpd_pid=
  dest=$work/login-root
  mkdir -p "$dest" "$work/login"
  start_proftpd "$dest" "$work/login"
  login_user=$ftp_user login_password=$ftp_password
  TOOL_TLS="--tls off" CURL_TLS="" compare "to proftpd logged in, in clear" pelicano curl
  echo "Target logged in: wall ratio <= 1.00 (the rename adds one round trip and nothing else)"
  echo ;;
esac
case " $PARTS " in *" sftp "*)
  dest=$work/sftp
  start_sshd "$dest" "$work"
  echo "put $work/payload.bin payload.bin" > "$work/put.batch"
  if "$TOOL" --help 2>&1 | grep -q 'sftp://'; then
    compare "to sshd over SFTP" pelicano_sftp sftp curl_sftp
    echo "Targets over SFTP: wall ratio <= 1.20 to sftp and <= 1.00 to curl, CPU ratio <= 1.20 to sftp"
  else
    compare "to sshd over SFTP" sftp curl_sftp
    echo "pelicano-ftp does not speak SFTP yet: only the other clients were measured" >&2
    exit 3
  fi ;;
esac
