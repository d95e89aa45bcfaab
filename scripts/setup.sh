#!/usr/bin/env bash
# Makes a fresh Debian 12 machine ready to build and test Pyrolux.
# Idempotent: installs only what is missing and builds the i486 runtime only
# once, so a second run takes seconds.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
source "$here/gcc-version.sh"

packages=(
  cmake g++ make python3 googletest libgtest-dev libbenchmark-dev
  mingw-w64 g++-mingw-w64-i686
  wine wine32:i386 wine64 xvfb xauth fonts-wine
  # Rebuilding the runtime for the i486 (scripts/i486-runtime.sh).
  "gcc-$gcc_major-source" dpkg-dev libgmp-dev libmpfr-dev libmpc-dev libisl-dev
  flex bison texinfo patch xz-utils bzip2
)

sudo_cmd=()
if [ "$(id -u)" -ne 0 ]; then sudo_cmd=(sudo); fi

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

# The runtime is rebuilt from Debian's source package of the MinGW-w64 C
# runtime: apt needs deb-src entries for the suites it installs from.
need_sources=false
if ! grep -rqsE '^(deb-src|Types:.*deb-src)' /etc/apt/sources.list /etc/apt/sources.list.d/; then
  need_sources=true
fi

if [ ${#missing[@]} -gt 0 ] || $need_sources; then
  if $need_sources; then
    echo "setup: adding deb-src entries beside the deb ones" >&2
    sources=$(mktemp)
    for f in /etc/apt/sources.list.d/*.sources; do
      [ -f "$f" ] && sed -E 's/^Types:.*/Types: deb-src/' "$f" >>"$sources" && echo >>"$sources"
    done
    if [ -f /etc/apt/sources.list ]; then
      sed -nE 's/^deb (.*)/deb-src \1/p' /etc/apt/sources.list >"$sources.list"
      "${sudo_cmd[@]}" install -m 644 "$sources.list" /etc/apt/sources.list.d/pyrolux-src.list
      rm -f "$sources.list"
    fi
    if [ -s "$sources" ]; then
      "${sudo_cmd[@]}" install -m 644 "$sources" /etc/apt/sources.list.d/pyrolux-src.sources
    fi
    rm -f "$sources"
  fi
  if [ ${#missing[@]} -gt 0 ]; then
    echo "setup: installing ${missing[*]}" >&2
  fi
  if ! dpkg --print-foreign-architectures | grep -qx i386; then
    "${sudo_cmd[@]}" dpkg --add-architecture i386
  fi
  export DEBIAN_FRONTEND=noninteractive
  "${sudo_cmd[@]}" apt-get update -q
  if [ ${#missing[@]} -gt 0 ]; then
    "${sudo_cmd[@]}" apt-get install -y -q --no-install-recommends "${missing[@]}"
  fi
fi

# The C runtime, libgcc and libstdc++ for the i486 (cached: seconds when
# already built).
"$here/i486-runtime.sh" >/dev/null
