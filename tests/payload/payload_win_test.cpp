// The extraction against the Win32 file calls under Wine: attributes, times, sharing of the archive,
// the temporary copies of the embedded archive, and the installed product starting.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "payload/extract.h"
#include "payload/payload_archive.h"
#include "platform/services_win.h"
#include "tests/payload/zip_builder.h"

namespace setup {
namespace {

using namespace zipfixture;  // NOLINT(google-build-using-namespace): test fixtures

std::string TempPath() {
  char path[MAX_PATH];
  const DWORD length = ::GetTempPathA(MAX_PATH, path);
  return std::string(path, length);
}

bool WriteWholeFile(const std::string& path, const std::string& bytes) {
  HANDLE file = ::CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  DWORD written = 0;
  const bool ok =
      ::WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) && written == bytes.size();
  ::CloseHandle(file);
  return ok;
}

std::string ReadWholeFile(const std::string& path) {
  HANDLE file = ::CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return "<missing>";
  std::string bytes;
  char buffer[65536];
  DWORD read = 0;
  while (::ReadFile(file, buffer, sizeof buffer, &read, nullptr) && read > 0) bytes.append(buffer, read);
  ::CloseHandle(file);
  return bytes;
}

std::uint64_t LastWrite(const std::string& path) {
  WIN32_FILE_ATTRIBUTE_DATA data{};
  if (!::GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data)) return 0;
  return static_cast<std::uint64_t>(data.ftLastWriteTime.dwHighDateTime) << 32 | data.ftLastWriteTime.dwLowDateTime;
}

std::string Bytes(ByteSet set) { return std::string(set.Bytes().begin(), set.Bytes().end()); }

// Events that run a check of the caller's at each event.
class CheckingEvents final : public ExtractionEvents {
 public:
  using Check = void (*)(std::int32_t percent, void* context);
  CheckingEvents(Check check, void* context) : check_(check), context_(context) {}
  ProgressReply RaiseProgress(std::int32_t percent) override {
    percents.push_back(percent);
    if (check_ != nullptr) check_(percent, context_);
    return ProgressReply::kGoOn;
  }
  std::vector<std::int32_t> percents;

 private:
  Check check_;
  void* context_;
};

class PayloadWinTest : public ::testing::Test {
 protected:
  void SetUp() override {
    folder_ = TempPath() + "payload_win_test_" + ::testing::UnitTest::GetInstance()->current_test_info()->name();
    archive_ = folder_ + "\\a.zip";
    destination_ = folder_ + "\\out\\dest";
    ASSERT_TRUE(CreateFolderPath(SystemFileLayer(), folder_));
  }
  std::int32_t Extract(const std::string& archive_bytes, ExtractionEvents& events) {
    EXPECT_TRUE(WriteWholeFile(archive_, archive_bytes));
    return ExtractArchive(archive_, destination_, events);
  }

  std::string folder_, archive_, destination_;
};

// Files end without the read-only attribute, also for a read-only entry; a read-only file at a target
// is replaced; folders keep the attribute CreateDirectoryA gave them. (Wine reports a file whose
// attributes were set to FILE_ATTRIBUTE_NORMAL as FILE_ATTRIBUTE_ARCHIVE: it keeps no archive bit.)
TEST_F(PayloadWinTest, AttributesEndNormal) {
  ASSERT_TRUE(CreateFolderPath(SystemFileLayer(), destination_));
  const std::string old_file = destination_ + "\\old.txt";
  ASSERT_TRUE(WriteWholeFile(old_file, "old"));
  ASSERT_TRUE(::SetFileAttributesA(old_file.c_str(), FILE_ATTRIBUTE_READONLY));
  ZipEntry read_only = File("ro.txt", "read-only entry");
  read_only.external = 0x01;
  CheckingEvents events(nullptr, nullptr);
  EXPECT_EQ(Extract(BuildZip({read_only, File("old.txt", "new"), Folder("sub/"), File("sub/x.txt", "x")}), events),
            kExtractDone);
  for (const char* name : {"ro.txt", "old.txt", "sub\\x.txt"}) {
    const DWORD attributes = ::GetFileAttributesA((destination_ + "\\" + name).c_str());
    EXPECT_TRUE(attributes == FILE_ATTRIBUTE_NORMAL || attributes == FILE_ATTRIBUTE_ARCHIVE) << name << attributes;
  }
  EXPECT_EQ(ReadWholeFile(old_file), "new");
  EXPECT_EQ(::GetFileAttributesA((destination_ + "\\sub").c_str()) & FILE_ATTRIBUTE_DIRECTORY,
            static_cast<DWORD>(FILE_ATTRIBUTE_DIRECTORY));
}

