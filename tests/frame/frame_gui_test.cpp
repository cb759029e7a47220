// The frame under Wine, through the test-only frame_probe.exe (the real frame and window with handlers
// chosen by SETUP_PROBE_MODE) and the shipped setup.exe: the run-time error box on either thread with
// events held behind it, declared functions that cannot be bound, ends asked from a second thread,
// property writes from a worker while the program ends, and libraries planted beside the program.
#include <gtest/gtest.h>

// clang-format off
#include <windows.h>
#include <commctrl.h>
#include <tlhelp32.h>
// clang-format on

#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

#include "tests/harness/gui_driver.h"

namespace setup::testing {
namespace {

constexpr DWORD kRuntimeErrorExit = 0xFFFFFFFF;


// A running frame_probe.exe (or another program of the same window) and its main window.
class Probe {
 public:
  static std::optional<Probe> Start(const std::string& mode,
                                    const std::string& program = ProgramFolder() + "frame_probe.exe",
                                    const std::string& folder = {}) {
    SetEnvironmentVariableA("SETUP_PROBE_MODE", mode.c_str());
    MoveMouse(5, 5);
    std::optional<Process> process = Process::Start("\"" + program + "\"", folder);
    SetEnvironmentVariableA("SETUP_PROBE_MODE", nullptr);
    if (!process) return std::nullopt;
    HWND window = WaitForWindow("安装程序", 15000, process->Id());
    if (window == nullptr) {
      process->Kill();
      return std::nullopt;
    }
    Settle(400);
    return Probe(std::move(*process), window);
  }

  Probe(Probe&&) = default;
  ~Probe() {
    if (process_.Id() != 0) process_.Kill();
  }

  Process& process() { return process_; }
  HWND window() const { return window_; }
  RECT rect() const { return WindowRect(window_); }
  // A point of the install panel's client area in screen coordinates (the panel has a 1-pixel border).
  POINT InPanel(int x, int y) const {
    const RECT r = rect();
    return POINT{r.left + 1 + x, r.top + 1 + y};
  }
  void Click(int x, int y) const {
    const POINT p = InPanel(x, y);
    ClickAt(p.x, p.y);
  }
  void ClickInstallButton() const { Click(14 + 110, 255 + 30); }
  void ClickCloseMark() const { Click(236, 20); }

