# The whole update: morvane.exe 0.1 starts the updater, "开始更新", the 0.2 launcher is downloaded
# from nginx, bat.bat ends the updater, installs and starts the new launcher (which opens the home
# page again) and deletes itself. morvane.exe is then the served file byte for byte, and neither
# morvane.bak nor bat.bat remains. MODE (the first argument) varies the program folder:
#   plain       a folder without blanks
#   blanks      a folder with blanks and parentheses, like C:\Program Files (x86)\...
#   chinese     a folder with a Chinese name and a blank
#   nogbk       a folder whose name the script's code page cannot express (Hangul): the script
#               names it by its short form
#   percent     a folder with a "%" in its name: the new launcher must be installed; Wine's cmd
#               (unlike Windows') expands the "%" inside %0 once more, so there the script's last
#               line cannot delete the script, and bat.bat is only reported
. "$(dirname "$0")/lib.sh"
MODE=${1:-plain}
scenario_begin "whole_update_$MODE"
if [ "$MODE" != plain ]; then
  case "$MODE" in
    blanks) APP="$WINEPREFIX/drive_c/Program Files (x86)/Morvane Desk $$" ;;
    chinese) APP="$WINEPREFIX/drive_c/墨凡导航 $$" ;;
    nogbk) APP="$WINEPREFIX/drive_c/한국어 도구 $$" ;;
    percent) APP="$WINEPREFIX/drive_c/Morvane 100% $$" ;;
  esac
  rm -rf "$APP"; mkdir -p "$APP"
  cp "$BIN_DIR/update.exe" "$APP/"
  trap 'scenario_cleanup; [ "$FAILURES" -eq 0 ] && rm -rf "$APP"' EXIT
fi
site_start
cp "$BIN_DIR/next/morvane.exe" "$SITE/morvane-0.2.exe"
manifest 0.2 "http://127.0.0.1:$SITE_PORT/morvane-0.2.exe"
cp "$BIN_DIR/morvane.exe" "$APP/morvane.exe"
urls_before=$(bed_urls | wc -l)

(cd "$APP" && BED_TIMEOUT=30 bed_wine "$APP/morvane.exe") >>"$RUN/wine.log" 2>&1
find=$(drv find) || { echo "FAIL the launcher did not start the updater"; FAILURES=1; scenario_end; }
pid=$(echo "$find" | awk '{print $4}')
t0=$(date +%s%N)
drv --pid "$pid" click 开始更新 >/dev/null
drv --pid "$pid" wait-gone 60000 >/dev/null
for i in $(seq 600); do
  { [ ! -e "$APP/bat.bat" ] || [ "$MODE" = percent ]; } && [ ! -e "$APP/morvane.bak" ] && cmp -s "$APP/morvane.exe" "$SITE/morvane-0.2.exe" && break
  sleep 0.05
done
t1=$(date +%s%N)
echo "     whole update: $(( (t1 - t0) / 1000000 )) ms from the click to the new launcher installed and bat.bat gone"
sleep 1
expect "morvane.exe is the served 0.2 launcher" "$(cmp -s "$APP/morvane.exe" "$SITE/morvane-0.2.exe" && echo identical)" "identical"
expect "no morvane.bak remains" "$(ls "$APP" | grep -c morvane.bak)" "0"
if [ "$MODE" = percent ]; then
  echo "     files left (Wine's cmd and %0): $(ls "$APP" | tr '\n' ' ')"
else
  expect "only the two programs remain" "$(ls "$APP" | tr '\n' ' ')" "morvane.exe update.exe "
fi
urls=$(( $(bed_urls | wc -l) - urls_before ))
expect "home page opened by the old launcher and once by the new one" "$urls" "2"
runs=$(( $(grep -c 'GET /desk/update.txt' "$RUN/nginx/access.log") - 2 ))
echo "     the script ran $runs time(s) (manifest fetches of the new launcher)"
expect "the script ran once" "$runs" "1"
expect "the launcher was downloaded once" "$(grep -c 'GET /morvane-0.2.exe' "$RUN/nginx/access.log")" "1"
expect "no updater left" "$(drv --wait 0 find 2>/dev/null)" ""
scenario_end
