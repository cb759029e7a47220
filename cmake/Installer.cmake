# setup_add_installer(<target>
#     [BRAND_NO <n>] [PRODUCT_NO <n>]      which product: a brand-table key and a product number from 1
#                                          (default: the cache variables SETUP_BRAND_NO, SETUP_PRODUCT_NO)
#     [PAYLOAD_ZIP <file> [PAYLOAD_DEPENDS <target>]]
#                                          the archive to carry (default: the one built from the product)
#     [MAIN <source>]                      the entry point (default: frame/main_win.cpp; test builds only)
#     [LIBRARIES <targets...>])
# A setup program: the frame, the window, the setup logic built with the product's constants and the
# payload archive embedded. The shipped setup.exe is one; variants for other products, and for tests, are
# others built from the same sources.

# Which product an installer installs is fixed when it is built. Another product's installer is a build
# with other values, e.g. -DSETUP_BRAND_NO=1 -DSETUP_PRODUCT_NO=3.
set(SETUP_BRAND_NO 0 CACHE STRING "Brand number of the installed product: a key of the brand table")
set(SETUP_PRODUCT_NO 4 CACHE STRING "Product number of the installed product in its brand's list, from 1")
foreach(_constant SETUP_BRAND_NO SETUP_PRODUCT_NO)
  if(NOT ${_constant} MATCHES "^-?[0-9]+$")
    message(FATAL_ERROR "${_constant} must be an integer, not '${${_constant}}'")
  endif()
endforeach()

function(setup_add_installer target)
  cmake_parse_arguments(ARG "" "BRAND_NO;PRODUCT_NO;PAYLOAD_ZIP;PAYLOAD_DEPENDS;MAIN" "LIBRARIES" ${ARGN})
  if(NOT DEFINED ARG_BRAND_NO)
    set(ARG_BRAND_NO ${SETUP_BRAND_NO})
  endif()
  if(NOT DEFINED ARG_PRODUCT_NO)
    set(ARG_PRODUCT_NO ${SETUP_PRODUCT_NO})
  endif()
  if(NOT DEFINED ARG_MAIN)
    set(ARG_MAIN ${CMAKE_SOURCE_DIR}/frame/main_win.cpp)
  endif()

  if("${ARG_BRAND_NO}" STREQUAL "${SETUP_BRAND_NO}" AND "${ARG_PRODUCT_NO}" STREQUAL "${SETUP_PRODUCT_NO}")
    set(logic setup::logic)
  else()
    get_property(sources GLOBAL PROPERTY SETUP_LOGIC_SOURCES)
    if(NOT sources)
      message(FATAL_ERROR "setup_add_installer(${target}): the setup logic's sources are not known yet")
    endif()
    set(logic ${target}_variant_logic)
    add_library(${logic} STATIC ${sources})
    target_link_libraries(${logic} PUBLIC setup::payload_engine setup::resources setup::platform_core setup::options)
    target_compile_definitions(${logic} PUBLIC SETUP_BRAND_NO=${ARG_BRAND_NO} SETUP_PRODUCT_NO=${ARG_PRODUCT_NO})
  endif()

  if(ARG_PAYLOAD_ZIP)
    set(payload ${target}_variant_payload)
    set(block ${CMAKE_SOURCE_DIR}/payload/payload_block.cpp)
    add_library(${payload} STATIC ${CMAKE_SOURCE_DIR}/payload/payload_embedded.cpp ${block})
    target_compile_definitions(${payload} PRIVATE
      "SETUP_PAYLOAD_FILE=\"${ARG_PAYLOAD_ZIP}\"" "SETUP_PAYLOAD_SECTION=\"${SETUP_PAYLOAD_SECTION}\"")
    set_source_files_properties(${block} TARGET_DIRECTORY ${payload} PROPERTIES OBJECT_DEPENDS ${ARG_PAYLOAD_ZIP})
    target_link_libraries(${payload} PUBLIC setup::payload_engine setup::options)
    if(ARG_PAYLOAD_DEPENDS)
      add_dependencies(${payload} ${ARG_PAYLOAD_DEPENDS})
    endif()
  else()
    set(payload setup::payload)
  endif()

  # cxx_runtime_win.cpp as an object of the program, so that its definitions always replace the
  # standard library's.
  add_executable(${target} WIN32 ${ARG_MAIN} ${CMAKE_SOURCE_DIR}/frame/cxx_runtime_win.cpp)
  target_link_libraries(${target} PRIVATE
    setup::frame setup::window ${logic} ${payload} setup::resources setup::resource_script
    setup::platform_core setup::options ${ARG_LIBRARIES})
endfunction()
