#!/usr/bin/env bash
# Prints why 32-bit Windows programs cannot run on this machine and exits 1;
# prints nothing and exits 0 where they can. Found out by running the 32-bit
# Wine loader (some hypervisors allow 64-bit user code only); the variable
# PYROLUX_NO_32BIT=1 says no on any machine.
if [ -n "${PYROLUX_NO_32BIT:-}" ]; then
  echo "PYROLUX_NO_32BIT is set"
  exit 1
fi
if ! out=$(/usr/lib/wine/wine --version 2>&1); then
  echo "this machine cannot run 32-bit code (the 32-bit Wine loader: ${out##*: })"
  exit 1
fi
