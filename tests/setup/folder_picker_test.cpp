#include "setup/folder_picker.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "setup/product.h"
#include "tests/fakes/fake_setup.h"
#include "window/main_window_ids.h"

namespace setup {
namespace {

using fakes::FakeSetup;
using fakes::RuntimeErrorRaised;

constexpr NativeHandle kMainWindowHandle = 0x4242;
constexpr ItemList kChosenList = 0xC001;
constexpr const char* kProposed = "C:\\Vostrel软件\\Marnobe";

// The window created with this vendor's product on C:, and the browser's owner known to the services.
void CreateWindow(FakeSetup& setup) {
  setup.services.answers().window_handles[{kMainWindowDefinition, kMainWindowControl}] = kMainWindowHandle;
  OnWindowCreatedFor(setup.context, 0, 4);
}

// The browser's next answer: the display name it writes, the item list it returns and that list's path.
void Answer(FakeSetup& setup, std::optional<std::string> display_name, ItemList list, std::optional<std::string> path) {
  auto& answers = setup.functions.answers();
  answers.browse_display_name = std::move(display_name);
  answers.browse_result = list;
  answers.paths.clear();
  if (path) answers.paths[list] = *path;
}

std::string Caption(const FakeSetup& setup) { return setup.window.TextOf(kInstallDirCaption).value_or("<none>"); }

bool Freed(const FakeSetup& setup, ItemList list) {
  const auto& freed = setup.functions.calls().freed;
  return std::find(freed.begin(), freed.end(), list) != freed.end();
}

class FolderPickerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    CreateWindow(setup_);
    ASSERT_EQ(Caption(), kProposed);
  }
  void Answer(std::optional<std::string> display_name, ItemList list, std::optional<std::string> path) {
    setup::Answer(setup_, std::move(display_name), list, std::move(path));
  }
  std::string Caption() const { return setup::Caption(setup_); }
  bool Freed(ItemList list) const { return setup::Freed(setup_, list); }

  FakeSetup setup_;
};

TEST_F(FolderPickerTest, BrowseRequest) {
  Answer(std::nullopt, 0, std::nullopt);
  OnInstallDirPressed(setup_.context);

  const auto& calls = setup_.functions.calls();
  ASSERT_EQ(calls.folder_locations.size(), 1u);
  EXPECT_EQ(calls.folder_locations[0].owner, kMainWindowHandle);
  EXPECT_EQ(calls.folder_locations[0].csidl, 0);  // the desktop
  EXPECT_EQ(calls.folder_locations[0].token, 0u);
  EXPECT_EQ(calls.folder_locations[0].reserved, 0u);

  ASSERT_EQ(calls.browses.size(), 1u);
  const auto& browse = calls.browses[0];
  EXPECT_EQ(browse.owner, kMainWindowHandle);
  EXPECT_EQ(browse.root, setup_.functions.answers().desktop_list);
  EXPECT_EQ(browse.display_name, std::string(260, ' '));
  EXPECT_EQ(browse.title, "请选择安装位置");
  EXPECT_EQ(browse.flags, 0x77u);
  EXPECT_EQ(browse.callback, 0u);
  EXPECT_EQ(browse.callback_param, 0);
  EXPECT_EQ(browse.image, 0);

  // Cancelled: the caption stays, the null list is handed to CoTaskMemFree, and so is the root.
  EXPECT_EQ(Caption(), kProposed);
  EXPECT_TRUE(Freed(0));
  EXPECT_TRUE(Freed(setup_.functions.answers().desktop_list));
}

