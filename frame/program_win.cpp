#include "frame/declared_functions_win.h"
#include "frame/frame.h"
#include "frame/program.h"
#include "window/main_window_ids.h"
#include "window/window_layer.h"

namespace setup {
namespace {

class SystemRuntime final : public Runtime {
 public:
  void RaiseRuntimeError(std::int32_t code) override { setup::RaiseRuntimeError(code); }
  void EndProgram(std::int32_t code) override { setup::EndProgram(code); }
};

// Program state, made by the start sequence and kept for the life of the process: a worker may still
// hold the context while the process ends, so the object is never destroyed. Its globals are released
// by ExitCleanup.
struct Program {
  Program(const MainWindowHandlers& main_handlers, SystemServices& services, FileLayer& files, ArchiveCommand& archive,
          WindowAccess& window)
      : handlers(main_handlers), context{window, runtime, services, functions, state, files, archive} {}

  MainWindowHandlers handlers;
  SystemRuntime runtime;
  DeclaredFunctionsWin functions;
  SetupState state;
  SetupContext context;
};
Program* g_program = nullptr;

// The exit clean-up: every element of the product list, the list, the product name and the product
// list text.
void ExitCleanupRoutine() {
  if (g_program != nullptr) ExitCleanup(g_program->state);
}

// The close mark's handler: ends the program with exit code 0, also while the worker runs.
void OnCloseRequested(SetupContext& context) { context.runtime.EndProgram(0); }

HandlerReply InvokeHandler(HandlerSlot slot, std::span<const std::int32_t> arguments) {
  const MainWindowHandlers& handlers = g_program->handlers;
  SetupContext& context = g_program->context;
  auto run = [&](void (*handler)(SetupContext&)) {
    if (handler == nullptr) return HandlerReply::kNoHandler;
    handler(context);
    return HandlerReply::kNoValue;
  };
  switch (slot) {
    case HandlerSlot::kOnWindowCreated:
      return run(handlers.on_window_created);
    case HandlerSlot::kOnInstallDirPressed:
      return run(handlers.on_install_dir_pressed);
    case HandlerSlot::kOnCloseRequested:
      return run(&OnCloseRequested);
    case HandlerSlot::kOnInstallClicked:
      return run(handlers.on_install_clicked);
    case HandlerSlot::kOnExtractProgress:
      if (handlers.on_extract_progress == nullptr) return HandlerReply::kNoHandler;
      handlers.on_extract_progress(context, arguments.empty() ? 0 : arguments[0]);
      return HandlerReply::kNoValue;
  }
  return HandlerReply::kNoHandler;
}

}  // namespace

SetupContext& ProgramContext() noexcept { return g_program->context; }

int RunSetupProgram(const MainWindowHandlers& handlers, SystemServices& services, FileLayer& files,
                    ArchiveCommand& archive, WindowAccess* window) {
  // Before anything loads a library: only the system folder is searched from here on.
  RestrictLibrarySearch();
  // Frame start.
  InstallHeapFailureReport();
  InitializeOle();
  EnterProgramFolder();
  CreateNotifyWindow();
  RecordWindowThread();
  RegisterDeclaredFunctions();
  ResetFloatingPoint();
  // The global setup state, with an empty product list, and the handlers' context.
  g_program = new Program(handlers, services, files, archive, window != nullptr ? *window : SystemWindowAccess());
  RegisterExitCleanup(&ExitCleanupRoutine);
  LoadWindow(kMainWindowDefinition, &InvokeHandler);
  RunMessageLoop();
  // The last window was destroyed from outside: the end procedure, then back to the C run time.
  EndAfterMessageLoop();
  return 0;
}

}  // namespace setup
