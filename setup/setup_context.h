// Everything a handler of the setup logic reaches: the window by property numbers, the frame, the
// system services, the declared system functions, the file layer, the archive component's command and
// the global setup state. The frame builds one
// context with the real implementations; tests build one with fakes.
#pragma once

#include "frame/declared_functions.h"
#include "frame/runtime.h"
#include "frame/setup_state.h"
#include "payload/file_layer.h"
#include "platform/services.h"
#include "window/archive_command.h"
#include "window/window_access.h"

namespace setup {

struct SetupContext {
  WindowAccess& window;
  Runtime& runtime;
  SystemServices& services;
  DeclaredFunctions& functions;
  SetupState& state;
  FileLayer& files;
  ArchiveCommand& archive;
};

}  // namespace setup
