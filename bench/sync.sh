#!/usr/bin/env bash
# Tree sync against lftp's mirror -R: a tree of FILES files (1 KiB to 1 MiB, spread evenly on a
# log scale) in FOLDERS folders, made the same from SEED every time, sent to each server of
# SERVERS on tmpfs through bench/delay-proxy.py, which delays every reply by DELAY_MS (the data
# connections go to the server directly, undelayed). vsftpd takes an anonymous login, so uploads
# are written in place; proftpd a logged-in one (a virtual account), so each file goes to a
# temporary name that is timed (MFMT) and renamed when whole, as users with an account see it. For each N in PARALLEL, pelicano-ftp sync --parallel N and
# lftp -e "mirror -R --parallel=N" each get a fresh remote folder and do three runs: the first
# sync (all new), a sync with nothing changed, a sync after 1 % of the files changed (the same
# files, grown by 1 KiB and dated later, for both). Prints the wall times, their ratios, the
# commands each run sent, and pelicano-ftp's first-sync speed-up from 1 to 4 connections.
# Usage: bench/sync.sh   env: FILES (2000), FOLDERS (50), DELAY_MS (20), SEED (1), PARALLEL ("2 4"),
#                            SERVERS ("vsftpd proftpd"), BUILD_DIR, TMPFS, PELICANO_FTP (a built pelicano-ftp: skips the build)
set -euo pipefail
cd "$(dirname "$0")/.."
FILES=${FILES:-2000}
FOLDERS=${FOLDERS:-50}
DELAY_MS=${DELAY_MS:-20}
SEED=${SEED:-1}
PARALLEL=${PARALLEL:-2 4}
SERVERS=${SERVERS:-vsftpd proftpd}
BUILD_DIR=${BUILD_DIR:-build-bench}
TMPFS=${TMPFS:-/dev/shm}

scripts/install-deps.sh build bench
if [ -z "${PELICANO_FTP-}" ]; then
  cmake -S . -B "$BUILD_DIR" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
  cmake --build "$BUILD_DIR" -j2 --target pelicano-ftp >/dev/null
  PELICANO_FTP=$BUILD_DIR/tools/pelicano-ftp
fi
case $("$PELICANO_FTP" --help 2>&1 || true) in
  *' sync '*) ;;
  *) echo "$PELICANO_FTP has no sync command" >&2; exit 1 ;;
esac

work=$(mktemp -d "$TMPFS/pelicano-sync-XXXXXX")
. bench/lib.sh
# Its standard input closing is what stops the proxy.
stop_proxy() {
  if [ -n "${PROXY[1]-}" ]; then exec {PROXY[1]}>&-; fi
  if [ -n "${PROXY_PID-}" ]; then wait "$PROXY_PID" 2>/dev/null || true; fi
}
stop_servers() { stop_proxy; stop_vsftpd; stop_proftpd; vsftpd_pid=; proftpd_pid=; }
cleanup() { stop_servers; rm -rf "$work"; }
trap cleanup EXIT

echo "Making $FILES files in $FOLDERS folders (seed $SEED) ..."
# tree/ is the starting tree; changes/ holds the new versions of the 1 % that change, so that
# copying it over a copy of tree/ changes the same files in the same way for every client.
# Fixed dates in the past: nothing depends on when the bench runs.
/usr/bin/python3 - "$work" "$FILES" "$FOLDERS" "$SEED" <<'PY'
import os, random, sys
work, files, folders, seed = sys.argv[1], int(sys.argv[2]), int(sys.argv[3]), int(sys.argv[4])
rng = random.Random(seed)
tops = max(1, folders // 5)
dirs = ["d%02d" % i for i in range(tops)]
dirs += ["d%02d/s%02d" % (i % tops, i) for i in range(folders - tops)]
base = 1735689600  # 2025-01-01 UTC
paths, total = [], 0
for d in dirs:
    os.makedirs(os.path.join(work, "tree", d))
for i in range(files):
    rel = "%s/f%05d.bin" % (rng.choice(dirs), i)
    size = int(1024 * 1024 ** rng.random())
    path = os.path.join(work, "tree", rel)
    with open(path, "wb") as f:
        f.write(rng.randbytes(size))
    os.utime(path, (base + 60 * i, base + 60 * i))
    paths.append(rel)
    total += size
for rel in sorted(rng.sample(paths, max(1, files // 100))):
    src, dst = os.path.join(work, "tree", rel), os.path.join(work, "changes", rel)
    os.makedirs(os.path.dirname(dst), exist_ok=True)
    with open(src, "rb") as f, open(dst, "wb") as g:
        g.write(f.read() + rng.randbytes(1024))
    os.utime(dst, (base + 86400 * 150, base + 86400 * 150))
for d in dirs:  # folder dates are not compared, but keep them fixed too
    os.utime(os.path.join(work, "tree", d), (base, base))
print("%d files, %.1f MiB" % (files, total / 1048576))
PY
changed=$(find "$work/changes" -type f | wc -l)

# Starts one server of SERVERS in a fresh root, and the proxy in front of it; sets the login.
start_server() {  # vsftpd|proftpd
  rm -rf "$work/root"; mkdir -p "$work/root"
  case $1 in
    vsftpd) start_vsftpd "$work/root" "$work"; login_user=anonymous login_password= ;;
    proftpd) start_proftpd "$work/root" "$work"; login_user=$ftp_user login_password=$ftp_password ;;
    *) echo "unknown server $1 (vsftpd or proftpd)" >&2; exit 1 ;;
  esac
  coproc PROXY { exec /usr/bin/python3 bench/delay-proxy.py "$port" --delay-ms "$DELAY_MS"; }
  read -r _ proxy_port <&"${PROXY[0]}"
}

# Commands received by the proxy since the last call, once every client has hung up.
commands() { echo count >&"${PROXY[1]}"; local line; read -r line <&"${PROXY[0]}"; echo "${line#commands }"; }

# The remote folder must hold what the local one holds: names and sizes.
check_same() {  # remote-folder
  diff <(cd "$work/local" && find . -type f -printf '%P %s\n' | sort) \
       <(cd "$work/root/$1" && find . -type f -printf '%P %s\n' | sort) >"$work/diff.txt" \
    || { echo "remote $1 differs from the local tree:" >&2; head "$work/diff.txt" >&2; exit 1; }
}

# The command line of one sync into a remote folder given relative to the login folder: this
# servers do not chroot, so an absolute name would be a path on this machine.
command_of() {  # tool n remote
  case $1 in
    pelicano) cmd=(env PELICANO_PASSWORD="$login_password" XDG_CONFIG_HOME="$work" "$PELICANO_FTP" -P "$proxy_port"
                   -u "$login_user" --tls off 127.0.0.1 sync --parallel "$2" "$work/local" "$3") ;;
    lftp) cmd=(lftp -u "$login_user,$login_password" -p "$proxy_port" 127.0.0.1
               -e "set ftp:ssl-allow no; set cmd:fail-exit yes; mirror -R --parallel=$2 $work/local $3; exit") ;;
  esac
}

