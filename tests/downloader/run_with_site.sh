#!/usr/bin/env bash
# Runs a test program against a fresh loopback test site:
#   run_with_site.sh PROGRAM [ARGS...]
# The program finds the site through MORVANE_SITE_PORT, MORVANE_SITE_ROOT (the folder served),
# MORVANE_SITE_LOG (the request log) and MORVANE_TEST_DIR (a scratch folder for its downloads).
# A program starting with "wine:" runs under the Wine bed (paths then given in Z:\ form).
set -u
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d /tmp/morvane-dl-XXXXXX)
mkdir -p "$work/root" "$work/out"
python3 "$here/../site/testsite.py" --root "$work/root" --port-file "$work/port" \
  --log "$work/log" >"$work/site.out" 2>&1 &
site=$!
for _ in $(seq 100); do [ -s "$work/port" ] && break; sleep 0.1; done
if [ ! -s "$work/port" ]; then
  echo "run_with_site: the test site did not start" >&2
  cat "$work/site.out" >&2
  kill "$site" 2>/dev/null
  exit 1
fi
export MORVANE_SITE_PORT=$(cat "$work/port")
export MORVANE_SITE_ROOT="$work/root" MORVANE_SITE_LOG="$work/log" MORVANE_TEST_DIR="$work/out"
if [ -n "${RUN_WITH_SITE_WINPATHS:-}" ]; then
  winpath() { printf 'Z:%s' "$(echo "$1" | sed 's|/|\\|g')"; }
  MORVANE_SITE_ROOT=$(winpath "$work/root")
  MORVANE_SITE_LOG=$(winpath "$work/log")
  MORVANE_TEST_DIR=$(winpath "$work/out")
fi
"$@"
rc=$?
kill "$site" 2>/dev/null
wait "$site" 2>/dev/null
[ "$rc" = 0 ] && rm -rf "$work"
exit "$rc"
