// Whether the product about to be installed is running.
#pragma once

#include "platform/text.h"
#include "setup/setup_context.h"

namespace setup {

// True when some process's executable file name equals `exe_name` (a bare file name such as
// "Marnobe.exe"), ASCII letters compared without regard to case, the whole name. A process list that
// cannot be taken or read counts as no such process. The snapshot is always closed. Any thread.
[[nodiscard]] bool IsProcessRunning(SetupContext& context, TextView exe_name);

}  // namespace setup
