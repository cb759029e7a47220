// A program that leaves a mark when it runs: it writes an empty file named after itself plus ".ran"
// beside itself (D:\My.exe writes D:\My.exe.ran). Planted where a carelessly quoted command line would
// start it instead of the installed product.
#include <windows.h>

#include <string>

#include "platform/handles_win.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  char path[MAX_PATH] = {};
  const DWORD n = GetModuleFileNameA(nullptr, path, MAX_PATH);
  if (n == 0 || n >= MAX_PATH) return 1;
  const std::string marker = std::string(path, n) + ".ran";
  const setup::UniqueFile file(
      CreateFileA(marker.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  return file ? 0 : 1;
}
