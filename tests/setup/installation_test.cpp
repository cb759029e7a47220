#include "setup/installation.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "resources/pictures.h"
#include "tests/fakes/fake_setup.h"
#include "window/main_window_ids.h"

namespace setup {
namespace {

using fakes::FakeServices;
using fakes::FakeWindow;
using fakes::ProgramEnded;

constexpr char kInstallDir[] = "D:\\My Games\\Marnobe";

class InstallationTest : public ::testing::Test {
 protected:
  InstallationTest() {
    setup_.state.product_name = "Marnobe";
    setup_.window.Preset(kInstallDirCaption, kInstallDir);
    setup_.window.Preset(kProgressMaximum, 100);
    services().answers().special_folders = {{kFolderTemp, "C:\\Temp\\"}, {kFolderDesktop, "C:\\Desktop\\"}};
    setup_.archive.raise = [this](std::int32_t percent) { OnExtractProgress(setup_.context, percent); };
  }

  FakeServices& services() { return setup_.services; }
  std::vector<std::string> Statuses() const {
    std::vector<std::string> texts;
    for (const FakeWindow::Write& w : setup_.window.WritesOf(kStatusCaption)) texts.push_back(w.text);
    return texts;
  }
  std::vector<std::int32_t> IntegersOf(const Property& property) const {
    std::vector<std::int32_t> values;
    for (const FakeWindow::Write& w : setup_.window.WritesOf(property)) values.push_back(w.integer);
    return values;
  }

  // Presses the install button and runs the worker it started; the exit code when the program ended.
  std::optional<std::int32_t> ClickAndRunWorker() {
    OnInstallClicked(setup_.context);
    try {
      services().RunStartedThreads();
    } catch (const ProgramEnded& end) {
      return end.code;
    }
    return std::nullopt;
  }

