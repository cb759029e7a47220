// The setup program's entry point. It reads no command line: it binds the setup logic's handlers to the
// main window and runs the program.
#include <windows.h>

#include "frame/program.h"
#include "platform/services_win.h"
#include "window/native_handle.h"

namespace {

// The handlers of the setup logic, by the event they are bound to. A handler not filled in yet leaves
// its event without effect; until the created event's handler exists, the install-folder label shows
// its design-time sample path.
constexpr setup::MainWindowHandlers kHandlers{
    .on_window_created = nullptr,
    .on_install_dir_pressed = nullptr,
    .on_install_clicked = nullptr,
    .on_extract_progress = nullptr,
};

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  // Never destroyed: a worker may still use the services while the process ends.
  static setup::Win32Services* const services = new setup::Win32Services(&setup::NativeWindowHandle);
  return setup::RunSetupProgram(kHandlers, *services);
}
