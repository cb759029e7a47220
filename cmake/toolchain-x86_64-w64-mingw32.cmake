# Cross-compiling for 64-bit Windows with Debian's mingw-w64 (posix thread variant: GoogleTest needs
# std::mutex, which the win32 variant lacks). This build runs every Windows-side test under wine64.
set(SETUP_MINGW_TRIPLE x86_64-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
