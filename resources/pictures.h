// The pictures built into the program, as byte sets (a 32-bit little-endian dimension count of 1, a
// 32-bit little-endian length N, then the N bytes of a JPEG file). The data is generated at build time
// from the .jpg files of this folder. Constant data: callable from any thread.
#pragma once

#include "platform/text.h"

namespace setup {

// The install button's normal face ("安装" on teal), 220 x 80.
[[nodiscard]] ByteSet InstallButtonPicture() noexcept;
// The install button's hot face (the same on a lighter, greyer blue), 220 x 80.
[[nodiscard]] ByteSet InstallButtonHotPicture() noexcept;
// The finished face ("完成" on teal), 220 x 80, that the completion writes into the install button.
[[nodiscard]] ByteSet FinishedPicture() noexcept;
// The logo (a white flame on a medium-blue ground), 424 x 534.
[[nodiscard]] ByteSet LogoPicture() noexcept;

}  // namespace setup
