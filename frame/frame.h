// The program frame's own state and operations: the window thread, the notify window, the event hold,
// the exit clean-up, the end of the program and the run-time error report.
//
// Threads: the window thread is the thread that runs the start steps below; the installation worker
// is any other thread. Every operation says which thread may call it.
//
// How the worker and the window thread share the window layer: nothing of the window layer is touched
// on the worker. A worker that reads or writes a property, or asks for a native handle, hands the
// request to the window thread with a synchronous message (RunOnWindowThread) and waits for it. So the
// end procedure, which runs only on the window thread, may release every window object: no other
// thread holds one. A worker whose request arrives after the end has begun is not served; it waits
// until the process ends.
#pragma once

#include <cstdint>
#include <type_traits>

#include "platform/text.h"

namespace setup {

// ---- Start steps, on the thread that becomes the window thread, in this order ----

// Restricts where libraries are loaded from to the system folder, for this process: neither the
// program's folder nor the current folder is searched. Runs first, before any library is loaded.
void RestrictLibrarySearch() noexcept;
// Installs the heap failure handler: a request the process heap refuses ends through the error report.
void InstallHeapFailureReport() noexcept;
// OleInitialize(null), once; its result is not looked at, the OLE flag is set in any case.
void InitializeOle() noexcept;
// Finds the program's own folder and makes it the current folder.
void EnterProgramFolder();
// Creates the notify window (a hidden tool window that takes the end and request messages).
void CreateNotifyWindow() noexcept;
// Records the calling thread as the window thread.
void RecordWindowThread() noexcept;
// Resets the floating-point unit: extended precision, rounding to nearest, all exceptions masked.
void ResetFloatingPoint() noexcept;

// The program's own folder, without a trailing backslash (set by EnterProgramFolder).
[[nodiscard]] TextView ProgramFolder() noexcept;

// ---- Exit clean-up ----

// Registers the one exit clean-up routine (replacing any earlier one). Window thread.
void RegisterExitCleanup(void (*routine)()) noexcept;

// ---- Threads ----

[[nodiscard]] bool OnWindowThread() noexcept;

// Runs `routine(context)` on the window thread and returns once it has run: at once on the window
// thread, from any other thread through a synchronous message to the notify window (the window thread
// serves it from its message loop, also while a message box is open there). When the program is
// already ending the request is not served and the calling thread waits here until the process ends.
void RunOnWindowThread(void (*routine)(void* context), void* context);

// The same for a callable object: RunOnWindowThread([&] { ... }).
template <typename Callable>
void RunOnWindowThread(Callable&& callable) {
  using Function = std::remove_reference_t<Callable>;
  RunOnWindowThread([](void* context) { (*static_cast<Function*>(context))(); },
                    const_cast<void*>(static_cast<const void*>(&callable)));
}

// ---- Events ----

// While the hold count is above zero, the event dispatch starts no handler. Any thread.
[[nodiscard]] bool EventsHeld() noexcept;
void HoldEvents() noexcept;
// Lowers the hold count again (LoadWindow, after creating a window). Window thread.
void ReleaseEventHold() noexcept;

// ---- End ----

// What the end procedure asks of the window layer, registered by it when it loads a window.
struct WindowLayerHooks {
  void (*drop_idle_work)() = nullptr;   // stop the idle work of the message loop
  void (*release_windows)() = nullptr;  // destroy every loaded window and free its objects
};
void SetWindowLayerHooks(const WindowLayerHooks& hooks) noexcept;

// Ends the program with `code`; never returns. Any thread: on another thread the end is handed to the
// window thread, which runs the end procedure (windows released, exit clean-up, bound libraries freed,
// notify window destroyed, OLE uninitialised) and ends the process. When two threads ask at the same
// moment the process still ends exactly once, with the code of the first end that began.
[[noreturn]] void EndProgram(std::int32_t code);

// The end procedure without its last step, for the window thread after the message loop has ended by
// itself (the last window was destroyed from outside). The caller then returns from the program.
void EndAfterMessageLoop();

// ---- Run-time errors ----

// Shows the run-time error box (title "错误", an error icon, one OK button, no owner) on the calling
// thread and ends the program with exit code -1 without running the exit clean-up. Any thread. No
// event handler starts from the moment the report begins.
[[noreturn]] void ReportRuntimeError(TextView message, std::int32_t code);
// ReportRuntimeError with the message of `code` in the run-time error table.
[[noreturn]] void RaiseRuntimeError(std::int32_t code);

}  // namespace setup
