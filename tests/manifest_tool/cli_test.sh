#!/usr/bin/env bash
# The manifest tool's command line: make then check round trip, exit statuses, stdin, refusals.
set -u
tool=$1
work=$(mktemp -d); trap 'rm -rf "$work"' EXIT
failed=0
expect() { # expect STATUS WHAT COMMAND...
  local want=$1 what=$2; shift 2
  "$@" >"$work/out" 2>"$work/err"; local got=$?
  if [ "$got" != "$want" ]; then
    echo "FAIL: $what: exit $got, expected $want"; cat "$work/out" "$work/err"; failed=1
  fi
}

printf '修复了若干问题\n新增收藏夹' >"$work/notes.txt"
expect 0 "make to a file" "$tool" make --version 0.2 --notes-file "$work/notes.txt" \
  --address http://www.example.cn/desk/morvane.exe --output "$work/update.txt"
# GBK on disk: the start marker's bytes.
head -c 8 "$work/update.txt" | od -An -tx1 | tr -d ' \n' | grep -qx 2f2f2f2fbfaacabc || { echo "FAIL: not GBK"; failed=1; }
expect 0 "check the made file" "$tool" check "$work/update.txt"
grep -q 'version:          "0.2"' "$work/out" || { echo "FAIL: version not shown"; cat "$work/out"; failed=1; }
grep -q 'release notes:    "修复了若干问题\\n新增收藏夹"' "$work/out" || { echo "FAIL: notes not shown in UTF-8"; cat "$work/out"; failed=1; }
grep -q 'would update: yes' "$work/out" || { echo "FAIL: update verdict"; failed=1; }
expect 0 "check from stdin" bash -c "'$tool' check - <'$work/update.txt'"
expect 0 "current version given" "$tool" check "$work/update.txt" --current 0.2
grep -q 'would update: no' "$work/out" || { echo "FAIL: --current ignored"; failed=1; }

# Refusals: nothing written, a message, non-zero.
expect 2 "https refused" "$tool" make --version 0.3 --notes x --address https://h/m.exe --output "$work/bad.txt"
grep -q https "$work/err" || { echo "FAIL: no reason given"; failed=1; }
[ ! -e "$work/bad.txt" ] && [ ! -e "$work/bad.txt.tmp" ] || { echo "FAIL: refused manifest was written"; failed=1; }
expect 2 "blank in version refused" "$tool" make --version "0.3 " --notes x --address http://h/m.exe
expect 2 "missing option" "$tool" make --version 0.3 --address http://h/m.exe
expect 2 "unknown verb" "$tool" publish
expect 2 "unreadable file" "$tool" check "$work/absent.txt"

# Warnings only: exit 1. A UTF-8 file: exit 2.
"$tool" make --version 0.2 --notes x --address http://h/m.exe | sed 's|http://h/m.exe|http://h/my file.exe|' >"$work/warn.txt"
expect 1 "warning exit status" "$tool" check "$work/warn.txt"
iconv -f GBK -t UTF-8 "$work/update.txt" >"$work/utf8.txt"
expect 2 "UTF-8 manifest" "$tool" check "$work/utf8.txt"
grep -q 'UTF-8' "$work/out" || { echo "FAIL: UTF-8 not named"; failed=1; }

[ "$failed" = 0 ] && echo "manifest tool command line: all passed"
exit "$failed"
