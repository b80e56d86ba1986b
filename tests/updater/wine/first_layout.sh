# The waiting layout: exact title, buttons, stop hidden, geometry and frame; nothing fetched.
# Then the close box and Esc each end the updater without a question.
. "$(dirname "$0")/lib.sh"
scenario_begin first_layout
site_start
manifest 0.2 "http://127.0.0.1:$SITE_PORT/slow/new.exe"

updater_start
drv find >/dev/null || { echo "FAIL no window"; FAILURES=1; scenario_end; }
expect "title bytes (当前版本：V0.1)" "$(drv title-gbk)" "$(gbk_hex '当前版本：V')302e31"
expect "controls" "$(drv controls)" '1003 Button 1 200 56 75 25 "下次再说"
1002 Button 0 160 56 75 25 "停止"
1001 Button 1 88 56 75 25 "开始更新"
1010 msctls_progress32 1 40 16 320 24 ""'
expect "outer rectangle centred on 1024x768" "$(drv rect)" "311 322 402 123"
styles=$(drv styles)
expect "fixed frame, system menu, no min/max box" \
  "$(echo "$styles" | grep -o -w -e minbox -e maxbox -e thickframe -e sysmenu -e caption -e topmost | tr '\n' ' ')" \
  "sysmenu caption "
expect "segmented bar with static edge" "$(echo "$styles" | grep -o -w -e staticedge-bar -e smooth-bar | tr '\n' ' ')" "staticedge-bar "
expect "bar position" "$(drv pos stored | tr '\n' ' ')" "0 0 "
shot updater-waiting
sleep 1
expect "nothing fetched before the click" "$(grep -c update.txt "$RUN/nginx/access.log")" "0"

drv close >/dev/null
updater_ended 5 && ended=yes || ended=no
expect "close box ends the updater" "$ended" "yes"

updater_start
drv find >/dev/null
drv key esc >/dev/null
updater_ended 5 && ended=yes || ended=no
expect "Esc ends the updater" "$ended" "yes"
expect "no file written" "$(ls "$APP")" "update.exe"
scenario_end
