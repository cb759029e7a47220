// What the control kinds need from the window layer (window thread).
#pragma once

#include <cstdint>
#include <span>

#include "window/window_layer.h"

namespace setup {

class Control;

// RaiseEvent with the arguments as a span.
HandlerReply RaiseEventWithArguments(std::uint32_t window, std::uint32_t control, std::int32_t event,
                                     std::span<const std::int32_t> arguments);

// The window control of a loaded definition is losing its native window.
void WindowLayerNativeWindowGone(const Control& window);

}  // namespace setup
