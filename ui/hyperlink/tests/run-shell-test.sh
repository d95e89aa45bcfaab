#!/usr/bin/env bash
# run-shell-test.sh <win32-build-dir> <hyperlink_shell_test.exe> <link_recorder.exe>
# Runs the link's shell integration test in a Wine prefix of its own, where
# the ".htm" (and, for safety, "http") handler is link_recorder.exe, so no
# browser can ever open.
set -euo pipefail
build=$1 test_exe=$2 recorder=$3
root=$(cd "$(dirname "$0")/../../.." && pwd)
prefix="$build/ui/hyperlink/throwaway-prefix"
"$root/scripts/wine-prefix.sh" "$prefix"

export WINEPREFIX="$prefix" WINEDEBUG=-all
source "$root/scripts/wine-overrides.sh"
trap 'wineserver -k >/dev/null 2>&1 || true' EXIT
win_recorder="Z:$(echo "$recorder" | sed 's|/|\\|g')"
command="\"$win_recorder\" \"%1\" -extra"
wine reg add 'HKCR\.htm' /ve /d PyroluxTestPage /f >/dev/null 2>&1
wine reg add 'HKCR\PyroluxTestPage\shell\open\command' /ve /d "$command" /f >/dev/null 2>&1
for scheme in http https; do
  wine reg add "HKCR\\$scheme\\shell\\open\\command" /ve /d "$command" /f >/dev/null 2>&1
done
PYROLUX_WINEPREFIX="$prefix" "$build/wine-run" "$test_exe"
