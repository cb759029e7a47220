// End-to-end runs of the setup program under Wine, driven as a person would drive it: one test per case,
// each run by tests/harness/run-case.sh in a Wine session of its own (cases.sh maps the drives a case
// needs). The tests look only at what a user or the system can see: windows, message boxes, the status
// line and progress bar, files, the desktop shortcut, processes and the exit code.
//
// Environment: SETUP_PRODUCT_FOLDER, the product folder the payload archive was made from, and
// SETUP_PAYLOAD_ZIP, that archive (host paths, reached through drive Z:).
#include <gtest/gtest.h>
#include <windows.h>
// After <windows.h>:
#include <commctrl.h>
#include <objidl.h>
#include <shlobj.h>
#include <tlhelp32.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "tests/harness/gui_driver.h"
#include "tests/harness/installed_files.h"

namespace setup::testing {
namespace {

// The setup program's texts, spelled out here so that a changed text in the program fails a test.
constexpr char kMainTitle[] = "安装程序";
constexpr char kNoticeTitle[] = "信息：";
constexpr char kNoticeText[] =
    "由于系列正版软件都作了加壳加密处理\r\n如果部分杀毒软件提示警告，请允许即可！\r\n\r\n"
    "软件干净无毒无木马~~支持正版 谢谢大家\r\n"
    "软件安装好后，建议把安装的软件目录加入杀毒软件信任，再运行软件，以免影响部分功能使用。\r\n"
    "可以阅读软件安装说明";
constexpr char kFinishedTitle[] = "温馨提示：";
constexpr char kFinishedText[] = "安装完成！\r\n点<是>将启动软件\r\n点<否>不启动,可以在桌面启动软件";
constexpr char kRunningTitle[] = "Marnobe<没有关闭>";
constexpr char kRunningText[] = "请先关闭原来的软件再开始安装，否则无法安装！";
constexpr char kWriteFailedText[] =
    "写入失败！Windows7请以管理员身份运行，建议关闭杀毒，再重试\r\n《确定》后将关闭本安装程序";
constexpr char kExtractFailedTitle[] = "Marnobe<安装失败>";
constexpr char kExtractFailedText[] =
    "解压失败！软件没有安装完整\r\n请检查安装目录所在磁盘的剩余空间和写入权限，再点<安装>重试";
constexpr char kStatusWriting[] = "1.释放压缩包..";
constexpr char kStatusExtracting[] = "2.开始解压..";
constexpr char kStatusShortcutMade[] = "3.创建快捷方式..成功";
constexpr char kStatusExtractFailed[] = "2.解压失败！";

constexpr char kFolderOnC[] = "C:\\Vostrel软件\\Marnobe";
constexpr char kFolderOnD[] = "D:\\Vostrel软件\\Marnobe";
constexpr char kProductExe[] = "Marnobe.exe";
constexpr char kProductWindowTitle[] = "Marnobe 1.2.0";
// A temporary folder that does not exist: every write into it fails.
constexpr char kMissingTemp[] = "C:\\no-such-temp";

constexpr DWORD kStartMs = 15000;
constexpr DWORD kBoxMs = 20000;
constexpr DWORD kExitMs = 10000;

// ---- Files ----






// The product folder the payload archive was made from.
std::string ProductFolder() { return HostPath("SETUP_PRODUCT_FOLDER"); }


std::string DesktopShortcut() {
  char desktop[MAX_PATH] = {};
  SHGetSpecialFolderPathA(nullptr, desktop, CSIDL_DESKTOPDIRECTORY, FALSE);
  return std::string(desktop) + "\\Marnobe.lnk";
}

// The folder `installed` holds the product byte for byte: the same files and folders, and every file
// with normal attributes (Wine reports a file without other attributes as ARCHIVE: it keeps no archive
// bit of its own).
void ExpectProductInstalled(const std::string& installed) {
  const std::string product = ProductFolder();
  const std::vector<std::string> expected = Tree(product);
  ASSERT_FALSE(expected.empty()) << "no product folder at " << product;
  EXPECT_EQ(Tree(installed), expected);
  for (const std::string& entry : expected) {
    if (entry.back() == '\\') continue;
    const std::string path = installed + "\\" + entry;
    EXPECT_EQ(ReadBytes(path), ReadBytes(product + "\\" + entry)) << entry;
    const DWORD attributes = GetFileAttributesA(path.c_str());
    EXPECT_TRUE(attributes == FILE_ATTRIBUTE_NORMAL || attributes == FILE_ATTRIBUTE_ARCHIVE)
        << entry << " " << attributes;
  }
}

// No temporary archive left: neither tool.zip in the temporary folder nor one of ours in `root`.
void ExpectNoTemporaryArchive(const std::string& root) {
  EXPECT_FALSE(Exists(TempFolder() + "tool.zip"));
  EXPECT_FALSE(Exists(root + "tool.zip"));
  EXPECT_FALSE(Exists(root + "tool-2.zip"));
}

// ---- Shortcuts ----



// ---- Processes ----

std::vector<DWORD> ProcessesNamed(const char* exe_name) {
  std::vector<DWORD> ids;
  const UniqueHandle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
  if (!snapshot || snapshot.Get() == INVALID_HANDLE_VALUE) return ids;
  PROCESSENTRY32 entry = {};
  entry.dwSize = sizeof entry;
  for (BOOL more = Process32First(snapshot.Get(), &entry); more; more = Process32Next(snapshot.Get(), &entry)) {
    if (lstrcmpiA(entry.szExeFile, exe_name) == 0) ids.push_back(entry.th32ProcessID);
  }
  return ids;
}

std::string ImagePath(DWORD process_id) {
  const UniqueHandle process(OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, process_id));
  char path[MAX_PATH] = {};
  DWORD size = MAX_PATH;
  if (!process || !QueryFullProcessImageNameA(process.Get(), 0, path, &size)) return {};
  return std::string(path, size);
}

bool EndProcess(DWORD process_id) {
  const UniqueHandle process(OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, process_id));
  return process && TerminateProcess(process.Get(), 0) && WaitForSingleObject(process.Get(), 5000) == WAIT_OBJECT_0;
}

