// Robustness of the installation under Wine, each case in a Wine session of its own
// (tests/harness/run-case.sh): an installation killed half way through its extraction and run again,
// setup programs whose embedded archive has one damaged byte, and an installer built for another brand
// and product.
//
// Environment (host paths, reached through drive Z:): SETUP_PRODUCT_FOLDER and SETUP_PAYLOAD_ZIP, the
// product that setup.exe carries and its archive; ROBUSTNESS_LARGE_PRODUCT and ROBUSTNESS_LARGE_ZIP, the
// same for robustness_large_setup.exe; ROBUSTNESS_OTHER_PRODUCT, the product of
// robustness_sevbilow_setup.exe.
#include <gtest/gtest.h>
#include <objidl.h>
#include <shlobj.h>
#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

#include "tests/harness/gui_driver.h"
#include "tests/harness/installed_files.h"

namespace setup::testing {
namespace {

constexpr char kMainTitle[] = "安装程序";
constexpr char kNoticeTitle[] = "信息：";
constexpr char kFinishedTitle[] = "温馨提示：";
constexpr char kFailedTitle[] = "Marnobe<安装失败>";
constexpr char kStatusExtractFailed[] = "2.解压失败！";
constexpr char kMarnobeFolder[] = "C:\\Vostrel软件\\Marnobe";
// The install button, relative to the main window.
constexpr POINT kInstallButton{124, 295};

constexpr DWORD kStartMs = 15000;
constexpr DWORD kBoxMs = 30000;
constexpr DWORD kExitMs = 10000;

// ---- Files ----

bool IsReadOnly(const std::string& path) {
  const DWORD attributes = GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY) != 0;
}

// Wine keeps no archive bit of its own: a file without other attributes reads as ARCHIVE.
bool HasNormalAttributes(const std::string& path) {
  const DWORD attributes = GetFileAttributesA(path.c_str());
  return attributes == FILE_ATTRIBUTE_NORMAL || attributes == FILE_ATTRIBUTE_ARCHIVE;
}







std::string DesktopFolder() {
  char desktop[MAX_PATH] = {};
  SHGetSpecialFolderPathA(nullptr, desktop, CSIDL_DESKTOPDIRECTORY, FALSE);
  return desktop;
}

// `installed` holds exactly the files and folders of `product`, byte for byte, none of them read-only.
void ExpectInstalledExactly(const std::string& installed, const std::string& product) {
  const std::vector<std::string> expected = Tree(product);
  ASSERT_FALSE(expected.empty()) << "no product at " << product;
  EXPECT_EQ(Tree(installed), expected);
  for (const std::string& entry : expected) {
    if (entry.back() == '\\') continue;
    const std::string path = installed + "\\" + entry;
    EXPECT_TRUE(ReadBytes(path) == ReadBytes(product + "\\" + entry)) << entry << " differs";
    EXPECT_TRUE(HasNormalAttributes(path)) << entry << ": " << GetFileAttributesA(path.c_str());
  }
}

// ---- The payload archive's layout ----

std::uint32_t Le16(const std::string& bytes, std::size_t at) {
  return static_cast<std::uint8_t>(bytes[at]) | static_cast<std::uint8_t>(bytes[at + 1]) << 8;
}
std::uint32_t Le32(const std::string& bytes, std::size_t at) { return Le16(bytes, at) | Le16(bytes, at + 2) << 16; }

struct ZipEntry {
  std::string name;         // as stored: GBK, "/" between components
  std::size_t central = 0;  // offset of its central directory record
  std::size_t local = 0;    // offset of its local header
  std::size_t data = 0;     // offset of its compressed data
  std::size_t compressed_size = 0;
  bool folder() const { return !name.empty() && name.back() == '/'; }
  // The entry's path below an install folder.
  std::string Relative() const {
    std::string path = folder() ? name.substr(0, name.size() - 1) : name;
    std::replace(path.begin(), path.end(), '/', '\\');  // '/' is never the second byte of a GBK character
    return path;
  }
};

struct ZipLayout {
  std::vector<ZipEntry> entries;  // in central-directory order, the order of extraction
  std::size_t end_record = 0;
};

// Reads the layout of a well-formed archive without Zip64 records.
std::optional<ZipLayout> ReadLayout(const std::string& zip) {
  if (zip.size() < 22) return std::nullopt;
  ZipLayout layout;
  std::size_t at = zip.size() - 22 + 1;
  while (at-- > 0 && Le32(zip, at) != 0x06054B50) {
  }
  if (at == static_cast<std::size_t>(-1)) return std::nullopt;
  layout.end_record = at;
  const std::uint32_t count = Le16(zip, at + 10);
  std::size_t central = Le32(zip, at + 16);
  for (std::uint32_t i = 0; i < count; ++i) {
    if (central + 46 > zip.size() || Le32(zip, central) != 0x02014B50) return std::nullopt;
    ZipEntry entry;
    entry.central = central;
    const std::size_t name_size = Le16(zip, central + 28);
    entry.name = zip.substr(central + 46, name_size);
    entry.compressed_size = Le32(zip, central + 20);
    entry.local = Le32(zip, central + 42);
    if (entry.local + 30 > zip.size()) return std::nullopt;
    entry.data = entry.local + 30 + Le16(zip, entry.local + 26) + Le16(zip, entry.local + 28);
    layout.entries.push_back(entry);
    central += 46 + name_size + Le16(zip, central + 30) + Le16(zip, central + 32);
  }
  return layout;
}

// What an interrupted or failed extraction left in `installed`, checked against the archive's entries
// (in extraction order) and the product they were made from: a prefix of the entries is installed
// completely (byte for byte, attributes normal); after it at most one file, the entry that was being
// written, which is read-only; nothing after that, and nothing that the archive does
// not hold.
struct Leftovers {
  std::size_t complete = 0;         // entries installed completely
  bool unfinished = false;          // the entry after them is there, read-only
  bool unfinished_correct = false;  // and holds the product's bytes (killed before it was marked complete)
};

Leftovers CheckLeftovers(const std::string& installed, const std::string& product, const ZipLayout& layout) {
  Leftovers found;
  std::size_t i = 0;
  for (; i < layout.entries.size(); ++i) {
    const ZipEntry& entry = layout.entries[i];
    const std::string path = installed + "\\" + entry.Relative();
    if (!Exists(path)) break;
    if (entry.folder()) continue;
    if (!HasNormalAttributes(path) || ReadBytes(path) != ReadBytes(product + "\\" + entry.Relative())) break;
    found.complete = i + 1;
  }
  // Folder entries after the last complete file count with what follows.
  i = found.complete;
  while (i < layout.entries.size() && layout.entries[i].folder() &&
         Exists(installed + "\\" + layout.entries[i].Relative())) {
    ++i;
  }
  if (i < layout.entries.size() && Exists(installed + "\\" + layout.entries[i].Relative())) {
    const ZipEntry& entry = layout.entries[i];
    const std::string path = installed + "\\" + entry.Relative();
    found.unfinished = true;
    const std::optional<std::string> left = ReadBytes(path);
    const std::optional<std::string> whole = ReadBytes(product + "\\" + entry.Relative());
    found.unfinished_correct = left == whole;
    std::printf("left unfinished: %s, read-only %d, %zu of %zu bytes, %s\n", entry.name.c_str(), IsReadOnly(path),
                left ? left->size() : 0, whole ? whole->size() : 0, found.unfinished_correct ? "correct" : "wrong");
    EXPECT_TRUE(IsReadOnly(path)) << entry.name << " is left unfinished but not read-only";
    ++i;
  }
  for (; i < layout.entries.size(); ++i) {
    EXPECT_FALSE(Exists(installed + "\\" + layout.entries[i].Relative()))
        << layout.entries[i].name << " exists after the entry that was not finished";
  }
  std::vector<std::string> known;
  for (const ZipEntry& entry : layout.entries) known.push_back(entry.Relative() + (entry.folder() ? "\\" : ""));
  for (const std::string& path : Tree(installed)) {
    EXPECT_NE(std::find(known.begin(), known.end(), path), known.end()) << path << " is not in the archive";
  }
  return found;
}

// ---- The setup program ----

class SetupRun {
 public:
  ~SetupRun() {
    if (process_) process_->Kill();
  }

