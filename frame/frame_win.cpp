#include <windows.h>

#include <array>
#include <atomic>

#include "frame/cpu.h"
#include "frame/declared_functions_win.h"
#include "frame/frame.h"
#include "frame/program_folder.h"
#include "frame/runtime_errors.h"
#include "frame/system_library_win.h"
#include "platform/heap.h"

namespace setup {
namespace {

// The notify window's messages: an end handed over from another thread (wParam: the exit code), and a
// request to run a routine on the window thread (lParam: a WindowThreadRequest).
constexpr UINT kEndRequestMessage = WM_APP + 999;
constexpr UINT kRunRequestMessage = WM_APP + 998;
constexpr char kNotifyWindowClass[] = "SetupNotifyWindow";

struct WindowThreadRequest {
  void (*routine)(void*);
  void* context;
};

// Frame state. Written on the window thread during the start steps, before a second thread exists;
// what other threads read or change later is atomic.
std::atomic<DWORD> g_window_thread{0};
std::atomic<HWND> g_notify_window{nullptr};
std::atomic<std::int32_t> g_event_hold{0};
std::atomic<void (*)()> g_exit_cleanup{nullptr};
// Set by the first end that begins, on whichever thread; whoever sets it ends the process, everyone
// after it waits for that.
std::atomic<bool> g_end_claimed{false};
// Set when the end procedure begins on the window thread: the notify window serves no more requests.
std::atomic<bool> g_ending{false};
bool g_ole_initialized = false;   // window thread only
HMODULE g_ole32 = nullptr;        // kept loaded for the life of the process
WindowLayerHooks g_window_layer;  // window thread only
Text* g_program_folder = nullptr;

using OleInitializeFunction = HRESULT(WINAPI*)(LPVOID);
using OleUninitializeFunction = void(WINAPI*)();

// Waits until the process ends: another thread has begun the end and will end the process.
[[noreturn]] void WaitForProcessEnd() {
  for (;;) ::Sleep(INFINITE);
}

void ReportHeapFailure() { ReportRuntimeError(kOutOfMemoryMessage, 0); }

LRESULT CALLBACK NotifyWindowProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case kEndRequestMessage:
      // While the end procedure already runs here (it may pump messages), the sender is let go: it
      // finds the end claimed and waits for the process to end.
      if (g_end_claimed.load()) return 0;
      EndProgram(static_cast<std::int32_t>(static_cast<DWORD>(wparam)));
    case kRunRequestMessage: {
      if (g_ending.load()) return 0;
      const auto* request = reinterpret_cast<const WindowThreadRequest*>(lparam);
      request->routine(request->context);
      return 1;
    }
    default:
      return ::DefWindowProcA(window, message, wparam, lparam);
  }
}

// Steps 3 to 9 of the end procedure, on the window thread, once the end has been claimed.
void RunEndSteps() {
  g_ending.store(true);
  if (g_window_layer.drop_idle_work != nullptr) g_window_layer.drop_idle_work();
  if (g_window_layer.release_windows != nullptr) g_window_layer.release_windows();
  if (void (*cleanup)() = g_exit_cleanup.exchange(nullptr)) cleanup();
  ReleaseDeclaredFunctionBindings();
  if (HWND notify = g_notify_window.exchange(nullptr)) ::DestroyWindow(notify);
  ::UnregisterClassA(kNotifyWindowClass, ::GetModuleHandleA(nullptr));
  if (g_ole_initialized) {
    if (auto uninitialize = SystemExport<OleUninitializeFunction>(g_ole32, "OleUninitialize")) uninitialize();
    g_ole_initialized = false;
  }
}

}  // namespace

void InstallHeapFailureReport() noexcept { SetHeapFailureHandler(&ReportHeapFailure); }

void InitializeOle() noexcept {
  if (g_ole_initialized) return;
  g_ole32 = LoadSystemLibrary("ole32.dll");
  if (auto initialize = SystemExport<OleInitializeFunction>(g_ole32, "OleInitialize")) initialize(nullptr);
  g_ole_initialized = true;
}