template <typename Condition>
bool WaitFor(Condition condition, DWORD timeout_ms) {
  const ULONGLONG deadline = GetTickCount64() + timeout_ms;
  while (!condition()) {
    if (GetTickCount64() >= deadline) return false;
    Sleep(20);
  }
  return true;
}

// ---- The setup program's window ----

class InstallE2e : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(SUCCEEDED(CoInitialize(nullptr))); }
  void TearDown() override {
    if (setup_) setup_->Kill();
    for (DWORD id : ProcessesNamed(kProductExe)) EndProcess(id);
    CoUninitialize();
  }

  // Starts a setup program and waits for its window to take input.
  void StartSetup(const std::string& exe) {
    MoveMouse(5, 5);
    setup_ = Process::Start("\"" + exe + "\"");
    ASSERT_TRUE(setup_.has_value()) << exe;
    window_ = WaitForWindow(kMainTitle, kStartMs, setup_->Id());
    ASSERT_NE(window_, nullptr);
    Settle(300);
    rect_ = WindowRect(window_);
  }

  // A point of the window in screen coordinates (the panel has a 1-pixel border).
  POINT At(int x, int y) const { return POINT{rect_.left + 1 + x, rect_.top + 1 + y}; }
  void ClickInstall() {
    const POINT p = At(124, 280);
    ClickAt(p.x, p.y);
  }
  void ClickClose() {
    const POINT p = At(236, 20);
    ClickAt(p.x, p.y);
  }

  bool LabelShows(const std::string& caption) const {
    for (HWND label : FindChildren(window_, "SetupLabel")) {
      if (WindowText(label) == caption) return true;
    }
    return false;
  }
  HWND ProgressBar() const {
    const std::vector<HWND> bars = FindChildren(window_, PROGRESS_CLASSA);
    return bars.size() == 1 ? bars[0] : nullptr;
  }
  int ProgressPosition() const { return static_cast<int>(SendMessageA(ProgressBar(), PBM_GETPOS, 0, 0)); }
  int ProgressMaximum() const { return static_cast<int>(SendMessageA(ProgressBar(), PBM_GETRANGE, FALSE, 0)); }

  // A screenshot of the whole screen for the artefacts, named after the test and the moment.
  void Shot(const char* moment) const {
    const std::string name = ::testing::UnitTest::GetInstance()->current_test_info()->name();
    Screenshot::Take().Save("e2e-" + name + "-" + moment + ".png");
  }

  // Confirms the notice that every installation starts with.
  void ConfirmNotice() {
    HWND notice = WaitForMessageBox(kNoticeTitle, kBoxMs);
    ASSERT_NE(notice, nullptr) << "no notice";
    EXPECT_EQ(MessageBoxText(notice), kNoticeText);
    Shot("notice");
    ASSERT_TRUE(PressMessageBoxButton(notice, IDOK));
    ASSERT_TRUE(WaitForWindowGone(notice, 5000));
  }

  // Install button, notice, extraction up to the finished question, which is returned: by then the
  // progress bar is full and the status line reports the shortcut.
  HWND InstallUpToFinishedBox() {
    ClickInstall();
    ConfirmNotice();
    if (HasFatalFailure()) return nullptr;
    HWND finished = WaitForMessageBox(kFinishedTitle, kBoxMs);
    if (finished == nullptr) {
      Shot("no-finished-box");
      ADD_FAILURE() << "no " << kFinishedTitle << " box";
      return nullptr;
    }
    EXPECT_EQ(MessageBoxText(finished), kFinishedText);
    EXPECT_TRUE(IsWindowVisible(ProgressBar())) << "the progress bar is shown during the extraction";
    EXPECT_EQ(ProgressMaximum(), 100);
    EXPECT_EQ(ProgressPosition(), 100);
    EXPECT_TRUE(LabelShows(kStatusShortcutMade));
    Shot("finished");
    return finished;
  }

  std::optional<Process> setup_;
  HWND window_ = nullptr;
  RECT rect_ = {};
};

