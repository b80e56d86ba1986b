# Downloads that must never be installed leave the old launcher intact: a 404 address, a served
# file that is no executable, a morvane.bak in the way that cannot be removed. A stale zero-filled
# morvane.bak is cleared and never installed: the launcher installed is the served one.
. "$(dirname "$0")/lib.sh"
scenario_begin faults
site_start
cp "$BIN_DIR/next/morvane.exe" "$SITE/morvane-0.2.exe"
payload "$SITE/not-an-exe.exe" 150000
printf 'MZ' >"$SITE/mz-only.exe"; head -c 150000 /dev/urandom >>"$SITE/mz-only.exe"; chmod a+r "$SITE/mz-only.exe"
OLD=$BIN_DIR/morvane.exe
urls_before=$(bed_urls | wc -l)

# run LABEL ADDRESS: start the updater by hand, click, wait, judge, close.
refused() {
  cp "$OLD" "$APP/morvane.exe"
  manifest 0.2 "$2"
  updater_start
  drv find >/dev/null
  drv click 开始更新 >/dev/null
  drv wait-title 正在下载 6000 >/dev/null
  sleep 3
  expect "$1: the old launcher intact" "$(cmp -s "$APP/morvane.exe" "$OLD" && echo intact)" "intact"
  expect "$1: no script" "$(ls "$APP" | grep -c bat.bat)" "0"
  expect "$1: the window shows 0% and stays" "$(drv stored visible 停止 | tr '\n' ' ')" "0 1 "
  drv close >/dev/null
  updater_ended 5 || { echo "FAIL $1: updater did not end"; FAILURES=$((FAILURES + 1)); }
}

refused "404" "http://127.0.0.1:$SITE_PORT/missing.exe"
expect "404: no backup file" "$(ls "$APP" | grep -c bak)" "0"
refused "not an executable" "http://127.0.0.1:$SITE_PORT/not-an-exe.exe"
expect "not an executable: downloaded in full" "$(cmp -s "$APP/morvane.bak" "$SITE/not-an-exe.exe" && echo same)" "same"
rm -f "$APP/morvane.bak"
refused "MZ without PE" "http://127.0.0.1:$SITE_PORT/mz-only.exe"
rm -f "$APP/morvane.bak"
mkdir "$APP/morvane.bak"
refused "morvane.bak in the way" "http://127.0.0.1:$SITE_PORT/morvane-0.2.exe"
rmdir "$APP/morvane.bak"
rm -f "$APP"/morvane*.bak

# A stale zero-filled morvane.bak of the right length: cleared, the served launcher installed.
cp "$OLD" "$APP/morvane.exe"
head -c "$(file_size "$SITE/morvane-0.2.exe")" /dev/zero >"$APP/morvane.bak"
manifest 0.2 "http://127.0.0.1:$SITE_PORT/morvane-0.2.exe"
updater_start
drv find >/dev/null
drv click 开始更新 >/dev/null
updater_ended 30 && ended=yes || ended=no
expect "stale backup: the updater is ended by the script" "$ended" "yes"
for i in $(seq 100); do [ ! -e "$APP/bat.bat" ] && break; sleep 0.05; done
expect "stale backup: the served launcher installed" "$(cmp -s "$APP/morvane.exe" "$SITE/morvane-0.2.exe" && echo identical)" "identical"
expect "stale backup: only the programs remain" "$(ls "$APP" | tr '\n' ' ')" "morvane.exe update.exe "
# Each run of the script starts the new launcher, which opens the home page: only the last case
# may have run it, and only once. The browser is handed the URL asynchronously: wait for it.
for i in $(seq 100); do [ "$(bed_urls | wc -l)" -gt "$urls_before" ] && break; sleep 0.05; done
sleep 0.5
expect "the script ran once in all" "$(( $(bed_urls | wc -l) - urls_before ))" "1"
scenario_end
