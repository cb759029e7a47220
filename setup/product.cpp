#include "setup/product.h"

#include <cstdint>

#include "setup/brand_table.h"
#include "window/main_window_ids.h"

namespace setup {

std::int64_t GetDiskSpaceMB(DeclaredFunctions& functions, TextView drive) {
  std::uint64_t available_to_caller = 0;
  std::uint64_t total = 0;
  std::uint64_t total_free = 0;
  // A drive that cannot be queried counts as having no free space.
  if (!functions.GetDiskFreeSpaceEx(Text(drive).CStr(), &available_to_caller, &total, &total_free)) return 0;
  return TruncateToInt64(static_cast<double>(total_free) / 1048576.0);
}

void OnWindowCreated(SetupContext& context) { OnWindowCreatedFor(context, kSelectedBrandNo, kSelectedProductNo); }

void OnWindowCreatedFor(SetupContext& context, std::int32_t brand_no, std::int32_t product_no) {
  // The left edge keeps the place the window definition gives it.
  context.window.WriteInteger(kWindowWidth, 250);
  context.window.WriteInteger(kWindowHeight, 400);
  context.window.WriteInteger(kWindowTop, 300);

  // Only D: is measured: C: is the fallback whatever its own free space.
  const std::int64_t free_mb = GetDiskSpaceMB(context.functions, "d:");
  const TextView root = free_mb < kRequiredFreeMB ? "C:\\" : "D:\\";

  SetupState& state = context.state;
  state.selected_product_no = product_no;
  const Brand brand = FindBrand(brand_no);
  state.product_list_text = Text(brand.product_list);
  state.product_list.Clear();
  state.product_list = SplitText(state.product_list_text, "|");
  state.product_name = SelectedProduct(context);

  context.window.WriteText(kInstallDirCaption, ConcatTexts({root, brand.vendor_folder, state.product_name}));
}

const Text& SelectedProduct(SetupContext& context) {
  const SetupState& state = context.state;
  if (state.selected_product_no < 1) context.runtime.RaiseRuntimeError(kIndexBelowOne);
  if (state.selected_product_no > state.product_list.Count()) context.runtime.RaiseRuntimeError(kIndexAboveCount);
  return state.product_list.At(state.selected_product_no);
}

Text InstallDir(SetupContext& context) { return context.window.ReadText(kInstallDirCaption); }

}  // namespace setup
