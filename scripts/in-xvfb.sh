#!/usr/bin/env bash
# in-xvfb.sh <command...>: runs a command inside a fresh virtual X display at
# 24-bit depth (pixel reads are exact there).
set -euo pipefail
exec xvfb-run -a -s "-screen 0 1024x768x24 -nolisten tcp" "$@"
