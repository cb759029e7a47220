#include <gtest/gtest.h>
#include <objidl.h>
#include <shlobj.h>
#include <windows.h>

#include <atomic>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "platform/services_win.h"
#include "tests/harness/gui_driver.h"

namespace setup {
namespace {

using testing::PressMessageBoxButton;
using testing::ProgramFolder;
using testing::WaitForMessageBox;

std::string Str(const Text& text) { return std::string(text.View()); }

// A byte set block: dimension count 1, the length, then the bytes.
class ByteBlock {
 public:
  explicit ByteBlock(std::string_view bytes) {
    const auto size = static_cast<std::uint32_t>(bytes.size());
    block_ = {1, 0, 0, 0};
    for (int shift = 0; shift < 32; shift += 8) block_.push_back(static_cast<std::uint8_t>(size >> shift));
    block_.insert(block_.end(), bytes.begin(), bytes.end());
  }
  [[nodiscard]] ByteSet Set() const { return ByteSet(block_.data(), block_.size()); }

 private:
  std::vector<std::uint8_t> block_;
};

bool FileExists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

bool IsFolder(const std::string& path) {
  const DWORD attributes = GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

std::string ReadWholeFile(const std::string& path) {
  std::string bytes;
  if (std::FILE* file = std::fopen(path.c_str(), "rb")) {
    char buffer[4096];
    for (std::size_t n; (n = std::fread(buffer, 1, sizeof(buffer), file)) > 0;) bytes.append(buffer, n);
    std::fclose(file);
  }
  return bytes;
}

// True when the path's last byte is a backslash and the byte before it is not.
bool EndsInOneBackslash(const std::string& path) {
  return path.size() >= 2 && path.back() == '\\' && path[path.size() - 2] != '\\';
}

// A fresh folder in the temporary folder for one test, removed afterwards.
class ServicesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char temp[MAX_PATH] = {};
    ASSERT_NE(GetTempPathA(MAX_PATH, temp), 0u);
    folder_ = std::string(temp) + "services_test_" + std::to_string(GetCurrentProcessId()) + "\\";
    std::filesystem::remove_all(folder_);
    ASSERT_TRUE(CreateDirectoryA(folder_.c_str(), nullptr));
  }
  void TearDown() override { std::filesystem::remove_all(folder_); }

  Win32Services services_;
  std::string folder_;  // ends in a backslash
};

// COM initialised on the test's thread for the time of one test.
class ComScope {
 public:
  ComScope() : result_(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)) {}
  ~ComScope() {
    if (SUCCEEDED(result_)) CoUninitialize();
  }
  ComScope(const ComScope&) = delete;
  ComScope& operator=(const ComScope&) = delete;
  [[nodiscard]] bool Ok() const { return SUCCEEDED(result_); }

 private:
  HRESULT result_;
};

// What the shell reads back from a shortcut file.
struct ShortcutContents {
  bool loaded = false;
  std::string target, description, arguments, working_folder;
};

ShortcutContents LoadShortcut(const std::string& file) {
  ShortcutContents contents;
  IShellLinkA* link = nullptr;
  if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                              reinterpret_cast<void**>(&link)))) {
    return contents;
  }
  IPersistFile* persist = nullptr;
  if (SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&persist)))) {
    wchar_t wide[MAX_PATH] = {};
    MultiByteToWideChar(CP_ACP, 0, file.c_str(), -1, wide, MAX_PATH);
    if (SUCCEEDED(persist->Load(wide, STGM_READ))) {
      char text[MAX_PATH] = {};
      WIN32_FIND_DATAA found = {};
      contents.loaded = SUCCEEDED(link->GetPath(text, MAX_PATH, &found, 0));
      contents.target = text;
      text[0] = '\0';
      link->GetDescription(text, MAX_PATH);
      contents.description = text;
      text[0] = '\0';
      link->GetArguments(text, MAX_PATH);
      contents.arguments = text;
      text[0] = '\0';
      link->GetWorkingDirectory(text, MAX_PATH);
      contents.working_folder = text;
    }
    persist->Release();
  }
  link->Release();
  return contents;
}

