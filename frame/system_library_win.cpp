#include "frame/system_library_win.h"

#include <atomic>
#include <cstring>

#include "frame/frame.h"

namespace setup {
namespace {

using SetDefaultDllDirectoriesFunction = BOOL(WINAPI*)(DWORD);

// Whether the system understands LOAD_LIBRARY_SEARCH_SYSTEM32 (Windows 8 and later, and Windows 7 with
// its loader update); decided once by RestrictLibrarySearch.
std::atomic<bool> g_search_flags_supported{false};

}  // namespace

void RestrictLibrarySearch() noexcept {
  HMODULE kernel = ::GetModuleHandleA("kernel32.dll");
  auto set_default = SystemExport<SetDefaultDllDirectoriesFunction>(kernel, "SetDefaultDllDirectories");
  if (set_default != nullptr && set_default(LOAD_LIBRARY_SEARCH_SYSTEM32)) {
    g_search_flags_supported.store(true);
  }
  // Older systems: at least take the current folder out of the search order. Loads then go by full
  // path into the system folder (LoadSystemLibrary).
  ::SetDllDirectoryA("");
}

HMODULE LoadSystemLibrary(const char* name) noexcept {
  if (g_search_flags_supported.load()) return ::LoadLibraryExA(name, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
  // Without the search flags: the full path into the system folder, and the library's own dependencies
  // searched from there first.
  char path[MAX_PATH + 16];
  const UINT folder = ::GetSystemDirectoryA(path, MAX_PATH);
  const std::size_t name_size = std::strlen(name);
  if (folder == 0 || folder >= MAX_PATH || folder + 1 + name_size + 4 >= sizeof path) return nullptr;
  std::size_t at = folder;
  path[at++] = '\\';
  std::memcpy(path + at, name, name_size);
  at += name_size;
  // LoadLibrary adds ".dll" to a name without an extension; a full path needs it spelt out.
  const char* dot = std::strrchr(name, '.');
  if (dot == nullptr) {
    std::memcpy(path + at, ".dll", 4);
    at += 4;
  }
  path[at] = '\0';
  return ::LoadLibraryExA(path, nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
}

}  // namespace setup
