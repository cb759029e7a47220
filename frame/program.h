// The setup program as a whole: the start sequence, the main window with the handlers of the setup
// logic, the message loop and the end. WinMain fills in the handlers and runs it.
#pragma once

#include <cstdint>

#include "platform/services.h"
#include "setup/setup_context.h"

namespace setup {

// The handlers of the main window's events (the bindings are part of the window definition). A handler
// left null is not bound: its event runs nothing. The close mark's handler, which ends the program with
// exit code 0, is the frame's own.
struct MainWindowHandlers {
  void (*on_window_created)(SetupContext&) = nullptr;       // window, created
  void (*on_install_dir_pressed)(SetupContext&) = nullptr;  // install-folder label, left button pressed
  void (*on_install_clicked)(SetupContext&) = nullptr;      // install button, clicked
  void (*on_extract_progress)(SetupContext&, std::int32_t percent) = nullptr;  // archive component, progress
};

// Runs the setup program with these services, file layer and archive command on the calling thread, which becomes the window thread: the start sequence,
// LoadWindow of the main window, the message loop. Ends the process itself on every end but one: when
// the message loop ends because the last window was destroyed from outside, the end procedure runs and
// this returns the exit code for WinMain to return (0). `window` replaces the window access that the
// handlers' context uses (a test build passes one that records the writes and passes them on); null
// means SystemWindowAccess(). It must live until the process ends.
int RunSetupProgram(const MainWindowHandlers& handlers, SystemServices& services, FileLayer& files,
                    ArchiveCommand& archive, WindowAccess* window = nullptr);

// The context the handlers run with; valid from the start sequence on. Any thread.
[[nodiscard]] SetupContext& ProgramContext() noexcept;

}  // namespace setup
