#!/usr/bin/env bash
# The cost of the updater's 20 ms progress tick while a download runs, under Wine: the CPU share
# of the update.exe process during a download sent at a fixed rate, against the same download
# made by morvane-download.exe (the same downloader, no window, no tick) in the same run. The
# wineserver's CPU, which serves both programs' Win32 calls, is shown beside each.
#
#   bench/tick/tick_bench.sh [SECONDS]     (default 12: the download's length in seconds)
set -euo pipefail
ROOT=$(cd "$(dirname "$0")/../.." && pwd)
SECONDS_WANTED=${1:-12}
BIN="$ROOT/build/win64/bin"
SITE=$(sed -n 's/^MORVANE_SITE:STRING=//p' "$ROOT/build/win64/CMakeCache.txt")
PORT=${SITE##*:}
RATE=50000
. "$ROOT/tests/wine/bed.sh"
. "$ROOT/tests/site/servers.sh"
WORK=$(mktemp -d /tmp/morvane-tick.XXXXXX)
trap 'servers_stop; bed_stop "$WORK/bed"; rm -rf "$WORK"' EXIT
SERVERS_BEFORE=$(pgrep wineserver | sort || true)
bed_start "$WORK/bed" >/dev/null
BED_TIMEOUT=60 bed_wine "$BIN/morvane-driver.exe" --wait 0 sleep 0 </dev/null >/dev/null 2>&1
mkdir -p "$WORK/app" "$WORK/site/desk" "$WORK/site/slow"
cp "$BIN/update.exe" "$WORK/app/"
head -c $((RATE * SECONDS_WANTED)) /dev/urandom >"$WORK/site/slow/payload.bin"
printf '////开始\r\n最新版：V9.9</p>\r\n下载地址：%s/slow/payload.bin</p>\r\n////结束\r\n' "$SITE" \
  | iconv -f UTF-8 -t GBK >"$WORK/site/desk/update.txt"
NGINX_EXTRA="location /slow/ { limit_rate $RATE; }" nginx_start "$WORK/site" "$PORT"

ticks() { awk '{ print $14 + $15 }' "/proc/$1/stat"; }
hz=$(getconf CLK_TCK)
# The wineserver of this bed: the one that was not running before the bed started.
server_pid() { comm -13 <(echo "$SERVERS_BEFORE") <(pgrep wineserver | sort) | head -n 1 || true; }
TAG=$(basename "$WORK")

# share PID SERVERPID: CPU share of PID (and of the wineserver) over MEASURE_S seconds of its
# download, or until it ends
MEASURE_S=$((SECONDS_WANTED - 3))
share() {
  local pid=$1 spid=$2 c0 s0 t0 c1 s1 t1 end
  c0=$(ticks "$pid"); s0=$(ticks "$spid"); t0=$(date +%s%N)
  c1=$c0; s1=$s0; t1=$t0
  end=$((t0 + MEASURE_S * 1000000000))
  while kill -0 "$pid" 2>/dev/null && [ "$(date +%s%N)" -lt "$end" ]; do
    c1=$(ticks "$pid" 2>/dev/null || echo "$c1"); s1=$(ticks "$spid" 2>/dev/null || echo "$s1"); t1=$(date +%s%N)
    sleep 0.2
  done
  awk -v c=$((c1 - c0)) -v s=$((s1 - s0)) -v t=$(((t1 - t0) / 1000000)) -v hz="$hz" \
    'BEGIN { printf "%.2f %.2f %d\n", 100 * c / hz * 1000 / t, 100 * s / hz * 1000 / t, t }'
}

# The reference: the same download by the command-line front end of the downloader.
bed_wine "$BIN/morvane-download.exe" "$SITE/slow/payload.bin" "$(winepath_of "$WORK/ref.bin")" >/dev/null 2>&1 &
sleep 1
ref_pid=$(pgrep -f "$TAG.ref.bin" -n)
read -r ref_cpu ref_srv ref_ms < <(share "$ref_pid" "$(server_pid)")

# The updater: click, then measure from the start of the download until the script ends it.
bed_wine "$WORK/app/update.exe" >/dev/null 2>&1 &
BED_TIMEOUT=30 bed_wine "$BIN/morvane-driver.exe" click 开始更新 wait-title 正在下载 10000 >/dev/null 2>&1
upd_pid=$(pgrep -f "$TAG.app.update.exe" -n)
read -r upd_cpu upd_srv upd_ms < <(share "$upd_pid" "$(server_pid)")
BED_TIMEOUT=30 bed_wine "$BIN/morvane-driver.exe" close >/dev/null 2>&1 || true

printf 'download of %d bytes at %d bytes/s under Wine\n' $((RATE * SECONDS_WANTED)) "$RATE"
printf '  morvane-download.exe  cpu %5.2f%%  wineserver %5.2f%%  over %d ms\n' "$ref_cpu" "$ref_srv" "$ref_ms"
printf '  update.exe (tick)     cpu %5.2f%%  wineserver %5.2f%%  over %d ms\n' "$upd_cpu" "$upd_srv" "$upd_ms"
awk -v a="$upd_cpu" -v b="$ref_cpu" -v c="$upd_srv" -v d="$ref_srv" 'BEGIN {
  printf "  ratio update.exe / morvane-download.exe: process %.2f, with wineserver %.2f\n", (b > 0 ? a / b : 0), ((b + d) > 0 ? (a + c) / (b + d) : 0) }'