  // Starts `exe`, presses the install button and confirms the notice.
  void StartInstalling(const std::string& exe) {
    MoveMouse(5, 5);
    process_ = Process::Start("\"" + exe + "\"");
    ASSERT_TRUE(process_.has_value()) << exe;
    window_ = WaitForWindow(kMainTitle, kStartMs, process_->Id());
    ASSERT_NE(window_, nullptr) << exe;
    const RECT rect = WindowRect(window_);
    ClickAt(rect.left + kInstallButton.x, rect.top + kInstallButton.y);
    HWND notice = WaitForMessageBox(kNoticeTitle, kBoxMs, process_->Id());
    ASSERT_NE(notice, nullptr) << "no notice";
    ASSERT_TRUE(PressMessageBoxButton(notice, IDOK));
  }

  // The first of the finished question and the failure box `failed_title` to appear.
  HWND WaitForOutcome(const std::string& failed_title) {
    const ULONGLONG deadline = GetTickCount64() + kBoxMs;
    while (GetTickCount64() < deadline) {
      if (HWND box = WaitForMessageBox(kFinishedTitle, 0, process_->Id())) return box;
      if (HWND box = WaitForMessageBox(failed_title, 0, process_->Id())) return box;
      if (!process_->Running()) return nullptr;
      Sleep(20);
    }
    return nullptr;
  }