# One timed run, checked; adds "tool n run wall_s commands_total VERB=n..." to the results.
timed() {  # tool n remote run
  local cmd; command_of "$@"
  commands >/dev/null
  /usr/bin/time -f %e -o "$work/time.txt" "${cmd[@]}" >"$work/out.txt" 2>&1 \
    || { echo "$1 --parallel $2 failed:" >&2; tail -20 "$work/out.txt" >&2; exit 1; }
  check_same "$3"
  echo "$1 $2 $4 $(cat "$work/time.txt") $(commands)" >>"$work/results"
}

# The three runs of one client at one N on a fresh remote folder; with "first" only the first.
runs() {  # tool n [first]
  local remote="$1-$2"
  rm -rf "$work/local" "$work/root/$remote"
  cp -a "$work/tree" "$work/local"
  timed "$1" "$2" "$remote" first
  if [ "${3-}" != first ]; then
    timed "$1" "$2" "$remote" same
    cp -a "$work/changes/." "$work/local/"
    timed "$1" "$2" "$remote" changed
  fi
  rm -rf "$work/root/$remote"
  grep "^$1 $2 " "$work/results" | awk '{ printf "  %-8s N=%s %-8s %8.2f s %6d commands\n", $1, $2, $3, $4, $5 }'
}

# Every run against one server, and its table.
bench_on() {  # server
  start_server "$1"
  echo "=== $1 (login: $login_user)"
  : >"$work/results"
  for n in $PARALLEL; do
    echo "== N = $n"
    runs pelicano "$n"
    runs lftp "$n"
  done
  echo "== pelicano-ftp first sync with 1 connection"
  runs pelicano 1 first
  grep -q '^pelicano 4 first' "$work/results" || runs pelicano 4 first

  echo
  echo "$1 (login: $login_user): $FILES files in $FOLDERS folders, $changed changed for the third run; replies delayed ${DELAY_MS} ms"
  echo "Wall time (commands sent):"
  awk -v ns="$PARALLEL" '
    { wall[$1 " " $2 " " $3] = $4; cmds[$1 " " $2 " " $3] = $5 }
    END {
      printf "%-3s %-8s %20s %20s %6s\n", "N", "run", "pelicano-ftp", "lftp mirror -R", "ratio"
      split(ns, n, " "); split("first same changed", run, " ")
      for (i = 1; i in n; i++) for (r = 1; r <= 3; r++) {
        p = "pelicano " n[i] " " run[r]; l = "lftp " n[i] " " run[r]
        printf "%-3s %-8s %9.2f s (%6d) %9.2f s (%6d) %6.2f\n", n[i], run[r], wall[p], cmds[p], wall[l], cmds[l], wall[p] / wall[l]
      }
      printf "pelicano-ftp first sync, 1 connection / 4 connections: %.2f s / %.2f s = %.2fx faster\n",
        wall["pelicano 1 first"], wall["pelicano 4 first"], wall["pelicano 1 first"] / wall["pelicano 4 first"]
    }' "$work/results"
  echo "Commands sent when nothing changed:"
  awk '$3 == "same" { $3 = $4 = ""; print "  " $0 }' "$work/results"
  echo "Targets: first sync ratio <= 1.00 at N = 2 and 4; nothing changed: ratio <= 0.50 and no command"
  echo "per file (one listing per folder: $((FOLDERS + 1)) here); speed-up from 1 to 4 connections >= 3"
  stop_servers
}

for server in $SERVERS; do bench_on "$server"; echo; done
