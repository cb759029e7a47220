// Decodes the JPEG pictures of the window into 32-bit pixels. Portable; safe on any thread.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace setup {

// A decoded picture: rows from the top, each pixel four bytes blue, green, red, unused (the layout of a
// 32-bit top-down device-independent bitmap).
struct DecodedPicture {
  std::int32_t width = 0;
  std::int32_t height = 0;
  std::vector<std::uint8_t> pixels;  // width * height * 4 bytes
};

// Pictures larger than this on either side, or with more pixels than kMaxPicturePixels, are refused.
inline constexpr std::int32_t kMaxPictureSide = 8192;
inline constexpr std::int64_t kMaxPicturePixels = 16 * 1024 * 1024;

// The decoded picture, or nothing when the bytes are not a JPEG file that can be decoded completely
// (truncated, corrupt, an unsupported colour space, too large). Never ends the program.
[[nodiscard]] std::optional<DecodedPicture> DecodeJpeg(std::span<const std::uint8_t> bytes);

}  // namespace setup
