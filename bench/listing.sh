#!/usr/bin/env bash
# The remote listing against curl: a folder of 10,000 files and 10,000 folders on a loopback
# vsftpd; EnumFiles in an offscreen window and curl fetching the same LIST, alternated, five
# runs each, medians and their ratio; then the time of one scroll re-stack of the column.
set -euo pipefail
cd "$(dirname "$0")/.."
src=$PWD
build=${BUILD_DIR:-$src/build}
runs=${RUNS:-5}

scripts/install-deps.sh bench
cmake -S . -B "$build" >/dev/null
cmake --build "$build" -j2 --target bench_listing >/dev/null

work=$(mktemp -d)
. bench/lib.sh
cleanup() { stop_vsftpd; rm -rf "$work"; }
trap cleanup EXIT

mkdir -p "$work/root/big" "$work/empty"
/usr/bin/python3 - "$work/root/big" <<'PY'
import os, sys
base = sys.argv[1]
for i in range(10000):
    os.mkdir(os.path.join(base, "carpeta%05d" % i))
    with open(os.path.join(base, "archivo%05d.txt" % i), "wb") as f:
        f.write(b"x" * (i % 4096))
PY

start_vsftpd "$work/root" "$work"


: >"$work/ours" ; : >"$work/curl" ; : >"$work/connect" ; : >"$work/engine" ; : >"$work/gap"
for i in $(seq "$runs"); do
  out=$(QT_QPA_PLATFORM=offscreen "$build/bench/bench_listing" 127.0.0.1 "$port" anonymous x big 2>&1)
  echo "$out" | awk '/^enumfiles_ms/ {print $2}' >>"$work/ours"
  echo "$out" | awk '/^connect_ms/ {print $2}' >>"$work/connect"
  echo "$out" | awk '/^engine_listing_ms/ {print $2}' >>"$work/engine"
  echo "$out" | awk '/^longest_yield_gap_ms/ {print $2}' >>"$work/gap"
  [ "$i" = 1 ] && echo "$out" | grep -v '_ms [0-9.]*$' || true
  curl -s -o /dev/null -w '%{time_total}\n' "ftp://anonymous:x@127.0.0.1:$port/big/" | awk '{print $1*1000}' >>"$work/curl"
done
ours=$(median <"$work/ours"); theirs=$(median <"$work/curl"); conn=$(median <"$work/connect")
echo "EnumFiles median: ${ours} ms (runs: $(tr '\n' ' ' <"$work/ours"))"
echo "engine listing alone median: $(median <"$work/engine") ms"
echo "longest time without an event-loop pass during EnumFiles, median: $(median <"$work/gap") ms"
echo "curl LIST median: ${theirs} ms, connect and login included (runs: $(tr '\n' ' ' <"$work/curl"))"
awk -v a="$ours" -v b="$theirs" -v c="$conn" 'BEGIN {
  printf "ratio EnumFiles / curl: %.2f (target <= 1.5)\n", a / b
  printf "ratio connect + EnumFiles / curl: %.2f\n", (a + c) / b }'
