#!/usr/bin/env bash
# Installs, on a Debian 12 machine and as root, every package the project needs to build all three
# configurations and run every test. Idempotent: packages already present and a locale already
# generated are left alone. Nothing is fetched from anywhere but Debian's own mirror.
set -euo pipefail

if [ "$(id -u)" -ne 0 ]; then
  echo "install-deps: run as root (apt-get and locale-gen need it)" >&2
  exit 1
fi

packages=(
  build-essential cmake ninja-build dpkg-dev pkg-config
  g++-mingw-w64-x86-64-posix g++-mingw-w64-i686-posix binutils-mingw-w64 libz-mingw-w64-dev
  wine64 wine xvfb xauth xdotool x11-utils imagemagick fonts-wqy-microhei fonts-dejavu-core locales
  clang libclang-rt-14-dev googletest libgtest-dev libbenchmark-dev
  zlib1g-dev libjpeg-dev libminizip-dev python3 zip unzip libarchive-tools file
)

# apt-get source needs deb-src entries for the same Debian mirror and suites as the deb entries.
src_list=/etc/apt/sources.list.d/setup-project-src.sources
if [ ! -f "$src_list" ]; then
  tmp=$(mktemp)
  for f in /etc/apt/sources.list.d/*.sources; do
    [ -f "$f" ] || continue
    # Copy each deb822 stanza that points at a Debian mirror, as deb-src.
    awk 'BEGIN { RS=""; ORS="\n\n" }
         /Types:[^\n]*deb/ && /URIs:[^\n]*\/debian(-security)?\/?(\n|$| )/ {
           gsub(/Types:[^\n]*/, "Types: deb-src"); print }' "$f" >>"$tmp"
  done
  if [ -f /etc/apt/sources.list ]; then
    # One-line format: mirror each "deb" line of a Debian mirror as a "deb-src" line.
    grep -E '^deb[[:space:]].*/debian(-security)?/?[[:space:]]' /etc/apt/sources.list \
      | sed 's/^deb[[:space:]]/deb-src /' >"$tmp.list" || true
    if [ -s "$tmp.list" ]; then cp "$tmp.list" /etc/apt/sources.list.d/setup-project-src.list; fi
    rm -f "$tmp.list"
  fi
  if [ -s "$tmp" ]; then cp "$tmp" "$src_list"; else : >"$src_list"; fi
  rm -f "$tmp"
  need_update=1
fi

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ "${#missing[@]}" -gt 0 ] || [ "${need_update:-0}" = 1 ]; then
  # Third-party entries on some machines cannot be reached; Debian's own lists are what counts.
  apt-get update -q || echo "install-deps: apt-get update reported errors; going on with what it fetched" >&2
fi
if [ "${#missing[@]}" -gt 0 ]; then
  DEBIAN_FRONTEND=noninteractive apt-get install -y -q "${missing[@]}"
fi

if ! locale -a 2>/dev/null | grep -qi '^zh_CN\.utf-\?8$'; then
  grep -q '^zh_CN.UTF-8 UTF-8' /etc/locale.gen 2>/dev/null || echo 'zh_CN.UTF-8 UTF-8' >>/etc/locale.gen
  locale-gen
fi
echo "install-deps: all packages present"