// ---- Cases ----

TEST_F(InstallE2e, InstallAnswerNo) {
  ASSERT_NO_FATAL_FAILURE(StartSetup(ProgramFolder() + "setup.exe"));
  EXPECT_TRUE(LabelShows(kFolderOnC)) << "without drive D: the product goes to C:";
  Shot("start");
  HWND finished = InstallUpToFinishedBox();
  ASSERT_NE(finished, nullptr);
  // With a temporary folder the archive went there, and the drive's root was left alone.
  EXPECT_TRUE(Exists(TempFolder() + "tool.zip"));
  EXPECT_FALSE(Exists("C:\\tool.zip"));
  ASSERT_TRUE(PressMessageBoxButton(finished, IDNO));
  EXPECT_EQ(setup_->WaitForExit(kExitMs), std::optional<DWORD>(0));

  ExpectProductInstalled(kFolderOnC);
  EXPECT_EQ(ShortcutTarget(DesktopShortcut()), std::string(kFolderOnC) + "\\Marnobe.exe");
  ExpectNoTemporaryArchive("C:\\");
  EXPECT_TRUE(ProcessesNamed(kProductExe).empty()) << "No starts nothing";
}

TEST_F(InstallE2e, InstallAnswerYesStartsProduct) {
  ASSERT_NO_FATAL_FAILURE(StartSetup(ProgramFolder() + "setup.exe"));
  HWND finished = InstallUpToFinishedBox();
  ASSERT_NE(finished, nullptr);
  ASSERT_TRUE(PressMessageBoxButton(finished, IDYES));
  EXPECT_EQ(setup_->WaitForExit(kExitMs), std::optional<DWORD>(0));

  // The product runs on after setup has ended: its window is there and its process is the installed
  // executable.
  HWND product = WaitForWindow(kProductWindowTitle, kStartMs);
  ASSERT_NE(product, nullptr) << "the product's window";
  DWORD product_id = 0;
  GetWindowThreadProcessId(product, &product_id);
  EXPECT_EQ(lstrcmpiA(ImagePath(product_id).c_str(), (std::string(kFolderOnC) + "\\Marnobe.exe").c_str()), 0)
      << ImagePath(product_id);
  const std::vector<DWORD> running = ProcessesNamed(kProductExe);
  EXPECT_NE(std::find(running.begin(), running.end(), product_id), running.end());
  Shot("product");
  EXPECT_TRUE(EndProcess(product_id));

  ExpectProductInstalled(kFolderOnC);
  EXPECT_TRUE(Exists(DesktopShortcut()));
  ExpectNoTemporaryArchive("C:\\");
}

