# Cross-compiling for 32-bit Windows with Debian's mingw-w64: the build that ships setup.exe.
set(SETUP_MINGW_TRIPLE i686-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
