// Writes 8-bit RGB pictures as PNG files (for screenshots that tests keep as artefacts).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace setup::testing {

// `rgb` holds width * height pixels, 3 bytes each, rows from the top. Returns false when the file
// cannot be written.
bool WritePng(const std::string& path, int width, int height, const std::vector<std::uint8_t>& rgb);

}  // namespace setup::testing
