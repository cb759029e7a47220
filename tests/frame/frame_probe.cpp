// A test-only program: the real frame and main window, with handlers chosen by the environment variable
// SETUP_PROBE_MODE, so that the GUI tests can raise run-time errors on either thread, end the program
// from a second thread and write properties from a worker. The shipped setup.exe has none of this.
//
// Every mode's created handler does what the setup logic's does to the window (width 250, height 400,
// top 300) and first checks that the window is still hidden (exit code 70 otherwise) and that its
// class has the program icon in both sizes (exit code 74 otherwise).
//
// Modes (the install button's click starts the action unless said otherwise):
//   error-window-thread   run-time error 4 on the window thread
//   error-worker          run-time error 1 on a second thread
//   missing-library       a declared function of a library that does not exist
//   missing-system-export a declared function without library text that no system library exports
//   end-from-worker       a second thread asks EndProgram(3); the window thread goes on
//   end-race              a second thread asks EndProgram(5) while the window thread asks EndProgram(6)
//   worker-writes         a worker shows the progress bar and raises the archive component's progress
//                         event over and over; its handler writes the bar and the status line
//   writes-at-start       the created handler shows the bar with position 150 (maximum 100) and checks
//                         the reads (exit code 71 when they are wrong), gives the install button the
//                         finished picture as normal and hot picture, and the logo box bytes that are
//                         no picture
//   access-unloaded       a property write to a window definition that is not loaded
//   access-destroyed      a caption write to the status line after its native window was destroyed
//   allocation-refused    an operator new that the heap refuses
//   container-too-large   a vector asked to reserve more than it can ever hold
//   declared-calls        the created handler calls declared functions of every library of the table
//                         (exit code 72 when one gives a wrong result)
//   plain-load            before anything else, loads dwmapi.dll the plain way and ends (exit 0)
// clang-format off
#include <windows.h>
#include <tlhelp32.h>
// clang-format on

#include <atomic>
#include <cstdint>
#include <cstring>
#include <limits>
#include <new>
#include <string>
#include <vector>

#include "frame/declared_functions_win.h"
#include "frame/program.h"
#include "payload/file_layer.h"
#include "platform/services_win.h"
#include "resources/pictures.h"
#include "window/archive_command_win.h"
#include "window/archive_component.h"
#include "window/main_window_ids.h"
#include "window/native_handle.h"

namespace {

using setup::SetupContext;

std::string Mode() {
  char value[64] = {};
  const DWORD n = GetEnvironmentVariableA("SETUP_PROBE_MODE", value, sizeof value);
  return n < sizeof value ? std::string(value, n) : std::string();
}

const std::string& CurrentMode() {
  static const std::string mode = Mode();
  return mode;
}

void StartThread(LPTHREAD_START_ROUTINE routine) {
  DWORD id = 0;
  HANDLE thread = CreateThread(nullptr, 0, routine, nullptr, 0, &id);
  if (thread != nullptr) CloseHandle(thread);
}

std::atomic<bool> g_race_go{false};
// Where an allocation that should never succeed goes, so that the compiler keeps it.
void* volatile g_allocation = nullptr;

DWORD WINAPI RaiseErrorOnWorker(LPVOID) {
  setup::ProgramContext().runtime.RaiseRuntimeError(setup::kIndexAboveCount);
  return 0;
}

DWORD WINAPI EndOnWorker(LPVOID) {
  setup::ProgramContext().runtime.EndProgram(3);
  return 0;
}

DWORD WINAPI EndRaceWorker(LPVOID) {
  while (!g_race_go.load()) {
  }
  setup::ProgramContext().runtime.EndProgram(5);
  return 0;
}

DWORD WINAPI WriteFromWorker(LPVOID) {
  SetupContext& context = setup::ProgramContext();
  context.window.WriteInteger(setup::kProgressVisible, 1);
  for (;;) {
    for (std::int32_t percent = 0; percent <= 100; percent += 5) {
      if (!setup::RaiseArchiveProgress(percent)) return 0;
    }
  }
}

void OnWindowCreated(SetupContext& context) {
  const setup::Property visible{setup::kMainWindowDefinition, setup::kMainWindowControl, setup::kPropVisible};
  if (context.window.ReadInteger(visible) != 0) ExitProcess(70);
  HWND window =
      reinterpret_cast<HWND>(setup::NativeWindowHandle(setup::kMainWindowDefinition, setup::kMainWindowControl));
  if (GetClassLongPtrA(window, GCLP_HICON) == 0 || GetClassLongPtrA(window, GCLP_HICONSM) == 0) ExitProcess(74);
  context.window.WriteInteger(setup::kWindowWidth, 250);
  context.window.WriteInteger(setup::kWindowHeight, 400);
  context.window.WriteInteger(setup::kWindowTop, 300);

  if (CurrentMode() == "writes-at-start") {
    context.window.WriteInteger(setup::kProgressVisible, 1);
    context.window.WriteInteger(setup::kProgressPosition, 150);
    if (context.window.ReadInteger(setup::kProgressPosition) != 150) ExitProcess(71);
    if (context.window.ReadInteger(setup::kProgressMaximum) != 100) ExitProcess(71);
    const setup::Property minimum{setup::kMainWindowDefinition, setup::kProgressBar, 11};
    context.window.WriteInteger(minimum, -5);
    if (context.window.ReadInteger(minimum) != 0) ExitProcess(71);
    context.window.WriteInteger(setup::kProgressMaximum, 40000);
    if (context.window.ReadInteger(setup::kProgressMaximum) != 32767) ExitProcess(71);
    context.window.WriteInteger(setup::kProgressMaximum, 100);
    context.window.WritePicture(setup::kInstallButtonNormalPicture, setup::FinishedPicture());
    context.window.WritePicture(setup::kInstallButtonHotPicture, setup::FinishedPicture());
    static const std::uint8_t kNoPicture[] = {1, 0, 0, 0, 4, 0, 0, 0, 'n', 'o', 'p', 'e'};
    const setup::Property logo{setup::kMainWindowDefinition, setup::kLogoBox, 10};
    context.window.WritePicture(logo, setup::ByteSet(kNoPicture, sizeof kNoPicture));
  } else if (CurrentMode() == "declared-calls") {
    setup::DeclaredFunctions& functions = context.functions;
    std::uint64_t available = 0;
    if (!functions.GetDiskFreeSpaceEx("C:\\", &available, nullptr, nullptr) || available == 0) ExitProcess(72);
    const setup::NativeHandle snapshot = functions.CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == 0) ExitProcess(72);
    setup::ProcessEntry entry;
    bool found_self = false;
    for (bool more = functions.Process32First(snapshot, entry); more; more = functions.Process32Next(snapshot, entry)) {
      if (_stricmp(entry.exe_file, "frame_probe.exe") == 0) found_self = true;
    }
    if (!functions.CloseHandle(snapshot) || !found_self) ExitProcess(72);
    setup::ItemList desktop = 0;
    if (functions.ShGetFolderLocation(0, 0 /* CSIDL_DESKTOP */, 0, 0, &desktop) != 0 || desktop == 0) ExitProcess(72);
    functions.CoTaskMemFree(desktop);
    if (functions.CoInitialize() < 0) ExitProcess(72);
    functions.CoUninitialize();
  }
}

