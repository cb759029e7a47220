#include "setup/product.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "setup/brand_table.h"
#include "tests/fakes/fake_setup.h"
#include "window/main_window_ids.h"

namespace setup {
namespace {

using fakes::FakeSetup;
using fakes::FakeWindow;
using fakes::RuntimeErrorRaised;

constexpr std::uint64_t kMB = 1048576;

// Drive D: with `total_free` bytes free. The other outputs differ, so that using one of them shows.
void SetDriveD(FakeSetup& setup, std::uint64_t total_free) {
  setup.functions.answers().drives["d:"] = {kMB * 5000, kMB * 9000, total_free};
}

std::string Caption(const FakeSetup& setup) { return setup.window.TextOf(kInstallDirCaption).value_or("<none>"); }

// True when some backslash of `path` follows another one or ends it (walked under the two-byte rule).
bool HasEmptyComponent(std::string_view path) {
  bool after_separator = true;  // a leading backslash counts as well
  for (std::size_t i = 0; i < path.size();) {
    if (IsTwoByteLead(static_cast<unsigned char>(path[i]))) {
      after_separator = false;
      i += 2;
      continue;
    }
    if (path[i] == '\\' && after_separator) return true;
    after_separator = path[i] == '\\';
    ++i;
  }
  return after_separator;
}

TEST(GetDiskSpaceMBTest, TotalFreeBytesInWholeMegabytes) {
  struct Case {
    std::uint64_t total_free;
    std::int64_t megabytes;
  };
  const Case cases[] = {
      {0, 0},
      {kMB - 1, 0},
      {kMB * 999, 999},
      {kMB * 999 + kMB * 99 / 100, 999},  // 999.99 MB is cut, not rounded
      {kMB * 1000, 1000},
      {kMB * 1000 + 1, 1000},
      {std::uint64_t{1} << 62, std::int64_t{1} << 42},
  };
  for (const Case& c : cases) {
    FakeSetup setup;
    SetDriveD(setup, c.total_free);
    EXPECT_EQ(GetDiskSpaceMB(setup.functions, "d:"), c.megabytes) << c.total_free;
  }
  FakeSetup setup;  // no drive D:
  EXPECT_EQ(GetDiskSpaceMB(setup.functions, "d:"), 0);
}

TEST(OnWindowCreatedTest, RootFollowsTheFreeSpaceOfD) {
  struct Case {
    std::optional<std::uint64_t> total_free;  // none: no drive D:
    const char* caption;
  };
  const Case cases[] = {
      {std::nullopt, "C:\\Vostrel软件\\Marnobe"},
      {0, "C:\\Vostrel软件\\Marnobe"},
      {kMB * 999, "C:\\Vostrel软件\\Marnobe"},
      {kMB * 999 + kMB * 99 / 100, "C:\\Vostrel软件\\Marnobe"},
      {kMB * 1000 - 1, "C:\\Vostrel软件\\Marnobe"},
      {kMB * 1000, "D:\\Vostrel软件\\Marnobe"},
      {std::uint64_t{1} << 63, "D:\\Vostrel软件\\Marnobe"},  // a megabyte count far above the int32 range
  };
  for (const Case& c : cases) {
    FakeSetup setup;
    if (c.total_free) SetDriveD(setup, *c.total_free);
    OnWindowCreatedFor(setup.context, 0, 4);
    EXPECT_EQ(Caption(setup), c.caption) << (c.total_free ? *c.total_free : 0);
    // Only D: is asked about, once: C: is taken whatever its own free space.
    EXPECT_EQ(setup.functions.calls().disk_queries, std::vector<std::string>{"d:"});
  }
}

TEST(OnWindowCreatedTest, WindowWritesInOrderAndTheProductState) {
  FakeSetup setup;
  setup.state.product_list = SplitText("old|names|here", "|");
  setup.state.product_name = Text("old");
  OnWindowCreatedFor(setup.context, 0, 4);

  const std::vector<FakeWindow::Write> writes = setup.window.Writes();
  ASSERT_EQ(writes.size(), 4u);
  const Property expected_properties[] = {kWindowWidth, kWindowHeight, kWindowTop};
  const std::int32_t expected_values[] = {250, 400, 300};
  for (std::size_t i = 0; i < 3; ++i) {
    EXPECT_TRUE(fakes::SameProperty(writes[i].property, expected_properties[i])) << i;
    EXPECT_EQ(writes[i].integer, expected_values[i]) << i;
  }
  EXPECT_TRUE(fakes::SameProperty(writes[3].property, kInstallDirCaption));  // the left edge is never written

  EXPECT_EQ(setup.state.selected_product_no, 4);
  EXPECT_EQ(setup.state.product_list_text.View(), FindBrand(0).product_list);
  ASSERT_EQ(setup.state.product_list.Count(), 24);
  EXPECT_EQ(setup.state.product_list.At(1), "Temvikon");
  EXPECT_EQ(setup.state.product_name, "Marnobe");
  EXPECT_EQ(std::string(InstallDir(setup.context).View()), "C:\\Vostrel软件\\Marnobe");
}

TEST(OnWindowCreatedTest, EveryProductOfEveryBrandGivesAWellFormedFolder) {
  for (const BrandRow& row : BrandTable()) {
    const std::int32_t count = SplitText(row.product_list, "|").Count();
    for (std::int32_t product_no = 1; product_no <= count; ++product_no) {
      FakeSetup setup;
      SetDriveD(setup, kMB * 1000);
      OnWindowCreatedFor(setup.context, row.brand_no, product_no);
      const std::string caption = Caption(setup);
      EXPECT_EQ(caption, std::string("D:\\") + row.vendor_folder + std::string(setup.state.product_name.View()));
      EXPECT_FALSE(HasEmptyComponent(caption)) << caption;
    }
  }
}

TEST(OnWindowCreatedTest, ProductNumberOutsideTheListIsARuntimeError) {
  struct Case {
    std::int32_t brand_no;
    std::int32_t product_no;
    std::int32_t error;
  };
  const Case cases[] = {
      {0, 0, kIndexBelowOne},   {0, -1, kIndexBelowOne},  {0, 25, kIndexAboveCount},
      {2, 2, kIndexAboveCount}, {6, 1, kIndexAboveCount},  // no row: an empty list
      {6, 0, kIndexBelowOne},
  };
  for (const Case& c : cases) {
    FakeSetup setup;
    try {
      OnWindowCreatedFor(setup.context, c.brand_no, c.product_no);
      ADD_FAILURE() << "no run-time error for brand " << c.brand_no << ", product " << c.product_no;
    } catch (const RuntimeErrorRaised& raised) {
      EXPECT_EQ(raised.code, c.error) << c.brand_no << "/" << c.product_no;
    }
    EXPECT_FALSE(setup.window.TextOf(kInstallDirCaption).has_value());
    EXPECT_EQ(setup.runtime.RuntimeErrors().size(), 1u);
  }
}

TEST(OnWindowCreatedTest, ThisBuildsProduct) {
  if (kSelectedBrandNo != 0 || kSelectedProductNo != 4) GTEST_SKIP() << "this build installs another product";
  FakeSetup without_d;
  OnWindowCreated(without_d.context);
  EXPECT_EQ(Caption(without_d), "C:\\Vostrel软件\\Marnobe");
  FakeSetup with_d;
  SetDriveD(with_d, kMB * 1000);
  OnWindowCreated(with_d.context);
  EXPECT_EQ(Caption(with_d), "D:\\Vostrel软件\\Marnobe");
  EXPECT_EQ(with_d.state.product_name, "Marnobe");
}

}  // namespace
}  // namespace setup
