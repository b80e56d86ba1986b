# Helpers of the updater's Wine scenarios. Source after tests/wine/bed.sh; needs BED_DIR, BIN_DIR,
# SOURCE_DIR and MORVANE_SITE (given by morvane_wine_test).
#
#   scenario_begin NAME        load the bed, make $RUN (a fresh folder) and $APP (the program
#                              folder, holding update.exe), end everything at exit
#   site_start [RATE]          nginx on the port of $MORVANE_SITE serving $SITE ($RUN/site); the
#                              folder /slow/ is sent at RATE bytes per second (default 20000)
#   testsite_start             the fault-injecting test site (tests/site/testsite.py) on that
#                              port instead, serving $SITE, its request log in $RUN/site.log
#   manifest VERSION ADDRESS   write $SITE/desk/update.txt (GBK) announcing VERSION at ADDRESS
#   updater_start              start $APP/update.exe in the background ($UPDATER_PID: its wine64)
#   updater_ended SECONDS      true when update.exe has ended within SECONDS
#   drv ARGS...                run the test driver (prints its lines)
#   expect WHAT GOT WANT       compare, report, and count a failure
#   shot NAME                  screenshot of the virtual desktop into the build's screenshots/
#   scenario_end               exit 0 when every expectation held, 1 otherwise

set -u
FAILURES=0

scenario_begin() {
  SCENARIO=$1
  # shellcheck disable=SC1091
  . "$SOURCE_DIR/tests/wine/bed.sh"
  bed_load "$BED_DIR"
  RUN=$(mktemp -d "/tmp/morvane-$SCENARIO.XXXXXX")
  chmod 755 "$RUN"
  APP=$RUN/app
  SITE=$RUN/site
  mkdir -p "$APP" "$SITE/desk" "$SITE/slow"
  cp "$BIN_DIR/update.exe" "$APP/"
  SITE_PORT=${MORVANE_SITE##*:}
  SITE_PID=
  UPDATER_PID=
  trap scenario_cleanup EXIT
  echo "== $SCENARIO in $RUN"
  # The first Wine program of a fresh wineserver session starts Wine's system services, which keep
  # that program's output open for as long as the bed lives (and ctest would wait for it): start
  # them from a program whose output goes to a file.
  timeout -k 5 60 "$BED_WINE" "$BIN_DIR/morvane-driver.exe" --wait 0 sleep 0 </dev/null >>"$RUN/wine.log" 2>&1
}

scenario_cleanup() {
  if [ -n "$UPDATER_PID" ] && kill -0 "$UPDATER_PID" 2>/dev/null; then
    kill "$UPDATER_PID" 2>/dev/null
    wait "$UPDATER_PID" 2>/dev/null
  fi
  # update.exe itself, should the wine64 loader have gone first
  local p
  for p in $(pgrep -f "$APP/update.exe" 2>/dev/null); do kill "$p" 2>/dev/null; done
  if [ -n "$SITE_PID" ]; then kill "$SITE_PID" 2>/dev/null; wait "$SITE_PID" 2>/dev/null; fi
  if [ "$FAILURES" -eq 0 ] && [ -z "${KEEP_RUN:-}" ]; then rm -rf "$RUN"; fi
}

site_start() {
  local rate=${1:-20000}
  mkdir -p "$RUN/nginx"
  cat >"$RUN/nginx/nginx.conf" <<CONF
daemon off;
worker_processes 1;
pid $RUN/nginx/nginx.pid;
error_log $RUN/nginx/error.log;
events { worker_connections 64; }
http {
  access_log $RUN/nginx/access.log;
  client_body_temp_path $RUN/nginx/body;
  proxy_temp_path $RUN/nginx/proxy;
  fastcgi_temp_path $RUN/nginx/fastcgi;
  uwsgi_temp_path $RUN/nginx/uwsgi;
  scgi_temp_path $RUN/nginx/scgi;
  default_type application/octet-stream;
  server {
    listen 127.0.0.1:$SITE_PORT;
    root $SITE;
    location /slow/ { limit_rate $rate; }
  }
}
CONF
  chmod -R a+rX "$RUN"
  nginx -c "$RUN/nginx/nginx.conf" -e "$RUN/nginx/error.log" 2>>"$RUN/nginx/error.log" &
  SITE_PID=$!
  local i
  for i in $(seq 100); do
    curl -s -o /dev/null "http://127.0.0.1:$SITE_PORT/" && return 0
    sleep 0.05
  done
  echo "site did not start" >&2
  cat "$RUN/nginx/error.log" >&2
  return 1
}

testsite_start() {
  python3 "$SOURCE_DIR/tests/site/testsite.py" --root "$SITE" --port "$SITE_PORT" --log "$RUN/site.log" \
    >"$RUN/site.out" 2>&1 &
  SITE_PID=$!
  local i
  for i in $(seq 100); do
    (exec 3<>"/dev/tcp/127.0.0.1/$SITE_PORT") 2>/dev/null && return 0
    sleep 0.05
  done
  echo "test site did not start" >&2
  return 1
}

# manifest VERSION ADDRESS [NOTES]
manifest() {
  printf '////开始\r\n最新版：V%s</p>\r\n更新说明：%s</p>\r\n下载地址：%s</p>\r\n////结束\r\n' \
    "$1" "${3:-修复若干问题}" "$2" | iconv -f UTF-8 -t GBK >"$SITE/desk/update.txt"
  chmod a+r "$SITE/desk/update.txt"
}

# Wine programs get their own output files: a Wine helper they start first (the desktop) would
# otherwise hold the test's output open after the test has ended.
updater_start() {
  (cd "$APP" && exec timeout -k 5 "${UPDATER_TIMEOUT:-120}" "$BED_WINE" "$APP/update.exe") \
    >>"$RUN/wine.log" 2>&1 &
  UPDATER_PID=$!
}

updater_ended() {
  local limit=$1 i
  for i in $(seq $((limit * 20))); do
    kill -0 "$UPDATER_PID" 2>/dev/null || { wait "$UPDATER_PID" 2>/dev/null; return 0; }
    sleep 0.05
  done
  return 1
}

drv() { timeout -k 5 60 "$BED_WINE" "$BIN_DIR/morvane-driver.exe" --wait 20000 "$@"; }

expect() {
  if [ "$2" = "$3" ]; then
    echo "ok   $1"
  else
    echo "FAIL $1: got [$2], want [$3]"
    FAILURES=$((FAILURES + 1))
  fi
}

gbk_hex() { printf '%s' "$1" | iconv -f UTF-8 -t GBK | xxd -p | tr -d '\n'; }

file_size() { stat -c %s "$1" 2>/dev/null || echo absent; }

shot() {
  mkdir -p "$BIN_DIR/../screenshots"
  import -window root -display "$DISPLAY" "$BIN_DIR/../screenshots/$1.png" && echo "shot $BIN_DIR/../screenshots/$1.png"
}

# A payload of N random bytes that is no executable.
payload() { head -c "$2" /dev/urandom >"$1"; chmod a+r "$1"; }

scenario_end() {
  if [ "$FAILURES" -eq 0 ]; then echo "== $SCENARIO passed"; exit 0; fi
  echo "== $SCENARIO: $FAILURES failure(s); files kept in $RUN"
  exit 1
}
