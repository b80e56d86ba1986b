# Up to date (manifest version 0.1, 0.09, an empty manifest, no site at all): the up-to-date title,
# the window gone about one second after the click, no file written.
. "$(dirname "$0")/lib.sh"
scenario_begin up_to_date
site_start
want=$(gbk_hex '当前已是最新版 V')302e31$(gbk_hex '不需要更新')

check() {  # check LABEL
  updater_start
  drv find >/dev/null
  local t0 t1
  t0=$(date +%s%N)
  drv click 开始更新 >/dev/null
  expect "$1: title" "$(drv wait-title 当前已是 6000 >/dev/null && drv title-gbk)" "$want"
  updater_ended 8 && ended=yes || ended=no
  t1=$(date +%s%N)
  expect "$1: updater ends" "$ended" "yes"
  ms=$(( (t1 - t0) / 1000000 ))
  echo "     $1: ended ${ms} ms after the click"
  expect "$1: ends after the one-second pause" "$([ "$ms" -ge 1000 ] && [ "$ms" -le 6000 ] && echo yes || echo "no ($ms ms)")" "yes"
  expect "$1: no file written" "$(ls "$APP")" "update.exe"
}

manifest 0.1 "http://127.0.0.1:$SITE_PORT/slow/new.exe"
check "version 0.1"
manifest 0.09 "http://127.0.0.1:$SITE_PORT/slow/new.exe"
check "version 0.09"
: >"$SITE/desk/update.txt"
check "empty manifest"
expect "the manifest was fetched once per click" "$(grep -c 'GET /desk/update.txt' "$RUN/nginx/access.log")" "3"
kill "$SITE_PID"; wait "$SITE_PID" 2>/dev/null; SITE_PID=
check "no site"
scenario_end
