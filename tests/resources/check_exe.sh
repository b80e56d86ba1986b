#!/usr/bin/env bash
# Checks one of the built Windows programs by inspection, without running it:
#   - the PE machine type (i386 for the release build, x86-64 for the Wine build), GUI subsystem;
#   - every imported DLL is a system DLL (the C/C++ runtimes and winpthreads are linked statically);
#   - the version resource: 1.0.0.0, one string table 080404B0, translation 0x0804/1200;
#   - the icon: the first icon group has id 1 and holds the images of common/resources/morvane.ico
#     (64, 48, 32, 24 and 16 pixels, 32 bpp).
# Prints what it found; exits 1 naming every failed check.
# Needs the MinGW-w64 objdump of the machine, wrestool (icoutils) and python3.
set -uo pipefail
# objdump and wrestool speak the locale; the checks read their English output.
export LC_ALL=C LANG=C

usage() { echo "usage: check_exe.sh EXE i386|x86-64" >&2; exit 2; }
[ $# -eq 2 ] || usage
exe=$1
machine=$2
case $machine in
  i386)   objdump=i686-w64-mingw32-objdump;   format=pei-i386 ;;
  x86-64) objdump=x86_64-w64-mingw32-objdump; format=pei-x86-64 ;;
  *) usage ;;
esac
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
reference_icon=$here/../../common/resources/morvane.ico

# System DLLs a program may import (compared without regard to case); api-ms-win-* are allowed too.
allowed_dlls=(
  kernel32.dll user32.dll gdi32.dll shell32.dll wininet.dll ws2_32.dll advapi32.dll comctl32.dll
  ole32.dll oleaut32.dll msvcrt.dll shlwapi.dll comdlg32.dll version.dll winmm.dll uxtheme.dll
)

failures=()
fail() { echo "FAIL: $*"; failures+=("$*"); }

if [ ! -f "$exe" ]; then
  echo "FAIL: $exe: no such file"
  exit 1
fi
echo "file: $exe ($(stat -c %s "$exe") bytes)"

if ! dump=$("$objdump" -p "$exe" 2>&1); then
  echo "FAIL: $objdump -p cannot read $exe: $dump"
  exit 1
fi

found_format=$(sed -n 's/^.*file format \(.*\)$/\1/p' <<<"$dump" | head -n 1)
echo "machine: $found_format"
[ "$found_format" = "$format" ] || fail "machine: file format is '$found_format', expected $format ($machine)"

subsystem=$(sed -n 's/^Subsystem[[:space:]]*[0-9a-fA-F]*[[:space:]]*//p' <<<"$dump" | head -n 1)
echo "subsystem: $subsystem"
[ "$subsystem" = "(Windows GUI)" ] || fail "subsystem: '$subsystem', expected (Windows GUI)"

mapfile -t dlls < <(sed -n 's/^[[:space:]]*DLL Name: //p' <<<"$dump")
echo "imports: ${dlls[*]:-none}"
[ ${#dlls[@]} -gt 0 ] || fail "imports: no imported DLL found in the objdump output"
for dll in "${dlls[@]}"; do
  lower=${dll,,}
  case $lower in api-ms-win-*.dll) continue ;; esac
  allowed=no
  for a in "${allowed_dlls[@]}"; do [ "$lower" = "$a" ] && allowed=yes; done
  [ $allowed = yes ] || fail "imports: $dll is not a system DLL (a runtime that should be linked statically?)"
done

tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

if ! listing=$(wrestool -l "$exe" 2>&1); then
  fail "resources: wrestool cannot read them: $listing"
else
  wrestool -x --raw --type=16 "$exe" >"$tmp/version.bin" 2>/dev/null
  if [ -s "$tmp/version.bin" ]; then
    python3 "$here/check_resources.py" version "$tmp/version.bin" || fail "version resource (see above)"
  else
    fail "version: no version resource"
  fi

  first_group=$(grep -m 1 -- '--type=14 ' <<<"$listing" | sed -n "s/.*--name=\([^ ]*\).*/\1/p" | tr -d "'")
  echo "icon: first icon group: ${first_group:-none}"
  if [ -z "$first_group" ]; then
    fail "icon: no icon group"
  else
    [ "$first_group" = 1 ] || fail "icon: the first icon group is '$first_group', expected 1 (the executable's icon and LoadIcon's MAKEINTRESOURCE(1))"
    if grep -q -- '--type=14 --name=1 ' <<<"$listing"; then
      wrestool -x --type=14 --name=1 "$exe" >"$tmp/icon.ico" 2>/dev/null
      python3 "$here/check_resources.py" icon "$tmp/icon.ico" "$reference_icon" || fail "icon (see above)"
    else
      fail "icon: no icon group with id 1"
    fi
  fi
fi

if [ ${#failures[@]} -gt 0 ]; then
  echo "check_exe: $exe: ${#failures[@]} check(s) failed"
  exit 1
fi
echo "check_exe: $exe: all checks passed"
