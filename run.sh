#!/usr/bin/env bash
# Builds Pelicano and starts it.
#   ./run.sh            with a local demo FTP server (127.0.0.1:2121, user "demo", password "demo")
#                       and a separate settings profile that already knows that server
#   ./run.sh --port N   the same with the demo server on port N
#   ./run.sh --no-demo  Pelicano alone, with the user's own settings
set -euo pipefail
cd "$(dirname "$0")"
src=$PWD

demo=1
port=2121
usage() { echo "usage: $0 [--port N | --no-demo]" >&2; exit 2; }
case "${1-}" in
  "") ;;
  --no-demo) demo=0 ;;
  --port)
    port=${2-}
    [[ "$port" =~ ^[0-9]+$ ]] && [ "$port" -ge 1 ] && [ "$port" -le 65535 ] || usage ;;
  *) usage ;;
esac

scripts/install-deps.sh run
[ -f build/CMakeCache.txt ] || cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j"$(nproc)" --target pelicano

if [ "$demo" = 0 ]; then
  exec build/pelicano
fi

demo_dir=$src/build/demo
scripts/demo/prepare.sh "$demo_dir" "$port"

# The server reads nothing from its standard input but exits when it closes, so it never
# outlives this script, even if the script is killed.
coproc DEMO_SERVER { exec /usr/bin/python3 scripts/ftp_server.py --root "$demo_dir/servidor" \
                       --port "$port" --watch-stdin 2>"$demo_dir/server.log"; }
server_pid=$DEMO_SERVER_PID
trap 'kill "$server_pid" 2>/dev/null || true' EXIT
line=""
read -r -t 10 line <&"${DEMO_SERVER[0]}" || true
if [ "$line" != "PORT $port" ]; then
  echo "run.sh: the demo FTP server did not start on 127.0.0.1:$port (is the port in use?):" >&2
  cat "$demo_dir/server.log" >&2 || true
  exit 1
fi

echo "Demo FTP server on 127.0.0.1:$port (user demo, password demo), serving $demo_dir/servidor"
XDG_CONFIG_HOME=$demo_dir/profile build/pelicano
