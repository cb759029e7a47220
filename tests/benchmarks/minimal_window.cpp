// The yardstick of the start-up benchmark: the least a Win32 GUI program does to show a window. It
// registers a class, creates one plain top-level pop-up window of the setup window's size and place
// (250 x 400, centred across the primary screen, top edge at 300), shows and paints it, and runs a message
// loop until the window is closed. Built with the same options as setup.exe (static, GUI subsystem).
#include <windows.h>

namespace {

constexpr int kWidth = 250;
constexpr int kHeight = 400;
constexpr int kTop = 300;

LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_DESTROY) {
    PostQuitMessage(0);
    return 0;
  }
  return DefWindowProcA(window, message, wparam, lparam);
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  WNDCLASSA window_class = {};
  window_class.lpfnWndProc = &WindowProc;
  window_class.hInstance = instance;
  window_class.hCursor = LoadCursorA(nullptr, MAKEINTRESOURCEA(32512));  // IDC_ARROW
  window_class.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
  window_class.lpszClassName = "MinimalWindow";
  if (!RegisterClassA(&window_class)) return 1;
  const int left = (GetSystemMetrics(SM_CXSCREEN) - kWidth) / 2;
  HWND window = CreateWindowExA(WS_EX_APPWINDOW, "MinimalWindow", "最小窗口", WS_POPUP, left, kTop, kWidth, kHeight,
                                nullptr, nullptr, instance, nullptr);
  if (window == nullptr) return 2;
  ShowWindow(window, SW_SHOW);
  UpdateWindow(window);
  MSG message;
  while (GetMessageA(&message, nullptr, 0, 0) > 0) {
    TranslateMessage(&message);
    DispatchMessageA(&message);
  }
  return static_cast<int>(message.wParam);
}