  bool StatusShows(const std::string& text) const {
    for (HWND label : FindChildren(window_, "SetupLabel")) {
      if (WindowText(label) == text) return true;
    }
    return false;
  }

  Process& process() { return *process_; }

 private:
  std::optional<Process> process_;
  HWND window_ = nullptr;
};

// ---- An installation killed half way ----

// robustness_large_setup.exe carries the product and four files of 12 MB in media/. The run is killed
// while a media file other than the first is being written; a second run must then replace every
// leftover, the read-only one included.
TEST(InterruptedInstall, SecondRunReplacesReadOnlyLeftovers) {
  const std::string exe = ProgramFolder() + "robustness_large_setup.exe";
  const std::string product = HostPath("ROBUSTNESS_LARGE_PRODUCT");
  const std::optional<std::string> zip = ReadBytes(HostPath("ROBUSTNESS_LARGE_ZIP"));
  ASSERT_TRUE(zip.has_value());
  const std::optional<ZipLayout> layout = ReadLayout(*zip);
  ASSERT_TRUE(layout.has_value());
  const std::string media = std::string(kMarnobeFolder) + "\\media\\";

  // The kill may land between two files, where no file is read-only (the last one finished, the next
  // not yet made): such a run is killed again.
  Leftovers leftovers;
  for (int attempt = 1; attempt <= 3 && !leftovers.unfinished; ++attempt) {
    SetupRun run;
    ASSERT_NO_FATAL_FAILURE(run.StartInstalling(exe));
    // Kill as soon as a media file after the first is being written (read-only).
    bool killed = false;
    const ULONGLONG deadline = GetTickCount64() + kBoxMs;
    while (!killed && GetTickCount64() < deadline && run.process().Running()) {
      for (int part = 2; part <= 4 && !killed; ++part) {
        if (IsReadOnly(media + "part-" + std::to_string(part) + ".bin")) {
          run.process().Kill();
          killed = true;
        }
      }
    }
    ASSERT_TRUE(killed) << "no media file was seen being written";
    std::printf("attempt %d killed the run\n", attempt);
    ASSERT_FALSE(run.process().Running());
    leftovers = CheckLeftovers(kMarnobeFolder, product, *layout);
    ASSERT_FALSE(HasFailure());
    ASSERT_LT(leftovers.complete + 1, layout->entries.size()) << "the extraction was not half way";
    ASSERT_GT(leftovers.complete, 0u);
  }
  ASSERT_TRUE(leftovers.unfinished) << "every kill landed between two files";
  EXPECT_FALSE(Exists(DesktopFolder() + "\\Marnobe.lnk"));

  SetupRun second;
  ASSERT_NO_FATAL_FAILURE(second.StartInstalling(exe));
  HWND outcome = second.WaitForOutcome(kFailedTitle);
  ASSERT_NE(outcome, nullptr) << "the second run came to no end";
  ASSERT_EQ(WindowText(outcome), kFinishedTitle);
  ASSERT_TRUE(PressMessageBoxButton(outcome, IDNO));
  EXPECT_EQ(second.process().WaitForExit(kExitMs), std::optional<DWORD>(0));
  ExpectInstalledExactly(kMarnobeFolder, product);
  EXPECT_TRUE(Exists(DesktopFolder() + "\\Marnobe.lnk"));
  EXPECT_FALSE(Exists(TempFolder() + "tool.zip"));
}

// ---- Damaged setup programs ----

// Where a setup program carries its archive: the known archive bytes found inside the program.
std::size_t ArchiveOffset(const std::string& exe, const std::string& zip) {
  const std::size_t at = exe.find(zip.substr(0, 4096));
  if (at == std::string::npos || exe.compare(at, zip.size(), zip) != 0) return std::string::npos;
  return at;
}

enum class Place {
  kEntryData,           // the middle of an entry's deflated data
  kLocalHeaderCrc,      // a byte of the CRC-32 in an entry's local header
  kCentralSignature,    // the signature of an entry's central directory record
  kCentralLocalOffset,  // the offset of the local header, in an entry's central directory record
  kEndRecordCount,      // the entry count of the end-of-central-directory record
  kCentralName,         // the first byte of an entry's name in its central directory record
};

struct Damage {
  const char* what;
  Place place;
  std::size_t entry;  // index of the damaged entry in the archive
  char flip = 0x55;   // the bits flipped
};

// The offset in the archive of the byte that `damage` flips.
std::size_t DamagedOffset(const ZipLayout& layout, const Damage& damage) {
  const ZipEntry& entry = layout.entries.at(damage.entry);
  switch (damage.place) {
    case Place::kEntryData:
      return entry.data + entry.compressed_size / 2;
    case Place::kLocalHeaderCrc:
      return entry.local + 14;
    case Place::kCentralSignature:
      return entry.central + 1;
    case Place::kCentralLocalOffset:
      return entry.central + 42;
    case Place::kEndRecordCount:
      return layout.end_record + 10;
    case Place::kCentralName:
      return entry.central + 46;
  }
  return 0;
}

class CorruptedSetup : public ::testing::Test {
 protected:
  void SetUp() override {
    const std::optional<std::string> exe = ReadBytes(ProgramFolder() + "setup.exe");
    const std::optional<std::string> zip = ReadBytes(HostPath("SETUP_PAYLOAD_ZIP"));
    ASSERT_TRUE(exe && zip);
    exe_ = *exe;
    archive_at_ = ArchiveOffset(exe_, *zip);
    ASSERT_NE(archive_at_, std::string::npos) << "the payload archive is not inside setup.exe";
    const std::optional<ZipLayout> layout = ReadLayout(*zip);
    ASSERT_TRUE(layout.has_value());
    layout_ = *layout;
    CreateDirectoryA("C:\\damaged", nullptr);
  }

