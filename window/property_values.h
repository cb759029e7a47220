// How written property values are limited, and what a progress bar shows. Portable and pure.
#pragma once

#include <algorithm>
#include <cstdint>

#include "window/window_definition.h"

namespace setup {

inline constexpr std::int32_t kPlaceLimit = 32627;     // left/top: -32627..32627; width/height: 0..32627
inline constexpr std::int32_t kProgressLimit = 32767;  // progress minimum, maximum and position: 0..32767

constexpr std::int32_t ClampEdge(std::int32_t value) noexcept { return std::clamp(value, -kPlaceLimit, kPlaceLimit); }
constexpr std::int32_t ClampExtent(std::int32_t value) noexcept { return std::clamp(value, 0, kPlaceLimit); }
constexpr std::int32_t ClampProgressValue(std::int32_t value) noexcept { return std::clamp(value, 0, kProgressLimit); }
// Any value other than 0 is a set boolean.
constexpr std::int32_t NormalizeBoolean(std::int32_t value) noexcept { return value != 0 ? 1 : 0; }

// Border styles 0..5 (labels 0..6); a value outside counts as the nearer end.
constexpr std::int32_t ClampBorderStyle(ControlKind kind, std::int32_t value) noexcept {
  return std::clamp(value, 0, kind == ControlKind::kLabel || kind == ControlKind::kTransparentLabel ? 6 : 5);
}
// Picture box display modes 0..2.
constexpr std::int32_t ClampDisplayMode(std::int32_t value) noexcept { return std::clamp(value, 0, 2); }
// Mouse pointers: an unknown pointer is the default one.
constexpr std::int32_t ClampMousePointer(std::int32_t value) noexcept {
  return value >= 0 && value <= kPointerLast ? value : kPointerDefault;
}

// A progress bar's stored values (each clamped when written) and what the bar shows from them.
struct ProgressValues {
  std::int32_t minimum = 0;
  std::int32_t maximum = 100;
  std::int32_t position = 0;

  // The bar's range runs from the smaller to the larger of the stored minimum and maximum.
  [[nodiscard]] constexpr std::int32_t RangeLow() const noexcept { return std::min(minimum, maximum); }
  [[nodiscard]] constexpr std::int32_t RangeHigh() const noexcept { return std::max(minimum, maximum); }
  // The stored position limited to the stored minimum and maximum: min(maximum, max(position, minimum)).
  [[nodiscard]] constexpr std::int32_t Shown() const noexcept { return std::min(maximum, std::max(position, minimum)); }
};

}  // namespace setup
