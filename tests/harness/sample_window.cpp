// A minimal window for proving the GUI test harness: a borderless 300 x 200 window titled "测试窗口" at
// (100, 100), filled with RGB(22, 131, 196). A left click in it ends the program with exit code 7.
#include <windows.h>

namespace {

LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_LBUTTONUP:
      DestroyWindow(window);
      return 0;
    case WM_DESTROY:
      PostQuitMessage(7);
      return 0;
    default:
      return DefWindowProcA(window, message, wparam, lparam);
  }
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int show) {
  WNDCLASSA window_class = {};
  window_class.lpfnWndProc = &WindowProc;
  window_class.hInstance = instance;
  window_class.hCursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
  window_class.hbrBackground = CreateSolidBrush(RGB(22, 131, 196));
  window_class.lpszClassName = "SampleWindow";
  if (!RegisterClassA(&window_class)) return 1;
  HWND window = CreateWindowExA(0, "SampleWindow", "测试窗口", WS_POPUP, 100, 100, 300, 200, nullptr, nullptr,
                                instance, nullptr);
  if (window == nullptr) return 2;
  ShowWindow(window, show);
  UpdateWindow(window);
  MSG message;
  while (GetMessageA(&message, nullptr, 0, 0) > 0) {
    TranslateMessage(&message);
    DispatchMessageA(&message);
  }
  return static_cast<int>(message.wParam);
}
