// The archive component's side of the extraction: raising its progress event. The component itself is a
// control of the window (it draws nothing); the extraction calls this on its own thread.
#pragma once

#include <cstdint>

#include "window/main_window_ids.h"

namespace setup {

// Raises event 1 (progress) of the archive component `control` of window `window` with `percent`, on the
// calling thread (any thread). When the component's native window no longer exists the event is
// skipped. Gives false when the handler answered false and the component still exists afterwards: the
// extraction is to stop. Otherwise true.
[[nodiscard]] bool RaiseArchiveProgress(std::int32_t percent, std::uint32_t window = kMainWindowDefinition,
                                        std::uint32_t control = kArchiveComponent);

}  // namespace setup
