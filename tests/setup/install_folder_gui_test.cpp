// setup.exe under Wine, each case in a Wine session of its own whose drives install_folder_cases.sh
// prepares: the install folder proposed for the free space of D:, the folder browser that the
// install-folder label opens, and an installation into a folder with a blank in its name.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <optional>
#include <string>
#include <vector>

#include "tests/harness/gui_driver.h"

namespace setup::testing {
namespace {

// The install-folder label's place in the install panel, as the window definition gives it.
constexpr RECT kInstallDirPlace{7, 367, 7 + 232, 367 + 25};
// The install button's place in the install panel.
constexpr RECT kInstallButtonPlace{14, 255, 14 + 220, 255 + 80};
constexpr ULONGLONG kMegabyte = 1048576;

// Display names of the browser's tree under Wine.
constexpr char kDesktopName[] = "桌面";
constexpr char kComputerName[] = "我的电脑";

// The total free bytes of `drive` as the program under test asks for them.
std::optional<ULONGLONG> TotalFreeBytes(const char* drive) {
  ULARGE_INTEGER available = {}, total = {}, total_free = {};
  if (!GetDiskFreeSpaceExA(drive, &available, &total, &total_free)) return std::nullopt;
  return total_free.QuadPart;
}

bool FileExists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

// A point inside `place` of the install panel in screen coordinates.
POINT InPlace(HWND panel, const RECT& place) {
  POINT p{place.left + 20, (place.top + place.bottom) / 2};
  MapWindowPoints(panel, nullptr, &p, 1);
  return p;
}

class SetupProgramTest : public ::testing::Test {
 protected:
  void SetUp() override {
    MoveMouse(5, 5);
    program_ = Process::Start("\"" + ProgramFolder() + "setup.exe\"");
    ASSERT_TRUE(program_.has_value());
    window_ = WaitForWindow("安装程序", 15000, program_->Id());
    ASSERT_NE(window_, nullptr);
    label_ = FindChildAt(window_, "SetupLabel", kInstallDirPlace);
    ASSERT_NE(label_, nullptr) << "no label at the install folder's place";
    panel_ = GetParent(label_);
  }
  void TearDown() override {
    if (program_) program_->Kill();
  }

  std::string Caption() const { return WindowText(label_); }

  // Presses the install-folder label and gives the folder browser it opens, in the foreground.
  HWND OpenBrowser() {
    const POINT p = InPlace(panel_, kInstallDirPlace);
    ClickAt(p.x, p.y);
    HWND browser = WaitForFolderBrowser(program_->Id(), 10000);
    if (browser != nullptr && GetForegroundWindow() != browser) FocusWindow(browser);
    return browser;
  }

  // Selects `names` in the browser; on failure keeps a picture of it and says where the selection stopped.
  static ::testing::AssertionResult Select(HWND browser, const std::vector<std::string>& names) {
    if (SelectInFolderBrowser(browser, names)) return ::testing::AssertionSuccess();
    Screenshot::Take().Save("folder-browser-failed.png", WindowRect(browser));
    return ::testing::AssertionFailure() << "looking for " << names.back() << ", the selection stopped at "
                                         << FolderBrowserSelection(browser);
  }

  // Opens the browser, selects `names` and confirms; the caption must then read `expected`.
  void Choose(const std::vector<std::string>& names, const std::string& expected) {
    HWND browser = OpenBrowser();
    ASSERT_NE(browser, nullptr);
    EXPECT_EQ(FolderBrowserSelection(browser), kDesktopName) << "each time the browser starts at the desktop";
    ASSERT_TRUE(Select(browser, names));
    PressKey(VK_RETURN);
    ASSERT_TRUE(WaitForWindowGone(browser, 5000));
    EXPECT_TRUE(WaitForWindowText(label_, expected, 5000)) << Caption();
  }

