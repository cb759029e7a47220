#!/usr/bin/env bash
# Installs what is needed, builds all configurations and runs every test:
#   native       unit tests of the portable core
#   native-asan  the same under AddressSanitizer and UBSan
#   win32        the shipped 32-bit setup.exe, checked by its PE header and imports
#   win64        the same sources for 64-bit Windows, with every Windows-side test under wine64 + Xvfb
#   reproducible two clean builds of the win32 preset give a byte-identical setup.exe
#   fuzz         30 seconds of fuzzing the archive extraction (clang, libFuzzer, AddressSanitizer)
# Ends with a summary: one line per stage with its time, then "N passed, N failed".
# Run as root on Debian 12 (the package install needs it).
set -uo pipefail
repo=$(cd "$(dirname "$0")/.." && pwd)
cd "$repo"
log_dir=$repo/build/logs
mkdir -p "$log_dir"

summary=()
failed_stages=0
tests_passed=0
tests_failed=0

# stage NAME COMMAND...: runs a stage, keeps its output in build/logs/NAME.log and shows its tail.
stage() {
  local name=$1
  shift
  local start=$SECONDS
  echo "==> $name"
  if "$@" >"$log_dir/$name.log" 2>&1; then
    summary+=("$(printf '%-22s ok      %4ds' "$name" $((SECONDS - start)))")
    tail -n 3 "$log_dir/$name.log"
    return 0
  fi
  summary+=("$(printf '%-22s FAILED  %4ds  (build/logs/%s.log)' "$name" $((SECONDS - start)) "$name")")
  failed_stages=$((failed_stages + 1))
  tail -n 60 "$log_dir/$name.log"
  return 1
}

# Counts what CTest reported in a stage's log.
count_tests() {
  local line
  line=$(grep -E '[0-9]+% tests passed, [0-9]+ tests? failed out of [0-9]+' "$log_dir/$1.log" | tail -n 1)
  if [ -n "$line" ]; then
    local failed total
    failed=$(sed -E 's/.* ([0-9]+) tests? failed out of ([0-9]+).*/\1/' <<<"$line")
    total=$(sed -E 's/.* out of ([0-9]+).*/\1/' <<<"$line")
    tests_passed=$((tests_passed + total - failed))
    tests_failed=$((tests_failed + failed))
  else
    tests_failed=$((tests_failed + 1))  # CTest did not even report: count the stage as one failure
  fi
}

stage install bash scripts/install-deps.sh || true
for preset in native native-asan win32 win64; do
  if stage "configure-$preset" cmake --preset "$preset" && stage "build-$preset" cmake --build --preset "$preset"; then
    stage "test-$preset" ctest --preset "$preset"
    count_tests "test-$preset"
  else
    tests_failed=$((tests_failed + 1))
  fi
done

# Two builds of the shipped program give the same bytes.
stage reproducible bash scripts/check-reproducible.sh || true

# A short fuzzing run of the extraction (libFuzzer + AddressSanitizer); a finding fails the stage and
# leaves its input in build/fuzz/.
stage fuzz-extract bash tests/fuzz/run-extract-fuzz.sh 30 || true

echo
echo "Summary (logs in build/logs/):"
printf '  %s\n' "${summary[@]}"
if [ "$failed_stages" -eq 0 ] && [ "$tests_failed" -eq 0 ]; then
  echo "ALL STAGES PASSED"
else
  echo "SOME STAGES FAILED"
fi
echo "tests: $tests_passed passed, $tests_failed failed"
[ "$failed_stages" -eq 0 ] && [ "$tests_failed" -eq 0 ]
