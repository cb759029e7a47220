// What the extract_archive tool needs of its platform.
#pragma once

#include "platform/text.h"

namespace setup {

// A command-line path as the file layer of this platform names it.
[[nodiscard]] Text ToolPath(const char* argument);

}  // namespace setup
