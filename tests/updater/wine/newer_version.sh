# A newer version: the announcing title, the layout switch, and morvane.bak at its full length
# long before its last byte has arrived (served slowly). The release notes appear nowhere.
# The payload is no executable, so it is never installed: the window stays until closed.
. "$(dirname "$0")/lib.sh"
scenario_begin newer_version
site_start 40000
payload "$SITE/slow/new.exe" 400000
manifest 0.2 "http://127.0.0.1:$SITE_PORT/slow/new.exe" "RELEASE-NOTES-MARK"

updater_start
drv find >/dev/null
drv click 开始更新 >/dev/null
expect "title" "$(drv wait-title 发现 6000 >/dev/null && drv title-gbk)" \
  "$(gbk_hex '发现新版本V')302e32$(gbk_hex '，即将自动更新')"
expect "layout switched at once" "$(drv controls | cut -d' ' -f1,3,8-)" '1003 0 "下次再说"
1002 1 "停止"
1001 0 "正在更新.."
1010 1 ""'
expect "nothing requested during the one-second pause" "$(grep -c 'GET /slow/new.exe' "$RUN/nginx/access.log")" "0"
title=$(drv wait-title 正在下载 6000)
expect "progress title" "$(echo "$title" | sed 's/[0-9]*%$/N%/')" "正在下载...      已$(winepath_of "$APP")\\morvane.bak下载 N%"
for i in $(seq 100); do [ -e "$APP/morvane.bak" ] && break; sleep 0.05; done
expect "morvane.bak has the full length at once" "$(file_size "$APP/morvane.bak")" "400000"
shot updater-downloading
cmp -s "$APP/morvane.bak" "$SITE/slow/new.exe" && complete=yes || complete=no
expect "the download is still under way" "$complete" "no"
pos=$(drv stored)
expect "progress between 0 and 100 while under way" "$([ "$pos" -ge 0 ] && [ "$pos" -lt 100 ] && echo yes || echo "no ($pos)")" "yes"
expect "the release notes appear nowhere" "$(drv title controls | grep -c RELEASE-NOTES-MARK)" "0"
for i in $(seq 300); do cmp -s "$APP/morvane.bak" "$SITE/slow/new.exe" && break; sleep 0.1; done
expect "morvane.bak complete" "$(cmp -s "$APP/morvane.bak" "$SITE/slow/new.exe" && echo same)" "same"
sleep 0.5
expect "a payload that is no executable is not installed" "$(ls "$APP" | tr '\n' ' ')" "morvane.bak update.exe "
expect "window stays in the downloading layout" "$(drv visible 停止)" "1"
drv close >/dev/null
updater_ended 5 && ended=yes || ended=no
expect "close box ends the updater" "$ended" "yes"
scenario_end
