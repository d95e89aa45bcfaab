#!/usr/bin/env bash
# wine-ctest.sh <windows-build-dir> [ctest args...]
# Runs a Windows build's tests (build/win32, or the 64-bit twin's
# build/win64) with one wineserver kept alive across the suite.
set -euo pipefail
build=$(cd "$1" && pwd); shift
export WINEPREFIX="$build/wineprefix" WINEDEBUG=-all
# The build tree says which Wine its programs need; every test inherits it.
PYROLUX_WINE_ARCH=$(sed -n 's/^PYROLUX_WINE_ARCH:INTERNAL=//p' "$build/CMakeCache.txt")
export PYROLUX_WINE_ARCH
source "$(dirname "$0")/wine-overrides.sh"
"$(dirname "$0")/wine-prefix.sh" "$WINEPREFIX"
# The persistent server never times out: take it (and every Wine process of
# the prefix) down however this script ends, interrupted runs included.
trap 'wineserver -k 2>/dev/null || true' EXIT
trap 'exit 130' INT TERM HUP
wineserver -p 2>/dev/null || true  # already running is fine
# One test at a time: the tests share one X display, one pointer and one
# prefix (registry, activation), and a test that moves the pointer or
# watches the registry fails when another one runs beside it. A later -j in
# the arguments still wins.
rc=0
ctest --test-dir "$build" --output-on-failure -j 1 "$@" || rc=$?
exit $rc
