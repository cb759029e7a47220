// A decoy library: when any process loads it, it leaves an empty file "<its own path>.loaded" beside
// itself. Copies of it named like system libraries are planted beside a program to see whether the
// program picks them up.
#include <windows.h>

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_ATTACH) {
    char path[MAX_PATH + 8] = {};
    const DWORD size = GetModuleFileNameA(instance, path, MAX_PATH);
    if (size > 0 && size < MAX_PATH) {
      lstrcatA(path, ".loaded");
      HANDLE marker = CreateFileA(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
      if (marker != INVALID_HANDLE_VALUE) CloseHandle(marker);
    }
  }
  return TRUE;
}
