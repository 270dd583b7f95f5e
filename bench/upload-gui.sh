#!/usr/bin/env bash
# Uploads a 1 GiB file through the upload window (offscreen, connected, the file selected, the
# upload button pressed) and the same file with curl -T to the same vsftpd, several times each:
# first in clear, then over TLS (the window in "Exigir cifrado" against curl --ssl-reqd).
# Both are timed as whole processes; prints the medians, the ratios to curl, peak memory, the
# longest event-loop gap, and the window's own times from the click on.
#   bench/upload-gui.sh [runs] [size-in-MiB]
set -euo pipefail
cd "$(dirname "$0")/.."
runs=${1:-5}
mib=${2:-1024}

scripts/install-deps.sh bench
build=${PELICANO_BENCH_BUILD:-build-bench}
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" -j2 --target bench_uploadgui >/dev/null
bench=$build/bench/bench_uploadgui

work=$(mktemp -d /dev/shm/pelicano-bench.XXXXXX)
. bench/lib.sh
cleanup() { stop_vsftpd; rm -rf "$work"; }
trap cleanup EXIT
mkdir -p "$work/root" "$work/empty" "$work/local"
file="$work/local/upload.bin"
head -c "$((mib * 1024 * 1024))" /dev/urandom >"$file"

start_vsftpd "$work/root" "$work" tls

calc() { awk "BEGIN { printf \"%.6f\", $1 }"; }

compare() {  # label, window's TLS arguments, curl's TLS options, wall and CPU ratio targets
  local label=$1 gui_tls=$2 curl_tls=$3
  echo "== $label"
  : >"$work/gui.txt"
  : >"$work/curl.txt"
  for run in $(seq "$runs"); do
    rm -f "$work/root/upload.bin" "$work/root/curl.bin"
    # Whole process against whole process, as curl is measured; the program's own line adds the
    # event-loop gap and the times from the click on.
    line=$(/usr/bin/time -f "%e %U %S %M" -o "$work/gui-time.txt" "$bench" 127.0.0.1 "$port" anonymous bench "$file" $gui_tls)
    read -r e u s m <"$work/gui-time.txt"
    line="process_wall=$e process_cpu=$(calc "$u + $s") process_peak_kib=$m $line"
    echo "run $run window: $line"
    echo "$line" >>"$work/gui.txt"
    cmp -s "$file" "$work/root/upload.bin" || { echo "upload-gui: the window's upload differs from the file" >&2; exit 1; }

    /usr/bin/time -f "%e %U %S %M" -o "$work/time.txt" \
      curl -sS --fail $curl_tls -T "$file" --user anonymous: "ftp://127.0.0.1:$port/curl.bin"
    read -r e u s m <"$work/time.txt"
    echo "run $run curl:   wall=$e cpu=$(calc "$u + $s") peak_kib=$m"
    echo "$e $(calc "$u + $s") $m" >>"$work/curl.txt"
    cmp -s "$file" "$work/root/curl.bin" || { echo "upload-gui: curl's upload differs from the file" >&2; exit 1; }
  done

  field() { sed -n "s/.*$1=\([0-9.]*\).*/\1/p" "$work/gui.txt"; }
  gw=$(field process_wall | median); gc=$(field process_cpu | median)
  gm=$(field process_peak_kib | sort -g | tail -1); gg=$(field longest_gap_ms | sort -g | tail -1)
  iw=$(field " wall" | median); ic=$(field " cpu" | median)
  cw=$(awk '{print $1}' "$work/curl.txt" | median); cc=$(awk '{print $2}' "$work/curl.txt" | median)
  echo
  echo "file: $mib MiB, $runs runs each, vsftpd on 127.0.0.1, $label"
  printf "wall  window %.2f s   curl %.2f s   ratio %.2f  (target <= %s)\n" "$gw" "$cw" "$(calc "$gw / $cw")" "$4"
  printf "cpu   window %.2f s   curl %.2f s   ratio %.2f  (target <= %s)\n" "$gc" "$cc" "$(calc "$gc / $cc")" "$5"
  printf "from the click on (connect, upload, disconnect): wall %.2f s, cpu %.2f s\n" "$iw" "$ic"
  printf "peak memory  window %.1f MiB  (target < 96)\n" "$(calc "$gm / 1024")"
  printf "longest event-loop gap  %.1f ms  (target <= 50)\n" "$gg"
  echo
}

# vsftpd offers TLS to both runs: the clear one asks for none.
compare "in clear" "off" "" 1.00 1.30
compare "over TLS" "require SHA256:$tls_sha256" "--ssl-reqd --cacert $work/cert.pem" 1.20 1.20
