#!/usr/bin/env bash
# build-win64.sh: configures and builds the 64-bit twin (build/win64), the
# same sources for 64-bit Windows with Debian's stock runtime. Its tests run
# under 64-bit Wine where 32-bit code cannot run; its binaries stay in
# build/win64/dist and are never shipped.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build="$root/build/win64"
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-x86_64.cmake" >/dev/null
cmake --build "$build" -j "$(nproc)" "$@"