TEST_F(ServicesTest, SpecialFolders) {
  for (std::int32_t kind : {0, 12, -1, 0x7FFFFFFF}) EXPECT_TRUE(services_.GetSpecialFolder(kind).Empty()) << kind;

  char expected[MAX_PATH] = {};
  ASSERT_NE(GetTempPathA(MAX_PATH, expected), 0u);
  EXPECT_TRUE(EndsInOneBackslash(expected)) << "the system's temporary folder already ends in one backslash";
  EXPECT_EQ(Str(services_.GetSpecialFolder(kFolderTemp)), expected);  // nothing appended

  ASSERT_NE(GetWindowsDirectoryA(expected, MAX_PATH), 0u);
  EXPECT_EQ(Str(services_.GetSpecialFolder(kFolderWindows)), std::string(expected) + "\\");
  ASSERT_NE(GetSystemDirectoryA(expected, MAX_PATH), 0u);
  EXPECT_EQ(Str(services_.GetSpecialFolder(kFolderSystem)), std::string(expected) + "\\");

  // The shell's folders exist in a fresh prefix; each comes with exactly one backslash at its end.
  for (std::int32_t kind = kFolderDocuments; kind <= kFolderAppData; ++kind) {
    const std::string folder = Str(services_.GetSpecialFolder(kind));
    EXPECT_TRUE(EndsInOneBackslash(folder)) << kind << ": " << folder;
    EXPECT_TRUE(IsFolder(folder)) << kind << ": " << folder;
  }
  EXPECT_NE(Str(services_.GetSpecialFolder(kFolderDesktop)).find("\\Desktop\\"), std::string::npos);
}

TEST_F(ServicesTest, ShortcutOnTheDesktopResolvesToItsTarget) {
  ComScope com;
  ASSERT_TRUE(com.Ok());
  const std::string desktop = Str(services_.GetSpecialFolder(kFolderDesktop));
  ASSERT_FALSE(desktop.empty());
  const std::string target = ProgramFolder() + "services_child.exe";
  const std::string link = desktop + "services_test_shortcut";
  ASSERT_EQ(services_.CreateShortcut(link, target), 1);

  const ShortcutContents contents = LoadShortcut(link + ".lnk");
  const std::string bytes = ReadWholeFile(link + ".lnk");
  DeleteFileA((link + ".lnk").c_str());
  ASSERT_GE(bytes.size(), 0x40u);
  ASSERT_TRUE(contents.loaded);
  EXPECT_EQ(_stricmp(contents.target.c_str(), target.c_str()), 0) << contents.target;
  // The show command of the file's header (a 32-bit field at 0x3C); the shell reads any value but 3
  // and 7 back as SW_SHOWNORMAL, so the file itself is looked at.
  EXPECT_EQ(static_cast<unsigned char>(bytes[0x3C]), SW_SHOW);
  EXPECT_EQ(bytes.substr(0x3D, 3), std::string(3, '\0'));
  // Settings not given are left alone.
  EXPECT_EQ(contents.description, "");
  EXPECT_EQ(contents.arguments, "");
  EXPECT_EQ(contents.working_folder, "");
}

