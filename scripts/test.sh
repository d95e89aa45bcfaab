#!/usr/bin/env bash
# Runs every test, in tiers, and ends with one line per tier:
#   native       the portable code built for this host (GoogleTest)
#   i686 static  the shipped i686 build and the checks that only read its
#                files: binary check, packaging, the checkers' self-tests
#   win64 twin   the 64-bit twin's Windows suite under 64-bit Wine
#   i686 wine    the shipped build's Windows suite under 32-bit Wine, where
#                this machine can run 32-bit code (found out by running the
#                32-bit Wine loader); PYROLUX_NO_32BIT=1 leaves it out
# A tier that could not run says why and never counts as passed. The exit
# status is non-zero when any tier that ran failed. Installs what is missing
# first.
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/setup.sh" || exit 1
jobs=$(nproc)

summary=() passed=0 failed=0 status=0

# tier NAME COMMAND...: runs one tier's ctest command and notes its result
# from ctest's closing line.
tier() {
  local name=$1 log rc line
  shift
  echo "== $name"
  log=$(mktemp)
  "$@" 2>&1 | tee "$log"
  rc=${PIPESTATUS[0]}
  line=$(grep -oE '[0-9]+ tests? failed out of [0-9]+' "$log" | tail -n 1)
  rm -f "$log"
  if [ -z "$line" ]; then
    broken "$name" "no test ran (exit status $rc)"
    return
  fi
  local bad total
  read -r bad _ _ _ _ total <<<"$line"
  passed=$((passed + total - bad)) failed=$((failed + bad))
  if [ "$rc" -ne 0 ] || [ "$bad" -ne 0 ]; then
    summary+=("$name: ran ($((total - bad)) passed, $bad failed)")
    status=1
  else
    summary+=("$name: ran ($total passed)")
  fi
}

# broken NAME WHY: a tier that failed before its tests could run.
broken() {
  summary+=("$1: FAILED: $2")
  status=1
}

if cmake -S "$root" -B "$root/build/native" -DCMAKE_BUILD_TYPE=Release >/dev/null &&
   cmake --build "$root/build/native" -j "$jobs"; then
  tier "native" ctest --test-dir "$root/build/native" --output-on-failure -j "$jobs"
else
  broken "native" "the build failed"
fi

i686_built=false
if "$root/scripts/build-win32.sh"; then
  i686_built=true
  tier "i686 static" ctest --test-dir "$root/build/win32" --output-on-failure -L static
else
  broken "i686 static" "the build failed"
fi

if "$root/scripts/build-win64.sh"; then
  tier "win64 twin" "$root/scripts/in-xvfb.sh" "$root/scripts/wine-ctest.sh" "$root/build/win64"
else
  broken "win64 twin" "the build failed"
fi

if ! reason=$("$root/scripts/no-32bit-reason.sh"); then
  summary+=("i686 wine: not run: $reason")
elif $i686_built; then
  # The static tier has already packaged and unpacked the archive that the
  # unpacked-archive test starts: not again (-FS).
  tier "i686 wine" "$root/scripts/in-xvfb.sh" "$root/scripts/wine-ctest.sh" "$root/build/win32" \
    -LE static -FS unpacked_archive
else
  broken "i686 wine" "the i686 build failed"
fi

echo "== tiers"
printf '%s\n' "${summary[@]}"
echo "tests: $passed passed, $failed failed"
exit $status
