#!/usr/bin/env bash
# The downloader's Win32 layer: morvane-download.exe under Wine against curl on Linux, both
# fetching the same file from the same nginx on loopback, alternately, RUNS times each. Prints
# the median wall times and throughput, and the ratio. (Wine adds its own cost to every system
# call; the native figures are bench/downloader/downloader_bench.sh.)
#
#   bench/downloader/wine_download_bench.sh [MIB] [RUNS]     (default 64 MiB, 5 runs; needs the
#                                                             win64 build)
set -euo pipefail
ROOT=$(cd "$(dirname "$0")/../.." && pwd)
MIB=${1:-64}
RUNS=${2:-5}
PORT=${BENCH_PORT:-47391}
BIN="$ROOT/build/win64/bin"
. "$ROOT/tests/wine/bed.sh"
. "$ROOT/tests/site/servers.sh"
WORK=$(mktemp -d /tmp/morvane-wdl.XXXXXX)
trap 'servers_stop; bed_stop "$WORK/bed"; rm -rf "$WORK"' EXIT
mkdir -p "$WORK/site"
head -c $((MIB << 20)) /dev/urandom >"$WORK/site/payload.bin"
nginx_start "$WORK/site" "$PORT"
bed_start "$WORK/bed" >/dev/null
URL="http://127.0.0.1:$PORT/payload.bin"

ms() { local t0 t1; t0=$(date +%s%N); "$@" >/dev/null 2>&1; t1=$(date +%s%N); echo $(((t1 - t0) / 1000000)); }
median() { sort -n | awk '{ a[NR] = $1 } END { print a[int((NR + 1) / 2)] }'; }

bed_wine "$BIN/morvane-download.exe" "$URL" "$(winepath_of "$WORK/warm.bin")" >/dev/null 2>&1  # warm Wine
rm -f "$WORK/warm.bin"
: >"$WORK/ours"; : >"$WORK/curl"
for i in $(seq "$RUNS"); do
  ms bed_wine "$BIN/morvane-download.exe" "$URL" "$(winepath_of "$WORK/ours.bin")" >>"$WORK/ours"
  cmp -s "$WORK/ours.bin" "$WORK/site/payload.bin" || { echo "bench: the download differs from the file" >&2; exit 1; }
  rm -f "$WORK/ours.bin"
  ms curl -s -o "$WORK/curl.bin" "$URL" >>"$WORK/curl"
  rm -f "$WORK/curl.bin"
done
ours=$(median <"$WORK/ours"); theirs=$(median <"$WORK/curl")
awk -v m="$MIB" -v o="$ours" -v c="$theirs" -v r="$RUNS" 'BEGIN {
  printf "%d MiB from nginx, median of %d runs each\n", m, r
  printf "  morvane-download.exe under Wine %6d ms  %7.1f MiB/s (Wine start-up included)\n", o, m * 1000 / o
  printf "  curl on Linux                   %6d ms  %7.1f MiB/s\n", c, m * 1000 / c
  printf "  throughput ratio Wine downloader / curl: %.2f\n", c / o }'
