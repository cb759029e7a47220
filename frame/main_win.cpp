// The setup program's entry point. It reads no command line: it binds the setup logic's handlers to the
// main window and runs the program.
#include <windows.h>

#include "frame/program.h"
#include "payload/file_layer.h"
#include "platform/services_win.h"
#include "setup/folder_picker.h"
#include "setup/installation.h"
#include "setup/product.h"
#include "window/archive_command_win.h"
#include "window/native_handle.h"

namespace {

// The handlers of the setup logic, by the event they are bound to.
constexpr setup::MainWindowHandlers kHandlers{
    .on_window_created = &setup::OnWindowCreated,
    .on_install_dir_pressed = &setup::OnInstallDirPressed,
    .on_install_clicked = &setup::OnInstallClicked,
    .on_extract_progress = &setup::OnExtractProgress,
};

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  // Never destroyed: a worker may still use them while the process ends.
  static setup::Win32Services* const services = new setup::Win32Services(&setup::NativeWindowHandle);
  static setup::ComponentArchiveCommand* const archive = new setup::ComponentArchiveCommand();
  return setup::RunSetupProgram(kHandlers, *services, setup::SystemFileLayer(), *archive);
}
