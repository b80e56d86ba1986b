# A morvane.bak left by an earlier run (full length, zero bytes) is cleared before the download:
# the new download lands in morvane.bak itself, never in morvane(1).bak.
. "$(dirname "$0")/lib.sh"
scenario_begin stale_backup
site_start 200000
payload "$SITE/slow/new.exe" 300000
manifest 0.2 "http://127.0.0.1:$SITE_PORT/slow/new.exe"
head -c 300000 /dev/zero >"$APP/morvane.bak"

updater_start
drv find >/dev/null
drv click 开始更新 >/dev/null
drv wait-title 正在下载 6000 >/dev/null
for i in $(seq 200); do cmp -s "$APP/morvane.bak" "$SITE/slow/new.exe" && break; sleep 0.05; done
expect "morvane.bak is this download" "$(cmp -s "$APP/morvane.bak" "$SITE/slow/new.exe" && echo same)" "same"
expect "no other backup name used" "$(ls "$APP" | tr '\n' ' ')" "morvane.bak update.exe "
drv close >/dev/null
updater_ended 5 && ended=yes || ended=no
expect "close box ends the updater" "$ended" "yes"
scenario_end
