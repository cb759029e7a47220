# setup::options: the compile and link settings every target of the project's own code takes.
add_library(setup_options INTERFACE)
add_library(setup::options ALIAS setup_options)

target_compile_options(setup_options INTERFACE
  # Narrow texts are GBK at run time; the sources stay UTF-8.
  -finput-charset=UTF-8
  -Wall -Wextra -Werror
  -ffile-prefix-map=${CMAKE_SOURCE_DIR}/=)
# clang knows no execution character set but UTF-8. Only the fuzz build uses clang, and the code it
# compiles keeps its narrow literals ASCII.
if(NOT CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
  target_compile_options(setup_options INTERFACE -fexec-charset=GBK)
endif()
target_include_directories(setup_options INTERFACE ${CMAKE_SOURCE_DIR})

if(WIN32)
  # Windows 7 is the oldest system the program supports; only the ANSI ("A") functions are called.
  target_compile_definitions(setup_options INTERFACE
    WINVER=0x0601 _WIN32_WINNT=0x0601 WIN32_LEAN_AND_MEAN NOMINMAX)
  # One self-contained file that imports only system DLLs, with no time stamp in its header.
  target_link_options(setup_options INTERFACE -static -Wl,--no-insert-timestamp
    # Release programs carry no symbols or debugging sections (the static run-time libraries bring some).
    $<$<CONFIG:MinSizeRel,Release>:-s>)
endif()

# The shipped program is built compact (the win32 preset): it throws and catches nothing (results, not
# exceptions; allocation failures end the program through the heap failure report), so it needs no
# exception support, unwind tables or type information, and the linker drops every function and datum
# that nothing references. Test programs need exceptions, so configurations with tests leave it off.
option(SETUP_COMPACT "Build without exceptions, unwind tables and RTTI, and drop unreferenced sections" OFF)
if(SETUP_COMPACT)
  if(NOT WIN32 OR NOT CMAKE_SIZEOF_VOID_P EQUAL 4)
    # On x86_64 Windows longjmp unwinds with the functions' unwind data, which this build drops.
    message(FATAL_ERROR "SETUP_COMPACT is for the 32-bit Windows build")
  endif()
  target_compile_options(setup_options INTERFACE
    -fno-exceptions -fno-asynchronous-unwind-tables -fno-unwind-tables
    $<$<COMPILE_LANGUAGE:CXX>:-fno-rtti> -ffunction-sections -fdata-sections)
  target_link_options(setup_options INTERFACE -Wl,--gc-sections)
endif()

if(SETUP_SANITIZE)
  target_compile_options(setup_options INTERFACE
    -fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer)
  target_link_options(setup_options INTERFACE -fsanitize=address,undefined)
endif()
