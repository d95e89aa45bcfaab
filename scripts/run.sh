#!/usr/bin/env bash
# Builds Pyrolux and runs it. Until the main window lands this runs the
# stress-test benchmark, natively and as the win32 build under Wine.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/setup.sh"

cmake -S "$root" -B "$root/build/native" -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$root/build/native" -j "$(nproc)"
"$root/scripts/build-win32.sh"

echo "== stress-test benchmark, native"
"$root/build/native/core/core_benchmark"
echo "== stress-test benchmark, win32 under Wine"
"$root/build/win32/wine-run" "$root/build/win32/core/core_benchmark.exe"
