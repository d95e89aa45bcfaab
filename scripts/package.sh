#!/usr/bin/env bash
# package.sh: builds the deliverables where needed, runs the binary check on
# them (tests/binaries/check_binaries.py: i486 instructions, imports of
# Windows 98 and NT 4.0) and packages nothing when they fail it, then writes
# the release archive dist/Pyrolux-<version>-win32.zip and dist/SHA256SUMS.txt
# beside it (packaging/package.py), and prints the archive's path, relative
# to the repository root, as its last line.
#
# The archive's entries are dated SOURCE_DATE_EPOCH when it is set, else the
# date of the checked-out commit, so a commit always packages to the same
# bytes.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
epoch=${SOURCE_DATE_EPOCH:-}
if [ -z "$epoch" ]; then
  epoch=$(git -C "$root" log -1 --format=%ct 2>/dev/null) || epoch=
  if [ -z "$epoch" ]; then
    echo "package.sh: no git history here: set SOURCE_DATE_EPOCH to the commit's date" >&2
    exit 1
  fi
fi
# The binaries carry no date at all. The linker would take its time stamp
# from SOURCE_DATE_EPOCH, were one ever let back in: keep the build as a
# plain one, so what is packaged is what a plain build leaves in dist/.
env -u SOURCE_DATE_EPOCH "$root/scripts/build-win32.sh" --deliverables
if ! python3 "$root/tests/binaries/check_binaries.py" >&2; then
  echo "package.sh: the binaries in dist/ fail the binary check: nothing packaged" >&2
  exit 1
fi
archive=$(python3 "$root/packaging/package.py" --root "$root" --dist "$root/dist" \
          --epoch "$epoch")
echo "${archive#"$root/"}"
