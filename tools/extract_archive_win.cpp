// On Windows the tool's arguments are Windows paths already.
#include "tools/extract_archive.h"

namespace setup {

Text ToolPath(const char* argument) { return Text(argument); }

}  // namespace setup