void OnInstallClicked(SetupContext& context) {
  const std::string& mode = CurrentMode();
  if (mode == "error-window-thread") {
    context.runtime.RaiseRuntimeError(setup::kIndexBelowOne);
  } else if (mode == "error-worker") {
    StartThread(&RaiseErrorOnWorker);
  } else if (mode == "missing-library") {
    static const setup::DeclaredFunctionRow row{"setup_missing_library", "MissingExport"};
    static setup::DeclaredFunctionBinding binding;
    setup::CallDeclaredFunction(row, binding, {});
  } else if (mode == "missing-system-export") {
    static const setup::DeclaredFunctionRow row{"", "NoSuchSystemExport"};
    static setup::DeclaredFunctionBinding binding;
    setup::CallDeclaredFunction(row, binding, {});
  } else if (mode == "end-from-worker") {
    StartThread(&EndOnWorker);
  } else if (mode == "end-race") {
    StartThread(&EndRaceWorker);
    g_race_go.store(true);
    context.runtime.EndProgram(6);
  } else if (mode == "worker-writes") {
    StartThread(&WriteFromWorker);
  } else if (mode == "access-unloaded") {
    context.window.WriteInteger(setup::Property{0x52010002, setup::kMainWindowControl, setup::kPropTop}, 1);
  } else if (mode == "allocation-refused") {
    g_allocation = ::operator new(std::numeric_limits<std::size_t>::max() / 2);
  } else if (mode == "container-too-large") {
    std::vector<std::uint64_t> values;
    values.reserve(values.max_size() + 1);
    g_allocation = values.data();
  } else if (mode == "access-destroyed") {
    DestroyWindow(reinterpret_cast<HWND>(setup::NativeWindowHandle(setup::kMainWindowDefinition, setup::kStatusLabel)));
    context.window.WriteText(setup::kStatusCaption, "x");
  }
}

void OnExtractProgress(SetupContext& context, std::int32_t percent) {
  context.window.WriteInteger(setup::kProgressPosition, percent);
  if (context.window.ReadInteger(setup::kProgressPosition) != percent) context.runtime.EndProgram(73);
  const std::string status = "已完成 " + std::to_string(percent) + "%";
  context.window.WriteText(setup::kStatusCaption, status);
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  if (CurrentMode() == "plain-load") {
    LoadLibraryA("dwmapi.dll");
    return 0;
  }
  // Never destroyed: a worker may still use the services while the process ends.
  static setup::Win32Services* const services = new setup::Win32Services(&setup::NativeWindowHandle);
  const setup::MainWindowHandlers handlers{
      .on_window_created = &OnWindowCreated,
      .on_install_dir_pressed = nullptr,
      .on_install_clicked = &OnInstallClicked,
      .on_extract_progress = &OnExtractProgress,
  };
  static setup::ComponentArchiveCommand* const archive = new setup::ComponentArchiveCommand();
  return setup::RunSetupProgram(handlers, *services, setup::SystemFileLayer(), *archive);
}
