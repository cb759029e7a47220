// The embedded payload archive, and its temporary copy written and removed through a fake of the
// system services over the POSIX file layer.
#include "payload/payload_archive.h"

#include <gtest/gtest.h>
#include <iconv.h>
#include <minizip/unzip.h>

#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "payload/extract.h"
#include "payload/file_layer_posix.h"
#include "tests/payload/extract_fixture.h"

extern "C" const std::uint8_t setup_payload_block[];

namespace setup {
namespace {

using namespace zipfixture;  // NOLINT(google-build-using-namespace): test fixtures

std::string Bytes(ByteSet set) { return std::string(set.Bytes().begin(), set.Bytes().end()); }

std::string ToGbk(const std::string& utf8) {
  iconv_t converter = iconv_open("GBK", "UTF-8");
  std::string in = utf8;
  std::string out(utf8.size() * 2 + 4, '\0');
  char* in_next = in.data();
  std::size_t in_left = in.size();
  char* out_next = out.data();
  std::size_t out_left = out.size();
  iconv(converter, &in_next, &in_left, &out_next, &out_left);
  iconv_close(converter);
  out.resize(out.size() - out_left);
  return out;
}

TEST(PayloadArchiveTest, EmbeddedBlockIsTheBuiltArchive) {
  const std::string built = ReadHostFile(SETUP_PAYLOAD_ZIP);
  ASSERT_FALSE(built.empty());
  EXPECT_EQ(Bytes(PayloadArchive()), built);
  const std::uint8_t* header = setup_payload_block;
  EXPECT_EQ(header[0] | header[1] << 8 | header[2] << 16 | header[3] << 24, 1);
  EXPECT_EQ(static_cast<std::size_t>(header[4] | header[5] << 8 | header[6] << 16 | header[7] << 24), built.size());
  EXPECT_EQ(built.substr(0, 4), "PK\x03\x04");
}

// Every entry as a Windows host writes it: deflated files, one stored empty folder entry ahead of the
// file inside it, GBK names with "/", external attributes with a zero upper half, and a comment.
TEST(PayloadArchiveTest, ArchiveLayout) {
  unzFile zip = unzOpen64(SETUP_PAYLOAD_ZIP);
  ASSERT_NE(zip, nullptr);
  unz_global_info64 global{};
  ASSERT_EQ(unzGetGlobalInfo64(zip, &global), UNZ_OK);
  EXPECT_GT(global.size_comment, 0u);
  std::vector<std::string> names;
  std::set<std::string> folders;
  for (int status = unzGoToFirstFile(zip); status == UNZ_OK; status = unzGoToNextFile(zip)) {
    unz_file_info64 info{};
    char name[260] = {};
    ASSERT_EQ(unzGetCurrentFileInfo64(zip, &info, name, sizeof name, nullptr, 0, nullptr, 0), UNZ_OK);
    const std::string entry(name);
    SCOPED_TRACE(entry);
    EXPECT_EQ(info.external_fa >> 16, 0u);
    EXPECT_EQ(info.flag & (1u | 1u << 11), 0u);  // neither encrypted nor UTF-8
    EXPECT_EQ(info.version >> 8, 0u);            // made on an MS-DOS or Windows host
    EXPECT_EQ(info.tmu_date.tm_hour * 10000 + info.tmu_date.tm_min * 100 + info.tmu_date.tm_sec, 165730u);
    EXPECT_EQ(entry.find('\\'), std::string::npos);
    if (entry.back() == '/') {
      EXPECT_EQ(info.compression_method, 0u);
      EXPECT_EQ(info.uncompressed_size, 0u);
      EXPECT_EQ(info.external_fa, 0x10u);
      folders.insert(entry);
    } else {
      EXPECT_EQ(info.compression_method, static_cast<uLong>(Z_DEFLATED));
      EXPECT_EQ(info.external_fa, 0x20u);
      const std::size_t slash = entry.rfind('/');
      if (slash != std::string::npos) {
        EXPECT_TRUE(folders.count(entry.substr(0, slash + 1))) << "no folder entry before";
      }
    }
    names.push_back(entry);
  }
  unzClose(zip);
#ifdef SETUP_BUILTIN_PRODUCT
  EXPECT_EQ(names,
            (std::vector<std::string>{"CHANGES.txt", "Marnobe.exe", "Marnobe.ini", "data/", "data/welcome.txt",
                                      "marnobe_core.dll", "marnobe_view.dll", "软件安装说明.txt", "许可协议.txt"}));
#endif
}

// The embedded archive extracted into a folder chain that does not exist yet: the events of nine
// entries, and every file of the product with its bytes.
TEST(PayloadArchiveTest, ExtractsTheProduct) {
  TempFolder root;
  PosixFileLayer files(root.Path());
  WriteHostFile(root.Path() + "/c/temp/tool.zip", Bytes(PayloadArchive()));
  RecordingEvents events;
  const char* destination = "D:\\Vostrel软件\\Marnobe";
  EXPECT_EQ(ExtractArchive(files, "C:\\temp\\tool.zip", destination, events), kExtractDone);
#ifdef SETUP_BUILTIN_PRODUCT
  EXPECT_EQ(events.percents, (std::vector<std::int32_t>{0, 11, 22, 33, 44, 55, 66, 77, 88, 100}));
#endif
  const auto installed = HostTree(files.HostPath(destination));
  std::size_t product_entries = 0;
  namespace fs = std::filesystem;
  for (const auto& item : fs::recursive_directory_iterator(SETUP_PRODUCT_FOLDER)) {
    ++product_entries;
    std::string name = ToGbk(item.path().lexically_relative(SETUP_PRODUCT_FOLDER).generic_string());
    if (item.is_directory()) {
      EXPECT_TRUE(installed.count(name + "/")) << name;
      continue;
    }
    ASSERT_TRUE(installed.count(name)) << name;
    EXPECT_EQ(installed.at(name), ReadHostFile(item.path().string())) << name;
    EXPECT_EQ(files.GetAttributes(std::string(destination) + "\\" + name), kAttributeNormal) << name;
  }
  EXPECT_EQ(installed.size(), product_entries);
#ifdef SETUP_BUILTIN_PRODUCT
  EXPECT_EQ(product_entries, 9u);
#endif
}

// A fake of the system services whose files live in the POSIX file layer. Writes to a path listed in
// `refuse` fail; removals are recorded.
class FakeServices final : public SystemServices {
 public:
  FakeServices(PosixFileLayer& files, Text temporary_folder) : files_(files), temporary_folder_(temporary_folder) {}

