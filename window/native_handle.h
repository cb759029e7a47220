// The native window handle of a control, for the system services (message boxes owned by the window,
// the folder browser). Any thread.
#pragma once

#include <cstdint>

namespace setup {

// The native handle of `control` of the loaded window definition `window` (the window itself has its
// own control identifier), or 0 when the window is not loaded, the control is not on it, or its native
// window does not exist.
[[nodiscard]] std::uintptr_t NativeWindowHandle(std::uint32_t window, std::uint32_t control);

}  // namespace setup
