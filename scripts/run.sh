#!/usr/bin/env bash
# Builds Pyrolux and runs it under Wine.
#  - With a display: starts dist/Pyrolux.exe on it.
#  - Without one: runs it in a virtual display, clicks through a short
#    session (About, idle window, a 3-second test run), saves screenshots as
#    PNG files under build/screenshots/ and prints where they are.
# Where this machine cannot run 32-bit code (scripts/no-32bit-reason.sh),
# it shows the 64-bit twin instead, built from the same sources, and says so.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/setup.sh"

if reason=$("$root/scripts/no-32bit-reason.sh"); then
  "$root/scripts/build-win32.sh"
  build="$root/build/win32" program="$root/dist/Pyrolux.exe"
  export PYROLUX_WINE_ARCH=win32
else
  echo "Showing the 64-bit twin, not the shipped 32-bit program: $reason."
  "$root/scripts/build-win64.sh"
  build="$root/build/win64" program="$root/build/win64/dist/Pyrolux.exe"
  export PYROLUX_WINE_ARCH=win64
fi

prefix="$root/build/wineprefix-run-$PYROLUX_WINE_ARCH"
export WINEPREFIX="$prefix" WINEDEBUG=-all
# This prefix is for people: the About dialog's links may open a browser.
export PYROLUX_PREFIX_FOR_PEOPLE=1
source "$root/scripts/wine-overrides.sh"
"$root/scripts/wine-prefix.sh" "$prefix"

has_display() {
  [ -n "${DISPLAY:-}" ] || return 1
  case "$DISPLAY" in
    :*) n=${DISPLAY#:}; n=${n%%.*}; [ -S "/tmp/.X11-unix/X$n" ] ;;
    *) return 0 ;;
  esac
}

if has_display; then
  exec wine "$program"
fi

shots="$root/build/screenshots"
mkdir -p "$shots"
echo "No display: running Pyrolux in a virtual display and taking screenshots."
"$root/scripts/in-xvfb.sh" bash -c '
  wine "$1" "$(winepath -w "$2")" "$(winepath -w "$3")"
  rc=$?
  wineserver -k 2>/dev/null
  exit $rc' _ "$build/ui/pyrolux_demo.exe" "$program" "$shots"
echo "Screenshots:"
ls -1 "$shots"/*.png | sed 's/^/  /'