  Text GetSpecialFolder(std::int32_t kind) override { return kind == kFolderTemp ? temporary_folder_ : Text(); }
  std::int32_t CreateShortcut(TextView, TextView, std::optional<TextView>, std::optional<TextView>,
                              std::optional<TextView>) override {
    return 0;
  }
  bool WriteFileBytes(TextView path, std::initializer_list<ByteSet> contents) override {
    std::unique_ptr<OpenFile> file = files_.CreateForWriting(path, kAttributeNormal);
    if (!file) return false;
    for (const ByteSet& set : contents) {
      if (!file->Write(set.Bytes().data(), static_cast<std::uint32_t>(set.Bytes().size()))) return false;
    }
    return true;
  }
  bool RemoveFile(TextView path) override {
    removed.emplace_back(path);
    return std::remove(files_.HostPath(path).c_str()) == 0;
  }
  bool RunProgram(TextView, bool, std::int32_t) override { return false; }
  std::int32_t ShowMessage(TextView, std::int32_t, std::optional<TextView>) override { return 0; }
  bool StartThread(ThreadRoutine, void*, std::uintptr_t*) override { return false; }
  std::uintptr_t GetWindowHandle(std::uint32_t, std::uint32_t) override { return 0; }

  std::vector<std::string> removed;

 private:
  PosixFileLayer& files_;
  Text temporary_folder_;
};

class TemporaryArchiveTest : public ::testing::Test {
 protected:
  std::string Host(const char* path) const { return ReadHostFile(files_.HostPath(path)); }

