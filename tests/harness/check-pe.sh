#!/usr/bin/env bash
# Checks a built Windows program: its PE format, its subsystem, and that it imports only DLLs that
# every Windows system has (so it runs as one self-contained file).
#   check-pe.sh FILE FORMAT SUBSYSTEM     e.g. check-pe.sh setup.exe pei-i386 2
set -euo pipefail
file=${1:?usage: check-pe.sh FILE FORMAT SUBSYSTEM}
format=${2:?}
subsystem=${3:?}
case "$format" in pei-i386) objdump=i686-w64-mingw32-objdump ;; *) objdump=x86_64-w64-mingw32-objdump ;; esac

header=$("$objdump" -f "$file")
grep -q "file format $format" <<<"$header" || { echo "$file: not $format:"; echo "$header"; exit 1; }
private=$("$objdump" -p "$file")
grep -Eq "^Subsystem[[:space:]]+0*$subsystem[[:space:]]" <<<"$private" \
  || { echo "$file: subsystem is not $subsystem:"; grep '^Subsystem' <<<"$private"; exit 1; }
grep -Eq '^Time/Date[[:space:]]+(Thu Jan  1 00:00:00 1970|0+)$' <<<"$private" \
  || { echo "$file: carries a time stamp:"; grep '^Time/Date' <<<"$private"; exit 1; }
system_dlls='^(kernel32|user32|gdi32|advapi32|msvcrt|shell32|ole32|oleaut32|comctl32|comdlg32|shlwapi|uuid|version|ws2_32)\.dll$'
bad=$(awk '/DLL Name:/ {print tolower($3)}' <<<"$private" | grep -Ev "$system_dlls" || true)
[ -z "$bad" ] || { echo "$file: imports DLLs that are not the system's own: $bad"; exit 1; }
echo "$file: $format, subsystem $subsystem, imports: $(awk '/DLL Name:/ {printf "%s ", $3}' <<<"$private")"
