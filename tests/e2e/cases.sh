# The sessions of the end-to-end cases (e2e_install_test.cpp), sourced by tests/harness/run-case.sh.
# Without a mapping a session has no drive D:, so the install folder is proposed on C:.

prepare_case() {
  case "$1" in
    # Read-only with room: the install folder goes to D:, whose root takes no file.
    BothPlacesUnwritable) map_drive d 2g ro ;;
    # Exactly the free space that puts the install folder on D:; the test fills it after the start.
    DriveFullExtractionFails) map_drive d 1000m ;;
  esac
}

check_case() {
  case "$1" in
    BothPlacesUnwritable)
      # Seen from outside Wine too: nothing was written to the read-only drive.
      if [ -n "$(ls -A "$session/drive-d")" ]; then
        echo "check_case: drive D: is not empty:" >&2
        ls -lAR "$session/drive-d" >&2
        return 1
      fi ;;
  esac
  return 0
}
