# zlib, minizip and libjpeg as imported targets setup::zlib, setup::minizip, setup::jpeg.
# Natively they are Debian's packages; for mingw, zlib is Debian's libz-mingw-w64-dev and the other
# two are cross-built into the build tree by scripts/build-mingw-deps.sh, run here when missing.

if(WIN32)
  set(_triple ${SETUP_MINGW_TRIPLE})
  # The libraries are built again when the script that builds them changes (its options decide what
  # goes into the program); a build folder records the script it was made with.
  set(_deps_script ${CMAKE_SOURCE_DIR}/scripts/build-mingw-deps.sh)
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${_deps_script})
  file(SHA256 ${_deps_script} _deps_recipe)
  set(_deps_stamp "${SETUP_DEPS_PREFIX}/recipe.sha256")
  if(EXISTS "${_deps_stamp}")
    file(READ "${_deps_stamp}" _deps_built_recipe)
  else()
    set(_deps_built_recipe "")
  endif()
  if(NOT _deps_built_recipe STREQUAL _deps_recipe)
    file(REMOVE "${SETUP_DEPS_PREFIX}/lib/libjpeg.a" "${SETUP_DEPS_PREFIX}/lib/libminizip.a")
  endif()
  if(NOT EXISTS "${SETUP_DEPS_PREFIX}/lib/libjpeg.a" OR NOT EXISTS "${SETUP_DEPS_PREFIX}/lib/libminizip.a")
    message(STATUS "Cross-building libjpeg-turbo and minizip for ${_triple}")
    execute_process(
      COMMAND ${CMAKE_SOURCE_DIR}/scripts/build-mingw-deps.sh ${_triple} ${SETUP_DEPS_PREFIX}
      RESULT_VARIABLE _deps_result)
    if(NOT _deps_result EQUAL 0)
      message(FATAL_ERROR "scripts/build-mingw-deps.sh failed for ${_triple}")
    endif()
    file(WRITE "${_deps_stamp}" "${_deps_recipe}")
  endif()
  set(ZLIB_USE_STATIC_LIBS ON)
endif()

find_package(ZLIB REQUIRED)
add_library(setup::zlib ALIAS ZLIB::ZLIB)

if(WIN32)
  find_library(SETUP_JPEG_LIBRARY NAMES libjpeg.a REQUIRED)
  find_path(SETUP_JPEG_INCLUDE jpeglib.h REQUIRED)
  find_library(SETUP_MINIZIP_LIBRARY NAMES libminizip.a REQUIRED)
  find_path(SETUP_MINIZIP_INCLUDE minizip/unzip.h REQUIRED)
else()
  find_library(SETUP_JPEG_LIBRARY NAMES jpeg REQUIRED)
  find_path(SETUP_JPEG_INCLUDE jpeglib.h REQUIRED)
  find_library(SETUP_MINIZIP_LIBRARY NAMES minizip REQUIRED)
  find_path(SETUP_MINIZIP_INCLUDE minizip/unzip.h REQUIRED)
endif()

add_library(setup_jpeg INTERFACE)
target_link_libraries(setup_jpeg INTERFACE ${SETUP_JPEG_LIBRARY})
target_include_directories(setup_jpeg SYSTEM INTERFACE ${SETUP_JPEG_INCLUDE})
add_library(setup::jpeg ALIAS setup_jpeg)

add_library(setup_minizip INTERFACE)
target_link_libraries(setup_minizip INTERFACE ${SETUP_MINIZIP_LIBRARY} setup::zlib)
target_include_directories(setup_minizip SYSTEM INTERFACE ${SETUP_MINIZIP_INCLUDE})
add_library(setup::minizip ALIAS setup_minizip)

if(SETUP_BUILD_TESTS AND NOT SETUP_TEST_MODE STREQUAL "none")
  if(WIN32)
    # GoogleTest from Debian's sources, built for the target like the rest.
    set(gtest_force_shared_crt ON CACHE BOOL "" FORCE)
    set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
    set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
    add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL SYSTEM)
    add_library(setup::gtest_main ALIAS gtest_main)
  else()
    find_package(GTest REQUIRED)
    add_library(setup::gtest_main ALIAS GTest::gtest_main)
  endif()
endif()