  fakes::FakeSetup setup_;
};

TEST_F(InstallationTest, CompleteInstallationAnsweredYes) {
  services().answers().message_answers = {kButtonOk, kButtonYes};
  EXPECT_EQ(ClickAndRunWorker(), std::optional<std::int32_t>(0));

  const auto& calls = services().calls();
  ASSERT_EQ(calls.messages.size(), 2u);
  EXPECT_EQ(calls.messages[0].text, kNoticeText);
  EXPECT_EQ(calls.messages[0].flags, 0);
  EXPECT_FALSE(calls.messages[0].title.has_value());  // the default title
  EXPECT_EQ(calls.messages[1].text, kFinishedText);
  EXPECT_EQ(calls.messages[1].flags, 68);
  EXPECT_EQ(calls.messages[1].title, std::optional<std::string>("温馨提示："));

  EXPECT_EQ(setup_.functions.calls().co_initialize, 1);
  ASSERT_EQ(calls.writes.size(), 1u);
  EXPECT_EQ(calls.writes[0], "C:\\Temp\\\\tool.zip");  // the temporary folder keeps its backslash
  ASSERT_EQ(setup_.archive.calls.size(), 1u);
  EXPECT_EQ(setup_.archive.calls[0].archive, "C:\\Temp\\\\tool.zip");
  EXPECT_EQ(setup_.archive.calls[0].destination, kInstallDir);

  EXPECT_EQ(Statuses(), (std::vector<std::string>{kStatusWriting, kStatusExtracting, kStatusShortcutMade}));
  EXPECT_EQ(IntegersOf(kProgressVisible), (std::vector<std::int32_t>{1, 0}));
  EXPECT_EQ(IntegersOf(kProgressPosition), (std::vector<std::int32_t>{0, 11, 22, 33, 44, 55, 66, 77, 88, 100}));
  ASSERT_EQ(setup_.window.WritesOf(kInstallButtonNormalPicture).size(), 1u);
  EXPECT_EQ(setup_.window.WritesOf(kInstallButtonNormalPicture)[0].picture_size, FinishedPicture().Bytes().size());
  EXPECT_EQ(setup_.window.WritesOf(kInstallButtonHotPicture).size(), 1u);

  ASSERT_EQ(calls.shortcuts.size(), 1u);
  EXPECT_EQ(calls.shortcuts[0].link_file, "C:\\Desktop\\Marnobe");
  EXPECT_EQ(calls.shortcuts[0].target, "D:\\My Games\\Marnobe\\Marnobe.exe");
  EXPECT_FALSE(calls.shortcuts[0].description || calls.shortcuts[0].arguments || calls.shortcuts[0].working_folder);
  // The product is started by its exact path: unquoted, "D:\My.exe" would win over it.
  ASSERT_EQ(calls.runs.size(), 1u);
  EXPECT_EQ(calls.runs[0].command_line, "\"D:\\My Games\\Marnobe\\Marnobe.exe\"");
  EXPECT_FALSE(calls.runs[0].wait);
  EXPECT_EQ(calls.runs[0].window_mode, 2);
  EXPECT_EQ(calls.removals, (std::vector<std::string>{"C:\\Temp\\\\tool.zip"}));
}

TEST_F(InstallationTest, NoStartsNothingFailedShortcutIsReported) {
  services().answers().message_answers = {kButtonOk, kButtonNo};
  services().answers().shortcut_result = 0;
  EXPECT_EQ(ClickAndRunWorker(), std::optional<std::int32_t>(0));
  EXPECT_TRUE(services().calls().runs.empty());
  EXPECT_EQ(Statuses().back(), kStatusShortcutFailed);
  EXPECT_EQ(services().calls().removals.size(), 1u);
}

TEST_F(InstallationTest, RunningProductRefusesAndStartsNothing) {
  setup_.functions.answers().processes = {"explorer.exe", "MARNOBE.EXE"};
  EXPECT_EQ(ClickAndRunWorker(), std::nullopt);
  const auto& calls = services().calls();
  ASSERT_EQ(calls.messages.size(), 1u);
  EXPECT_EQ(calls.messages[0].text, kProductRunningText);
  EXPECT_EQ(calls.messages[0].title, std::optional<std::string>("Marnobe<没有关闭>"));
  EXPECT_TRUE(calls.threads.empty());
  EXPECT_TRUE(calls.writes.empty());
  EXPECT_TRUE(setup_.window.Writes().empty());
}

TEST_F(InstallationTest, ArchiveWrittenNowhereEndsAfterTheBox) {
  services().answers().special_folders.erase(kFolderTemp);
  services().answers().unwritable_paths = {"D:\\tool.zip"};
  EXPECT_EQ(ClickAndRunWorker(), std::optional<std::int32_t>(0));
  const auto& calls = services().calls();
  ASSERT_EQ(calls.messages.size(), 2u);
  EXPECT_EQ(calls.messages[1].text, kWriteFailedText);
  EXPECT_EQ(Statuses(), (std::vector<std::string>{kStatusWriting}));
  EXPECT_TRUE(setup_.archive.calls.empty());
  EXPECT_TRUE(IntegersOf(kProgressVisible).empty());
}

TEST_F(InstallationTest, FailedExtractionIsReportedAndTheWindowStaysForAnotherTry) {
  setup_.archive.events = {0, 33, 0};
  setup_.archive.result = 0;
  EXPECT_EQ(ClickAndRunWorker(), std::nullopt);  // the program does not end
  const auto& calls = services().calls();
  ASSERT_EQ(calls.messages.size(), 2u);
  EXPECT_EQ(calls.messages[1].text, kExtractFailedText);
  EXPECT_EQ(calls.messages[1].title, std::optional<std::string>("Marnobe<安装失败>"));
  EXPECT_EQ(Statuses().back(), kStatusExtractFailed);
  EXPECT_EQ(IntegersOf(kProgressPosition).back(), 0);
  EXPECT_TRUE(calls.removals.empty());  // the archive and the extracted files stay
  EXPECT_TRUE(calls.shortcuts.empty());
  EXPECT_EQ(setup_.functions.calls().co_uninitialize, 1);

  // Another press starts another worker.
  setup_.archive.events = {0, 100};
  services().answers().message_answers = {kButtonOk, kButtonNo};
  EXPECT_EQ(ClickAndRunWorker(), std::optional<std::int32_t>(0));
  EXPECT_EQ(setup_.archive.calls.size(), 2u);
}

TEST_F(InstallationTest, PressWhileAWorkerRunsIsIgnored) {
  OnInstallClicked(setup_.context);  // the worker is started but has not run yet
  OnInstallClicked(setup_.context);
  EXPECT_EQ(services().calls().threads.size(), 1u);
  EXPECT_EQ(services().calls().messages.size(), 1u);
}

TEST_F(InstallationTest, ProgressPositionFollowsTheMaximum) {
  setup_.window.Preset(kProgressMaximum, 205);
  for (std::int32_t percent : {0, 11, 57, 99}) OnExtractProgress(setup_.context, percent);
  EXPECT_EQ(IntegersOf(kProgressPosition), (std::vector<std::int32_t>{0, 22, 116, 202}));
  EXPECT_TRUE(services().calls().shortcuts.empty());  // only exactly 100 finishes
}

}  // namespace
}  // namespace setup
