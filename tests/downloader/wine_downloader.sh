#!/usr/bin/env bash
# The downloader's Windows build under Wine: its text rules, and the Win32 OS layer and the
# downloader against a loopback test site of their own (the same tests as natively). Judged by
# the programs' XML reports, not by their exit status.
set -u
# shellcheck disable=SC1091
. "$SOURCE_DIR/tests/wine/bed.sh"
bed_load "$BED_DIR"

reports=$(mktemp -d /tmp/morvane-dl-wine-XXXXXX)
status=0
for program in downloader_parsers_tests downloader_site_tests; do
  xml="$reports/$program.xml"
  # Output to a file: Wine's background processes inherit the descriptors and would hold a pipe
  # (ctest's) open long after the program has ended.
  RUN_WITH_SITE_WINPATHS=1 bash "$SOURCE_DIR/tests/downloader/run_with_site.sh" \
    timeout -k 5 240 "$BED_WINE" "$BIN_DIR/$program.exe" "--gtest_output=xml:$(winepath_of "$xml")" \
    >"$reports/$program.out" 2>&1
  grep -E '^\[  (PASSED|FAILED) |Failure$' "$reports/$program.out"
  if ! python3 - "$xml" <<'CHECK'
import sys
import xml.etree.ElementTree as ET
try:
    root = ET.parse(sys.argv[1]).getroot()
except (OSError, ET.ParseError) as error:
    sys.exit("no report: %s" % error)
tests, failures, errors = (int(root.get(k, "0")) for k in ("tests", "failures", "errors"))
print("%s: %d tests, %d failures, %d errors" % (sys.argv[1], tests, failures, errors))
sys.exit(0 if tests > 0 and failures == 0 and errors == 0 else 1)
CHECK
  then
    echo "wine_downloader: $program failed" >&2
    status=1
  fi
done
[ "$status" = 0 ] && rm -rf "$reports"
exit "$status"
