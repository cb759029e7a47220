#!/usr/bin/env bash
# Prints where the bytes of the shipped setup.exe go: the file size, each PE section, the embedded
# payload archive and pictures, the rest against its budget, and the largest contributors by library and
# by object file (from the linker map).
#
#   size-report.sh [BUILD_FOLDER]     (default: build/size-report in the repo)
#
# Configures the win32 preset in BUILD_FOLDER once, with a linker map, and builds only the setup target
# there; when the build is up to date it only reads the map, so running it again is fast. It prints
# numbers and exits 0; it checks nothing.
set -euo pipefail
repo=$(cd "$(dirname "$0")/.." && pwd)
folder=${1:-$repo/build/size-report}
budget=$((400 * 1024))

map=$folder/setup.map
if [ ! -f "$folder/CMakeCache.txt" ]; then
  mkdir -p "$folder"
  cmake --preset win32 -S "$repo" -B "$folder" -DSETUP_BUILD_TESTS=OFF \
    "-DCMAKE_EXE_LINKER_FLAGS=-Wl,-Map=$map" >"$folder/configure.log" 2>&1 ||
    { tail -n 40 "$folder/configure.log" >&2; echo "size-report: configuring $folder failed" >&2; exit 1; }
fi
cmake --build "$folder" --target setup >"$folder/build.log" 2>&1 ||
  { tail -n 40 "$folder/build.log" >&2; echo "size-report: building $folder failed" >&2; exit 1; }

exe=$folder/bin/setup.exe
python3 - "$exe" "$map" "$folder/payload/payload.zip" "$repo/resources" "$budget" <<'EOF'
import collections, glob, os, re, struct, subprocess, sys

exe, map_path, payload_zip, resources, budget = sys.argv[1:6]
budget = int(budget)
exe_size = os.path.getsize(exe)

def kb(n):
    return f"{n:>9,}"

# Sections as the file holds them: objdump -h gives the size; the raw size is rounded up to the file
# alignment. .bss takes no room in the file.
sections = []
for line in subprocess.run(["i686-w64-mingw32-objdump", "-h", exe], capture_output=True, text=True,
                           check=True).stdout.splitlines():
    parts = line.split()
    if len(parts) >= 7 and parts[0].isdigit():
        sections.append((parts[1], int(parts[2], 16)))
# The stripped file has no string table, so long section names are cut to eight characters.
names = {".eh_fram": ".eh_frame"}

print(f"setup.exe: {exe_size:,} bytes ({exe})")
print()
print("section          bytes")
for name, size in sections:
    print(f"{names.get(name, name):<10} {kb(size)}")

# What is embedded: the payload archive, the JPEG pictures and the icon's images.
payload = os.path.getsize(payload_zip)
pictures = {os.path.basename(p): os.path.getsize(p) for p in sorted(glob.glob(os.path.join(resources, "*.jpg")))}
with open(os.path.join(resources, "setup.ico"), "rb") as f:
    ico = f.read()
count = struct.unpack_from("<H", ico, 4)[0]
icon_images = []
for i in range(count):
    w, h, _, _, _, bits, size, offset = struct.unpack_from("<BBBBHHII", ico, 6 + 16 * i)
    kind = "PNG" if ico[offset:offset + 4] == b"\x89PNG" else "BMP"
    icon_images.append((w or 256, h or 256, bits, size, kind))
icon = sum(image[3] for image in icon_images)

print()
print("embedded                     bytes")
print(f"payload archive          {kb(payload)}")
for name, size in pictures.items():
    print(f"picture {name:<16} {kb(size)}")
print(f"icon ({count} images)         {kb(icon)}   " +
      ", ".join(f"{w}x{h}/{bits} {kind} {size:,}" for w, h, bits, size, kind in icon_images))
rest = exe_size - payload - sum(pictures.values()) - icon
print()
print(f"exe minus payload and pictures: {rest:,} bytes of a {budget:,} budget "
      f"({'under' if rest <= budget else 'OVER'} by {abs(budget - rest):,})")

# Contributors, from the linker map: each input section under an output section, by the archive it
# came from (or the object file linked directly) and by object file.
if not os.path.exists(map_path):
    print("\n(no linker map: configure the folder with -DCMAKE_EXE_LINKER_FLAGS=-Wl,-Map=...)")
    sys.exit(0)
counted = (".text", ".data", ".rdata", ".eh_frame", ".rsrc", ".CRT", ".tls", ".idata")
by_library = collections.defaultdict(lambda: collections.Counter())
by_object = collections.Counter()
output = None
pending = None
entry = re.compile(r"^ (\S+)?\s+0x([0-9a-f]+)\s+0x([0-9a-f]+)\s+(.+)$")
with open(map_path, errors="replace") as f:
    in_script = False
    for line in f:
        line = line.rstrip("\n")
        if line.startswith("Linker script and memory map"):
            in_script = True
            continue
        if not in_script:
            continue
        if line and not line.startswith(" "):
            output = line.split()[0]
            pending = None
            continue
        if output not in counted:
            continue
        if re.match(r"^ \S+$", line):  # an input section name too long for its line; numbers follow
            pending = line.strip()
            continue
        m = entry.match(line)
        if not m or (m.group(1) is None and pending is None):
            pending = None
            continue
        name = m.group(1) or pending
        pending = None
        if name.startswith("*") or name == "*fill*":
            continue
        size = int(m.group(3), 16)
        source = m.group(4).strip()
        if size == 0 or " " in source:  # linker-made pieces ("dll stuff", "linker stubs")
            if size:
                by_library["(linker)"][output] += size
            continue
        archive = re.match(r"^(.*?)\(([^()]*)\)$", source)
        if archive:
            library = os.path.basename(archive.group(1))
            obj = f"{library}({archive.group(2)})"
        else:
            library = os.path.basename(source)
            obj = library
        by_library[library][output] += size
        by_object[obj] += size

columns = (".text", ".rdata", ".eh_frame", ".data", ".rsrc")
def row(label, counter):
    total = sum(counter.values())
    return f"{label:<44} {kb(total)} " + " ".join(kb(counter[c]) for c in columns)

header = f"{'library / object':<44} {'total':>9} " + " ".join(f"{c:>9}" for c in columns)
print()
print("largest libraries (bytes in the linked sections)")
print(header)
libraries = sorted(by_library.items(), key=lambda item: (-sum(item[1].values()), item[0]))
for name, counter in libraries[:15]:
    print(row(name, counter))
print()
print("largest object files")
for name, size in sorted(by_object.items(), key=lambda item: (-item[1], item[0]))[:15]:
    print(f"{name:<54} {kb(size)}")
EOF
