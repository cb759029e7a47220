// The system functions that the setup logic declares by library and export name. Every row is bound
// when it is first called (frame/declared_functions_win.cpp). Portable data.
#pragma once

#include <cstddef>

namespace setup {

struct DeclaredFunctionRow {
  const char* library;  // empty: looked up among the system libraries
  const char* export_name;
};

// clang-format off
inline constexpr DeclaredFunctionRow kDeclaredFunctionTable[] = {
  /*  0 */ {"shell32",      "SHGetFolderLocation"},
  /*  1 */ {"shell32",      "SHBrowseForFolderA"},
  /*  2 */ {"shell32",      "SHGetPathFromIDListA"},
  /*  3 */ {"ole32",        "CoTaskMemFree"},
  /*  4 */ {"kernel32.dll", "GetDiskFreeSpaceExA"},
  /*  5 */ {"",             "CreateToolhelp32Snapshot"},
  /*  6 */ {"",             "Process32First"},
  /*  7 */ {"kernel32",     "CloseHandle"},
  /*  8 */ {"",             "Process32Next"},
  /*  9 */ {"ole32.dll",    "CoInitialize"},
  /* 10 */ {"ole32.dll",    "CoUninitialize"},
};
// clang-format on

inline constexpr std::size_t kDeclaredFunctionCount = sizeof kDeclaredFunctionTable / sizeof kDeclaredFunctionTable[0];
static_assert(kDeclaredFunctionCount == 11);

// The system libraries that a row without a library text is looked up in, in this order.
inline constexpr const char* kSystemLibrarySearchList[] = {"kernel32.dll", "user32.dll", "gdi32.dll", "advapi32.dll"};

}  // namespace setup
