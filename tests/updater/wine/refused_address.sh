# A newer version whose address the downloader refuses (https; a host without a path): nothing is
# downloaded, no file is created, the window stays in the downloading layout showing 0%.
. "$(dirname "$0")/lib.sh"
scenario_begin refused_address
site_start
payload "$SITE/new.exe" 50000

for address in "https://127.0.0.1:$SITE_PORT/new.exe" "http://127.0.0.1:$SITE_PORT"; do
  manifest 0.2 "$address"
  updater_start
  drv find >/dev/null
  drv click 开始更新 >/dev/null
  title=$(drv wait-title 正在下载 6000)
  sleep 2
  expect "$address: progress title" "$(drv title)" "正在下载...      已$(winepath_of "$APP")\\morvane.bak下载 0%"
  expect "$address: downloading layout" "$(drv visible 停止 visible 下次再说 visible 正在更新.. | tr '\n' ' ')" "1 0 0 "
  expect "$address: nothing downloaded" "$(grep -c 'new.exe' "$RUN/nginx/access.log")" "0"
  expect "$address: no file created" "$(ls "$APP")" "update.exe"
  drv key esc >/dev/null
  updater_ended 5 && ended=yes || ended=no
  expect "$address: Esc ends the updater" "$ended" "yes"
done
scenario_end
