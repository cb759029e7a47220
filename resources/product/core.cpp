// marnobe_core.dll: the product's name, version and settings.
#define MARNOBE_BUILDING_CORE
#include <cstdio>
#include <cstring>

#include "marnobe.h"

MARNOBE_CORE_API const char* MarnobeProductName() { return "Marnobe"; }

MARNOBE_CORE_API const char* MarnobeVersion() { return MARNOBE_VERSION; }

MARNOBE_CORE_API int MarnobeLoadSettings(const char* folder, MarnobeSettings* settings) {
  char ini[MAX_PATH];
  std::snprintf(ini, sizeof ini, "%s\\Marnobe.ini", folder);
  settings->width = static_cast<int>(GetPrivateProfileIntA("Window", "Width", 480, ini));
  settings->height = static_cast<int>(GetPrivateProfileIntA("Window", "Height", 300, ini));
  const int red = static_cast<int>(GetPrivateProfileIntA("Window", "Red", 255, ini));
  const int green = static_cast<int>(GetPrivateProfileIntA("Window", "Green", 255, ini));
  const int blue = static_cast<int>(GetPrivateProfileIntA("Window", "Blue", 255, ini));
  settings->background = RGB(red, green, blue);
  GetPrivateProfileStringA("Window", "Greeting", "", settings->greeting, sizeof settings->greeting, ini);

  char welcome_name[MAX_PATH];
  GetPrivateProfileStringA("Data", "Welcome", "", welcome_name, sizeof welcome_name, ini);
  settings->welcome[0] = '\0';
  if (welcome_name[0] != '\0') {
    char welcome_path[MAX_PATH];
    std::snprintf(welcome_path, sizeof welcome_path, "%s\\%s", folder, welcome_name);
    if (std::FILE* file = std::fopen(welcome_path, "rb")) {
      const std::size_t read = std::fread(settings->welcome, 1, sizeof settings->welcome - 1, file);
      settings->welcome[read] = '\0';
      std::fclose(file);
    }
  }
  return GetFileAttributesA(ini) != INVALID_FILE_ATTRIBUTES ? 1 : 0;
}
