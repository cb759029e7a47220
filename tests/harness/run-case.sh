#!/usr/bin/env bash
# Runs one test case in a Wine session of its own: its own Xvfb display and a fresh prefix copied from
# the run's template, so such cases can run side by side and change the machine freely (map drives to
# tmpfs mounts, plant files, make places unwritable).
#
#   run-case.sh CASE SESSION_ROOT TEMPLATE_DIR CASES_FILE PROGRAM [ARGS...]
#
# CASES_FILE is a bash file that defines two functions, called with CASE:
#   prepare_case CASE   runs before PROGRAM; may call map_drive and use $WINEPREFIX, $drive_c, $session
#   check_case CASE     runs after PROGRAM (whatever its exit code); a non-zero status fails the case
# PROGRAM runs under wine64 inside the session (typically a GoogleTest program with a filter naming the
# case). Everything mounted is unmounted and the session is stopped afterwards, also on failure.
set -euo pipefail
case_name=${1:?usage: run-case.sh CASE SESSION_ROOT TEMPLATE_DIR CASES_FILE PROGRAM [ARGS...]}
session=${2:?}/$case_name
template=${3:?}
cases_file=${4:?}
shift 4
harness=$(cd "$(dirname "$0")" && pwd)

mounts=()
cleanup() {
  local status=$?
  bash "$harness/wine-session.sh" stop "$session" >/dev/null 2>&1 || true
  for m in "${mounts[@]}"; do umount "$m" 2>/dev/null || umount -l "$m" 2>/dev/null || true; done
  exit "$status"
}
trap cleanup EXIT

bash "$harness/wine-session.sh" start "$session" "$template" >/dev/null
# shellcheck disable=SC1091
. "$session/env"
export drive_c=$WINEPREFIX/drive_c session

# map_drive LETTER SIZE [ro]: drive LETTER: becomes a tmpfs of SIZE (for example 999m), read-only with
# "ro". File calls and free-space queries see it at once.
map_drive() {
  local letter=$1 size=$2 mode=${3:-rw} dir=$session/drive-$1
  mkdir -p "$dir"
  mount -t tmpfs -o "size=$size,$mode" tmpfs "$dir"
  mounts+=("$dir")
  ln -sfn "$dir" "$WINEPREFIX/dosdevices/$letter:"
}

# shellcheck disable=SC1090
. "$cases_file"
prepare_case "$case_name"

status=0
"$harness/wine-run.sh" "$session" "$@" || status=$?
check_case "$case_name" || status=1
exit "$status"
