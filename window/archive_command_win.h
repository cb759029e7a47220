// The archive component's command on Windows: the extraction, with the progress event raised through
// the component (which skips it once the component's window is gone).
#pragma once

#include "window/archive_command.h"

namespace setup {

class ComponentArchiveCommand final : public ArchiveCommand {
 public:
  // Any thread; the progress event runs on the calling thread.
  std::int32_t ExtractArchive(TextView archive, TextView destination) override;
};

}  // namespace setup