 private:
  Probe(Process process, HWND window) : process_(std::move(process)), window_(window) {}
  Process process_;
  HWND window_;
};

std::string ErrorBoxText(const std::string& message, int code) {
  std::string text = "运行时出错!\r\n\r\n";
  if (code != 0) text += "错误代码：" + std::to_string(code) + "\r\n\r\n";
  if (!message.empty()) text += "错误信息：" + message + "\r\n";
  return text;
}

// Waits for the error box, checks its text, shows that no handler runs behind it (a click on the close
// mark would end the program with exit code 0), then answers it: the program ends with -1.
void ExpectErrorBoxThenMinusOne(Probe& probe, const std::string& expected_text, const std::string& shot) {
  HWND box = WaitForMessageBox("错误", 10000);
  ASSERT_NE(box, nullptr) << "no error box";
  Settle(300);
  EXPECT_EQ(MessageBoxText(box), expected_text);
  Screenshot::Take().Save(shot, WindowRect(box));

  probe.ClickCloseMark();
  Settle(700);
  EXPECT_FALSE(probe.process().WaitForExit(0).has_value()) << "a handler ran behind the error box";
  EXPECT_TRUE(IsWindow(box));

  ASSERT_TRUE(PressMessageBoxButton(box, IDOK));
  EXPECT_EQ(probe.process().WaitForExit(10000), std::optional<DWORD>(kRuntimeErrorExit));
}

TEST(FrameGuiTest, CreatedEventRunsBeforeTheFirstShow) {
  // The probe's created handler checks that the window is still hidden (exit 70 otherwise) and moves
  // its top edge to 300, as the setup logic does: the window is first seen there.
  std::optional<Probe> probe = Probe::Start("none");
  ASSERT_TRUE(probe.has_value());
  const RECT r = probe->rect();
  EXPECT_EQ(r.left, 835);
  EXPECT_EQ(r.top, 300);
  EXPECT_EQ(r.right - r.left, 250);
  EXPECT_EQ(r.bottom - r.top, 400);
  PostMessageA(probe->window(), WM_CLOSE, 0, 0);
  EXPECT_EQ(probe->process().WaitForExit(10000), std::optional<DWORD>(0));
}

TEST(FrameGuiTest, RuntimeErrorOnTheWindowThread) {
  std::optional<Probe> probe = Probe::Start("error-window-thread");
  ASSERT_TRUE(probe.has_value());
  // Pressing on the install button and releasing away from it raises nothing.
  const POINT button = probe->InPanel(124, 285);
  const POINT away = probe->InPanel(124, 20);
  MoveMouse(button.x, button.y);
  PressLeft();
  MoveMouse(away.x, away.y);
  ReleaseLeft();
  EXPECT_EQ(WaitForMessageBox("错误", 800), nullptr) << "clicked was raised without a release over the button";

  probe->ClickInstallButton();
  ExpectErrorBoxThenMinusOne(*probe, ErrorBoxText("数组成员引用下标必须大于等于1", 4), "error-box-window-thread.png");
}

TEST(FrameGuiTest, RuntimeErrorOnASecondThread) {
  std::optional<Probe> probe = Probe::Start("error-worker");
  ASSERT_TRUE(probe.has_value());
  probe->ClickInstallButton();
  ExpectErrorBoxThenMinusOne(*probe, ErrorBoxText("数组成员引用下标超出定义范围", 1), "error-box-worker.png");
}

TEST(FrameGuiTest, FailuresOfDeclaredFunctionsPropertyAccessesAndAllocationsEndThroughTheErrorReport) {
  struct Case {
    const char* mode;
    const char* message;
  };
  const Case cases[] = {
      {"missing-library", "无法找到指定DLL库文件“setup_missing_library”中的输出命令“MissingExport”"},
      {"missing-system-export", "无法找到指定DLL库文件中的输出命令“NoSuchSystemExport”"},
      {"access-unloaded", "未载入欲访问窗口组件所在的窗口"},
      {"access-destroyed", "指定窗口尚未载入"},
      // The program's operator new and the containers' size reports take the heap failure report.
      {"allocation-refused", "内存不足"},
      {"container-too-large", "内存不足"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.mode);
    std::optional<Probe> probe = Probe::Start(c.mode);
    ASSERT_TRUE(probe.has_value());
    probe->ClickInstallButton();
    ExpectErrorBoxThenMinusOne(*probe, ErrorBoxText(c.message, 0), std::string("error-box-") + c.mode + ".png");
  }
}

TEST(FrameGuiTest, EndAskedOnASecondThreadEndsWithItsCode) {
  std::optional<Probe> probe = Probe::Start("end-from-worker");
  ASSERT_TRUE(probe.has_value());
  // The press begins on the panel, above the install button; releasing over the button raises clicked.
  const POINT start = probe->InPanel(124, 251);
  const POINT button = probe->InPanel(124, 285);
  MoveMouse(start.x, start.y);
  PressLeft();
  MoveMouse(button.x, button.y);
  ReleaseLeft();
  EXPECT_EQ(probe->process().WaitForExit(10000), std::optional<DWORD>(3));
}

TEST(FrameGuiTest, TwoEndsAtTheSameMomentEndTheProcessOnce) {
  // The window thread asks for 6 while a second thread asks for 5: the process ends once, promptly,
  // with one of the two codes (not a crash, not a hang).
  for (int run = 0; run < 3; ++run) {
    SCOPED_TRACE(run);
    std::optional<Probe> probe = Probe::Start("end-race");
    ASSERT_TRUE(probe.has_value());
    probe->ClickInstallButton();
    const std::optional<DWORD> code = probe->process().WaitForExit(10000);
    ASSERT_TRUE(code.has_value());
    EXPECT_TRUE(*code == 5 || *code == 6) << *code;
  }
}

TEST(FrameGuiTest, WorkerWritesPropertiesWhileTheCloseMarkEndsTheProgram) {
  std::optional<Probe> probe = Probe::Start("worker-writes");
  ASSERT_TRUE(probe.has_value());
  probe->ClickInstallButton();
  const std::vector<HWND> bars = FindChildren(probe->window(), "msctls_progress32");
  ASSERT_EQ(bars.size(), 1u);
  // The worker's writes take effect: the bar is shown, the status line follows the progress event.
  std::string status;
  for (int i = 0; i < 100 && (status.rfind("已完成 ", 0) != 0 || !IsWindowVisible(bars[0])); ++i) {
    Settle(50);
    status.clear();
    for (HWND label : FindChildren(probe->window(), "SetupLabel")) {
      const std::string text = WindowText(label);
      if (text.rfind("已完成 ", 0) == 0) status = text;
    }
  }
  EXPECT_TRUE(IsWindowVisible(bars[0]));
  EXPECT_EQ(status.rfind("已完成 ", 0), 0u) << status;
  Screenshot::Take().Save("worker-progress.png", probe->rect());
  // The end releases the windows while the worker keeps writing: it ends once, with exit code 0.
  probe->ClickCloseMark();
  EXPECT_EQ(probe->process().WaitForExit(10000), std::optional<DWORD>(0));
}

TEST(FrameGuiTest, WritesAtStartProgressBarPicturesAndAnUndecodablePicture) {
  // The probe's created handler writes position 150 with maximum 100 and checks that reads give 150
  // (and the clamped 0 and 32767 for -5 and 40000), exit code 71 otherwise. It gives the install
  // button the finished picture as normal and hot picture, and the logo box bytes that are no picture.
  std::optional<Probe> probe = Probe::Start("writes-at-start");
  ASSERT_TRUE(probe.has_value());
  const std::vector<HWND> bars = FindChildren(probe->window(), "msctls_progress32");
  ASSERT_EQ(bars.size(), 1u);
  EXPECT_TRUE(IsWindowVisible(bars[0]));
  EXPECT_EQ(SendMessageA(bars[0], PBM_GETPOS, 0, 0), 100) << "the bar shows the position limited to the maximum";
  EXPECT_EQ(SendMessageA(bars[0], PBM_GETRANGE, FALSE, 0), 100);

  const Screenshot shot = Screenshot::Take();
  shot.Save("writes-at-start.png", probe->rect());
  const POINT logo = probe->InPanel(12 + 105, 36 + 105);
  EXPECT_EQ(shot.Pixel(logo.x, logo.y), RGB(22, 131, 196)) << "the logo box without a picture shows its background";
  // The finished face (完成 on teal) is both normal and hot face: hovering changes nothing visible.
  const POINT face = probe->InPanel(14 + 10, 255 + 10);
  const COLORREF normal = shot.Pixel(face.x, face.y);
  EXPECT_TRUE(ColorsNear(normal, RGB(0x12, 0x96, 0xB8))) << std::hex << normal;
  MoveMouse(face.x, face.y);
  Settle(400);
  EXPECT_EQ(Screenshot::Take().Pixel(face.x, face.y), normal);

  PostMessageA(probe->window(), WM_CLOSE, 0, 0);
  EXPECT_EQ(probe->process().WaitForExit(10000), std::optional<DWORD>(0));
}

// ---- Libraries planted beside the program ----
//
// Copies of a decoy library that leaves a marker file when loaded are planted, under the names of
// system libraries, beside copies of the programs, which are started with that folder as their current
// folder. Wine prefers its own built-in libraries to a file of the same name found elsewhere; for the
// names below it is told to prefer a "native" file, as Windows does for libraries that are not known
// to the system (WINEDLLOVERRIDES ...=n,b), so that a library looked for in the wrong place would be
// found and loaded.
//
// version.dll and imm32.dll are planted but not made native-first: Wine's own user32 loads them while
// the process starts, before any code of the program runs, searching the program's folder first (its
// built-in copies are then listed under the planted path). On Windows, user32 does not import
// version.dll and imm32.dll is a known system library, always loaded from the system folder.

const char* const kPlantedNames[] = {
    "version.dll", "imm32.dll",    "uxtheme.dll",  "dwmapi.dll",  "comctl32.dll", "shell32.dll",
    "ole32.dll",   "oleaut32.dll", "shlwapi.dll",  "msimg32.dll", "winmm.dll",    "cryptbase.dll",
    "propsys.dll", "userenv.dll",  "wtsapi32.dll", "msctf.dll",   "usp10.dll",    "setupapi.dll",
};
constexpr char kNativeFirst[] =
    "uxtheme,dwmapi,comctl32,shell32,ole32,oleaut32,shlwapi,msimg32,winmm,cryptbase,propsys,userenv,wtsapi32,"
    "msctf,usp10,setupapi=n,b";
const char* const kLoadedByWineAtStart[] = {"version.dll", "imm32.dll"};

std::vector<std::string> ModulePaths(DWORD process_id) {
  std::vector<std::string> paths;
  HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPMODULE, process_id);
  if (snapshot == INVALID_HANDLE_VALUE) return paths;
  MODULEENTRY32 entry = {};
  entry.dwSize = sizeof entry;
  for (BOOL more = Module32First(snapshot, &entry); more; more = Module32Next(snapshot, &entry)) {
    paths.push_back(entry.szExePath);
  }
  CloseHandle(snapshot);
  return paths;
}

std::string Lower(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return text;
}

class PlantedLibrariesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char temp[MAX_PATH] = {};
    GetTempPathA(MAX_PATH, temp);
    folder_ = std::string(temp) + "setup-planted\\";
    CreateDirectoryA(folder_.c_str(), nullptr);
    for (const char* name : kPlantedNames) {
      ASSERT_TRUE(CopyFileA((ProgramFolder() + "decoy.dll").c_str(), (folder_ + name).c_str(), FALSE)) << name;
      DeleteFileA((folder_ + name + ".loaded").c_str());
    }
    for (const char* program : {"setup.exe", "frame_probe.exe"}) {
      ASSERT_TRUE(CopyFileA((ProgramFolder() + program).c_str(), (folder_ + program).c_str(), FALSE)) << program;
    }
    char overrides[512] = {};
    GetEnvironmentVariableA("WINEDLLOVERRIDES", overrides, sizeof overrides);
    saved_overrides_ = overrides;
    const std::string planted = saved_overrides_.empty() ? kNativeFirst : saved_overrides_ + ";" + kNativeFirst;
    SetEnvironmentVariableA("WINEDLLOVERRIDES", planted.c_str());
  }
  void TearDown() override {
    SetEnvironmentVariableA("WINEDLLOVERRIDES", saved_overrides_.empty() ? nullptr : saved_overrides_.c_str());
  }

  std::vector<std::string> LoadedDecoys() const {
    std::vector<std::string> loaded;
    for (const char* name : kPlantedNames) {
      if (GetFileAttributesA((folder_ + name + ".loaded").c_str()) != INVALID_FILE_ATTRIBUTES) loaded.push_back(name);
    }
    return loaded;
  }

  // Modules of the running program that come from the planted folder, other than the program itself.
  std::vector<std::string> ModulesFromFolder(DWORD process_id, const std::string& program) const {
    std::vector<std::string> found;
    const std::string prefix = Lower(folder_);
    for (const std::string& path : ModulePaths(process_id)) {
      const std::string lower = Lower(path);
      if (lower.rfind(prefix, 0) != 0 || lower == Lower(folder_ + program)) continue;
      bool wine_start = false;
      for (const char* name : kLoadedByWineAtStart) wine_start = wine_start || lower == Lower(folder_ + name);
      if (!wine_start) found.push_back(path);
    }
    return found;
  }

  std::string folder_;
  std::string saved_overrides_;
};

