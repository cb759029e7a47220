#include "setup/folder_picker.h"

#include <cstdint>

#include "setup/product.h"
#include "window/main_window_ids.h"

namespace setup {
namespace {

constexpr std::int32_t kCsidlDesktop = 0;
// BIF_RETURNONLYFSDIRS | BIF_DONTGOBELOWDOMAIN | BIF_STATUSTEXT | BIF_EDITBOX | BIF_VALIDATE |
// BIF_NEWDIALOGSTYLE
constexpr std::uint32_t kBrowseFlags = 0x77;
constexpr std::int32_t kPathBufferSize = 260;

// Frees a shell item list when it goes out of scope; a null list is handed over as well.
class ItemListOwner {
 public:
  explicit ItemListOwner(DeclaredFunctions& functions) noexcept : functions_(functions) {}
  ItemListOwner(const ItemListOwner&) = delete;
  ItemListOwner& operator=(const ItemListOwner&) = delete;
  ~ItemListOwner() { functions_.CoTaskMemFree(list_); }
  ItemList* Put() noexcept { return &list_; }
  [[nodiscard]] ItemList Get() const noexcept { return list_; }
  void Reset(ItemList list) noexcept { list_ = list; }

 private:
  DeclaredFunctions& functions_;
  ItemList list_ = 0;
};

}  // namespace

Text BrowseForFolder(DeclaredFunctions& functions, NativeHandle owner, std::optional<TextView> title) {
  // The desktop's item list is the browser's root; it is freed afterwards like the chosen one.
  ItemListOwner root(functions);
  static_cast<void>(functions.ShGetFolderLocation(owner, kCsidlDesktop, 0, 0, root.Put()));

  Text display_name = MakeSpaces(kPathBufferSize);
  const Text title_text = title ? Text(*title) : Text("请选择文件夹路径");
  BrowseRequest request;
  request.owner = owner;
  request.root = root.Get();
  request.display_name = display_name.MutableData();
  request.title = title_text.CStr();
  request.flags = kBrowseFlags;
  request.callback = 0;
  request.callback_param = 0;
  request.image = 0;
  ItemListOwner chosen(functions);
  chosen.Reset(functions.ShBrowseForFolder(request));

  display_name.Shrink();
  const Text name = TrimSpaces(display_name);
  // A character outside the code page comes back as "?": such a folder cannot be named in this code page.
  if (FindInText(name, "?", 1, false) >= 1) return {};

  if (chosen.Get() != 0) {
    Text path = MakeSpaces(kPathBufferSize);
    if (!functions.ShGetPathFromIdList(chosen.Get(), path.MutableData())) return {};
    path.Shrink();
    // A drive root such as "E:\" loses its backslash, so that appending "\" + name gives one separator.
    if (TextLength(path) == 3) return LeftPart(path, 2);
    return path;
  }

  const Text network_name = ConcatTexts({"\\\\", name});
  if (CompareText(network_name, "\\\\") == 0) return {};
  return network_name;
}

void OnInstallDirPressed(SetupContext& context) {
  const NativeHandle owner = context.services.GetWindowHandle(kMainWindowDefinition, kMainWindowControl);
  const Text picked = BrowseForFolder(context.functions, owner, "请选择安装位置");
  if (picked.Empty()) return;
  context.window.WriteText(kInstallDirCaption, ConcatTexts({picked, "\\", SelectedProduct(context)}));
}

}  // namespace setup
