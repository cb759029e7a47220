// The program's own folder, from its path. Portable and pure.
#pragma once

#include "platform/text.h"

namespace setup {

// `module_path` cut at its last backslash, found by a walk that steps over two-byte characters (so the
// second byte of a character such as 0xBC 0x5C is never taken for a backslash). No trailing backslash;
// a path without a backslash gives the empty text.
[[nodiscard]] Text ProgramFolderOf(TextView module_path);

}  // namespace setup