TEST_F(FolderPickerTest, ChoicesAndTheCaptionTheyGive) {
  struct Case {
    const char* what;
    std::optional<std::string> display_name;
    ItemList list;
    std::optional<std::string> path;
    std::string caption;
  };
  const Case cases[] = {
      {"a folder", "Games", kChosenList, "D:\\Games", "D:\\Games\\Marnobe"},
      {"a drive root", "本地磁盘 (E:)", kChosenList, "E:\\", "E:\\Marnobe"},
      {"a folder named like the product", "Marnobe", kChosenList, "D:\\Apps\\Marnobe", "D:\\Apps\\Marnobe\\Marnobe"},
      {"a GBK folder", "软件", kChosenList, "D:\\软件", "D:\\软件\\Marnobe"},
      {"a name the code page cannot show", "Spiel?", kChosenList, "D:\\Spiel?", kProposed},
      {"an item without a file-system path", "Network", kChosenList, std::nullopt, kProposed},
      {"cancelled", std::nullopt, 0, std::nullopt, kProposed},
      {"no item, a typed name", "server", 0, std::nullopt, "\\\\server\\Marnobe"},
      {"no item, a name in blanks", "\xA1\xA1server ", 0, std::nullopt, "\\\\server\\Marnobe"},
      {"no item, blanks only", "  \xA1\xA1", 0, std::nullopt, kProposed},
  };
  for (const Case& c : cases) {
    setup_.window.Preset(kInstallDirCaption, std::string(kProposed));
    Answer(c.display_name, c.list, c.path);
    OnInstallDirPressed(setup_.context);
    EXPECT_EQ(Caption(), c.caption) << c.what;
    EXPECT_TRUE(Freed(c.list)) << c.what;
    EXPECT_TRUE(setup_.runtime.RuntimeErrors().empty()) << c.what;
  }
}

TEST_F(FolderPickerTest, CancelKeepsTheLastChoiceAndEachOpeningStartsAtTheDesktop) {
  Answer("Games", kChosenList, "D:\\Games");
  OnInstallDirPressed(setup_.context);
  ASSERT_EQ(Caption(), "D:\\Games\\Marnobe");
  Answer(std::nullopt, 0, std::nullopt);
  OnInstallDirPressed(setup_.context);
  EXPECT_EQ(Caption(), "D:\\Games\\Marnobe");

  const auto& calls = setup_.functions.calls();
  ASSERT_EQ(calls.browses.size(), 2u);
  EXPECT_EQ(calls.folder_locations.size(), 2u);
  EXPECT_EQ(calls.browses[1].root, setup_.functions.answers().desktop_list);
  EXPECT_EQ(calls.browses[1].display_name, std::string(260, ' '));  // a fresh buffer each time
  // Every list handed out was freed: twice the root, the chosen list and the null list.
  EXPECT_EQ(calls.freed.size(), 4u);
}

TEST(FolderPickerCheckTest, ProductNumberIsCheckedOnlyForAUsableChoice) {
  struct Case {
    std::int32_t product_no;
    std::int32_t error;
  };
  for (const Case c : {Case{0, kIndexBelowOne}, Case{25, kIndexAboveCount}}) {
    FakeSetup setup;
    CreateWindow(setup);
    setup.state.selected_product_no = c.product_no;
    Answer(setup, std::nullopt, 0, std::nullopt);
    OnInstallDirPressed(setup.context);  // cancelled: nothing is checked
    EXPECT_TRUE(setup.runtime.RuntimeErrors().empty());

    Answer(setup, "Games", kChosenList, "D:\\Games");
    try {
      OnInstallDirPressed(setup.context);
      ADD_FAILURE() << "no run-time error for product " << c.product_no;
    } catch (const RuntimeErrorRaised& raised) {
      EXPECT_EQ(raised.code, c.error);
    }
    EXPECT_EQ(Caption(setup), kProposed);
    EXPECT_TRUE(Freed(setup, kChosenList));  // freed on the way out as well
  }
}

TEST(BrowseForFolderTest, DefaultTitleAndOwner) {
  FakeSetup setup;
  setup.functions.answers().browse_display_name = "Games";
  setup.functions.answers().browse_result = kChosenList;
  setup.functions.answers().paths[kChosenList] = "D:\\Games";
  EXPECT_EQ(BrowseForFolder(setup.functions, 0x99), "D:\\Games");
  ASSERT_EQ(setup.functions.calls().browses.size(), 1u);
  EXPECT_EQ(setup.functions.calls().browses[0].title, "请选择文件夹路径");
  EXPECT_EQ(setup.functions.calls().browses[0].owner, 0x99u);
  EXPECT_EQ(setup.functions.calls().folder_locations[0].owner, 0x99u);
}

}  // namespace
}  // namespace setup