TEST_F(InstallE2e, RefusesWhileProductRuns) {
  std::optional<Process> running = Process::Start("\"" + ProgramFolder() + "e2e-running-product\\Marnobe.exe\"");
  ASSERT_TRUE(running.has_value());
  ASSERT_TRUE(WaitFor([] { return !ProcessesNamed(kProductExe).empty(); }, 5000));
  ASSERT_NO_FATAL_FAILURE(StartSetup(ProgramFolder() + "setup.exe"));

  ClickInstall();
  HWND refusal = WaitForMessageBox(kRunningTitle, kBoxMs);
  ASSERT_NE(refusal, nullptr) << "no refusal";
  EXPECT_EQ(MessageBoxText(refusal), kRunningText);
  EXPECT_EQ(WaitForMessageBox(kNoticeTitle, 0), nullptr);
  Shot("refusal");
  ASSERT_TRUE(PressMessageBoxButton(refusal, IDOK));
  ASSERT_TRUE(WaitForWindowGone(refusal, 5000));
  // No notice follows, no worker starts: nothing is written.
  EXPECT_EQ(WaitForMessageBox(kNoticeTitle, 500), nullptr);
  EXPECT_FALSE(LabelShows(kStatusWriting));
  EXPECT_FALSE(Exists("C:\\Vostrel软件"));
  ExpectNoTemporaryArchive("C:\\");
  EXPECT_TRUE(setup_->Running());

  // Once the product has ended, the next click installs.
  running->Kill();
  ASSERT_TRUE(WaitFor([] { return ProcessesNamed(kProductExe).empty(); }, 5000));
  HWND finished = InstallUpToFinishedBox();
  ASSERT_NE(finished, nullptr);
  ASSERT_TRUE(PressMessageBoxButton(finished, IDNO));
  EXPECT_EQ(setup_->WaitForExit(kExitMs), std::optional<DWORD>(0));
  ExpectProductInstalled(kFolderOnC);
}

TEST_F(InstallE2e, TempFolderMissingUsesDriveRoot) {
  // Someone else's tool.zip in the install drive's root, which the installation must leave alone.
  const std::string unrelated = "not the payload: someone else's archive\r\n";
  ASSERT_TRUE(WriteBytes("C:\\tool.zip", unrelated));
  // The setup program inherits a temporary folder that does not exist.
  ASSERT_TRUE(SetEnvironmentVariableA("TMP", kMissingTemp));
  ASSERT_TRUE(SetEnvironmentVariableA("TEMP", kMissingTemp));
  ASSERT_EQ(TempFolder(), std::string(kMissingTemp) + "\\");
  ASSERT_FALSE(Exists(kMissingTemp));
  ASSERT_NO_FATAL_FAILURE(StartSetup(ProgramFolder() + "setup.exe"));

  HWND finished = InstallUpToFinishedBox();
  ASSERT_NE(finished, nullptr);
  // The archive went to a fresh name in the drive's root, byte for byte the payload.
  const std::optional<std::string> archive = ReadBytes("C:\\tool-2.zip");
  ASSERT_TRUE(archive.has_value()) << "the archive in the drive's root";
  EXPECT_TRUE(*archive == ReadBytes(HostPath("SETUP_PAYLOAD_ZIP"))) << "tool-2.zip is not the payload archive";
  ASSERT_TRUE(PressMessageBoxButton(finished, IDNO));
  EXPECT_EQ(setup_->WaitForExit(kExitMs), std::optional<DWORD>(0));

  ExpectProductInstalled(kFolderOnC);
  EXPECT_FALSE(Exists("C:\\tool-2.zip")) << "the archive the installation wrote is deleted";
  EXPECT_EQ(ReadBytes("C:\\tool.zip"), unrelated) << "the unrelated file stays as it was";
  EXPECT_FALSE(Exists(kMissingTemp));
}

