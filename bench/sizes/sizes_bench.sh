#!/usr/bin/env bash
# Sizes of the two shipped 32-bit programs and the DLLs they import, against a reference: an
# empty Windows GUI program built by the same compiler with the same static link.
#   bench/sizes/sizes_bench.sh        (needs the win32 build: cmake --build --preset win32)
set -euo pipefail
ROOT=$(cd "$(dirname "$0")/../.." && pwd)
BIN="$ROOT/build/win32/bin"
WORK=$(mktemp -d); trap 'rm -rf "$WORK"' EXIT
printf '#include <windows.h>\nint WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) { return 0; }\n' >"$WORK/empty.cpp"
i686-w64-mingw32-g++-posix -Os -s -static -static-libgcc -static-libstdc++ -mwindows "$WORK/empty.cpp" -o "$WORK/empty.exe"
ref=$(stat -c %s "$WORK/empty.exe")
printf '%-12s %9s %7s  %s\n' program bytes ratio "imported DLLs"
for exe in "$WORK/empty.exe" "$BIN/morvane.exe" "$BIN/update.exe"; do
  [ -f "$exe" ] || { printf '%-12s (not built)\n' "$(basename "$exe")"; continue; }
  size=$(stat -c %s "$exe")
  dlls=$(i686-w64-mingw32-objdump -p "$exe" | sed -n 's/^\s*DLL Name: //p' | sort -f | tr '\n' ' ')
  awk -v n="$(basename "$exe")" -v s="$size" -v r="$ref" -v d="$dlls" 'BEGIN { printf "%-12s %9d %7.2f  %s\n", n, s, s / r, d }'
done
echo "(ratio: size against the empty program built the same way)"
