#!/usr/bin/env bash
# build-win32.sh [--deliverables]
# Configures and builds the win32 tree (build/win32); deliverables land in
# dist/. With --deliverables only the deliverables (packaging/deliverables.txt)
# are built (packaging needs nothing else), not the tests.
set -euo pipefail
targets=()
case "${1:-}" in
  "") ;;
  --deliverables) targets=(--target deliverables) ;;
  *) echo "usage: $0 [--deliverables]" >&2; exit 2 ;;
esac
root=$(cd "$(dirname "$0")/.." && pwd)
build="$root/build/win32"
# The i486 runtime the build links in (built once, then only looked up).
runtime=$("$root/scripts/i486-runtime.sh")
# The compiler and linker flags that name the runtime are cached by CMake:
# a rebuilt runtime (a new folder) needs a fresh configuration.
fresh=()
if [ -f "$build/CMakeCache.txt" ] &&
   ! grep -qxF "PYROLUX_I486_RUNTIME:PATH=$runtime" "$build/CMakeCache.txt"; then
  fresh=(--fresh)
fi
cmake "${fresh[@]}" -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-i686.cmake" \
  -DPYROLUX_I486_RUNTIME:PATH="$runtime" >/dev/null
cmake --build "$build" -j "$(nproc)" "${targets[@]}"
