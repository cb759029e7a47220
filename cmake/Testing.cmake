# How tests are built and run in each configuration:
#   native - GoogleTest executables run directly; each test case is a CTest test.
#   wine   - (win64) each GoogleTest executable is one CTest test run under wine64 through
#            tests/harness/wine-run.sh, inside the "wine" fixture that starts a fresh Wine prefix and
#            an Xvfb display for the run and stops both afterwards.
#   none   - (win32) 32-bit code cannot run here: only checks of the built files.
if(NOT WIN32)
  set(SETUP_TEST_MODE native)
elseif(CMAKE_SIZEOF_VOID_P EQUAL 8)
  set(SETUP_TEST_MODE wine)
  set(SETUP_WINE_SESSION ${CMAKE_BINARY_DIR}/wine-session)
  set(SETUP_WINE_TEMPLATE ${CMAKE_BINARY_DIR}/wine-template)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_SOURCE_DIR}/tests/harness/wine-run.sh ${SETUP_WINE_SESSION})
else()
  set(SETUP_TEST_MODE none)
endif()

if(SETUP_TEST_MODE STREQUAL "native")
  include(GoogleTest)
endif()

# The object format that tests/harness/check-pe.sh expects of this configuration's Windows programs.
if(WIN32 AND CMAKE_SIZEOF_VOID_P EQUAL 4)
  set(SETUP_PE_FORMAT pei-i386)
elseif(WIN32)
  set(SETUP_PE_FORMAT pei-x86-64)
endif()

# setup_add_gtest(NAME <name> SOURCES <files...> [LIBRARIES <targets...>] [DESKTOP])
# DESKTOP marks a test that uses the screen, mouse or keyboard: such tests never run side by side.
function(setup_add_gtest)
  cmake_parse_arguments(ARG "DESKTOP" "NAME" "SOURCES;LIBRARIES" ${ARGN})
  if(SETUP_TEST_MODE STREQUAL "none")
    return()
  endif()
  add_executable(${ARG_NAME} ${ARG_SOURCES})
  target_link_libraries(${ARG_NAME} PRIVATE ${ARG_LIBRARIES} setup::gtest_main setup::options)
  if(SETUP_TEST_MODE STREQUAL "native")
    gtest_discover_tests(${ARG_NAME} DISCOVERY_TIMEOUT 30)
  else()
    add_test(NAME ${ARG_NAME} COMMAND ${ARG_NAME} --gtest_color=no)
    set_tests_properties(${ARG_NAME} PROPERTIES FIXTURES_REQUIRED wine TIMEOUT 300)
    if(ARG_DESKTOP)
      set_tests_properties(${ARG_NAME} PROPERTIES RESOURCE_LOCK desktop)
    endif()
  endif()
endfunction()
