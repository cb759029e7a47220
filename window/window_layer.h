// The window layer: loads windows from their definition, runs the message loop, dispatches events to
// the program's handlers and gives the setup logic its property access.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <span>

#include "window/window_access.h"
#include "window/window_definition.h"

namespace setup {

// What an event's handler gave back.
enum class HandlerReply : std::uint8_t {
  kNoHandler,  // no handler ran: none is bound, or events are held
  kNoValue,    // the handler ran and gave no value (every handler of this program)
  kTrue,
  kFalse,  // the handler asks the control to cancel what the event announced
};

// Runs the handler in `slot` with the event's arguments, on the raising thread. Supplied by the program.
using HandlerInvoker = HandlerReply (*)(HandlerSlot slot, std::span<const std::int32_t> arguments);

// Events of the window itself besides created (0): raised once by LoadWindow after the created event,
// and the idle event raised when the window thread's queue runs empty.
inline constexpr std::int32_t kEventWindowMoved = 3;
inline constexpr std::int32_t kEventWindowResized = 4;
inline constexpr std::int32_t kEventIdle = 7;

// Loads window definition `definition`: creates the window and its controls hidden while events are held,
// shows the visible controls, raises the created event, shows the window. A hidden control that needs
// the common controls (the progress bar) gets its native window once the window is shown, or earlier
// at the first access to it, so that every access finds it as if it had been made with the others.
// Handlers are run through `invoker`. A definition the program does not have, or a window the system refuses to create, ends
// the program through the error report. Window thread.
void LoadWindow(std::uint32_t definition, HandlerInvoker invoker);

// The message loop; returns when WM_QUIT arrives, which the layer posts when the last loaded window has
// been destroyed. Window thread.
void RunMessageLoop();

// Raises `event` of `control` on the calling thread (any thread). Runs no handler while events are held
// or when none is bound. Naming a window that is not loaded, or a control that is not on it, ends the
// program through the error report.
HandlerReply RaiseEvent(std::uint32_t window, std::uint32_t control, std::int32_t event,
                        std::initializer_list<std::int32_t> arguments = {});

// The property access of the setup logic. Any thread: accesses from another thread are carried out on
// the window thread, and a write has taken effect when the call returns.
WindowAccess& SystemWindowAccess() noexcept;

}  // namespace setup
