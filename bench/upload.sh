#!/usr/bin/env bash
# Upload throughput: pelicano-ftp put against curl -T, same vsftpd on loopback, same file, first
# in clear, then over TLS (pelicano-ftp --tls require against curl --ssl-reqd).
# vsftpd writes into a tmpfs folder so the disk does not set the pace. One warm-up each, then
# RUNS alternating runs of each; prints medians of wall time, CPU time and peak memory, and the
# ratios pelicano-ftp / curl.
# Usage: bench/upload.sh [SIZE_MIB] (default 1024)   env: RUNS (default 5), BUILD_DIR, TMPFS
set -euo pipefail
cd "$(dirname "$0")/.."
SIZE_MIB=${1:-1024}
RUNS=${RUNS:-5}
BUILD_DIR=${BUILD_DIR:-build-bench}
TMPFS=${TMPFS:-/dev/shm}

scripts/install-deps.sh build bench
cmake -S . -B "$BUILD_DIR" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$BUILD_DIR" -j2 --target pelicano-ftp >/dev/null
TOOL=$BUILD_DIR/tools/pelicano-ftp

work=$(mktemp -d "$TMPFS/pelicano-bench-XXXXXX")
. bench/lib.sh
cleanup() { stop_vsftpd; rm -rf "$work"; }
trap cleanup EXIT
mkdir -p "$work/root" "$work/empty"

start_vsftpd "$work/root" "$work" tls

echo "Creating a ${SIZE_MIB} MiB file in $TMPFS ..."
head -c "$((SIZE_MIB * 1024 * 1024))" /dev/urandom > "$work/payload.bin"
expected=$(stat -c %s "$work/payload.bin")

# Runs one upload under /usr/bin/time; appends "wall cpu maxrss_kib" to the named file.
measure() {
  local out=$1; shift
  rm -f "$work/root/payload.bin"
  /usr/bin/time -f "%e %U %S %M" -o "$work/time.txt" "$@" >/dev/null 2>"$work/err.txt" \
    || { echo "upload failed: $*" >&2; cat "$work/err.txt" >&2; exit 1; }
  local got; got=$(stat -c %s "$work/root/payload.bin")
  [ "$got" = "$expected" ] || { echo "short upload: $got of $expected bytes ($*)" >&2; exit 1; }
  awk '{ printf "%.3f %.3f %d\n", $1, $2 + $3, $4 }' "$work/time.txt" >> "$out"
}
pelicano() { measure "$1" env PELICANO_PASSWORD= XDG_CONFIG_HOME="$work" "$TOOL" -P "$port" -u anonymous $TOOL_TLS 127.0.0.1 put "$work/payload.bin"; }
curlput() { measure "$1" curl -sS --fail $CURL_TLS -T "$work/payload.bin" "ftp://127.0.0.1:$port/payload.bin" --user anonymous:; }

compare() {  # label
echo "== $1"
echo "Warm-up ..."
pelicano "$work/warm"; curlput "$work/warm"
: > "$work/pelicano"; : > "$work/curl"
for i in $(seq "$RUNS"); do
  echo "Run $i of $RUNS ..."
  pelicano "$work/pelicano"
  curlput "$work/curl"
done

median() {  # column of file
  sort -n -k"$2" "$1" | awk -v c="$2" '{ v[NR] = $c } END { if (NR % 2) print v[(NR + 1) / 2]; else print (v[NR / 2] + v[NR / 2 + 1]) / 2 }'
}
pw=$(median "$work/pelicano" 1); pc=$(median "$work/pelicano" 2); pm=$(median "$work/pelicano" 3)
cw=$(median "$work/curl" 1); cc=$(median "$work/curl" 2); cm=$(median "$work/curl" 3)

echo
echo "Runs (wall s, CPU s, peak KiB):"
paste "$work/pelicano" "$work/curl" | awk '{ printf "  pelicano-ftp %7.3f %7.3f %7d    curl %7.3f %7.3f %7d\n", $1, $2, $3, $4, $5, $6 }'
echo "Upload of ${SIZE_MIB} MiB to vsftpd on loopback (tmpfs) $1, median of $RUNS runs each"
awk -v pw="$pw" -v pc="$pc" -v pm="$pm" -v cw="$cw" -v cc="$cc" -v cm="$cm" 'BEGIN {
  printf "%-14s %10s %10s %14s\n", "", "wall s", "CPU s", "peak MiB"
  printf "%-14s %10.3f %10.3f %14.1f\n", "pelicano-ftp", pw, pc, pm / 1024
  printf "%-14s %10.3f %10.3f %14.1f\n", "curl", cw, cc, cm / 1024
  printf "%-14s %10.2f %10.2f %14.2f\n", "ratio", pw / cw, pc / cc, pm / cm
}'
}

TOOL_TLS="--tls off" CURL_TLS="" compare "in clear"
echo "Targets: wall ratio <= 1.00, CPU ratio <= 1.20, pelicano-ftp peak memory < 64 MiB"
echo
TOOL_TLS="--tls require --trust SHA256:$tls_sha256" CURL_TLS="--ssl-reqd --cacert $work/cert.pem" compare "over TLS"
echo "Targets over TLS: wall ratio <= 1.10, CPU ratio <= 1.10"
