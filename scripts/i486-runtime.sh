#!/usr/bin/env bash
# i486-runtime.sh [--key]: prints the folder of the runtime that the win32
# build links in, building it first when it is missing (with --key: only
# the key of its cache folder).
#
# Debian's MinGW-w64 i686 runtime (C start-up code, libmingwex, libgcc,
# libstdc++) is compiled for the Pentium Pro and would put CMOV and FCOMI into
# every binary, so the shipped programs would die on a 486, Pentium or K6
# before WinMain. This rebuilds those pieces for -march=i486 from Debian's own
# sources, with the installed cross compiler (no new compiler is built), and
# with the win32 thread model: winpthreads imports functions that Windows 98
# and NT 4.0 lack. The C runtime DLL the binaries import is crtdll.dll, the
# one that retail Windows 95 and every Windows NT ship (msvcrt.dll is not on
# Windows 95 as installed from its CD).
#
# The result is cached outside the checkout, keyed by what makes it: the
# recipe number below, the patches, and the versions of the packages it is
# built from and with. A second run only prints the folder. Progress goes to
# standard error, the folder to standard output.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
patches="$here/i486-runtime"
source "$here/gcc-version.sh"
cache_root=${PYROLUX_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/pyrolux}
jobs=$(nproc)

# The recipe: raise it with every change below that changes what is built
# or how (sources, flags, configure options, pieces kept). A change to a
# comment or the script's layout leaves it, and so the cached runtime.
recipe=2
version() { dpkg-query -W -f='${Version}' "$1"; }
crt_version=$(version mingw-w64-common)
key=$({
  echo "recipe $recipe"
  for p in "$patches"/*.patch; do
    echo "patch ${p##*/}"
    cat "$p"
  done
  for package in gcc-mingw-w64-i686-win32 mingw-w64-common "gcc-$gcc_major-source" \
                 binutils-mingw-w64-i686; do
    echo "$package $(version "$package")"
  done
} | sha256sum | cut -c1-16)
if [ "${1:-}" = --key ]; then
  echo "$key"
  exit 0
fi
out="$cache_root/i486-runtime-$key"

if [ -f "$out/.complete" ]; then
  touch "$out/.complete" 2>/dev/null || true  # in use: kept (below)
  echo "$out"
  exit 0
fi

mkdir -p "$cache_root"
exec 8>"$cache_root/i486-runtime.lock"
flock 8
if [ -f "$out/.complete" ]; then  # built meanwhile by another caller
  echo "$out"
  exit 0
fi

# A failed run leaves its folder for a look at its logs; the next run
# clears it.
rm -rf "$cache_root"/work.*
work=$(mktemp -d "$cache_root/work.XXXXXX")
stage="$work/stage"
mkdir -p "$stage/lib" "$stage/include"
log() { echo "i486-runtime: $*" >&2; }
# run <log-name> <command...>: quiet unless it fails.
run() {
  local name=$1; shift
  if ! "$@" >"$work/$name.log" 2>&1; then
    log "failed: $* (log: $work/$name.log)"
    tail -n 40 "$work/$name.log" >&2
    exit 1
  fi
}
started=$SECONDS
# Build paths stay out of the objects (assertion texts, debug info).
flags="-O2 -march=i486 -ffile-prefix-map=$work=/pyrolux-runtime"
cross=i686-w64-mingw32

log "building the i486 runtime into $out (a few minutes, once)"

# --- MinGW-w64 C runtime: start-up code, libmingw32, libmingwex, and
# libmsvcrt.a as the import library of crtdll.dll (with its additions).
mkdir -p "$work/src"
(cd "$work/src" && run crt-source apt-get source -q --download-only "mingw-w64=$crt_version")
# dpkg-source unpacks it with Debian's own patches applied, as the installed
# headers were built.
(cd "$work/src" && run crt-unpack dpkg-source -x mingw-w64_*.dsc mingw-w64)
for p in "$patches"/crt-*.patch; do
  run crt-patch patch -d "$work/src/mingw-w64" -p1 -i "$p"
done
mkdir -p "$work/crt-build"
(cd "$work/crt-build" &&
  run crt-configure "$work/src/mingw-w64/mingw-w64-crt/configure" \
    --host=$cross --prefix="$work/crt-install" \
    --enable-lib32 --disable-lib64 --with-default-msvcrt=crtdll \
    CFLAGS="$flags" &&
  run crt-make make -j"$jobs" &&
  run crt-install make install)
