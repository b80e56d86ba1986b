#!/usr/bin/env bash
# The launcher under Wine against a local site, driven as a user would start it: every scenario
# checks what the launcher did (updater started or not and with which command line, the URL handed
# to the browser, the exit code) and that no window of it ever became visible.
set -uo pipefail
. "$SOURCE_DIR/tests/wine/bed.sh"
. "$SOURCE_DIR/tests/site/servers.sh"
bed_load "$BED_DIR"

PORT=${MORVANE_SITE##*:}
HOME_URL="$MORVANE_SITE/"
WORK=$(mktemp -d /tmp/morvane-launcher.XXXXXX)
FAILED=0
trap 'servers_stop; rm -rf "$WORK" "$WINEPREFIX/drive_c/墨凡 导航" "$WINEPREFIX/drive_c/墨凡.exe"' EXIT

fail() { echo "FAIL [$SCENARIO]: $*"; FAILED=1; }
check() { local what=$1; shift; "$@" || fail "$what"; }

# manifest VERSION > file: a complete manifest in GBK, as the site publishes it.
manifest() {
  printf '////开始\r\n最新版：V%s</p>\r\n更新说明：修复了若干问题</p>\r\n下载地址：%s/morvane-new.exe</p>\r\n////结束\r\n' \
    "$1" "$MORVANE_SITE" | iconv -f UTF-8 -t GBK
}

# install DIR: a program folder with the launcher and the stand-in updater.
install() {
  mkdir -p "$1"
  cp "$BIN_DIR/morvane.exe" "$BIN_DIR/stand-in/update.exe" "$1/"
}

# launch DIR: starts DIR/morvane.exe through the probe; sets EXIT, ELAPSED, VISIBLE, SHOWN, URLS.
launch() {
  : >"$BED_DIR/browser.log"
  local out
  out=$(BED_TIMEOUT=30 bed_wine "$BIN_DIR/launch-probe.exe" "$(winepath_of "$1/morvane.exe")" 2>&1)
  EXIT=$(sed -n 's/.*exit=\([0-9]*\).*/\1/p' <<<"$out")
  ELAPSED=$(sed -n 's/.*elapsed_ms=\([0-9]*\).*/\1/p' <<<"$out")
  VISIBLE=$(sed -n 's/.*visible=\([0-9]*\).*/\1/p' <<<"$out")
  SHOWN=$(sed -n 's/.*shown_events=\([0-9]*\).*/\1/p' <<<"$out")
  # Opening a URL is asynchronous: give the browser catcher a moment.
  local i
  for i in $(seq 40); do [ -s "$BED_DIR/browser.log" ] && break; sleep 0.05; done
  sleep 0.2
  URLS=$(cat "$BED_DIR/browser.log")
  echo "  [$SCENARIO] exit=$EXIT time to home page=${ELAPSED} ms visible=$VISIBLE shown=$SHOWN"
}

# The checks every run must pass.
common_checks() {
  check "exit code is $EXIT, not 0" [ "$EXIT" = 0 ]
  check "a window of the launcher became visible" [ "$VISIBLE" = 0 ]
  check "a window of the launcher was shown ($SHOWN show events)" [ "$SHOWN" = 0 ]
  check "home page not opened exactly once (got: $URLS)" [ "$URLS" = "$HOME_URL" ]
}

started_lines() { [ -f "$1/started.txt" ] && wc -l <"$1/started.txt" || echo 0; }

# --- A newer version, a folder with a blank and Chinese characters, a planted program ---------
SCENARIO="0.2, folder with blank and Chinese name"
root="$WORK/a"; mkdir -p "$root/desk"; manifest 0.2 >"$root/desk/update.txt"
testsite_run "$root" "$PORT" "$WORK/a.log"
dir="$WINEPREFIX/drive_c/墨凡 导航"
rm -rf "$dir"; install "$dir"
# Started unquoted without naming the executable, Windows would run C:\墨凡.exe first.
cp "$BIN_DIR/stand-in/update.exe" "$WINEPREFIX/drive_c/墨凡.exe"
rm -f "$WINEPREFIX/drive_c/started.txt"
launch "$dir"
common_checks
check "updater not started exactly once" [ "$(started_lines "$dir")" = 1 ]
when=0 exe="" cmdline=""
[ -f "$dir/started.txt" ] && IFS=$'\t' read -r when exe cmdline <"$dir/started.txt"
check "updater command line is '$cmdline'" [ "$cmdline" = 'C:\墨凡 导航\update.exe' ]
check "started program is '$exe'" [ "$exe" = 'C:\墨凡 导航\update.exe' ]
check "the planted C:\\墨凡.exe was started" [ ! -e "$WINEPREFIX/drive_c/started.txt" ]
url_time=$(stat -c %.3Y "$BED_DIR/browser.log")
check "home page opened before the updater started ($url_time < $when)" \
  awk -v a="$when" -v b="$url_time" 'BEGIN { exit !(a <= b) }'
rm -f "$WINEPREFIX/drive_c/墨凡.exe"

SCENARIO="request as the site sees it"
req=$(grep -F '"target": "/desk/update.txt"' "$WORK/a.log")
check "request line: $req" grep -q '"method": "GET", "target": "/desk/update.txt", "version": "HTTP/1.0"' <<<"$req"
check "user agent" grep -qF '"User-Agent: Mozilla/4.0 (compatible; MSIE 6.0; Windows NT 5.0)"' <<<"$req"
check "Accept: */* not sent exactly once" [ "$(grep -o '"Accept: \*/\*"' <<<"$req" | wc -l)" = 1 ]
check "no-cache not asked" grep -qiE '"(Pragma: no-cache|Cache-Control: no-cache)"' <<<"$req"
check "manifest not asked exactly once" [ "$(grep -c . <<<"$req")" = 1 ]
servers_stop

# --- Versions by the text rule --------------------------------------------------------------
for case in "0.1 0" "0.09 0" "0.10 1" "1.0 1"; do
  read -r version expected <<<"$case"
  SCENARIO="manifest version $version"
  root="$WORK/v$version"; mkdir -p "$root/desk"; manifest "$version" >"$root/desk/update.txt"
  testsite_run "$root" "$PORT"
  dir="$WORK/app-$version"; install "$dir"
  launch "$dir"
  common_checks
  check "updater started $(started_lines "$dir") times, expected $expected" [ "$(started_lines "$dir")" = "$expected" ]
  servers_stop
done

# --- No update.exe ------------------------------------------------------------------------------
SCENARIO="0.2 without update.exe"
root="$WORK/n"; mkdir -p "$root/desk"; manifest 0.2 >"$root/desk/update.txt"
testsite_run "$root" "$PORT"
dir="$WORK/app-no-updater"; install "$dir"; rm "$dir/update.exe"
launch "$dir"
common_checks
servers_stop

# --- The site is down ---------------------------------------------------------------------------
SCENARIO="site unreachable"
dir="$WORK/app-down"; install "$dir"
launch "$dir"
common_checks
check "updater started" [ "$(started_lines "$dir")" = 0 ]
DOWN_MS=$ELAPSED

# --- The site accepts and never answers ----------------------------------------------------------
SCENARIO="site silent"
root="$WORK/s"; mkdir -p "$root/desk/_silent"
# Every request is held open: the manifest path itself is routed to the silent handler.
python3 - "$PORT" >/dev/null 2>&1 <<'PY' &
import socket, sys, threading, time
s = socket.socket(); s.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
s.bind(("127.0.0.1", int(sys.argv[1]))); s.listen(16)
held = []
while True:
    c, _ = s.accept(); held.append(c)
PY
_SERVER_PIDS+=($!)
for i in $(seq 50); do (exec 3<>"/dev/tcp/127.0.0.1/$PORT") 2>/dev/null && break; sleep 0.05; done
dir="$WORK/app-silent"; install "$dir"
launch "$dir"
common_checks
check "updater started" [ "$(started_lines "$dir")" = 0 ]
check "home page after ${ELAPSED} ms, bound is 5000" [ "${ELAPSED:-99999}" -lt 5000 ]
SILENT_MS=$ELAPSED
servers_stop

# --- The manifest from nginx ----------------------------------------------------------------------
SCENARIO="0.2 served by nginx"
root="$WORK/x"; mkdir -p "$root/desk"; manifest 0.2 >"$root/desk/update.txt"
nginx_start "$root" "$PORT"
dir="$WORK/app-nginx"; install "$dir"
launch "$dir"
common_checks
check "updater not started exactly once" [ "$(started_lines "$dir")" = 1 ]
UP_MS=$ELAPSED
servers_stop

echo "launcher time to home page: site up ${UP_MS} ms, down ${DOWN_MS} ms, silent ${SILENT_MS} ms"
[ "$FAILED" = 0 ] && echo "launcher scenarios: all passed"
exit "$FAILED"
