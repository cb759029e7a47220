#!/usr/bin/env bash
# Start-up time of setup.exe under wine64 + Xvfb against a minimal Win32 program that shows a plain
# window of the same size: from process start until the window is visible, and until its first paint is
# on the screen. Prints a table; the numbers are this machine's, not pass/fail criteria.
#
#   scripts/run-startup-bench.sh [--runs N]
#
# Builds the win64 configuration with the benchmarks (-DSETUP_BENCHMARKS=ON) into a folder of its own
# (build/bench-win64, or $BENCH_BUILD), starts a Wine session as the Windows-side tests do (own Xvfb
# display, a prefix made anew, zh_CN.UTF-8), runs tests/benchmarks/startup_bench.exe inside it and stops
# the session. Screenshots of both windows as measured go to <build>/bin/artefacts/.
set -euo pipefail
repo=$(cd "$(dirname "$0")/.." && pwd)
build=${BENCH_BUILD:-$repo/build/bench-win64}
harness=$repo/tests/harness
session=$build/wine-session
start=$SECONDS
mkdir -p "$build"

echo "==> building setup.exe, minimal_window.exe and startup_bench.exe (win64, $build)"
cmake --preset win64 -B "$build" -DSETUP_BENCHMARKS=ON >"$build/bench-configure.log" 2>&1 ||
  { tail -20 "$build/bench-configure.log"; exit 1; }
cmake --build "$build" --target startup_bench >"$build/bench-build.log" 2>&1 ||
  { tail -20 "$build/bench-build.log"; exit 1; }

echo "==> starting a Wine session (fresh prefix)"
trap 'bash "$harness/wine-session.sh" stop "$session" >/dev/null 2>&1 || true' EXIT
WINE_SESSION_NEW_TEMPLATE=1 bash "$harness/wine-session.sh" start "$session"

echo "==> measuring"
"$harness/wine-run.sh" "$session" "$build/bin/startup_bench.exe" "$@"
echo "==> done in $((SECONDS - start)) s"
