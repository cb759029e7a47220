// Marnobe.exe: a window that shows the product's name and version, its greeting from Marnobe.ini and
// the welcome text from the data folder. It loads marnobe_core.dll when it starts and marnobe_view.dll
// to paint; without either it does not run.
#include <cstdio>
#include <cstring>

#include "marnobe.h"

namespace {

MarnobeSettings g_settings;
MarnobePaintFunction g_paint = nullptr;

LRESULT CALLBACK WindowProcedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_PAINT: {
      PAINTSTRUCT paint;
      HDC dc = BeginPaint(window, &paint);
      RECT area;
      GetClientRect(window, &area);
      g_paint(dc, &area, &g_settings, MarnobeProductName(), MarnobeVersion());
      EndPaint(window, &paint);
      return 0;
    }
    case WM_DESTROY:
      PostQuitMessage(0);
      return 0;
    default:
      return DefWindowProcA(window, message, wparam, lparam);
  }
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int show) {
  char folder[MAX_PATH];
  const DWORD length = GetModuleFileNameA(nullptr, folder, sizeof folder);
  if (length == 0 || length >= sizeof folder) return 1;
  if (char* last = std::strrchr(folder, '\\')) *last = '\0';

  if (MarnobeLoadSettings(folder, &g_settings) == 0) {
    MessageBoxA(nullptr, "找不到设置文件 Marnobe.ini。", MarnobeProductName(), MB_ICONERROR);
    return 2;
  }
  char view_path[MAX_PATH];
  std::snprintf(view_path, sizeof view_path, "%s\\marnobe_view.dll", folder);
  HMODULE view = LoadLibraryA(view_path);
  if (view != nullptr) {
    // GetProcAddress gives a generic function pointer; the cast through void (*)() is the documented way.
    g_paint =
        reinterpret_cast<MarnobePaintFunction>(reinterpret_cast<void (*)()>(GetProcAddress(view, MARNOBE_PAINT_NAME)));
  }
  if (g_paint == nullptr) {
    MessageBoxA(nullptr, "找不到 marnobe_view.dll。", MarnobeProductName(), MB_ICONERROR);
    return 3;
  }

  WNDCLASSA window_class = {};
  window_class.lpfnWndProc = WindowProcedure;
  window_class.hInstance = instance;
  window_class.hCursor = LoadCursor(nullptr, IDC_ARROW);
  window_class.lpszClassName = "MarnobeWindow";
  if (RegisterClassA(&window_class) == 0) return 1;

  char title[128];
  std::snprintf(title, sizeof title, "%s %s", MarnobeProductName(), MarnobeVersion());
  RECT frame = {0, 0, g_settings.width, g_settings.height};
  AdjustWindowRect(&frame, WS_OVERLAPPEDWINDOW, FALSE);
  HWND window =
      CreateWindowExA(0, window_class.lpszClassName, title, WS_OVERLAPPEDWINDOW, CW_USEDEFAULT, CW_USEDEFAULT,
                      frame.right - frame.left, frame.bottom - frame.top, nullptr, nullptr, instance, nullptr);
  if (window == nullptr) return 1;
  ShowWindow(window, show);
  UpdateWindow(window);

  MSG message;
  while (GetMessageA(&message, nullptr, 0, 0) > 0) {
    TranslateMessage(&message);
    DispatchMessageA(&message);
  }
  FreeLibrary(view);
  return static_cast<int>(message.wParam);
}
