// Loading system libraries from the system folder only. The program links statically against Kernel32,
// User32, GDI32 and the C run time, which every Windows system loads from its own folder; everything else
// (common controls, OLE, the shell) is loaded with these functions once RestrictLibrarySearch has run,
// so that a library planted beside the program or in the current folder is never picked up.
#pragma once

#include <windows.h>

namespace setup {

// The library `name` ("ole32", "shell32.dll"...) from the system folder, its own dependencies
// resolved from the system folder too; null when it is not there. The caller owns one reference.
// Any thread.
[[nodiscard]] HMODULE LoadSystemLibrary(const char* name) noexcept;

// The export `name` of `module` as a function pointer of type Function, or null.
template <typename Function>
[[nodiscard]] Function SystemExport(HMODULE module, const char* name) noexcept {
  if (module == nullptr) return nullptr;
  return reinterpret_cast<Function>(reinterpret_cast<void*>(::GetProcAddress(module, name)));
}

}  // namespace setup
