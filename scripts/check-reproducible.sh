#!/usr/bin/env bash
# Checks that the shipped setup.exe is reproducible: configures and builds the win32 preset twice, in
# two fresh build folders at different paths, and compares the two setup.exe byte for byte.
#
#   check-reproducible.sh [WORK_FOLDER]     (default: build/reproducible in the repo)
#
# The second build reuses the first one's cross-built libjpeg and minizip (-DSETUP_DEPS_PREFIX) and both
# use the shared source cache, so only the project itself, its product and payload_maker are built
# twice. Only the setup target is built. Prints both sizes; on a difference also the first differing
# offset, the PE section that holds it and whether the two payload archives differ. Exit status 0 when
# the files are identical. The second build runs in another time zone (UTC+14, a different date for
# most of the day) and with another umask, so that local dates and file modes cannot slip in unseen.
set -euo pipefail
repo=$(cd "$(dirname "$0")/.." && pwd)
work=${1:-$repo/build/reproducible}
first=$work/a
second=$work/b-other-path
start=$SECONDS

rm -rf "$first" "$second"
mkdir -p "$work"

build() {
  local folder=$1
  shift
  echo "check-reproducible: building $folder${TZ:+ (TZ=$TZ)}"
  cmake --preset win32 -S "$repo" -B "$folder" "$@" >"$folder.log" 2>&1 &&
    cmake --build "$folder" --target setup >>"$folder.log" 2>&1 ||
    { tail -n 40 "$folder.log" >&2; echo "check-reproducible: the build in $folder failed (log: $folder.log)" >&2; exit 1; }
}

build "$first"
(umask 077 && TZ=Etc/GMT-14 build "$second" -DSETUP_DEPS_PREFIX="$first/deps")

a=$first/bin/setup.exe
b=$second/bin/setup.exe
size_a=$(stat -c %s "$a")
size_b=$(stat -c %s "$b")
echo "check-reproducible: $a: $size_a bytes"
echo "check-reproducible: $b: $size_b bytes"

if cmp -s "$a" "$b"; then
  echo "check-reproducible: identical ($((SECONDS - start)) s)"
  exit 0
fi

# cmp -l lists each differing byte as "OFFSET OCTAL OCTAL", counting from 1; offsets here count from 0.
differences=$(cmp -l "$a" "$b" 2>/dev/null || true)
count=$(grep -c . <<<"$differences" || true)
if [ -z "$differences" ]; then
  echo "check-reproducible: DIFFERENT: one file is a prefix of the other" >&2
else
  offset=$(($(head -n 1 <<<"$differences" | awk '{print $1}') - 1))
  printf 'check-reproducible: DIFFERENT: first differing byte at offset %d (0x%x); %d bytes differ\n' \
    "$offset" "$offset" "$count" >&2
  # The section whose file range holds the offset (objdump -h: index, name, size, VMA, LMA, file offset).
  where="in the headers (or between sections)"
  while read -r index name size _ _ file_offset _; do
    [[ $index =~ ^[0-9]+$ ]] || continue
    if ((16#$file_offset > 0 && offset >= 16#$file_offset && offset < 16#$file_offset + 16#$size)); then where="in section $name"; fi
  done < <(i686-w64-mingw32-objdump -h "$a")
  echo "check-reproducible: $where" >&2
fi
if ! cmp -s "$first/payload/payload.zip" "$second/payload/payload.zip"; then
  echo "check-reproducible: the payload archives differ too (payload/payload.zip)" >&2
fi
exit 1
