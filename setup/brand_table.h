// The built-in table of brand rows: for a brand number, the vendor folder and the brand's product names.
#pragma once

#include <cstdint>
#include <span>

#include "platform/text.h"

namespace setup {

struct BrandRow {
  std::int32_t brand_no;      // the row's key
  const char* vendor_folder;  // ends in one backslash: the folder between the drive root and the product
  const char* product_list;   // the product names joined by "|", no "|" at either end
};

// The rows in the order in which they are searched.
[[nodiscard]] std::span<const BrandRow> BrandTable() noexcept;

struct Brand {
  TextView vendor_folder;
  TextView product_list;
};

// The first row, in table order, whose key is `brand_no`; both texts empty when there is none.
[[nodiscard]] Brand FindBrand(std::int32_t brand_no) noexcept;

}  // namespace setup
