// The archive component's one command as the setup logic sees it: extract an archive into a folder,
// raising the component's progress event (event 1) on the calling thread after each entry.
#pragma once

#include <cstdint>

#include "platform/text.h"

namespace setup {

class ArchiveCommand {
 public:
  virtual ~ArchiveCommand() = default;
  // Extracts every entry of the ZIP archive `archive` into the folder `destination`. The progress event
  // goes to the handler bound to the component, on this thread, inside the call. 1 when the extraction
  // ran to its end or was stopped by the handler, 0 when it failed, -1 when `archive` does not exist.
  virtual std::int32_t ExtractArchive(TextView archive, TextView destination) = 0;
};

}  // namespace setup