TEST_F(PlantedLibrariesTest, SetupLoadsNoLibraryFromItsFolderOrTheCurrentFolder) {
  // The control: dwmapi.dll loaded the plain way from a program in the planted folder is the decoy.
  {
    SetEnvironmentVariableA("SETUP_PROBE_MODE", "plain-load");
    std::optional<Process> plain = Process::Start("\"" + folder_ + "frame_probe.exe\"", folder_);
    SetEnvironmentVariableA("SETUP_PROBE_MODE", nullptr);
    ASSERT_TRUE(plain.has_value());
    ASSERT_EQ(plain->WaitForExit(10000), std::optional<DWORD>(0));
    ASSERT_EQ(LoadedDecoys(), std::vector<std::string>{"dwmapi.dll"}) << "the loader did not take the decoy";
    DeleteFileA((folder_ + "dwmapi.dll.loaded").c_str());
  }
  // The shipped program, started in its folder: no decoy is loaded.
  {
    MoveMouse(5, 5);
    std::optional<Process> setup_program = Process::Start("\"" + folder_ + "setup.exe\"", folder_);
    ASSERT_TRUE(setup_program.has_value());
    HWND window = WaitForWindow("安装程序", 15000, setup_program->Id());
    ASSERT_NE(window, nullptr);
    Settle(500);
    EXPECT_EQ(ModulesFromFolder(setup_program->Id(), "setup.exe"), std::vector<std::string>{});
    EXPECT_GT(ModulePaths(setup_program->Id()).size(), 3u) << "the module list could not be read";
    PostMessageA(window, WM_CLOSE, 0, 0);
    EXPECT_EQ(setup_program->WaitForExit(10000), std::optional<DWORD>(0));
    EXPECT_EQ(LoadedDecoys(), std::vector<std::string>{});
  }
  // The frame with every library of the declared functions bound (shell32, ole32, kernel32) and
  // OLE/COM in use on the window thread: still no decoy. The probe ends with 72 when a call fails.
  {
    std::optional<Probe> probe = Probe::Start("declared-calls", folder_ + "frame_probe.exe", folder_);
    ASSERT_TRUE(probe.has_value());
    EXPECT_EQ(ModulesFromFolder(probe->process().Id(), "frame_probe.exe"), std::vector<std::string>{});
    bool shell_loaded = false;
    for (const std::string& path : ModulePaths(probe->process().Id())) {
      if (Lower(path).find("shell32.dll") != std::string::npos) shell_loaded = true;
    }
    EXPECT_TRUE(shell_loaded) << "the declared functions of shell32 were not bound";
    PostMessageA(probe->window(), WM_CLOSE, 0, 0);
    EXPECT_EQ(probe->process().WaitForExit(10000), std::optional<DWORD>(0));
    EXPECT_EQ(LoadedDecoys(), std::vector<std::string>{});
  }
}

}  // namespace
}  // namespace setup::testing
