#!/usr/bin/env bash
# wine-prefix.sh <prefix-dir>
# Creates a Wine prefix for tests once (32-bit; 64-bit when
# PYROLUX_WINE_ARCH=win64, for the 64-bit twin), under a lock so parallel
# callers wait for the first one. Safe to call every time.
set -euo pipefail
prefix=$1
mkdir -p "$(dirname "$prefix")"
exec 9>"$prefix.lock"
flock 9
if [ -f "$prefix/.pyrolux-ready" ]; then
  exit 0
fi
rm -rf "$prefix"
export WINEPREFIX="$prefix" WINEARCH="${PYROLUX_WINE_ARCH:-win32}" WINEDEBUG=-all
source "$(dirname "$0")/wine-overrides.sh"
wineboot -i >/dev/null 2>&1
# Unmanaged X windows: no waits for a window manager under bare Xvfb.
wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N /f >/dev/null 2>&1
# A crash ends the process instead of waiting on a dialog.
wine reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f >/dev/null 2>&1
wineserver -w
touch "$prefix/.pyrolux-ready"