cp -a "$work/crt-install/lib/." "$stage/lib/"
# The C runtime installs empty crtbegin.o/crtend.o; they would hide libgcc's.
rm -f "$stage/lib/crtbegin.o" "$stage/lib/crtend.o"
log "C runtime done ($((SECONDS - started)) s)"

# --- libgcc and libstdc++ from the GCC sources, built by the installed
# compiler. Only the target headers of a GCC build tree are generated.
# The compiler's test suite and the other languages' libraries are not
# needed (the libraries' own test-suite folders are: configure expects them).
g=gcc-$gcc_version
tar -xf "/usr/src/gcc-$gcc_major/$g-dfsg.tar.xz" -C "$work/src" \
  --exclude="$g/gcc/testsuite" --exclude="$g/libgo" \
  --exclude="$g/libphobos" --exclude="$g/libgfortran" \
  --exclude="$g/gcc/ada" --exclude="$g/libada" \
  --exclude="$g/gnattools" --exclude="$g/libsanitizer"
gcc_src="$work/src/$g"
for p in "$patches"/gcc-*.patch; do
  run gcc-patch patch -d "$gcc_src" -p1 -i "$p"
done
target_tools=(
  CC_FOR_TARGET=$cross-gcc-win32
  GCC_FOR_TARGET=$cross-gcc-win32
  "CXX_FOR_TARGET=$cross-g++-win32 -nostdinc++"
  "RAW_CXX_FOR_TARGET=$cross-g++-win32 -nostdinc++"
  "CFLAGS_FOR_TARGET=$flags"
  "CXXFLAGS_FOR_TARGET=$flags"
)
# What libstdc++ must not use: RDRAND/RDSEED code paths (GCC emits CMOV in
# functions targeted at them), 64-bit file functions and _aligned_malloc,
# which crtdll.dll does not export.
export ac_cv_x86_rdrand=no ac_cv_x86_rdseed=no glibcxx_cv_LFS=no \
       ac_cv_func__aligned_malloc=no
mkdir -p "$work/gcc-build"
(cd "$work/gcc-build" &&
  run gcc-configure "$gcc_src/configure" --target=$cross \
    --prefix="$work/gcc-install" --with-arch=i486 --enable-threads=win32 \
    --disable-sjlj-exceptions --with-dwarf2 --disable-shared \
    --disable-multilib --disable-bootstrap --enable-languages=c,c++ \
    --disable-nls --disable-lto --disable-libssp --disable-libgomp \
    --disable-libquadmath --disable-libatomic --disable-libstdcxx-pch \
    --enable-libstdcxx-time=yes --enable-fully-dynamic-string \
    --disable-werror "${target_tools[@]}" &&
  run gcc-host-tools make -j"$jobs" configure-gcc all-build-libiberty &&
  mkdir -p gcc/include &&
  run gcc-headers make -C gcc -j"$jobs" -o xgcc -o specs -o stmp-int-hdrs \
    options.h insn-constants.h insn-modes.h tm.h tm_p.h libgcc-support &&
  run libgcc make -j"$jobs" -o all-gcc all-target-libgcc "${target_tools[@]}" &&
  run libstdc++ make -j"$jobs" -o all-gcc all-target-libstdc++-v3 "${target_tools[@]}" &&
  run libstdc++-install make -C $cross/libstdc++-v3 install DESTDIR="$work/gcc-stage")
libgcc_dir="$work/gcc-build/$cross/libgcc"
cp "$libgcc_dir/libgcc.a" "$libgcc_dir/crtbegin.o" "$libgcc_dir/crtend.o" "$stage/lib/"
# Without shared libraries the unwinder lives in libgcc.a; an empty
# libgcc_eh.a keeps the driver from taking the Pentium Pro one.
$cross-ar rc "$stage/lib/libgcc_eh.a"
installed="$work/gcc-stage$work/gcc-install/$cross"
cp "$installed/lib/libstdc++.a" "$installed/lib/libsupc++.a" "$stage/lib/"
cp -a "$installed/include/c++" "$stage/include/"
log "libgcc and libstdc++ done ($((SECONDS - started)) s)"

rm -rf "$out"
mv "$stage" "$out"
rm -rf "$work"
touch "$out/.complete"
# Runtimes of other keys go once unused for two weeks: until then another
# checkout (a branch of another recipe) may still link one.
for old in "$cache_root"/i486-runtime-*; do
  if [ "$old" != "$out" ] && [ -n "$(find "$old/.complete" -mtime +14 2>/dev/null)" ]; then
    rm -rf "$old"
  fi
done
echo "$out"
