#!/usr/bin/env bash
# The launcher's time from start to the home page under Wine, against a trivial program that
# opens the same URL and does nothing else, started the same way (through launch-probe) in the
# same Wine desktop. Three sites: up (nginx, manifest announcing the same version), down (nothing
# listens), silent (accepts and never answers). Prints the medians and the ratios.
#
#   bench/launcher/launcher_bench.sh [RUNS]      (default 9 runs of each program per site)
set -euo pipefail
ROOT=$(cd "$(dirname "$0")/../.." && pwd)
RUNS=${1:-9}
BIN="$ROOT/build/win64/bin"
SITE=$(sed -n 's/^MORVANE_SITE:STRING=//p' "$ROOT/build/win64/CMakeCache.txt")
PORT=${SITE##*:}
. "$ROOT/tests/wine/bed.sh"
. "$ROOT/tests/site/servers.sh"
WORK=$(mktemp -d /tmp/morvane-bench.XXXXXX)
trap 'servers_stop; bed_stop "$WORK/bed"; rm -rf "$WORK"' EXIT
bed_start "$WORK/bed" >/dev/null
mkdir -p "$WORK/app" "$WORK/site/desk"
cp "$BIN/morvane.exe" "$BIN/bench/trivial.exe" "$WORK/app/"
printf '////开始\r\n最新版：V0.1</p>\r\n////结束\r\n' | iconv -f UTF-8 -t GBK >"$WORK/site/desk/update.txt"

time_of() { # time_of EXE: elapsed ms of one start through the probe
  BED_TIMEOUT=30 bed_wine "$BIN/launch-probe.exe" "$(winepath_of "$WORK/app/$1")" | sed -n 's/.*elapsed_ms=\([0-9]*\).*/\1/p'
}
median() { sort -n | awk '{ a[NR] = $1 } END { print a[int((NR + 1) / 2)] }'; }
measure() { # measure SITE-NAME
  local l t i
  l=$(for i in $(seq "$RUNS"); do time_of morvane.exe; done | median)
  t=$(for i in $(seq "$RUNS"); do time_of trivial.exe; done | median)
  awk -v s="$1" -v l="$l" -v t="$t" 'BEGIN { printf "%-8s launcher %5d ms   trivial %5d ms   ratio %.2f   (cost of the check %d ms)\n", s, l, t, l / t, l - t }'
}

time_of trivial.exe >/dev/null  # warm the prefix
echo "launcher time to home page under Wine, median of $RUNS runs each"
nginx_start "$WORK/site" "$PORT"
measure up
servers_stop
measure down
python3 -c '
import socket, sys
s = socket.socket(); s.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
s.bind(("127.0.0.1", int(sys.argv[1]))); s.listen(64); held = []
while True: held.append(s.accept()[0])' "$PORT" &
_SERVER_PIDS+=($!)
sleep 0.3
measure silent
