# The whole update through a connection that breaks twice mid-download: the downloader resumes
# with Range requests, the tick hands over only once the download is complete, and the installed
# launcher is the served one byte for byte.
. "$(dirname "$0")/lib.sh"
scenario_begin resume
testsite_start
cp "$BIN_DIR/next/morvane.exe" "$SITE/morvane-0.2.exe"
size=$(file_size "$SITE/morvane-0.2.exe")
drops="$((size / 4))+$((size * 3 / 4))"
manifest 0.2 "http://127.0.0.1:$SITE_PORT/_f/drop=$drops/morvane-0.2.exe"
cp "$BIN_DIR/morvane.exe" "$APP/morvane.exe"

updater_start
drv find >/dev/null
t0=$(date +%s%N)
drv click 开始更新 >/dev/null
updater_ended 60 && ended=yes || ended=no
for i in $(seq 100); do [ ! -e "$APP/bat.bat" ] && break; sleep 0.05; done
echo "     whole update with two breaks: $(( ($(date +%s%N) - t0) / 1000000 )) ms"
expect "the updater is ended by the script" "$ended" "yes"
expect "the download resumed twice" "$(grep -c '"Range: bytes=' "$RUN/site.log")" "2"
expect "the served launcher installed" "$(cmp -s "$APP/morvane.exe" "$SITE/morvane-0.2.exe" && echo identical)" "identical"
expect "only the programs remain" "$(ls "$APP" | tr '\n' ' ')" "morvane.exe update.exe "
runs=$(grep -c '"/desk/update.txt"' "$RUN/site.log")
echo "     the script ran $((runs - 1)) time(s) (manifest fetches of the new launcher)"
expect "the script ran once" "$((runs - 1))" "1"
scenario_end
