#!/usr/bin/env bash
# wine-ctest.sh <win32-build-dir> [ctest args...]
# Runs the win32 tests with one wineserver kept alive across the suite.
set -euo pipefail
build=$(cd "$1" && pwd); shift
export WINEPREFIX="$build/wineprefix" WINEDEBUG=-all
"$(dirname "$0")/wine-prefix.sh" "$WINEPREFIX"
wineserver -p 2>/dev/null || true  # already running is fine
rc=0
ctest --test-dir "$build" --output-on-failure -j "$(nproc)" "$@" || rc=$?
wineserver -k || true
exit $rc
