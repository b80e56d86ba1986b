# The Wine test bed: a private prefix with a virtual desktop on a private Xvfb display, and a
# browser catcher that records every URL a program opens. Source this file, then:
#
#   bed_start DIR     make DIR/prefix (or reuse it), start Xvfb and a persistent wineserver,
#                     write DIR/bed.env for later shells
#   bed_load DIR      load DIR/bed.env into this shell
#   bed_wine ARGS..   run wine64 with a time limit (BED_TIMEOUT seconds, default 60)
#   bed_urls          the URLs handed to the browser so far, one per line
#   bed_stop DIR      end the wineserver of this prefix and this bed's Xvfb, nothing else
#
# Everything the bed starts is recorded by process id in DIR and ended by bed_stop.

BED_WINE=${BED_WINE:-/usr/lib/wine/wine64}

_bed_env() {
  export WINEPREFIX="$1/prefix" WINEDEBUG=-all LANG=zh_CN.UTF-8 LC_ALL=zh_CN.UTF-8
  export WINEDLLOVERRIDES="mscoree,mshtml=;winedbg.exe=d"
  unset http_proxy https_proxy HTTP_PROXY HTTPS_PROXY ftp_proxy all_proxy ALL_PROXY no_proxy NO_PROXY
  BED_DIR="$1"
}

bed_load() {
  _bed_env "$1"
  # shellcheck disable=SC1091
  . "$1/bed.env"
}

_bed_free_display() {
  local n
  for n in $(seq 90 190); do
    if [ ! -e "/tmp/.X$n-lock" ] && [ ! -e "/tmp/.X11-unix/X$n" ]; then echo "$n"; return 0; fi
  done
  return 1
}

bed_start() {
  local dir="$1"
  mkdir -p "$dir"
  dir=$(cd "$dir" && pwd)
  _bed_env "$dir"

  # Xvfb on a display nobody uses; -displayfd reports the number it actually took.
  local fifo="$dir/display.fifo" display
  rm -f "$fifo"; mkfifo "$fifo"
  setsid Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$fifo" >/dev/null 2>&1 &
  echo $! >"$dir/xvfb.pid"
  read -r -t 20 display <"$fifo" || { echo "bed: Xvfb did not start" >&2; return 1; }
  rm -f "$fifo"
  export DISPLAY=":$display"

  # The browser catcher: winebrowser runs it with the URL as its argument.
  cat >"$dir/browser.sh" <<CATCH
#!/bin/sh
printf '%s\n' "\$@" >>"$dir/browser.log"
CATCH
  chmod +x "$dir/browser.sh"
  : >"$dir/browser.log"

  cat >"$dir/bed.reg" <<REG
REGEDIT4

[HKEY_CURRENT_USER\\Software\\Wine\\Explorer]
"Desktop"="Default"

[HKEY_CURRENT_USER\\Software\\Wine\\Explorer\\Desktops]
"Default"="1024x768"

[HKEY_CURRENT_USER\\Software\\Wine\\WineBrowser]
"Browsers"="$dir/browser.sh"
REG
  local reg
  reg=$(winepath_of "$dir/bed.reg")
  if [ ! -f "$WINEPREFIX/system.reg" ]; then
    # A new prefix: the settings go in while wineboot's server still runs, then everything is
    # written out before the server is made persistent. (wineserver -w with no server running
    # would start one and wait forever, so it is only used here.)
    timeout 120 "$BED_WINE" wineboot --init >/dev/null 2>&1 || true
    timeout 60 "$BED_WINE" regedit /S "$reg" >/dev/null 2>&1 || true
    timeout 120 wineserver -w || true
  fi
  # Keep the wineserver (and the desktop) alive between the programs of a scenario.
  (setsid wineserver -p >/dev/null 2>&1 &)
  sleep 0.5
  # A prefix made earlier gets the settings again (the bed's folder may have moved).
  timeout 60 "$BED_WINE" regedit /S "$reg" >/dev/null 2>&1 || true
  cat >"$dir/bed.env" <<ENV
export DISPLAY=$DISPLAY
ENV
}

# The Windows path of a Linux path: C: for the prefix's drive_c, Z: (the Linux root) otherwise.
winepath_of() {
  local p=$1
  case "$p" in
    "$WINEPREFIX/drive_c/"*) p="C:/${p#"$WINEPREFIX/drive_c/"}" ;;
    *) p="Z:$p" ;;
  esac
  printf '%s' "$p" | sed 's|/|\\|g'
}

bed_wine() {
  timeout -k 5 "${BED_TIMEOUT:-60}" "$BED_WINE" "$@"
}

bed_urls() { cat "$BED_DIR/browser.log"; }

bed_stop() {
  local dir="$1"
  _bed_env "$dir"
  timeout 20 wineserver -k >/dev/null 2>&1 || true
  if [ -f "$dir/xvfb.pid" ]; then
    kill "$(cat "$dir/xvfb.pid")" 2>/dev/null || true
    rm -f "$dir/xvfb.pid"
  fi
}
