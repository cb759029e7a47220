// Everything a handler of the setup logic reaches, made of fakes, with an empty setup state.
#pragma once

#include "frame/setup_state.h"
#include "setup/setup_context.h"
#include "tests/fakes/fake_archive.h"
#include "tests/fakes/fake_functions.h"
#include "tests/fakes/fake_runtime.h"
#include "tests/fakes/fake_services.h"
#include "tests/fakes/fake_window.h"

namespace setup::fakes {

struct FakeSetup {
  FakeWindow window;
  FakeRuntime runtime;
  FakeServices services;
  FakeFunctions functions;
  SetupState state;
  FakeFileLayer files{services};
  FakeArchiveCommand archive;
  SetupContext context{window, runtime, services, functions, state, files, archive};
};

}  // namespace setup::fakes