TEST_F(InstallE2e, BothPlacesUnwritable) {
  // Drive D: is a read-only drive with room (cases.sh), so the install folder is on D: and its root
  // takes no file; the temporary folder does not exist.
  ASSERT_TRUE(SetEnvironmentVariableA("TMP", kMissingTemp));
  ASSERT_TRUE(SetEnvironmentVariableA("TEMP", kMissingTemp));
  ASSERT_NO_FATAL_FAILURE(StartSetup(ProgramFolder() + "setup.exe"));
  ASSERT_TRUE(LabelShows(kFolderOnD));

  ClickInstall();
  ASSERT_NO_FATAL_FAILURE(ConfirmNotice());
  HWND failure = WaitForMessageBox(kNoticeTitle, kBoxMs);
  ASSERT_NE(failure, nullptr) << "no write-failure box";
  EXPECT_EQ(MessageBoxText(failure), kWriteFailedText);
  EXPECT_TRUE(LabelShows(kStatusWriting));
  EXPECT_FALSE(IsWindowVisible(ProgressBar()));
  Shot("write-failed");
  ASSERT_TRUE(PressMessageBoxButton(failure, IDOK));
  EXPECT_EQ(setup_->WaitForExit(kExitMs), std::optional<DWORD>(0));

  EXPECT_FALSE(Exists("D:\\Vostrel软件"));
  EXPECT_FALSE(Exists("C:\\Vostrel软件"));
  EXPECT_FALSE(Exists("D:\\tool.zip"));
  EXPECT_FALSE(Exists(DesktopShortcut()));
}

