// Choosing another install folder with the system's folder browser.
#pragma once

#include <optional>

#include "frame/declared_functions.h"
#include "platform/text.h"
#include "setup/setup_context.h"

namespace setup {

// Handler of the left-mouse-pressed event of 标签_安装目录, on the window thread: shows the folder
// browser and, for a usable choice, writes the chosen folder, a backslash and the product's name into
// the caption. Otherwise the caption stays as it was.
void OnInstallDirPressed(SetupContext& context);

// Shows the folder browser, owned by `owner` and starting at the desktop, with `title` (by default
// "请选择文件夹路径"). Gives the chosen folder's path, a drive root without its backslash ("E:"), or
// the empty text when nothing usable was chosen: cancelled, a display name holding "?" (a character
// the code page cannot show), or an item without a file-system path. Every item list it gets is freed.
[[nodiscard]] Text BrowseForFolder(DeclaredFunctions& functions, NativeHandle owner,
                                   std::optional<TextView> title = std::nullopt);

}  // namespace setup