  TempFolder root_;
  PosixFileLayer files_{root_.Path()};
  const std::string archive_ = Bytes(PayloadArchive());
  const char* install_folder_ = "D:\\Vostrel软件\\Marnobe";
  PayloadArchiveFiles written_;
};

TEST_F(TemporaryArchiveTest, TemporaryFolderFirstReplacingAnOldCopy) {
  WriteHostFile(root_.Path() + "/c/temp/tool.zip", "an old copy");
  FakeServices services(files_, "C:\\temp\\");
  const Text path = WritePayloadArchive(services, files_, install_folder_, written_);
  EXPECT_EQ(path, "C:\\temp\\\\tool.zip");
  EXPECT_EQ(Host("C:\\temp\\tool.zip"), archive_);
  DeletePayloadArchives(services, written_);
  EXPECT_EQ(services.removed, std::vector<std::string>{"C:\\temp\\\\tool.zip"});
  EXPECT_FALSE(files_.Exists("C:\\temp\\tool.zip"));
}

TEST_F(TemporaryArchiveTest, DriveRootWhenTheTemporaryFolderFails) {
  for (const char* temporary : {"C:\\missing\\", ""}) {
    SCOPED_TRACE(temporary);
    TempFolder root;
    PosixFileLayer files(root.Path());
    WriteHostFile(root.Path() + "/d/keep.txt", "");
    FakeServices services(files, temporary);
    PayloadArchiveFiles written;
    EXPECT_EQ(WritePayloadArchive(services, files, install_folder_, written), "D:\\tool.zip");
    EXPECT_EQ(ReadHostFile(files.HostPath("D:\\tool.zip")), archive_);
    DeletePayloadArchives(services, written);
    EXPECT_EQ(services.removed, std::vector<std::string>{"D:\\tool.zip"});
    EXPECT_FALSE(files.Exists("D:\\tool.zip"));
  }
}

// Someone else's tool.zip in the drive's root is neither overwritten nor deleted.
TEST_F(TemporaryArchiveTest, UnrelatedFileInTheDriveRootIsKept) {
  WriteHostFile(root_.Path() + "/d/tool.zip", "not ours");
  WriteHostFile(root_.Path() + "/d/tool-2.zip", "not ours either");
  FakeServices services(files_, "C:\\missing\\");
  EXPECT_EQ(WritePayloadArchive(services, files_, install_folder_, written_), "D:\\tool-3.zip");
  EXPECT_EQ(Host("D:\\tool-3.zip"), archive_);
  DeletePayloadArchives(services, written_);
  EXPECT_EQ(services.removed, std::vector<std::string>{"D:\\tool-3.zip"});
  EXPECT_EQ(Host("D:\\tool.zip"), "not ours");
  EXPECT_EQ(Host("D:\\tool-2.zip"), "not ours either");
  EXPECT_FALSE(files_.Exists("D:\\tool-3.zip"));
}

TEST_F(TemporaryArchiveTest, BothWritesFail) {
  FakeServices services(files_, "C:\\missing\\");
  EXPECT_EQ(WritePayloadArchive(services, files_, "E:\\x", written_), "");  // no E: drive
  EXPECT_EQ(WritePayloadArchive(services, files_, "", written_), "");
  EXPECT_EQ(WritePayloadArchive(services, files_, "\\\\server\\share", written_), "");
  DeletePayloadArchives(services, written_);
  EXPECT_TRUE(services.removed.empty());
}

// A write that fails half way leaves a partial file of this run's own: it is deleted afterwards.
TEST_F(TemporaryArchiveTest, PartlyWrittenCopyIsRemoved) {
  FakeServices services(files_, "C:\\temp\\");
  WriteHostFile(root_.Path() + "/c/temp/other", "");
  WriteHostFile(root_.Path() + "/d/other", "");
  files_.FailCall(3);  // the existence test, the creation, then the write of the temporary copy
  EXPECT_EQ(WritePayloadArchive(services, files_, install_folder_, written_), "D:\\tool.zip");
  EXPECT_TRUE(files_.Exists("C:\\temp\\tool.zip"));
  DeletePayloadArchives(services, written_);
  EXPECT_EQ(services.removed, (std::vector<std::string>{"D:\\tool.zip", "C:\\temp\\\\tool.zip"}));
  EXPECT_FALSE(files_.Exists("C:\\temp\\tool.zip"));
}

}  // namespace
}  // namespace setup
