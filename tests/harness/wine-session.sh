#!/usr/bin/env bash
# Starts or stops a Wine session for the Windows-side tests: an Xvfb display of 1920 x 1080, a fresh
# Wine prefix, and a persistent wineserver, with the zh_CN.UTF-8 locale (so the ANSI code page is 936).
# Everything started is recorded in SESSION_DIR and stopped by its PID.
#
#   wine-session.sh start SESSION_DIR [TEMPLATE_DIR]   makes SESSION_DIR/env, which wine-run.sh reads
#   wine-session.sh stop SESSION_DIR                   stops what start started and removes the prefix
#
# A new prefix is a copy of a template prefix in TEMPLATE_DIR (default SESSION_DIR/template), made with
# wineboot and this project's settings when it is missing or when WINE_SESSION_NEW_TEMPLATE=1: making
# one takes about 9 s, copying it about 2 s, so tests that each need a prefix of their own share one
# template. WINE_SESSION_KEEP_PREFIX=1 keeps the prefix after stop (to look at what a test left).
set -euo pipefail

action=${1:?usage: wine-session.sh start|stop SESSION_DIR [TEMPLATE_DIR]}
session=${2:?usage: wine-session.sh start|stop SESSION_DIR [TEMPLATE_DIR]}
template=${3:-$session/template}
wine_loader=/usr/lib/wine/wine64
wineserver=/usr/lib/wine/wineserver64
[ -x "$wineserver" ] || wineserver=/usr/lib/wine/wineserver

stop_session() {
  if [ -f "$session/env" ]; then
    # shellcheck disable=SC1091
    . "$session/env"
    WINEPREFIX=$WINEPREFIX "$wineserver" -k >/dev/null 2>&1 || true
    WINEPREFIX=$WINEPREFIX "$wineserver" -w >/dev/null 2>&1 || true
  fi
  if [ -f "$session/xvfb.pid" ]; then
    pid=$(cat "$session/xvfb.pid")
    if kill -0 "$pid" 2>/dev/null; then
      kill "$pid" 2>/dev/null || true
      for _ in $(seq 50); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
      kill -9 "$pid" 2>/dev/null || true
    fi
    rm -f "$session/xvfb.pid"
  fi
  rm -f "$session/env"
  if [ "${WINE_SESSION_KEEP_PREFIX:-0}" != 1 ]; then rm -rf "$session/prefix"; fi
}

case "$action" in
  stop)
    stop_session
    exit 0 ;;
  start) ;;
  *) echo "usage: wine-session.sh start|stop SESSION_DIR" >&2; exit 2 ;;
esac

# A session left over by an interrupted run is stopped first.
stop_session
mkdir -p "$session"

# A free display: neither a lock file nor a socket for it. Sessions start side by side, so two may pick
# the same number: Xvfb takes a display by creating its lock file with its PID, and the one that loses
# exits. The display is ours only when the lock names our Xvfb; otherwise the next number is tried.
display=
for n in $(seq 90 190); do
  if [ -e "/tmp/.X$n-lock" ] || [ -e "/tmp/.X11-unix/X$n" ]; then continue; fi
  Xvfb ":$n" -screen 0 1920x1080x24 -nolisten tcp -noreset >"$session/xvfb.log" 2>&1 &
  pid=$!
  echo "$pid" >"$session/xvfb.pid"
  for _ in $(seq 100); do
    kill -0 "$pid" 2>/dev/null || break
    if [ -e "/tmp/.X11-unix/X$n" ] && [ "$(tr -d ' \n' <"/tmp/.X$n-lock" 2>/dev/null)" = "$pid" ]; then
      display=$n
      break
    fi
    sleep 0.05
  done
  [ -n "$display" ] && break
  kill "$pid" 2>/dev/null || true
  wait "$pid" 2>/dev/null || true
  rm -f "$session/xvfb.pid"
done
[ -n "$display" ] || { echo "wine-session: Xvfb did not start on a free display" >&2; cat "$session/xvfb.log" >&2; stop_session; exit 1; }

export WINEARCH=win64 WINEDEBUG=-all LANG=zh_CN.UTF-8 LC_ALL=zh_CN.UTF-8 DISPLAY=":$display"
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"

# make_template DIR: a prefix with this project's settings, complete on disk when this returns.
make_template() {
  local dir=$1
  rm -rf "$dir"
  mkdir -p "$dir"
  (
    export WINEPREFIX=$dir/prefix
    # Wine's background services get no pipe of ours: otherwise they inherit CTest's output pipe and
    # every test waits for them.
    "$wine_loader" wineboot --init </dev/null >"$dir/wineboot.log" 2>&1 || { cat "$dir/wineboot.log" >&2; exit 1; }
    reg() { "$wine_loader" reg add "$@" /f </dev/null >/dev/null 2>&1; }
    # Without a window manager, unmanaged windows close at once and message boxes keep their caption.
    reg 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N
    # The classic look that a program without visual styles has on Windows.
    reg 'HKCU\Software\Microsoft\Windows\CurrentVersion\ThemeManager' /v ThemeActive /t REG_SZ /d 0
    # The server writes the registry to disk when it ends by itself, after its last client.
    "$wineserver" -w
    # The user folders are links into $HOME: make them real folders inside the prefix.
    user_dir=$(find "$WINEPREFIX/drive_c/users" -mindepth 1 -maxdepth 1 -type d ! -name Public | head -n 1)
    if [ -n "$user_dir" ]; then
      for link in "$user_dir"/*; do
        if [ -L "$link" ]; then rm -f "$link" && mkdir -p "$link"; fi
      done
    fi
  ) || return 1
  touch "$dir/complete"
}

mkdir -p "$(dirname "$template")"
exec 8>"$template.lock"
flock 8
if [ "${WINE_SESSION_NEW_TEMPLATE:-0}" = 1 ] || [ ! -f "$template/complete" ]; then
  make_template "$template" || { stop_session; exit 1; }
fi
prefix=$session/prefix
rm -rf "$prefix"
cp -a "$template/prefix" "$prefix"
flock -u 8

export WINEPREFIX=$prefix
cat >"$session/env" <<ENV
export WINEPREFIX='$prefix' WINEARCH=win64 WINEDEBUG=-all LANG=zh_CN.UTF-8 LC_ALL=zh_CN.UTF-8 DISPLAY=':$display'
export WINEDLLOVERRIDES='mscoree,mshtml=;winemenubuilder.exe=d'
export SETUP_WINE_SESSION='$session'
ENV
# Keep one server alive across the test programs of the session.
"$wineserver" -p </dev/null >/dev/null 2>&1 || true
"$wine_loader" wineboot </dev/null >/dev/null 2>&1 || true
echo "wine-session: display :$display, prefix $prefix"