// The test runs with TZ=Asia/Shanghai (UTC+8): the MS-DOS time is taken as UTC all the same. (Wine
// keeps no creation time of its own, so only last-write times are compared here.)
TEST_F(PayloadWinTest, TimesAreDosTimesReadAsUtc) {
  TIME_ZONE_INFORMATION zone{};
  ::GetTimeZoneInformation(&zone);
  EXPECT_EQ(zone.Bias, -480) << "the time zone is not the test's: times would not show a conversion";
  ZipEntry stamped = File("ut.txt", "x");
  stamped.local_extra = ExtraBlock(0x5455, std::string("\x01", 1) + Le32(1000000000));
  CheckingEvents events(nullptr, nullptr);
  EXPECT_EQ(Extract(BuildZip({File("dos.txt", "x"), stamped}), events), kExtractDone);
  EXPECT_EQ(LastWrite(destination_ + "\\dos.txt"), kDosTimeAsFileTime);
  EXPECT_EQ(LastWrite(destination_ + "\\ut.txt"), (1000000000ull + 11644473600ull) * 10000000ull);
}

// While the extraction runs the archive is shared for reading only: it cannot be deleted. At the 100
// event it is closed, and so is every extracted file.
TEST_F(PayloadWinTest, ArchiveIsClosedAtTheCompletionEvent) {
  struct Context {
    std::string archive, destination;
    std::vector<std::string> failures;
  } context{archive_, destination_, {}};
  CheckingEvents events(
      [](std::int32_t percent, void* raw) {
        auto& c = *static_cast<Context*>(raw);
        const bool deleted = ::DeleteFileA(c.archive.c_str()) != FALSE;
        if (percent < 100 && deleted) c.failures.push_back("deleted while open at " + std::to_string(percent));
        if (percent == 100 && !deleted) c.failures.push_back("not deletable at 100");
        if (percent < 100 && ReadWholeFile(c.archive).substr(0, 2) != "PK") c.failures.push_back("not readable");
        if (percent == 100) {
          HANDLE file =
              ::CreateFileA((c.destination + "\\b.txt").c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
          if (file == INVALID_HANDLE_VALUE) c.failures.push_back("b.txt still open at 100");
          ::CloseHandle(file);
        }
      },
      &context);
  EXPECT_EQ(Extract(BuildZip({File("a.txt", "a"), File("b.txt", "b")}), events), kExtractDone);
  EXPECT_EQ(events.percents, (std::vector<std::int32_t>{0, 50, 100}));
  EXPECT_EQ(context.failures, std::vector<std::string>{});
  EXPECT_EQ(::GetFileAttributesA(archive_.c_str()), INVALID_FILE_ATTRIBUTES);
}

// System services whose temporary folder cannot be written to.
class NoTemporaryFolder final : public SystemServices {
 public:
  Text GetSpecialFolder(std::int32_t kind) override {
    return kind == kFolderTemp ? Text("C:\\no-such-folder\\") : real_.GetSpecialFolder(kind);
  }
  std::int32_t CreateShortcut(TextView, TextView, std::optional<TextView>, std::optional<TextView>,
                              std::optional<TextView>) override {
    return 0;
  }
  bool WriteFileBytes(TextView path, std::initializer_list<ByteSet> contents) override {
    return real_.WriteFileBytes(path, contents);
  }
  bool RemoveFile(TextView path) override { return real_.RemoveFile(path); }
  bool RunProgram(TextView, bool, std::int32_t) override { return false; }
  std::int32_t ShowMessage(TextView, std::int32_t, std::optional<TextView>) override { return 0; }
  bool StartThread(ThreadRoutine, void*, std::uintptr_t*) override { return false; }
  std::uintptr_t GetWindowHandle(std::uint32_t, std::uint32_t) override { return 0; }

 private:
  Win32Services real_;
};

// Both copies of the embedded archive hold exactly its bytes; only this run's copies are removed.
TEST_F(PayloadWinTest, TemporaryCopiesAreTheEmbeddedArchive) {
  const std::string embedded = Bytes(PayloadArchive());
  ASSERT_EQ(embedded.substr(0, 4), "PK\x03\x04");
  const char* install_folder = "C:\\Vostrel软件\\Marnobe";

  Win32Services services;
  PayloadArchiveFiles written;
  const Text in_temp = WritePayloadArchive(services, SystemFileLayer(), install_folder, written);
  EXPECT_EQ(in_temp, TempPath() + "\\tool.zip");
  EXPECT_EQ(ReadWholeFile(TempPath() + "tool.zip"), embedded);
  DeletePayloadArchives(services, written);
  EXPECT_EQ(::GetFileAttributesA((TempPath() + "tool.zip").c_str()), INVALID_FILE_ATTRIBUTES);

  ASSERT_TRUE(WriteWholeFile("C:\\tool.zip", "someone else's"));
  NoTemporaryFolder no_temp;
  const Text in_root = WritePayloadArchive(no_temp, SystemFileLayer(), install_folder, written);
  EXPECT_EQ(in_root, "C:\\tool-2.zip");
  EXPECT_EQ(ReadWholeFile("C:\\tool-2.zip"), embedded);
  DeletePayloadArchives(no_temp, written);
  EXPECT_EQ(::GetFileAttributesA("C:\\tool-2.zip"), INVALID_FILE_ATTRIBUTES);
  EXPECT_EQ(ReadWholeFile("C:\\tool.zip"), "someone else's");
  ::DeleteFileA("C:\\tool.zip");
}

// The embedded product, extracted, starts: it loads its libraries, reads its settings (the window's
// size comes from Marnobe.ini) and closes with exit code 0.
TEST_F(PayloadWinTest, InstalledProductStarts) {
  const std::string install = folder_ + "\\Vostrel软件\\Marnobe";
  CheckingEvents events(nullptr, nullptr);
  ASSERT_TRUE(WriteWholeFile(archive_, Bytes(PayloadArchive())));
  ASSERT_EQ(ExtractArchive(archive_, install, events), kExtractDone);
  EXPECT_EQ(events.percents, (std::vector<std::int32_t>{0, 11, 22, 33, 44, 55, 66, 77, 88, 100}));

  std::string command = "\"" + install + "\\Marnobe.exe\"";
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  ASSERT_TRUE(
      ::CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, "C:\\", &startup, &process));
  HWND window = nullptr;
  for (int i = 0; i < 200 && window == nullptr; ++i) {
    window = ::FindWindowA("MarnobeWindow", "Marnobe 1.2.0");
    if (window == nullptr) ::Sleep(50);
  }
  ASSERT_NE(window, nullptr) << "no product window";
  RECT client{};
  ::GetClientRect(window, &client);
  EXPECT_EQ(client.right - client.left, 480);
  EXPECT_EQ(client.bottom - client.top, 300);
  ::PostMessageA(window, WM_CLOSE, 0, 0);
  EXPECT_EQ(::WaitForSingleObject(process.hProcess, 10000), static_cast<DWORD>(WAIT_OBJECT_0));
  DWORD exit_code = 1;
  ::GetExitCodeProcess(process.hProcess, &exit_code);
  EXPECT_EQ(exit_code, 0u);
  ::CloseHandle(process.hThread);
  ::CloseHandle(process.hProcess);
}

}  // namespace
}  // namespace setup
