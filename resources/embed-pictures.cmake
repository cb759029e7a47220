# Writes a C++ source that holds each input file as a byte set and defines a function returning it.
#   cmake -DOUTPUT=file.cpp -DHEADER=resources/pictures.h -DPICTURES="Function=path;Function=path" -P embed-pictures.cmake
# A byte set is a 32-bit little-endian dimension count (1), a 32-bit little-endian length, then the bytes.
cmake_minimum_required(VERSION 3.25)

function(le32 value out)
  math(EXPR b0 "${value} & 255" OUTPUT_FORMAT HEXADECIMAL)
  math(EXPR b1 "(${value} >> 8) & 255" OUTPUT_FORMAT HEXADECIMAL)
  math(EXPR b2 "(${value} >> 16) & 255" OUTPUT_FORMAT HEXADECIMAL)
  math(EXPR b3 "(${value} >> 24) & 255" OUTPUT_FORMAT HEXADECIMAL)
  set(${out} "${b0},${b1},${b2},${b3}," PARENT_SCOPE)
endfunction()

set(body "// Generated from the pictures of resources/ by embed-pictures.cmake; do not edit.\n")
string(APPEND body "#include \"${HEADER}\"\n\n#include <cstdint>\n\nnamespace setup {\nnamespace {\n\n")
set(functions "")
foreach(entry IN LISTS PICTURES)
  string(REPLACE "=" ";" parts "${entry}")
  list(GET parts 0 function)
  list(GET parts 1 path)
  file(SIZE "${path}" size)
  file(READ "${path}" hex HEX)
  string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
  # Break the initialiser into lines of 32 bytes so that the generated file stays readable.
  string(REGEX REPLACE "((0x[0-9a-f][0-9a-f],){32})" "\\1\n" bytes "${bytes}")
  le32(1 count)
  le32(${size} length)
  string(APPEND body "alignas(4) constexpr std::uint8_t k${function}[] = {\n${count}${length}\n${bytes}};\n\n")
  string(APPEND functions "ByteSet ${function}() noexcept { return ByteSet(k${function}, sizeof k${function}); }\n")
endforeach()
string(APPEND body "}  // namespace\n\n${functions}\n}  // namespace setup\n")

file(WRITE "${OUTPUT}" "${body}")
