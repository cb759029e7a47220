#!/usr/bin/env bash
# Runs a Windows program under wine64 inside the session that wine-session.sh started
# (CMake uses it as the cross-compiling emulator). The program's exit code is passed through.
#   wine-run.sh SESSION_DIR PROGRAM.exe [ARGS...]
set -euo pipefail
session=${1:?usage: wine-run.sh SESSION_DIR PROGRAM [ARGS...]}
shift
if [ ! -f "$session/env" ]; then
  echo "wine-run: no Wine session in $session (start one: tests/harness/wine-session.sh start $session)" >&2
  exit 1
fi
# shellcheck disable=SC1091
. "$session/env"
exec /usr/lib/wine/wine64 "$@"
