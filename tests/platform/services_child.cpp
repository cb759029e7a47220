// Started by the services test: writes its current folder and the show state it was started with
// (-1 when none was given) to the file named by its command line, as two lines.
#include <windows.h>

#include <cstdio>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR command_line, int) {
  char folder[MAX_PATH] = {};
  if (GetCurrentDirectoryA(MAX_PATH, folder) == 0) return 1;
  STARTUPINFOA startup = {};
  startup.cb = sizeof(startup);
  GetStartupInfoA(&startup);
  const int show = (startup.dwFlags & STARTF_USESHOWWINDOW) != 0 ? startup.wShowWindow : -1;

  // Written under another name first, so that a reader never sees half a file.
  char partial[MAX_PATH + 8] = {};
  std::snprintf(partial, sizeof(partial), "%s.part", command_line);
  std::FILE* file = std::fopen(partial, "wb");
  if (file == nullptr) return 2;
  std::fprintf(file, "%s\n%d\n", folder, show);
  std::fclose(file);
  return MoveFileExA(partial, command_line, MOVEFILE_REPLACE_EXISTING) ? 0 : 3;
}