  // Runs a copy of setup.exe with one byte of its archive flipped: the installation must fail visibly
  // (the failure box, the status line), show no finished question, make no shortcut, and leave nothing
  // in the install folder but complete files and at most one unfinished, read-only one. Gives what
  // was left; the install folder is removed afterwards.
  Leftovers RunDamaged(const Damage& damage) {
    SCOPED_TRACE(damage.what);
    std::string copy = exe_;
    copy[archive_at_ + DamagedOffset(layout_, damage)] ^= damage.flip;
    const std::string path = std::string("C:\\damaged\\setup-") + std::to_string(runs_++) + ".exe";
    EXPECT_TRUE(WriteBytes(path, copy));

    Leftovers leftovers;
    SetupRun run;
    run.StartInstalling(path);
    if (HasFatalFailure()) return leftovers;
    HWND outcome = run.WaitForOutcome(kFailedTitle);
    EXPECT_NE(outcome, nullptr) << "neither the finished question nor the failure box";
    if (outcome != nullptr) {
      EXPECT_EQ(WindowText(outcome), kFailedTitle) << "a damaged archive reported success";
      EXPECT_TRUE(run.StatusShows(kStatusExtractFailed));
      PressMessageBoxButton(outcome, IDOK);
      EXPECT_TRUE(WaitForWindowGone(outcome, 5000));
    }
    EXPECT_TRUE(run.process().Running()) << "the window stays open after a failure";
    EXPECT_FALSE(Exists(DesktopFolder() + "\\Marnobe.lnk"));
    leftovers = CheckLeftovers(kMarnobeFolder, HostPath("SETUP_PRODUCT_FOLDER"), layout_);
    // The next run starts from an empty install folder.
    std::vector<std::string> tree = Tree(kMarnobeFolder);
    std::reverse(tree.begin(), tree.end());
    for (const std::string& entry : tree) {
      const std::string full = std::string(kMarnobeFolder) + "\\" + entry;
      if (entry.back() == '\\') {
        RemoveDirectoryA(full.c_str());
      } else {
        SetFileAttributesA(full.c_str(), FILE_ATTRIBUTE_NORMAL);
        DeleteFileA(full.c_str());
      }
    }
    RemoveDirectoryA(kMarnobeFolder);
    return leftovers;
  }

