#!/usr/bin/env bash
# Makes a fresh Debian 12 machine ready to build and test Pyrolux.
# Idempotent: installs only what is missing, so a second run takes seconds.
set -euo pipefail

packages=(
  cmake g++ make python3 googletest libgtest-dev libbenchmark-dev
  mingw-w64 g++-mingw-w64-i686
  wine wine32:i386 wine64 xvfb xauth fonts-wine
)

sudo_cmd=()
if [ "$(id -u)" -ne 0 ]; then sudo_cmd=(sudo); fi

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

echo "setup: installing ${missing[*]}" >&2
if ! dpkg --print-foreign-architectures | grep -qx i386; then
  "${sudo_cmd[@]}" dpkg --add-architecture i386
fi
export DEBIAN_FRONTEND=noninteractive
"${sudo_cmd[@]}" apt-get update -q
"${sudo_cmd[@]}" apt-get install -y -q --no-install-recommends "${missing[@]}"