void EnterProgramFolder() {
  char path[MAX_PATH + 1] = {};
  const DWORD size = ::GetModuleFileNameA(nullptr, path, MAX_PATH);
  g_program_folder = new Text(ProgramFolderOf(TextView(path, size < MAX_PATH ? size : MAX_PATH)));
  if (!g_program_folder->Empty()) ::SetCurrentDirectoryA(g_program_folder->CStr());
}

TextView ProgramFolder() noexcept { return g_program_folder != nullptr ? g_program_folder->View() : TextView(); }

void CreateNotifyWindow() noexcept {
  HINSTANCE instance = ::GetModuleHandleA(nullptr);
  WNDCLASSA window_class = {};
  window_class.lpfnWndProc = &NotifyWindowProc;
  window_class.hInstance = instance;
  window_class.hCursor = ::LoadCursorA(nullptr, MAKEINTRESOURCEA(32512));  // IDC_ARROW
  window_class.lpszClassName = kNotifyWindowClass;
  ::RegisterClassA(&window_class);
  HWND window =
      ::CreateWindowExA(WS_EX_TOOLWINDOW, kNotifyWindowClass, "", 0, 0, 0, 0, 0, nullptr, nullptr, instance, nullptr);
  g_notify_window.store(window);
}

void RecordWindowThread() noexcept { g_window_thread.store(::GetCurrentThreadId()); }

void ResetFloatingPoint() noexcept { ResetFloatingPointUnit(); }

void RegisterExitCleanup(void (*routine)()) noexcept { g_exit_cleanup.store(routine); }

bool OnWindowThread() noexcept { return ::GetCurrentThreadId() == g_window_thread.load(); }

void RunOnWindowThread(void (*routine)(void*), void* context) {
  if (OnWindowThread()) {
    routine(context);
    return;
  }
  WindowThreadRequest request{routine, context};
  HWND notify = g_notify_window.load();
  if (notify != nullptr && !g_ending.load() &&
      ::SendMessageA(notify, kRunRequestMessage, 0, reinterpret_cast<LPARAM>(&request)) == 1) {
    return;
  }
  // Not served: the window thread is ending the program (or has no notify window, which only happens
  // before the start steps, when no second thread can exist).
  WaitForProcessEnd();
}

bool EventsHeld() noexcept { return g_event_hold.load() > 0; }
void HoldEvents() noexcept { g_event_hold.fetch_add(1); }
void ReleaseEventHold() noexcept { g_event_hold.fetch_sub(1); }

void SetWindowLayerHooks(const WindowLayerHooks& hooks) noexcept { g_window_layer = hooks; }

void EndProgram(std::int32_t code) {
  HoldEvents();
  if (!OnWindowThread()) {
    HWND notify = g_notify_window.load();
    if (notify != nullptr && !g_end_claimed.load()) {
      // The window thread runs the end procedure and ends the process; this call does not come back
      // unless the window thread has already begun an end of its own.
      ::SendMessageA(notify, kEndRequestMessage, static_cast<WPARAM>(static_cast<DWORD>(code)), 0);
    }
    if (g_end_claimed.exchange(true)) WaitForProcessEnd();
    ::ExitProcess(static_cast<UINT>(code));
  }
  if (g_end_claimed.exchange(true)) WaitForProcessEnd();
  RunEndSteps();
  ::ExitProcess(static_cast<UINT>(code));
}

void EndAfterMessageLoop() {
  if (g_end_claimed.exchange(true)) WaitForProcessEnd();
  RunEndSteps();
}

void ReportRuntimeError(TextView message, std::int32_t code) {
  HoldEvents();
  // Composed on the stack: the report must also work when the heap has run out.
  std::array<char, kErrorTextCapacity> text;
  ComposeErrorText(message, code, text);
  ::MessageBoxA(nullptr, text.data(), "错误", MB_ICONERROR);
  g_exit_cleanup.store(nullptr);
  EndProgram(-1);
}

void RaiseRuntimeError(std::int32_t code) { ReportRuntimeError(RuntimeErrorMessage(code), code); }

}  // namespace setup