TEST_F(ServicesTest, ShortcutSettingsAndFileNames) {
  ComScope com;
  ASSERT_TRUE(com.Ok());
  const std::string target = ProgramFolder() + "services_child.exe";
  ASSERT_EQ(services_.CreateShortcut(folder_ + "Full", target, "描述 text", "-a b", folder_), 1);
  const ShortcutContents full = LoadShortcut(folder_ + "Full.lnk");
  ASSERT_TRUE(full.loaded);
  EXPECT_EQ(full.description, "描述 text");
  EXPECT_EQ(full.arguments, "-a b");
  EXPECT_EQ(full.working_folder, folder_);

  ASSERT_TRUE(CreateDirectoryA((folder_ + "a.b").c_str(), nullptr));
  struct Case {
    const char* link;
    const char* saved;
  };
  const Case cases[] = {
      {"App", "App.lnk"},
      {"a.b\\App", "a.b\\App.lnk"},  // a dot in a folder name only
      {"Other.lnk", "Other.lnk"},
      {"App.old", "App.old"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(services_.CreateShortcut(folder_ + c.link, target), 1) << c.link;
    EXPECT_TRUE(LoadShortcut(folder_ + c.saved).loaded) << c.saved;
  }
  EXPECT_FALSE(FileExists(folder_ + "App.old.lnk"));
  EXPECT_FALSE(FileExists(folder_ + "Other.lnk.lnk"));

  // A name too long for the 260-byte buffer is refused.
  EXPECT_EQ(services_.CreateShortcut(folder_ + std::string(300, 'x'), target), 0);
}

TEST(ShortcutFileNameTest, AppendsLnkOnlyWhenTheOwnNameHasNoDot) {
  struct Case {
    const char* link;
    const char* saved;
  };
  const Case cases[] = {
      {"C:\\D\\App", "C:\\D\\App.lnk"},
      {"C:\\a.b\\App", "C:\\a.b\\App.lnk"},
      {"C:\\D\\App.lnk", "C:\\D\\App.lnk"},
      {"C:\\D\\App.old", "C:\\D\\App.old"},
      {"App", "App.lnk"},
      {"", ".lnk"},
      // 0xBC 0x5C is one character: the own name is "a.\xBC\x5C" "b", which holds a dot.
      {"C:\\d\\a.\xBC\x5C"
       "b",
       "C:\\d\\a.\xBC\x5C"
       "b"},
      {"C:\\d.x\\\xBC\x5C"
       "b",
       "C:\\d.x\\\xBC\x5C"
       "b.lnk"},
  };
  for (const Case& c : cases) EXPECT_EQ(Str(ShortcutFileName(c.link)), c.saved) << c.link;
}

TEST_F(ServicesTest, ShortcutOnAThreadWithoutComFails) {
  const std::string link = folder_ + "NoCom";
  std::int32_t result = -1;
  std::thread([&] { result = services_.CreateShortcut(link, ProgramFolder() + "services_child.exe"); }).join();
  EXPECT_EQ(result, 0);
  EXPECT_FALSE(FileExists(link + ".lnk"));
}

TEST_F(ServicesTest, WriteFileBytes) {
  const std::string path = folder_ + "file.bin";
  const ByteBlock long_content("0123456789"), first("abc"), empty(""), second("de");
  ASSERT_TRUE(services_.WriteFileBytes(path, {long_content.Set()}));
  ASSERT_EQ(ReadWholeFile(path), "0123456789");
  ASSERT_TRUE(services_.WriteFileBytes(path, {first.Set(), empty.Set(), second.Set()}));
  EXPECT_EQ(ReadWholeFile(path), "abcde");  // the longer file is replaced, not overwritten in place

  EXPECT_FALSE(services_.WriteFileBytes(folder_ + "missing\\file.bin", {first.Set()}));
  EXPECT_FALSE(FileExists(folder_ + "missing"));
  EXPECT_FALSE(services_.WriteFileBytes("", {first.Set()}));

  // A file that another handle holds without sharing cannot be opened.
  HANDLE held = CreateFileA(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
  EXPECT_FALSE(services_.WriteFileBytes(path, {long_content.Set()}));
  CloseHandle(held);
  EXPECT_EQ(ReadWholeFile(path), "abcde");
}

TEST_F(ServicesTest, RemoveFile) {
  const std::string path = folder_ + "two\\\\backslashes.zip";  // a doubled separator works like one
  const ByteBlock content("x");
  ASSERT_TRUE(CreateDirectoryA((folder_ + "two").c_str(), nullptr));
  ASSERT_TRUE(services_.WriteFileBytes(path, {content.Set()}));
  EXPECT_TRUE(services_.RemoveFile(path));
  EXPECT_FALSE(FileExists(folder_ + "two\\backslashes.zip"));
  EXPECT_FALSE(services_.RemoveFile(path));
  EXPECT_FALSE(services_.RemoveFile(""));
}

// Runs the child program in the test's folder (made the current folder) and reads what it wrote.
class RunProgramTest : public ServicesTest {
 protected:
  void SetUp() override {
    ServicesTest::SetUp();
    char previous[MAX_PATH] = {};
    GetCurrentDirectoryA(MAX_PATH, previous);
    previous_folder_ = previous;
    ASSERT_TRUE(SetCurrentDirectoryA(folder_.c_str()));
    char current[MAX_PATH] = {};
    GetCurrentDirectoryA(MAX_PATH, current);
    current_folder_ = current;
  }
  void TearDown() override {
    SetCurrentDirectoryA(previous_folder_.c_str());
    ServicesTest::TearDown();
  }
  std::string CommandLine(const std::string& report) const {
    return "\"" + ProgramFolder() + "services_child.exe\" " + report;
  }

  std::string previous_folder_;
  std::string current_folder_;
};

TEST_F(RunProgramTest, ShowStatesAndCurrentFolder) {
  struct Case {
    std::int32_t mode;
    int show;
  };
  const Case cases[] = {{0, SW_HIDE},          {1, SW_HIDE},          {2, SW_SHOWNORMAL},
                        {3, SW_SHOWMINIMIZED}, {4, SW_SHOWMAXIMIZED}, {5, SW_SHOWNOACTIVATE},
                        {6, SW_MINIMIZE},      {9, SW_MINIMIZE},      {-7, SW_HIDE}};
  int n = 0;
  for (const Case& c : cases) {
    const std::string report = folder_ + "report" + std::to_string(n++) + ".txt";
    ASSERT_TRUE(services_.RunProgram(CommandLine(report), true, c.mode)) << c.mode;
    // Waited for: the report is there when the call returns.
    EXPECT_EQ(ReadWholeFile(report), current_folder_ + "\n" + std::to_string(c.show) + "\n") << c.mode;
  }
}

TEST_F(RunProgramTest, DefaultsShowNormallyWithoutWaitingForTheEnd) {
  const std::string report = folder_ + "report.txt";
  ASSERT_TRUE(services_.RunProgram(CommandLine(report)));
  for (int i = 0; i < 100 && !FileExists(report); ++i) Sleep(100);
  EXPECT_EQ(ReadWholeFile(report), current_folder_ + "\n1\n");
}

TEST_F(RunProgramTest, CommandLineWithoutAProgramFails) {
  EXPECT_FALSE(services_.RunProgram(""));
  EXPECT_FALSE(services_.RunProgram("   "));
  EXPECT_FALSE(services_.RunProgram(folder_ + "no_such_program.exe", true));
}

// Presses a button of the message box titled `title` once it is up (or closes the box when `button`
// is 0), and notes whether `own_window` was enabled meanwhile.
struct BoxDriver {
  std::string title;
  int button;
  HWND own_window;
  bool found = false;
  bool own_window_enabled = true;

  void operator()() {
    HWND box = WaitForMessageBox(title, 10000);
    found = box != nullptr;
    if (!found) return;
    own_window_enabled = IsWindowEnabled(own_window) != FALSE;
    if (button == 0) {
      PostMessageA(box, WM_CLOSE, 0, 0);
    } else {
      PressMessageBoxButton(box, button);
    }
  }
};

TEST(ShowMessageTest, ButtonCodesAndModality) {
  Win32Services services;
  // A top-level window of the calling thread: a task-modal box disables it while it is open.
  HWND own_window = CreateWindowExA(0, "STATIC", "own", WS_OVERLAPPED, 0, 0, 50, 50, nullptr, nullptr,
                                    GetModuleHandleA(nullptr), nullptr);
  ASSERT_NE(own_window, nullptr);
  struct Case {
    std::int32_t flags;
    int button;  // 0: the close button
    std::int32_t code;
  };
  const Case cases[] = {
      {68, IDYES, 5},
      {68, IDNO, 6},
      {MB_OK, IDOK, 0},
      {MB_OK, 0, 0},
      {MB_OKCANCEL, IDCANCEL, 1},
      {MB_ABORTRETRYIGNORE, IDABORT, 2},
      {MB_ABORTRETRYIGNORE, IDRETRY, 3},
      {MB_ABORTRETRYIGNORE, IDIGNORE, 4},
      {MB_CANCELTRYCONTINUE, IDCONTINUE, 0},  // any other button gives 0
  };
  for (const Case& c : cases) {
    BoxDriver driver{"services test box", c.button, own_window};
    std::thread thread(std::ref(driver));
    const std::int32_t code = services.ShowMessage("text", c.flags, "services test box");
    thread.join();
    ASSERT_TRUE(driver.found) << c.flags << "/" << c.button;
    EXPECT_EQ(code, c.code) << c.flags << "/" << c.button;
    EXPECT_FALSE(driver.own_window_enabled) << c.flags << "/" << c.button;
    EXPECT_TRUE(IsWindowEnabled(own_window));
  }

  // The default title; a system-modal box leaves the thread's windows enabled.
  BoxDriver driver{"信息：", IDOK, own_window};
  std::thread thread(std::ref(driver));
  EXPECT_EQ(services.ShowMessage("text", MB_SYSTEMMODAL), 0);
  thread.join();
  EXPECT_TRUE(driver.found);
  EXPECT_TRUE(driver.own_window_enabled);
  DestroyWindow(own_window);
}

TEST(StartThreadTest, RunsTheRoutineWithItsParameter) {
  Win32Services services;
  struct Shared {
    std::atomic<int> runs{0};
    HANDLE done;
  };
  Shared shared{0, CreateEventA(nullptr, TRUE, FALSE, nullptr)};
  const ThreadRoutine routine = [](void* parameter) -> std::uint32_t {
    auto* s = static_cast<Shared*>(parameter);
    ++s->runs;
    SetEvent(s->done);
    return 42;
  };

  std::uintptr_t handle = 0;
  ASSERT_TRUE(services.StartThread(routine, &shared, &handle));
  ASSERT_NE(handle, 0u);
  const auto thread = reinterpret_cast<HANDLE>(handle);
  ASSERT_EQ(WaitForSingleObject(thread, 10000), WAIT_OBJECT_0);  // the handle stays open
  DWORD exit_code = 0;
  EXPECT_TRUE(GetExitCodeThread(thread, &exit_code));
  EXPECT_EQ(exit_code, 42u);
  CloseHandle(thread);

  ResetEvent(shared.done);
  ASSERT_TRUE(services.StartThread(routine, &shared));  // runs on by itself
  ASSERT_EQ(WaitForSingleObject(shared.done, 10000), WAIT_OBJECT_0);
  EXPECT_EQ(shared.runs, 2);
  CloseHandle(shared.done);

  EXPECT_FALSE(services.StartThread(nullptr));
}

TEST(WindowHandleTest, ComesFromTheWindowLayersLookup) {
  EXPECT_EQ(Win32Services().GetWindowHandle(1, 2), 0u);
  const WindowHandleLookup lookup = [](std::uint32_t window, std::uint32_t control) -> std::uintptr_t {
    return window == 7 && control == 9 ? 0x1234 : 0;
  };
  Win32Services services(lookup);
  EXPECT_EQ(services.GetWindowHandle(7, 9), 0x1234u);
  EXPECT_EQ(services.GetWindowHandle(7, 8), 0u);
}

}  // namespace
}  // namespace setup
