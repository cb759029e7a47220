#!/usr/bin/env bash
# Extraction throughput and memory, measured natively: our extractor (tests/benchmarks/extract_bench),
# Info-ZIP unzip and bsdtar on the same archives, plus the "floor" (inflating every entry to memory with
# minizip, no file writes). Prints a table; the numbers are this machine's, not pass/fail criteria.
#
#   scripts/run-benchmarks.sh
#
# Archives are made deterministically (seeded generators, fixed time stamps) under build/bench/ and kept
# there for later runs:
#   payload  the product payload (build/native/payload/payload.zip, from the native preset)
#   mixed    ~200 MB of text-like, low-entropy, structured and random data in ~2,000 files
#   tiny     20,000 files of 20..300 bytes
#   big      one 100 MB text-like file
#   mixed10  mixed at 10x scale (~2 GB uncompressed), for the memory comparison only (1 run each);
#            BENCH_10X=0 skips it.
# Every run extracts into a fresh folder on tmpfs (/dev/shm, or build/bench/out when /dev/shm is
# missing), so the disk adds no noise; the folder is removed after each run, outside the timing.
# Ours is timed inside its process (extract_bench), unzip and bsdtar as whole processes: on the tiny
# payload their process start-up (~1 ms) is part of their figure. Peak RSS is each program's own VmHWM
# at its exit (ours reports its own; unzip's and bsdtar's come from one more run under
# "extract_bench peak"): a child's ru_maxrss would include the Python runner's size.
set -euo pipefail
repo=$(cd "$(dirname "$0")/.." && pwd)
cd "$repo"
bench=$repo/build/bench
build=$repo/build/bench-build
mkdir -p "$bench"
python=python3
[ -x /usr/bin/python3 ] && python=/usr/bin/python3
start=$SECONDS

echo "==> building extract_bench (Release, $build)"
cmake --preset native -B "$build" -DSETUP_BENCHMARKS=ON -DCMAKE_BUILD_TYPE=Release >"$bench/configure.log" 2>&1 ||
  { tail -20 "$bench/configure.log"; exit 1; }
cmake --build "$build" --target extract_bench >"$bench/build.log" 2>&1 || { tail -20 "$bench/build.log"; exit 1; }

payload=$repo/build/native/payload/payload.zip
if [ ! -f "$payload" ]; then
  echo "==> $payload missing: building the payload archive in $build"
  cmake --build "$build" --target payload_archive >>"$bench/build.log" 2>&1 || { tail -20 "$bench/build.log"; exit 1; }
  payload=$build/payload/payload.zip
fi

echo "==> making the archives under $bench (kept when present)"
"$python" - "$bench" "${BENCH_10X:-1}" <<'EOF'
import os, random, sys, time, zipfile

bench, with_10x = sys.argv[1], sys.argv[2] != "0"
STAMP = (2024, 6, 18, 16, 57, 30)
WORDS = None

def words(rng):
    global WORDS
    if WORDS is None:
        r = random.Random(1)
        letters = "etaoinshrdlcumwfgypbvkjxqz"
        weights = [12.7, 9.1, 8.2, 7.5, 7.0, 6.7, 6.3, 6.1, 6.0, 4.3, 4.0, 2.8, 2.8, 2.4, 2.4, 2.2, 2.0, 2.0, 1.9,
                   1.5, 1.0, 0.8, 0.2, 0.2, 0.1, 0.1]
        WORDS = ["".join(r.choices(letters, weights, k=r.choice([1, 2, 2, 3, 3, 4, 4, 5, 5, 6, 7, 8, 9, 11])))
                 for _ in range(5000)]
    return WORDS

