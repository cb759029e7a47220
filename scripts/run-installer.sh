#!/usr/bin/env bash
# Installs what is needed, builds setup.exe and runs it.
#   build/win32/bin/setup.exe  the shipped 32-bit program (this machine cannot run 32-bit code)
#   build/win64/bin/setup.exe  the same program for 64-bit Windows, which is what runs here, under Wine
# With a display ($DISPLAY) the installer opens on it; without one it runs on a virtual display
# (Xvfb), a screenshot of its window is saved, and the program is ended.
# The Wine prefix of these runs is build/run-prefix: a person's own ~/.wine is left alone.
set -euo pipefail
repo=$(cd "$(dirname "$0")/.." && pwd)
cd "$repo"

bash scripts/install-deps.sh
for preset in win32 win64; do
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset"
done
echo "built: build/win32/bin/setup.exe ($(stat -c %s build/win32/bin/setup.exe) bytes, 32-bit, shipped)"
echo "built: build/win64/bin/setup.exe ($(stat -c %s build/win64/bin/setup.exe) bytes, 64-bit, run here)"

program=$repo/build/win64/bin/setup.exe
title='安装程序'

if [ -n "${DISPLAY:-}" ]; then
  export WINEPREFIX=$repo/build/run-prefix WINEDEBUG=-all LANG=zh_CN.UTF-8 LC_ALL=zh_CN.UTF-8
  export WINEDLLOVERRIDES='mscoree,mshtml=;winemenubuilder.exe=d'
  echo "running setup.exe under Wine on display $DISPLAY (prefix $WINEPREFIX)"
  set +e
  /usr/lib/wine/wine64 "$program"
  code=$?
  echo "setup.exe ended with exit code $code"
  exit 0
fi

session=$repo/build/run-session
WINE_SESSION_KEEP_PREFIX=1 bash tests/harness/wine-session.sh start "$session" >/dev/null
trap 'WINE_SESSION_KEEP_PREFIX=1 bash tests/harness/wine-session.sh stop "$session"' EXIT
# shellcheck disable=SC1091
. "$session/env"
echo "no display: running setup.exe under Wine on a virtual display $DISPLAY"
/usr/lib/wine/wine64 "$program" &
pid=$!
shot_dir=$repo/build/screenshots
mkdir -p "$shot_dir"
if window=$(timeout 20 xdotool search --sync --onlyvisible --name "^$title\$" 2>/dev/null | head -n 1) && [ -n "$window" ]; then
  sleep 1
  import -window "$window" "$shot_dir/setup-window.png"
  import -window root "$shot_dir/setup-screen.png"
  echo "the installer window is showing; screenshots saved:"
  echo "  $shot_dir/setup-window.png (the window)"
  echo "  $shot_dir/setup-screen.png (the whole virtual screen)"
  kill "$pid" 2>/dev/null || true
else
  set +e
  wait "$pid"
  code=$?
  echo "setup.exe showed no window and ended with exit code $code"
fi
