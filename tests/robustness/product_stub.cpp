// The executable of a small test product. When it runs it writes its own full path into
// "<its file name>.ran" in the temporary folder and ends, so a test can tell which copy was started
// without leaving anything in the folder it was installed to.
#include <windows.h>

#include <string>

#include "platform/handles_win.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  char path[MAX_PATH] = {};
  const DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
  char temp[MAX_PATH] = {};
  if (length == 0 || length >= MAX_PATH || GetTempPathA(MAX_PATH, temp) == 0) return 1;
  const std::string self(path, length);
  const std::string marker = temp + self.substr(self.find_last_of('\\') + 1) + ".ran";
  const setup::UniqueFile file(
      CreateFileA(marker.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  DWORD written = 0;
  return file && WriteFile(file.Get(), self.data(), static_cast<DWORD>(self.size()), &written, nullptr) ? 0 : 1;
}