def text(rng, size):
    """Text-like bytes: words of a 5,000-word vocabulary drawn with Zipf weights, 12 words a line."""
    vocab, out, have = words(rng), [], 0
    while have < size:
        drawn = rng.choices(vocab, cum_weights=cum_weights(), k=size // 5 + 16)
        block = "\n".join(" ".join(drawn[i:i + 12]) for i in range(0, len(drawn), 12)) + "\n"
        out.append(block)
        have += len(block)
    return "".join(out).encode()[:size]

_CUM = None
def cum_weights():
    global _CUM
    if _CUM is None:
        total, _CUM = 0.0, []
        for rank in range(5000):
            total += 1.0 / (rank + 1)  # Zipf
            _CUM.append(total)
    return _CUM

def text_fast(rng, size):
    """`text` made in 1 MiB blocks, which bounds the memory that hundreds of MB take."""
    parts, have = [], 0
    while have < size:
        n = min(1 << 20, size - have)
        parts.append(text(rng, n))
        have += n
    return b"".join(parts)

LOW = bytes.maketrans(bytes(range(256)), bytes(b"0123456789abcdef"[i & 15] for i in range(256)))

def low_entropy(rng, size):
    """Random bytes from a 16-symbol alphabet: about 4 bits per byte."""
    return rng.randbytes(size).translate(LOW)

def records(rng, size):
    """Structured records: a counter, a small random field, a fixed tag."""
    out, have, i = [], 0, rng.randrange(1 << 20)
    while have < size:
        rec = b"%08d;%05d;%s;STATUS_OK\n" % (i, rng.randrange(50000), b"abcdefgh"[: rng.randint(1, 8)])
        out.append(rec)
        have += len(rec)
        i += 1
    return b"".join(out)[:size]

def random_bytes(rng, size):
    return rng.randbytes(size)

def folder_info(name):
    info = zipfile.ZipInfo(name + "/", STAMP)
    info.create_system = 3
    info.external_attr = (0o40755 << 16) | 0x10
    return info

def file_info(name):
    info = zipfile.ZipInfo(name, STAMP)
    info.create_system = 3
    info.external_attr = 0o100644 << 16
    info.compress_type = zipfile.ZIP_DEFLATED
    return info

def make(name, fill):
    path = os.path.join(bench, name + ".zip")
    if os.path.exists(path):
        print(f"  {name}: kept ({os.path.getsize(path) / 1e6:.1f} MB)")
        return
    t = time.time()
    with zipfile.ZipFile(path + ".part", "w", compression=zipfile.ZIP_DEFLATED, compresslevel=6,
                         allowZip64=False) as zf:
        fill(zf)
    os.replace(path + ".part", path)
    print(f"  {name}: made in {time.time() - t:.0f} s ({os.path.getsize(path) / 1e6:.1f} MB)")

def mixed(files, folders, seed):
    def fill(zf):
        rng = random.Random(seed)
        for d in range(folders):
            zf.writestr(folder_info(f"d{d:03d}"), b"")
        kinds = [(text_fast, ".txt", 50), (low_entropy, ".hex", 25), (records, ".csv", 15), (random_bytes, ".bin", 10)]
        for i in range(files):
            # Sizes log-uniform between 5 KB and 500 KB: ~107 KB on average.
            size = int(5000 * 100 ** rng.random())
            make_data, ext, _ = rng.choices(kinds, [k[2] for k in kinds])[0]
            zf.writestr(file_info(f"d{i % folders:03d}/f{i:05d}{ext}"), make_data(rng, size))
    return fill

def tiny(zf):
    rng = random.Random(3)
    for d in range(200):
        zf.writestr(folder_info(f"t{d:03d}"), b"")
    for i in range(20000):
        zf.writestr(file_info(f"t{i % 200:03d}/n{i:05d}.txt"), text(rng, rng.randint(20, 300)))

def big(zf):
    zf.writestr(file_info("big.txt"), text_fast(random.Random(4), 100_000_000))

make("mixed", mixed(2000, 20, 2))
make("tiny", tiny)
make("big", big)
if with_10x:
    make("mixed10", mixed(20000, 200, 5))
EOF

out_base=/dev/shm
if [ ! -d /dev/shm ] || [ ! -w /dev/shm ]; then out_base=$bench/out; fi
out=$(mktemp -d "$out_base/setup-bench-XXXXXX")
trap 'rm -rf "$out"' EXIT
echo "==> extracting into fresh folders under $out ($(stat -f -c %T "$out"))"

"$python" - "$build/bin/extract_bench" "$out" "$payload" "$bench" "${BENCH_10X:-1}" <<'EOF'
import os, shutil, statistics, subprocess, sys, time

bench_bin, out, payload, bench, with_10x = sys.argv[1:6]
archives = [("payload", payload, 5), ("mixed", f"{bench}/mixed.zip", 5), ("tiny", f"{bench}/tiny.zip", 5),
            ("big", f"{bench}/big.zip", 3)]

def run_ours(mode, archive, runs, keep=False):
    args = [bench_bin, mode, archive] + ([out] if mode == "extract" else []) + [str(runs)] + (["keep"] if keep else [])
    first = subprocess.run(args, check=True, capture_output=True, text=True).stdout.splitlines()[0]
    return dict(kv.split("=", 1) for kv in first.split())

def fresh(name):
    dest = os.path.join(out, name)
    shutil.rmtree(dest, ignore_errors=True)
    os.makedirs(dest)
    return dest

def run_tool(command, runs):
    """Median wall time of a whole process, each run into a fresh folder."""
    times = []
    for run in range(runs):
        dest = fresh(f"tool-{run}")
        t = time.perf_counter()
        subprocess.run([c.replace("{dest}", dest) for c in command], check=True, stdout=subprocess.DEVNULL)
        times.append(time.perf_counter() - t)
        shutil.rmtree(dest)
    return statistics.median(times)

def peak_rss(command):
    """Peak resident set (KiB) of one more run, read by extract_bench as the command exits."""
    dest = fresh("peak")
    result = subprocess.run([bench_bin, "peak"] + [c.replace("{dest}", dest) for c in command], check=True,
                            capture_output=True, text=True).stdout
    shutil.rmtree(dest)
    return int(result.split("=")[1])

def digests(folder):
    import hashlib
    found = []
    for root, _, files in os.walk(folder):
        for f in files:
            with open(os.path.join(root, f), "rb") as data:
                found.append(hashlib.sha256(data.read()).hexdigest())
    return sorted(found)

def same_tree(archive):
    """Our output and unzip's: "same" (names and bytes), "same bytes" (the file contents agree but
    unzip translated non-ASCII names of a non-UTF-8 archive) or "DIFFERENT"."""
    ours = os.path.join(out, "extract-bench-0")
    theirs = os.path.join(out, "check-unzip")
    run_ours("extract", archive, 1, keep=True)
    os.makedirs(theirs)
    subprocess.run(["unzip", "-o", "-q", archive, "-d", theirs], check=True)
    if subprocess.run(["diff", "-r", "-q", ours, theirs], capture_output=True).returncode == 0:
        verdict = "same"
    else:
        verdict = "same bytes" if digests(ours) == digests(theirs) else "DIFFERENT"
    shutil.rmtree(ours)
    shutil.rmtree(theirs)
    return verdict

def ms(s):
    return f"{s * 1000:.1f}" if s < 10 else f"{s * 1000:.0f}"

rows = []
for name, archive, runs in archives:
    print(f"  {name} ({runs} runs each)", flush=True)
    verdict = same_tree(archive)
    print(f"    output against unzip's: {verdict}", flush=True)
    if verdict == "DIFFERENT":
        sys.exit(f"{name}: our output differs from unzip's")
    ours = run_ours("extract", archive, runs)
    floor = run_ours("floor", archive, runs)
    unzip = ["unzip", "-o", "-q", archive, "-d", "{dest}"]
    bsdtar = ["bsdtar", "-xf", archive, "-C", "{dest}"]
    unzip_t, unzip_rss = run_tool(unzip, runs), peak_rss(unzip)
    bsdtar_t, bsdtar_rss = run_tool(bsdtar, runs), peak_rss(bsdtar)
    o, f = float(ours["median_s"]), float(floor["median_s"])
    rows.append([name, ours["entries"], f"{int(ours['bytes']) / 1e6:.1f}", ms(o), ours["mb_s"], ms(unzip_t),
                 ms(bsdtar_t), f"{o / unzip_t:.2f}", ms(f), f"{o / f:.2f}", f"{int(ours['peak_rss_kib']) / 1024:.1f}",
                 f"{unzip_rss / 1024:.1f}", f"{bsdtar_rss / 1024:.1f}"])

head = ["archive", "entries", "MB", "ours ms", "ours MB/s", "unzip ms", "bsdtar ms", "ours/unzip", "floor ms",
        "ours/floor", "ours RSS MiB", "unzip RSS MiB", "bsdtar RSS MiB"]
mem = None
if with_10x != "0" and os.path.exists(f"{bench}/mixed10.zip"):
    archive = f"{bench}/mixed10.zip"
    print("  mixed10 (1 run each, memory only)", flush=True)
    ours = run_ours("extract", archive, 1)
    unzip_rss = peak_rss(["unzip", "-o", "-q", archive, "-d", "{dest}"])
    bsdtar_rss = peak_rss(["bsdtar", "-xf", archive, "-C", "{dest}"])
    mem = ["mixed10", ours["entries"], f"{int(ours['bytes']) / 1e6:.1f}", ms(float(ours["median_s"])), ours["mb_s"],
           "-", "-", "-", "-", "-", f"{int(ours['peak_rss_kib']) / 1024:.1f}", f"{unzip_rss / 1024:.1f}",
           f"{bsdtar_rss / 1024:.1f}"]
    rows.append(mem)

widths = [max(len(str(r[i])) for r in rows + [head]) for i in range(len(head))]
print()
print("  ".join(h.rjust(w) for h, w in zip(head, widths)))
for r in rows:
    print("  ".join(str(c).rjust(w) for c, w in zip(r, widths)))
print("\nmedians of wall time; ours and floor timed in-process, unzip and bsdtar as whole processes;"
      " RSS = peak resident set of the program's own image (VmHWM at its exit; see extract_bench.cpp)")
EOF
echo "==> done in $((SECONDS - start)) s"
