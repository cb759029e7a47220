// Marnobe: what the program and its two libraries share.
#pragma once

#include <windows.h>

#ifdef MARNOBE_BUILDING_CORE
#define MARNOBE_CORE_API extern "C" __declspec(dllexport)
#else
#define MARNOBE_CORE_API extern "C" __declspec(dllimport)
#endif

// The settings of Marnobe.ini and the welcome text it points to.
struct MarnobeSettings {
  int width;
  int height;
  COLORREF background;
  char greeting[256];
  char welcome[1024];
};

// marnobe_core.dll, linked by Marnobe.exe.
MARNOBE_CORE_API const char* MarnobeProductName();
MARNOBE_CORE_API const char* MarnobeVersion();
// Reads FOLDER\Marnobe.ini and the welcome file it names (relative to FOLDER). Settings that are
// missing keep their defaults. 1 when the settings file was there, 0 otherwise.
MARNOBE_CORE_API int MarnobeLoadSettings(const char* folder, MarnobeSettings* settings);

// marnobe_view.dll, loaded at run time: paints the window's content.
using MarnobePaintFunction = void (*)(HDC dc, const RECT* area, const MarnobeSettings* settings, const char* product,
                                      const char* version);
#define MARNOBE_PAINT_NAME "MarnobePaint"