  std::optional<Process> program_;
  HWND window_ = nullptr;
  HWND panel_ = nullptr;
  HWND label_ = nullptr;
};

// Case install_folder_d999: D: is a tmpfs of 999 MB. Case install_folder_d1000: D: is a tmpfs of 1000 MB.
using InstallFolderProposal = SetupProgramTest;

TEST_F(InstallFolderProposal, DriveDWith999MBFreeGivesC) {
  EXPECT_EQ(TotalFreeBytes("d:"), std::optional<ULONGLONG>(999 * kMegabyte));
  EXPECT_EQ(Caption(), "C:\\Vostrel软件\\Marnobe");
  EXPECT_EQ(WindowRect(window_).top, 300);
}

TEST_F(InstallFolderProposal, DriveDWith1000MBFreeGivesD) {
  EXPECT_EQ(TotalFreeBytes("d:"), std::optional<ULONGLONG>(1000 * kMegabyte));
  EXPECT_EQ(Caption(), "D:\\Vostrel软件\\Marnobe");
  EXPECT_EQ(WindowRect(window_).top, 300);
}

// Case install_folder_browser: no D:; E: holds the folder Games. The browser shows a drive without a label as " (E:)".
using FolderBrowser = SetupProgramTest;

TEST_F(FolderBrowser, ChosenFolderReplacesTheProposalAndCancelKeepsIt) {
  ASSERT_EQ(Caption(), "C:\\Vostrel软件\\Marnobe");
  HWND browser = OpenBrowser();
  ASSERT_NE(browser, nullptr);
  std::vector<std::string> texts;
  for (HWND text : FindChildren(browser, "Static")) texts.push_back(WindowText(text));
  EXPECT_NE(std::find(texts.begin(), texts.end(), "请选择安装位置"), texts.end());
  EXPECT_EQ(GetWindow(browser, GW_OWNER), window_) << "the main window owns the browser";
  ASSERT_TRUE(Select(browser, {kComputerName, "(E:)", "Games"}));
  Screenshot::Take().Save("folder-browser.png", WindowRect(browser));
  PressKey(VK_RETURN);
  ASSERT_TRUE(WaitForWindowGone(browser, 5000));
  EXPECT_TRUE(WaitForWindowText(label_, "E:\\Games\\Marnobe", 5000)) << Caption();

  // Cancelled after a choice: the choice stays.
  browser = OpenBrowser();
  ASSERT_NE(browser, nullptr);
  ASSERT_TRUE(Select(browser, {kComputerName, "(C:)"}));
  PressKey(VK_ESCAPE);
  ASSERT_TRUE(WaitForWindowGone(browser, 5000));
  Settle(300);
  EXPECT_EQ(Caption(), "E:\\Games\\Marnobe");
}

TEST_F(FolderBrowser, ChosenDriveRootGivesOneBackslash) { Choose({kComputerName, "(E:)"}, "E:\\Marnobe"); }

// Case install_folder_blank: D: (1100 MB) holds "D:\My Games" and a planted program D:\My.exe. Installed into
// "D:\My Games\Marnobe", the product that is started must be the installed one: an unquoted command
// line would let the system run D:\My.exe instead.
using BlankInInstallFolder = SetupProgramTest;

TEST_F(BlankInInstallFolder, StartsTheInstalledProductNotThePlantedProgram) {
  // The planted program does leave its mark when it runs.
  const std::string probe = ProgramFolder() + "planted_program.exe";
  DeleteFileA((probe + ".ran").c_str());
  std::optional<Process> planted = Process::Start("\"" + probe + "\"");
  ASSERT_TRUE(planted.has_value());
  ASSERT_EQ(planted->WaitForExit(10000), std::optional<DWORD>(0));
  ASSERT_TRUE(FileExists(probe + ".ran"));
  DeleteFileA((probe + ".ran").c_str());
  ASSERT_TRUE(FileExists("D:\\My.exe"));

  ASSERT_EQ(Caption(), "D:\\Vostrel软件\\Marnobe");
  Choose({kComputerName, "(D:)", "My Games"}, "D:\\My Games\\Marnobe");
  ASSERT_FALSE(HasFailure());

  MoveMouse(5, 5);
  const POINT button = InPlace(panel_, kInstallButtonPlace);
  ClickAt(button.x, button.y);
  HWND notice = WaitForMessageBox("信息：", 10000, program_->Id());
  ASSERT_NE(notice, nullptr);
  ASSERT_TRUE(PressMessageBoxButton(notice, IDOK));
  HWND finished = WaitForMessageBox("温馨提示：", 30000, program_->Id());
  ASSERT_NE(finished, nullptr);
  ASSERT_TRUE(FileExists("D:\\My Games\\Marnobe\\Marnobe.exe"));
  ASSERT_TRUE(PressMessageBoxButton(finished, IDYES));
  EXPECT_EQ(program_->WaitForExit(10000), std::optional<DWORD>(0));

  HWND product = WaitForWindow("Marnobe 1.2.0", 15000);
  ASSERT_NE(product, nullptr) << "the installed product did not start";
  DWORD product_id = 0;
  GetWindowThreadProcessId(product, &product_id);
  const UniqueHandle process(OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION | PROCESS_TERMINATE, FALSE, product_id));
  ASSERT_TRUE(process);
  char image[MAX_PATH] = {};
  DWORD size = MAX_PATH;
  ASSERT_TRUE(QueryFullProcessImageNameA(process.Get(), 0, image, &size));
  EXPECT_EQ(lstrcmpiA(image, "D:\\My Games\\Marnobe\\Marnobe.exe"), 0) << image;
  EXPECT_FALSE(FileExists("D:\\My.exe.ran")) << "the planted D:\\My.exe ran";
  TerminateProcess(process.Get(), 0);
  WaitForSingleObject(process.Get(), 5000);
}

}  // namespace
}  // namespace setup::testing
