#include "setup/brand_table.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <string_view>

namespace setup {
namespace {

// The last character of `text` under the two-byte rule, or empty.
std::string_view LastCharacter(std::string_view text) {
  std::string_view last;
  for (std::size_t i = 0; i < text.size();) {
    const std::size_t length = IsTwoByteLead(static_cast<unsigned char>(text[i])) ? 2 : 1;
    last = text.substr(i, length);
    i += length;
  }
  return last;
}

TEST(BrandTableTest, RowsInSearchOrderWithTheirNumberOfProducts) {
  struct Expected {
    std::int32_t brand_no;
    std::int32_t products;
  };
  // clang-format off
  constexpr Expected kExpected[] = {
      {0, 24}, {1, 11}, {2, 1}, {3, 1}, {4, 24}, {5, 24}, {9, 1}, {7, 1}, {8, 11}, {10, 1},
      {11, 1}, {13, 1}, {14, 1}, {15, 1}, {16, 1}, {17, 1}, {19, 1}, {20, 1}, {21, 1}, {22, 1},
      {23, 1}, {24, 16}, {25, 19}, {28, 19}, {29, 19}, {33, 19}, {34, 20}, {35, 20}, {36, 20}, {38, 20}};
  // clang-format on
  const auto table = BrandTable();
  ASSERT_EQ(table.size(), std::size(kExpected));
  for (std::size_t i = 0; i < table.size(); ++i) {
    const BrandRow& row = table[i];
    SCOPED_TRACE("row " + std::to_string(i) + ", brand " + std::to_string(row.brand_no));
    EXPECT_EQ(row.brand_no, kExpected[i].brand_no);

    const std::string_view vendor = row.vendor_folder;
    ASSERT_GE(vendor.size(), 2u);
    EXPECT_EQ(LastCharacter(vendor), "\\");
    EXPECT_NE(LastCharacter(vendor.substr(0, vendor.size() - 1)), "\\");  // one backslash, not two

    const TextArray names = SplitText(row.product_list, "|");
    EXPECT_EQ(names.Count(), kExpected[i].products);
    for (std::int32_t n = 1; n <= names.Count(); ++n) {
      // Each name is a folder name and, with ".exe", a file name; without a dot, so that the desktop
      // shortcut named after it gets its ".lnk".
      EXPECT_FALSE(names.At(n).Empty()) << n;
      EXPECT_EQ(names.At(n).View().find_first_of("\\/:*?\"<>| ."), std::string_view::npos) << names.At(n).View();
    }

    // Keys are unique, so every key finds its own row.
    const Brand found = FindBrand(row.brand_no);
    EXPECT_EQ(found.vendor_folder.data(), row.vendor_folder);
    EXPECT_EQ(found.product_list.data(), row.product_list);
  }
}

TEST(BrandTableTest, RowZeroIsThisVendorsOwn) {
  const Brand brand = FindBrand(0);
  EXPECT_EQ(brand.vendor_folder, "Vostrel软件\\");
  const TextArray names = SplitText(brand.product_list, "|");
  ASSERT_EQ(names.Count(), 24);
  EXPECT_EQ(names.At(4), "Marnobe");
}

TEST(BrandTableTest, NumbersWithoutARowGiveEmptyTexts) {
  for (std::int32_t brand_no : {6, 12, 18, 26, 27, 30, 31, 32, 37, 39, -1, 0x7FFFFFFF}) {
    const Brand brand = FindBrand(brand_no);
    EXPECT_TRUE(brand.vendor_folder.empty()) << brand_no;
    EXPECT_TRUE(brand.product_list.empty()) << brand_no;
  }
}

}  // namespace
}  // namespace setup
