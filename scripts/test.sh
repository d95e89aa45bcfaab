#!/usr/bin/env bash
# Runs every test: the native build's, then the win32 build's under Wine in a
# virtual X display. Installs what is missing first.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/setup.sh"
jobs=$(nproc)

echo "== native build and tests"
cmake -S "$root" -B "$root/build/native" -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$root/build/native" -j "$jobs"
ctest --test-dir "$root/build/native" --output-on-failure -j "$jobs"

echo "== win32 build and tests (Wine, Xvfb)"
"$root/scripts/build-win32.sh"
"$root/scripts/in-xvfb.sh" "$root/scripts/wine-ctest.sh" "$root/build/win32"
