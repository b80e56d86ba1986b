# The exit question: "下次再说" then No (nothing changes), then Yes before any download (the
# updater ends, no file written); during a slow download "停止" opens the question while the
# progress goes on, a second click opens a second one, Enter answers No, and Yes ends the updater
# within about a second leaving morvane.bak at its full length. Esc and the close box during a
# download end it without a question.
. "$(dirname "$0")/lib.sh"
scenario_begin exit_question
site_start 20000
payload "$SITE/slow/new.exe" 400000
manifest 0.2 "http://127.0.0.1:$SITE_PORT/slow/new.exe"
question="更新|你确实要退出更新此更新程序吗？程序将无法进行更新！"

# Before any download.
updater_start
drv find >/dev/null
drv click 下次再说 >/dev/null
expect "later: the question" "$(drv question 5000)" "$question"
drv answer no 5000 >/dev/null
sleep 0.5
expect "later, No: no question left" "$(drv questions)" "0"
expect "later, No: window unchanged" "$(drv visible 开始更新 visible 下次再说 visible 停止 | tr '\n' ' ')" "1 1 0 "
drv click 下次再说 >/dev/null
drv answer yes 5000 >/dev/null
updater_ended 5 && ended=yes || ended=no
expect "later, Yes: the updater ends" "$ended" "yes"
expect "later, Yes: no file written" "$(ls "$APP")" "update.exe"

# During a download.
updater_start
drv find >/dev/null
drv click 开始更新 >/dev/null
drv wait-title 正在下载 6000 >/dev/null
for i in $(seq 100); do [ -e "$APP/morvane.bak" ] && break; sleep 0.05; done
sleep 4
shot updater-progress
drv click 停止 >/dev/null
expect "stop: the question" "$(drv question 5000)" "$question"
shot updater-exit-question
p1=$(drv stored); sleep 1; p2=$(drv stored)
expect "stop: progress goes on while the question is open" "$([ "$p2" -gt "$p1" ] && echo yes || echo "no ($p1 -> $p2)")" "yes"
drv click 停止 >/dev/null
sleep 1
expect "stop again: a second question" "$(drv questions)" "2"
drv question-key enter 5000 >/dev/null
sleep 0.5
expect "Enter answers No" "$(drv questions)" "1"
drv answer no 5000 >/dev/null
sleep 0.5
expect "stop, No: the window stays" "$(drv questions visible 停止 | tr '\n' ' ')" "0 1 "
cmp -s "$APP/morvane.bak" "$SITE/slow/new.exe" && complete=yes || complete=no
expect "stop, No: the download is still under way" "$complete" "no"
drv click 停止 >/dev/null
drv question 5000 >/dev/null
t0=$(date +%s%N)
drv answer yes 5000 >/dev/null
updater_ended 5 && ended=yes || ended=no
t1=$(date +%s%N)
expect "stop, Yes: the updater ends" "$ended" "yes"
ms=$(( (t1 - t0) / 1000000 ))
echo "     stop, Yes: ended ${ms} ms after the answer"
expect "stop, Yes: within about a second" "$([ "$ms" -le 2500 ] && echo yes || echo "no ($ms ms)")" "yes"
expect "stop, Yes: morvane.bak stays at full length" "$(file_size "$APP/morvane.bak")" "400000"
cmp -s "$APP/morvane.bak" "$SITE/slow/new.exe" && complete=yes || complete=no
expect "stop, Yes: morvane.bak is partial" "$complete" "no"
sleep 2
expect "stop, Yes: nothing installed" "$(ls "$APP" | tr '\n' ' ')" "morvane.bak update.exe "

# Esc and the close box during a download: no question.
for how in esc close; do
  rm -f "$APP/morvane.bak"
  updater_start
  drv find >/dev/null
  drv click 开始更新 >/dev/null
  drv wait-title 正在下载 6000 >/dev/null
  if [ "$how" = esc ]; then drv key esc >/dev/null; else drv close >/dev/null; fi
  t0=$(date +%s%N)
  updater_ended 5 && ended=yes || ended=no
  ms=$(( ($(date +%s%N) - t0) / 1000000 ))
  expect "$how during the download: the updater ends without a question" "$ended" "yes"
  echo "     $how: ended ${ms} ms later"
done
scenario_end
