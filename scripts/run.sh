#!/usr/bin/env bash
# Builds Pyrolux and runs it under Wine.
#  - With a display: starts dist/Pyrolux.exe on it.
#  - Without one: runs it in a virtual display, clicks through a short
#    session (About, idle window, a 3-second test run), saves screenshots as
#    PNG files under build/screenshots/ and prints where they are.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/setup.sh"
"$root/scripts/build-win32.sh"

prefix="$root/build/wineprefix-run"
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
  exec wine "$root/dist/Pyrolux.exe"
fi

shots="$root/build/screenshots"
mkdir -p "$shots"
echo "No display: running Pyrolux in a virtual display and taking screenshots."
"$root/scripts/in-xvfb.sh" bash -c '
  wine "$1" "$(winepath -w "$2")" "$(winepath -w "$3")"
  rc=$?
  wineserver -k 2>/dev/null
  exit $rc' _ "$root/build/win32/ui/pyrolux_demo.exe" "$root/dist/Pyrolux.exe" "$shots"
echo "Screenshots:"
ls -1 "$shots"/*.png | sed 's/^/  /'
