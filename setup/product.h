// Which product this setup installs and the folder it proposes for it.
//
// The install folder is held in one place only, the caption of the label 标签_安装目录
// (kInstallDirCaption): it is written when the window is created and when a folder is picked, and
// every later step reads it back from there (InstallDir).
#pragma once

#include <cstdint>

#include "platform/text.h"
#include "setup/setup_context.h"

namespace setup {

// The build's brand number (a key of the brand table) and product number (counting from 1), set by the
// CMake cache variables SETUP_BRAND_NO and SETUP_PRODUCT_NO.
inline constexpr std::int32_t kSelectedBrandNo = SETUP_BRAND_NO;
inline constexpr std::int32_t kSelectedProductNo = SETUP_PRODUCT_NO;

// A drive at or above this much free space, in megabytes, is proposed for the install folder.
inline constexpr std::int64_t kRequiredFreeMB = 1000;

// The total free space of `drive` (for example "d:") in whole megabytes, cut toward zero; 0 when the
// drive cannot be queried. Uses GetDiskFreeSpaceEx of the declared functions.
[[nodiscard]] std::int64_t GetDiskSpaceMB(DeclaredFunctions& functions, TextView drive);

// Handler of the main window's created event, on the window thread: sizes the window, picks the
// build's product and writes the proposed install folder into the caption of 标签_安装目录.
void OnWindowCreated(SetupContext& context);

// OnWindowCreated for a given brand and product number. A product number outside the brand's list
// raises run-time error 4 (below 1) or 1 (above the count) and does not return.
void OnWindowCreatedFor(SetupContext& context, std::int32_t brand_no, std::int32_t product_no);

// Element SelectedProductNo of ProductList, after the index check of the run-time (errors 4 and 1;
// an error does not return).
[[nodiscard]] const Text& SelectedProduct(SetupContext& context);

// The install folder: the caption of 标签_安装目录 as the window holds it.
[[nodiscard]] Text InstallDir(SetupContext& context);

}  // namespace setup
