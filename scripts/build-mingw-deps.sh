#!/usr/bin/env bash
# Cross-builds the static libraries a Windows build needs that Debian does not ship for mingw:
#   libjpeg-turbo (from Debian's libjpeg-turbo source package) and
#   minizip      (zlib's contrib/minizip from Debian's zlib source package, with the Win32 file layer).
# zlib itself comes from the libz-mingw-w64-dev package.
#
# Usage: build-mingw-deps.sh TRIPLE PREFIX
#   TRIPLE  i686-w64-mingw32 or x86_64-w64-mingw32
#   PREFIX  where lib/ and include/ go (the build tree's deps folder)
# Source packages are kept in $SETUP_DEPS_CACHE (default: .cache/deps-src in the repo). Work already
# done is skipped, so running it again costs nothing.
set -euo pipefail

triple=${1:?usage: build-mingw-deps.sh TRIPLE PREFIX}
prefix=${2:?usage: build-mingw-deps.sh TRIPLE PREFIX}
repo=$(cd "$(dirname "$0")/.." && pwd)
cache=${SETUP_DEPS_CACHE:-$repo/.cache/deps-src}
toolchain=$repo/cmake/toolchain-$triple.cmake
[ -f "$toolchain" ] || { echo "build-mingw-deps: no toolchain file for $triple" >&2; exit 1; }
mkdir -p "$cache" "$prefix"

# Fetch and unpack the source packages once; two builds configuring at the same time share the work.
exec 9>"$cache/.lock"
flock 9
if [ ! -f "$cache/.fetched" ]; then
  echo "build-mingw-deps: fetching Debian source packages zlib and libjpeg-turbo"
  for pkg in zlib libjpeg-turbo; do
    # The newest version may be listed by a suite whose mirror does not carry its source (seen for
    # a security update of zlib): fall back to the other listed versions, newest first.
    fetched=0
    for version in "" $(apt-cache showsrc "$pkg" | awk '/^Version:/ {print $2}' | sort -u -r -V); do
      rm -f "$cache/${pkg}"_*
      if (cd "$cache" && apt-get source --download-only -q "$pkg${version:+=$version}" >/dev/null 2>&1); then
        fetched=1
        break
      fi
    done
    [ "$fetched" = 1 ] || { echo "build-mingw-deps: cannot fetch the source of $pkg (is there a deb-src entry?)" >&2; exit 1; }
  done
  for dsc in "$cache"/zlib_*.dsc "$cache"/libjpeg-turbo_*.dsc; do
    name=$(basename "$dsc" .dsc)
    rm -rf "${cache:?}/src-${name%%_*}"
    dpkg-source --no-check -x "$dsc" "$cache/src-${name%%_*}" >/dev/null
  done
  touch "$cache/.fetched"
fi
flock -u 9

jobs=$(nproc)

# Both libraries are built for size: the program decodes a few small pictures once at start and reads
# one small archive, so speed is not what counts. Unreferenced functions and data get sections of their
# own, so that the program's link (--gc-sections) drops them. Their printf family is the C run time's
# (not the C99 emulation that mingw-w64 otherwise links in). On i686 nothing unwinds through them with
# DWARF tables (the program has no exceptions, and longjmp there uses SEH), so they carry none; on
# x86_64 they keep their unwind data, which longjmp and SEH need.
cflags="-Os -ffunction-sections -fdata-sections -D__USE_MINGW_ANSI_STDIO=0"
case "$triple" in
  i686-*) cflags="$cflags -fno-asynchronous-unwind-tables -fno-unwind-tables" ;;
esac

if [ ! -f "$prefix/lib/libjpeg.a" ]; then
  echo "build-mingw-deps: building libjpeg-turbo for $triple"
  build=$prefix/build-libjpeg
  rm -rf "$build" && mkdir -p "$build"
  # A private copy of the source with the decoder options the program does not use switched off:
  # colour quantisation, scaled output, the fast and floating-point inverse DCTs and merged
  # upsampling. The program decodes at 1:1 with the default (accurate integer) method and fancy
  # upsampling, so it gets the same pixels. These options are internal to the library: the installed
  # headers declare the same interface.
  cp -a "$cache/src-libjpeg-turbo" "$build/src"
  sed -i -E \
    -e 's/^#define (QUANT_1PASS_SUPPORTED|QUANT_2PASS_SUPPORTED|IDCT_SCALING_SUPPORTED|UPSAMPLE_MERGING_SUPPORTED|DCT_IFAST_SUPPORTED|DCT_FLOAT_SUPPORTED)\b/#undef \1/' \
    "$build/src/jmorecfg.h"
  [ "$(grep -cE '^#undef (QUANT_[12]PASS|IDCT_SCALING|UPSAMPLE_MERGING|DCT_IFAST|DCT_FLOAT)_SUPPORTED' "$build/src/jmorecfg.h")" = 6 ] ||
    { echo "build-mingw-deps: jmorecfg.h does not have the expected options" >&2; exit 1; }
  # Without arithmetic coding, SIMD and the TurboJPEG API; no environment variable (JPEGMEM) changes
  # the memory manager. Only the static library is built: the tools are not needed.
  cmake -S "$build/src" -B "$build/out" -G Ninja \
    -DCMAKE_TOOLCHAIN_FILE="$toolchain" -DSETUP_DEPS_PREFIX="$prefix" \
    -DCMAKE_BUILD_TYPE=MinSizeRel -DCMAKE_C_FLAGS="$cflags -DNO_GETENV -DNO_PUTENV" \
    -DCMAKE_INSTALL_PREFIX="$prefix" \
    -DENABLE_SHARED=OFF -DENABLE_STATIC=ON -DWITH_TURBOJPEG=OFF -DWITH_SIMD=OFF \
    -DWITH_ARITH_DEC=OFF -DWITH_ARITH_ENC=OFF -DFORCE_INLINE=OFF \
    -DCMAKE_POLICY_DEFAULT_CMP0091=NEW >"$build.log" 2>&1 || { cat "$build.log" >&2; exit 1; }
  cmake --build "$build/out" -j "$jobs" --target jpeg-static >>"$build.log" 2>&1 || { tail -50 "$build.log" >&2; exit 1; }
  mkdir -p "$prefix/lib" "$prefix/include"
  cp "$build/out/libjpeg.a" "$prefix/lib/libjpeg.a.tmp"
  cp "$build/out/jconfig.h" "$build/src/jpeglib.h" "$build/src/jmorecfg.h" "$build/src/jerror.h" "$prefix/include/"
  mv "$prefix/lib/libjpeg.a.tmp" "$prefix/lib/libjpeg.a"
  rm -rf "$build"
fi

if [ ! -f "$prefix/lib/libminizip.a" ]; then
  echo "build-mingw-deps: building minizip for $triple"
  src=$cache/src-zlib/contrib/minizip
  obj=$prefix/build-minizip
  rm -rf "$obj" && mkdir -p "$obj" "$prefix/include/minizip" "$prefix/lib"
  for f in unzip ioapi iowin32 zip; do
    # shellcheck disable=SC2086 # cflags is a list of options
    "$triple-gcc-posix" $cflags -c "$src/$f.c" -I "$src" -o "$obj/$f.o"
  done
  "$triple-gcc-ar-posix" rcsD "$prefix/lib/libminizip.a" "$obj"/*.o
  cp "$src"/unzip.h "$src"/zip.h "$src"/ioapi.h "$src"/iowin32.h "$src"/crypt.h "$prefix/include/minizip/"
  rm -rf "$obj"
fi
echo "build-mingw-deps: $triple ready in $prefix"
