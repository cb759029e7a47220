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

if [ ! -f "$prefix/lib/libjpeg.a" ]; then
  echo "build-mingw-deps: building libjpeg-turbo for $triple"
  build=$prefix/build-libjpeg
  rm -rf "$build"
  cmake -S "$cache/src-libjpeg-turbo" -B "$build" -G Ninja \
    -DCMAKE_TOOLCHAIN_FILE="$toolchain" -DSETUP_DEPS_PREFIX="$prefix" \
    -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$prefix" \
    -DBUILD=static -DENABLE_SHARED=OFF -DENABLE_STATIC=ON -DWITH_TURBOJPEG=OFF -DWITH_SIMD=OFF \
    -DCMAKE_POLICY_DEFAULT_CMP0091=NEW >"$build.log" 2>&1 || { cat "$build.log" >&2; exit 1; }
  # Build everything before installing: installing after building only the static target fails.
  cmake --build "$build" -j "$jobs" >>"$build.log" 2>&1 || { tail -50 "$build.log" >&2; exit 1; }
  cmake --install "$build" >>"$build.log" 2>&1 || { tail -50 "$build.log" >&2; exit 1; }
  rm -rf "$build"
fi

if [ ! -f "$prefix/lib/libminizip.a" ]; then
  echo "build-mingw-deps: building minizip for $triple"
  src=$cache/src-zlib/contrib/minizip
  obj=$prefix/build-minizip
  rm -rf "$obj" && mkdir -p "$obj" "$prefix/include/minizip" "$prefix/lib"
  for f in unzip ioapi iowin32 zip; do
    "$triple-gcc-posix" -O2 -c "$src/$f.c" -I "$src" -o "$obj/$f.o"
  done
  "$triple-gcc-ar-posix" rcs "$prefix/lib/libminizip.a" "$obj"/*.o
  cp "$src"/unzip.h "$src"/zip.h "$src"/ioapi.h "$src"/iowin32.h "$src"/crypt.h "$prefix/include/minizip/"
  rm -rf "$obj"
fi
echo "build-mingw-deps: $triple ready in $prefix"
