// How the setup logic reaches the window: numbered properties of numbered controls, nothing else.
// The setup logic holds no window object; it names a window definition, a control and a property
// number (and an element index, -1 for the whole value) and reads or writes the value.
//
// Calls may come from the window thread or from the installation worker. A write has taken effect
// when the call returns; a read gives the control's stored value. Accesses that name a window
// definition that is not loaded, or a control property of a control whose native window does not exist,
// end the program through the run-time error report (they do not return).
#pragma once

#include <cstdint>

#include "platform/text.h"

namespace setup {

// One property of one control of one window definition.
struct Property {
  std::uint32_t window;   // window definition identifier
  std::uint32_t control;  // control identifier (the window itself has its own identifier)
  std::int32_t number;    // property number
  std::int32_t element = -1;
};

class WindowAccess {
 public:
  virtual ~WindowAccess() = default;

  // Integers, booleans (0/1), colours and window handles' stand-ins are integers.
  virtual void WriteInteger(const Property& property, std::int32_t value) = 0;
  virtual void WriteText(const Property& property, TextView value) = 0;
  // A picture is a byte set holding a complete image file; it is decoded when written.
  virtual void WritePicture(const Property& property, ByteSet picture) = 0;

  [[nodiscard]] virtual std::int32_t ReadInteger(const Property& property) = 0;
  [[nodiscard]] virtual Text ReadText(const Property& property) = 0;
};

}  // namespace setup
