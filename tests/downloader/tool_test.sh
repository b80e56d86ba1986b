#!/usr/bin/env bash
# morvane-download against the test site (run through run_with_site.sh): what it prints, the file
# it writes and its exit status, for a completed, a failed and a stopped download.
#   tool_test.sh PATH-TO-morvane-download
set -u
tool=$1
site="http://127.0.0.1:$MORVANE_SITE_PORT"
fail() { echo "tool_test: $*" >&2; exit 1; }

head -c 300000 /dev/urandom >"$MORVANE_SITE_ROOT/tool.bin"
out="$MORVANE_TEST_DIR/tool.bin"

"$tool" "$site/_f/drop=100000/tool.bin" "$out" >"$MORVANE_TEST_DIR/log1" || fail "completed download exited $?"
cmp -s "$out" "$MORVANE_SITE_ROOT/tool.bin" || fail "the file differs"
grep -qx "completed: $out (300000 of 300000 bytes)" "$MORVANE_TEST_DIR/log1" || fail "completion line: $(cat "$MORVANE_TEST_DIR/log1")"

"$tool" --threads 3 "$site/tool.bin" "$out" >"$MORVANE_TEST_DIR/log2" || fail "second download exited $?"
cmp -s "$MORVANE_TEST_DIR/tool(1).bin" "$MORVANE_SITE_ROOT/tool.bin" || fail "tool(1).bin differs"
grep -q "^completed: .*tool(1).bin (300000 of 300000 bytes)" "$MORVANE_TEST_DIR/log2" || fail "second line: $(cat "$MORVANE_TEST_DIR/log2")"

"$tool" "$site/_f/status=404/tool.bin" "$MORVANE_TEST_DIR/none.bin" >"$MORVANE_TEST_DIR/log3" && fail "404 exited 0"
grep -q "^failed: no file written" "$MORVANE_TEST_DIR/log3" || fail "404 line: $(cat "$MORVANE_TEST_DIR/log3")"
[ ! -e "$MORVANE_TEST_DIR/none.bin" ] || fail "404 created a file"

"$tool" https://127.0.0.1/x "$MORVANE_TEST_DIR/none.bin" >/dev/null 2>&1
[ $? = 1 ] || fail "a refused address must exit 1"
"$tool" only-one-argument >/dev/null 2>&1
[ $? = 2 ] || fail "a usage error must exit 2"

# Interrupted while the site sends slowly: stops within stopWait, says so, exits 1.
"$tool" "$site/_f/rate=100000/tool.bin" "$MORVANE_TEST_DIR/slow.bin" >"$MORVANE_TEST_DIR/log4" &
pid=$!
sleep 1
kill -INT "$pid"
start=$(date +%s%N)
wait "$pid" && fail "an interrupted download exited 0"
elapsed=$(( ($(date +%s%N) - start) / 1000000 ))
[ "$elapsed" -lt 1500 ] || fail "stopping took $elapsed ms"
grep -q "^stopped: $MORVANE_TEST_DIR/slow.bin (" "$MORVANE_TEST_DIR/log4" || fail "stop line: $(cat "$MORVANE_TEST_DIR/log4")"
echo "tool_test: passed"
