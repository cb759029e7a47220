# Cases of install_folder_gui_test for tests/harness/run-case.sh: the drives each case needs.
# SETUP_TEST_BIN is the build's program folder (it holds planted_program.exe).

# Drives mapped after the session started are seen by file calls and free-space queries at once, but
# the shell lists the drives the server knew when it started: restart it for the folder browser.
restart_wine_server() {
  local server=/usr/lib/wine/wineserver64
  [ -x "$server" ] || server=/usr/lib/wine/wineserver
  "$server" -k >/dev/null 2>&1 || true
  "$server" -w >/dev/null 2>&1 || true
  "$server" -p </dev/null >/dev/null 2>&1 || true
  /usr/lib/wine/wine64 wineboot </dev/null >/dev/null 2>&1 || true
}

prepare_case() {
  case $1 in
    install_folder_d999) map_drive d 999m ;;
    install_folder_d1000) map_drive d 1000m ;;
    install_folder_browser)
      map_drive e 8m
      mkdir "$session/drive-e/Games"
      restart_wine_server ;;
    install_folder_blank)
      # Above 1000 MB, so that D: stays the proposal with the planted program on it.
      map_drive d 1100m
      mkdir "$session/drive-d/My Games"
      cp "${SETUP_TEST_BIN:?}/planted_program.exe" "$session/drive-d/My.exe"
      restart_wine_server ;;
    *) echo "install_folder_cases: unknown case $1" >&2; return 1 ;;
  esac
}

check_case() { return 0; }