TEST_F(InstallE2e, DriveFullExtractionFails) {
  // Drive D: has exactly the room that puts the install folder on it (cases.sh). Once the window has
  // chosen it, a big file leaves less room than the product needs: the first small files fit, the
  // executable does not.
  ASSERT_NO_FATAL_FAILURE(StartSetup(ProgramFolder() + "setup.exe"));
  ASSERT_TRUE(LabelShows(kFolderOnD));
  {
    ULARGE_INTEGER available = {}, total = {}, free = {};
    ASSERT_TRUE(GetDiskFreeSpaceExA("D:\\", &available, &total, &free));
    constexpr ULONGLONG kLeft = 16 * 1024;
    const UniqueFile filler(
        CreateFileA("D:\\filler.bin", GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
    ASSERT_TRUE(filler);
    const std::string chunk(8 << 20, '\0');
    for (ULONGLONG left = available.QuadPart - kLeft; left > 0;) {
      const DWORD size = static_cast<DWORD>(std::min<ULONGLONG>(left, chunk.size()));
      DWORD written = 0;
      ASSERT_TRUE(WriteFile(filler.Get(), chunk.data(), size, &written, nullptr));
      left -= written;
    }
  }

  ClickInstall();
  ASSERT_NO_FATAL_FAILURE(ConfirmNotice());
  HWND failure = WaitForMessageBox(kExtractFailedTitle, kBoxMs);
  ASSERT_NE(failure, nullptr) << "no extraction-failure box";
  EXPECT_EQ(MessageBoxText(failure), kExtractFailedText);
  EXPECT_TRUE(LabelShows(kStatusExtractFailed));
  EXPECT_EQ(ProgressPosition(), 0) << "the failure moves the bar back to its start";
  Shot("extract-failed");
  ASSERT_TRUE(PressMessageBoxButton(failure, IDOK));
  ASSERT_TRUE(WaitForWindowGone(failure, 5000));
  Settle(300);
  EXPECT_TRUE(IsWindowVisible(window_)) << "the window stays open";
  EXPECT_TRUE(setup_->Running());
  ClickClose();
  EXPECT_EQ(setup_->WaitForExit(kExitMs), std::optional<DWORD>(0));

  // What was extracted before the failure stays; the product is not complete and has no shortcut.
  const std::string product = ProductFolder();
  EXPECT_EQ(ReadBytes(std::string(kFolderOnD) + "\\CHANGES.txt"), ReadBytes(product + "\\CHANGES.txt"));
  EXPECT_NE(Tree(kFolderOnD), Tree(product));
  EXPECT_FALSE(Exists(DesktopShortcut()));
}

TEST_F(InstallE2e, CloseDuringExtraction) {
  // A build whose payload carries tens of megabytes more, so the extraction takes seconds.
  ASSERT_NO_FATAL_FAILURE(StartSetup(ProgramFolder() + "setup_large_payload.exe"));
  ClickInstall();
  ASSERT_NO_FATAL_FAILURE(ConfirmNotice());
  const std::string first_large = std::string(kFolderOnC) + "\\media\\part-0001.bin";
  ASSERT_TRUE(WaitFor([&] { return Exists(first_large); }, kBoxMs)) << "the extraction did not start";
  EXPECT_TRUE(IsWindowVisible(ProgressBar()));
  EXPECT_TRUE(LabelShows(kStatusExtracting));
  Shot("extracting");

  const POINT close = At(236, 20);
  MoveMouse(close.x, close.y);
  PressLeft();
  const ULONGLONG released = GetTickCount64();
  ReleaseLeft();
  EXPECT_EQ(setup_->WaitForExit(3000), std::optional<DWORD>(0));
  const ULONGLONG took = GetTickCount64() - released;
  const std::size_t extracted = Tree(std::string(kFolderOnC) + "\\media").size();
  std::printf("ended %llu ms after the release, %zu of 4096 large files extracted\n", took, extracted);
  // The extraction was cut short: the last entry never came, and no shortcut was made.
  EXPECT_LT(extracted, 4096u);
  EXPECT_FALSE(Exists(std::string(kFolderOnC) + "\\许可协议.txt"));
  EXPECT_FALSE(Exists(DesktopShortcut()));
}

// The order of what the user sees, from a build whose window access logs every property write
// (tests/e2e/recording_main.cpp).
TEST_F(InstallE2e, StatusAndProgressSequence) {
  const std::string folder = "C:\\recording\\";
  ASSERT_TRUE(CreateDirectoryA(folder.c_str(), nullptr));
  ASSERT_TRUE(CopyFileA((ProgramFolder() + "setup_recording.exe").c_str(), (folder + "setup.exe").c_str(), TRUE));
  ASSERT_NO_FATAL_FAILURE(StartSetup(folder + "setup.exe"));
  HWND finished = InstallUpToFinishedBox();
  ASSERT_NE(finished, nullptr);
  ASSERT_TRUE(PressMessageBoxButton(finished, IDNO));
  EXPECT_EQ(setup_->WaitForExit(kExitMs), std::optional<DWORD>(0));

  const std::optional<std::string> log = ReadBytes(folder + "window-writes.log");
  ASSERT_TRUE(log.has_value());
  // The writes to the status line, the progress bar and the install button's pictures, in order.
  const std::map<std::string, std::string> watched = {
      {"text 160100A0 8 -1", "status "},
      {"integer 16010066 5 -1", "bar visible "},
      {"integer 16010066 13 -1", "bar at "},
      {"picture 16010021 10 -1", "button picture "},
      {"picture 16010021 11 -1", "button hot picture "},
  };
  std::vector<std::string> seen;
  std::istringstream lines(*log);
  for (std::string line; std::getline(lines, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    const std::size_t tab = line.find('\t');
    const auto it = watched.find(line.substr(0, tab));
    if (it == watched.end()) continue;
    // A picture's size says nothing about the order.
    seen.push_back(it->first.starts_with("picture") ? it->second + "finished" : it->second + line.substr(tab + 1));
  }
  const std::vector<std::string> expected = {
      std::string("status ") + kStatusWriting,
      "bar visible 1",
      std::string("status ") + kStatusExtracting,
      "bar at 0",
      "bar at 11",
      "bar at 22",
      "bar at 33",
      "bar at 44",
      "bar at 55",
      "bar at 66",
      "bar at 77",
      "bar at 88",
      "bar at 100",
      "button picture finished",
      "button hot picture finished",
      std::string("status ") + kStatusShortcutMade,
      "bar visible 0",
  };
  EXPECT_EQ(seen, expected) << *log;
}

}  // namespace
}  // namespace setup::testing