  // The index of the entry named `name`.
  std::size_t Entry(const std::string& name) const {
    for (std::size_t i = 0; i < layout_.entries.size(); ++i) {
      if (layout_.entries[i].name == name) return i;
    }
    ADD_FAILURE() << "no entry " << name;
    return 0;
  }

  std::string exe_;
  std::size_t archive_at_ = 0;
  ZipLayout layout_;
  int runs_ = 0;
};

// A flipped byte in the deflated data of the product's executable: the entries before it are
// installed, the executable stays unfinished (read-only, not the product's bytes), nothing follows.
TEST_F(CorruptedSetup, DamagedEntryDataFailsVisibly) {
  const std::size_t exe = Entry("Marnobe.exe");
  ASSERT_GT(exe, 0u);
  const Leftovers left = RunDamaged({"deflated data of Marnobe.exe", Place::kEntryData, exe});
  EXPECT_EQ(left.complete, exe);
  EXPECT_TRUE(left.unfinished);
  EXPECT_FALSE(left.unfinished_correct);
}

// A flipped byte in the archive's structure: the run fails before it writes a wrong file.
TEST_F(CorruptedSetup, DamagedStructureNeverReportsSuccess) {
  const std::size_t ini = Entry("Marnobe.ini");
  const std::size_t last = layout_.entries.size() - 1;
  const struct {
    Damage damage;
    std::size_t complete;  // entries installed before the run stops
  } cases[] = {
      {{"local header CRC-32 of Marnobe.ini", Place::kLocalHeaderCrc, ini}, ini},
      {{"central record signature of Marnobe.ini", Place::kCentralSignature, ini}, ini},
      {{"central record's local header offset of the last entry", Place::kCentralLocalOffset, last}, last},
      {{"entry count of the end record", Place::kEndRecordCount, 0}, 0},
      // "Larnobe.ini": still a valid file name.
      {{"central record name of Marnobe.ini", Place::kCentralName, ini, 0x01}, ini},
  };
  for (const auto& c : cases) {
    const Leftovers left = RunDamaged(c.damage);
    EXPECT_EQ(left.complete, c.complete) << c.damage.what;
    EXPECT_FALSE(left.unfinished) << c.damage.what;
  }
}

// ---- Another product ----



// robustness_sevbilow_setup.exe: brand 2 ("青岚软件"), product 1 ("Sevbilow"), a payload of its own.
TEST(OtherProduct, InstallsUnderItsOwnNames) {
  ASSERT_TRUE(SUCCEEDED(CoInitialize(nullptr)));
  const std::string folder = "C:\\青岚软件\\Sevbilow";
  const std::string marker = TempFolder() + "Sevbilow.exe.ran";
  DeleteFileA(marker.c_str());
  {
    SetupRun run;
    ASSERT_NO_FATAL_FAILURE(run.StartInstalling(ProgramFolder() + "robustness_sevbilow_setup.exe"));
    EXPECT_TRUE(run.StatusShows(folder)) << "the proposed install folder";
    HWND outcome = run.WaitForOutcome("Sevbilow<安装失败>");
    ASSERT_NE(outcome, nullptr);
    ASSERT_EQ(WindowText(outcome), kFinishedTitle);
    ExpectInstalledExactly(folder, HostPath("ROBUSTNESS_OTHER_PRODUCT"));
    EXPECT_EQ(ShortcutTarget(DesktopFolder() + "\\Sevbilow.lnk"), folder + "\\Sevbilow.exe");
    EXPECT_FALSE(Exists(DesktopFolder() + "\\Marnobe.lnk"));
    EXPECT_FALSE(Exists("C:\\Vostrel软件"));
    ASSERT_TRUE(PressMessageBoxButton(outcome, IDYES));
    EXPECT_EQ(run.process().WaitForExit(kExitMs), std::optional<DWORD>(0));
  }
  // Yes started the installed executable, which wrote where it ran from.
  std::optional<std::string> ran;
  for (int i = 0; i < 250 && !(ran = ReadBytes(marker)); ++i) Sleep(20);
  EXPECT_EQ(ran, folder + "\\Sevbilow.exe");
  EXPECT_FALSE(Exists(TempFolder() + "tool.zip"));
  CoUninitialize();
}

}  // namespace
}  // namespace setup::testing
