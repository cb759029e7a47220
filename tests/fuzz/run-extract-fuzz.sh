#!/usr/bin/env bash
# Builds the fuzz preset and fuzzes the extraction for a while.
#   tests/fuzz/run-extract-fuzz.sh [SECONDS]     (default 45)
# The corpus grows in build/fuzz/corpus; a crash leaves its input as build/fuzz/crash-*.
set -euo pipefail
seconds=${1:-45}
repo=$(cd "$(dirname "$0")/../.." && pwd)
cd "$repo"
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz
build=$repo/build/fuzz
mkdir -p "$build/corpus" "$build/seeds"
payload=()
[ -f "$repo/build/native/payload/payload.zip" ] && payload=("$repo/build/native/payload/payload.zip")
"$build/bin/extract_fuzz_seeds" "$build/seeds" "${payload[@]}"
cd "$build"
"$build/bin/extract_fuzz" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 \
  -dict="$repo/tests/fuzz/zip.dict" "$build/corpus" "$build/seeds"
