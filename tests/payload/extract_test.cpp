// The extraction through the POSIX stand-in of the file layer: results, events and what ends up on disk.
#include "payload/extract.h"

#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "payload/file_layer_posix.h"
#include "tests/payload/extract_fixture.h"
#include "tests/payload/zip_builder.h"

namespace setup {
namespace {

using namespace zipfixture;  // NOLINT(google-build-using-namespace): test fixtures

using Tree = std::map<std::string, std::string>;

constexpr char kArchive[] = "C:\\in\\a.zip";
constexpr char kDestination[] = "C:\\out\\dest";

class ExtractTest : public ::testing::Test {
 protected:
  void PutArchive(const std::string& bytes) { WriteHostFile(root_.Path() + "/c/in/a.zip", bytes); }
  std::int32_t Extract(TextView destination = kDestination) {
    return ExtractArchive(files_, kArchive, destination, events_);
  }
  // Everything under C:\out on the host.
  Tree Out() const { return HostTree(root_.Path() + "/c/out"); }
  // Paths outside the destination that the extraction changed, and host files outside C:\out and the
  // archive: both must stay empty.
  std::vector<std::string> Outside(const std::string& destination = kDestination) const {
    std::vector<std::string> outside;
    for (const std::string& path : files_.changed) {
      const bool chain = path == "C:\\out\\" || path == destination + "\\" || path == destination;
      if (!chain && path.rfind(destination + "\\", 0) != 0) outside.push_back(path);
    }
    for (const auto& [path, bytes] : HostTree(root_.Path())) {
      if (path != "c/" && path != "c/in/" && path != "c/in/a.zip" && path.rfind("c/out/", 0) != 0) {
        outside.push_back(path);
      }
    }
    return outside;
  }

  TempFolder root_;
  PosixFileLayer posix_{root_.Path()};
  RecordingLayer files_{posix_};
  RecordingEvents events_;
};

// The stand-in maps Windows paths under its root and never above it, whatever ".." a path holds.
TEST(PosixFileLayerTest, HostPathsStayUnderTheRoot) {
  const PosixFileLayer files("/r");
  const std::pair<const char*, const char*> cases[] = {{"C:\\a\\b.txt", "/r/c/a/b.txt"},   {"c:/a//b\\", "/r/c/a/b"},
                                                       {"C:\\a\\.\\b\\..\\c", "/r/c/a/c"}, {"C:\\..\\..\\x", "/r/c/x"},
                                                       {"\\tmp\\x", "/r/tmp/x"},           {"..\\..", "/r"},
                                                       {"C:\\\x81/\\y", "/r/c/\x81%2F/y"}, {"C:", "/r/c"}};
  for (const auto& [path, host] : cases) EXPECT_EQ(files.HostPath(path), host) << path;
  EXPECT_EQ(PosixFileLayer("").HostPath("\\"), "/");
}

// Creating for writing as Windows does it: a new file, an existing one emptied, but never a read-only
// file or a folder.
TEST(PosixFileLayerTest, CreateForWritingReplacesOnlyWritableFiles) {
  TempFolder root;
  PosixFileLayer files(root.Path());
  ASSERT_TRUE(files.CreateFolder("C:\\"));
  ASSERT_TRUE(files.CreateFolder("C:\\folder"));
  const auto create = [&](const char* path, const char* bytes, std::uint32_t attributes = kAttributeNormal) {
    std::unique_ptr<OpenFile> file = files.CreateForWriting(path, attributes);
    return file != nullptr && file->Write(bytes, static_cast<std::uint32_t>(std::strlen(bytes)));
  };
  EXPECT_TRUE(create("C:\\a.txt", "first and longer"));
  EXPECT_TRUE(create("C:\\a.txt", "second"));
  EXPECT_EQ(ReadHostFile(root.Path() + "/c/a.txt"), "second");
  EXPECT_TRUE(create("C:\\r.txt", "kept", kAttributeReadOnly));
  EXPECT_EQ(files.GetAttributes("C:\\r.txt"), kAttributeReadOnly);
  EXPECT_FALSE(create("C:\\r.txt", "lost"));
  EXPECT_EQ(ReadHostFile(root.Path() + "/c/r.txt"), "kept");
  EXPECT_FALSE(create("C:\\folder", "x"));
  EXPECT_FALSE(create("C:\\missing\\a.txt", "x"));
}

TEST(ProgressPercentTest, DoublePrecisionTruncated) {
  struct Case {
    std::int32_t index, count, percent;
  };
  const Case cases[] = {{0, 9, 0}, {1, 9, 11}, {8, 9, 88}, {9, 9, 100}, {29, 50, 57}, {0, 0, 0}, {1, 3, 33}};
  for (const Case& c : cases) {
    EXPECT_EQ(ProgressPercent(c.index, c.count), c.percent) << c.index << "/" << c.count;
  }
}

struct Row {
  const char* what;
  std::optional<std::string> archive;  // none: no file at the archive path
  std::int32_t result;
  std::vector<std::int32_t> events;
  Tree out;  // what is under C:\out afterwards
  const char* destination = kDestination;
};

ZipEntry With(ZipEntry entry, void (*change)(ZipEntry&)) {
  change(entry);
  return entry;
}

std::vector<Row> FailureRows() {
  const ZipEntry a = File("a.txt", "first");
  const Tree only_a = {{"dest/", ""}, {"dest/a.txt", "first"}};
  return {
      {"missing archive", std::nullopt, -1, {0}, {}},
      {"text file", "just some text, not an archive\r\n", 0, {0}, {{"dest/", ""}}},
      {"empty archive: its end record alone", BuildZip({}), 0, {0}, {{"dest/", ""}}},
      {"destination cannot be created", BuildZip({a}), 0, {0}, {}, "C:\\in\\a.zip\\dest"},
      {"first entry's local header disagrees",
       BuildZip({With(a, [](ZipEntry& e) { e.local_method = 0; }), File("b.txt", "x")}),
       1,
       {0},
       {{"dest/", ""}}},
      {"a later entry's local header disagrees: what comes before it stays, and no 100",
       BuildZip({a, With(File("b.txt", "x"), [](ZipEntry& e) { e.local_method = 0; })}),
       1,
       {0, 0},
       only_a},
      {"a later entry's local name differs from its central name (same length): no file under either name",
       BuildZip({a, With(File("b.txt", "x"), [](ZipEntry& e) { e.local_name = "c.txt"; })}),
       1,
       {0, 0},
       only_a},
      {"method neither stored nor deflated",
       BuildZip({With(a, [](ZipEntry& e) { e.method = 12; })}),
       1,
       {0},
       {{"dest/", ""}}},
      {"trailing slash without folder attribute", BuildZip({a, File("sub/", "")}), 0, {0, 0}, only_a},
      {"file in a folder that no entry made", BuildZip({a, File("sub/b.txt", "x")}), 0, {0, 0}, only_a},
      {"corrupt deflate stream",
       BuildZip({a, With(File("b.txt", "second"), [](ZipEntry& e) { e.stored_bytes = "\xFF\xFF\xFF\xFF"; })}),
       0,
       {0, 0},
       {{"dest/", ""}, {"dest/a.txt", "first"}, {"dest/b.txt", ""}}},
      {"CRC-32 mismatch",
       BuildZip({a, With(File("b.txt", "second"), [](ZipEntry& e) { e.stored_crc = 0x12345678; })}),
       0,
       {0, 0},
       {{"dest/", ""}, {"dest/a.txt", "first"}, {"dest/b.txt", "second"}}},
      {"deflate stream shorter than the recorded size",
       BuildZip({a, With(File("b.txt", "hello world"), [](ZipEntry& e) { e.stored_bytes = Deflate("hello"); })}),
       0,
       {0, 0},
       {{"dest/", ""}, {"dest/a.txt", "first"}, {"dest/b.txt", "hello"}}},
      {"encrypted entry", BuildZip({a, With(File("b.txt", "x"), [](ZipEntry& e) { e.flags = 1; })}), 0, {0, 0}, only_a},
      {"Zip64 archive", BuildZip({a}, "", true), 0, {0}, {{"dest/", ""}}},
  };
}

TEST_F(ExtractTest, FailureTable) {
  for (const Row& row : FailureRows()) {
    SCOPED_TRACE(row.what);
    TempFolder root;
    PosixFileLayer posix(root.Path());
    RecordingEvents events;
    if (row.archive) WriteHostFile(root.Path() + "/c/in/a.zip", *row.archive);
    EXPECT_EQ(ExtractArchive(posix, kArchive, row.destination, events), row.result);
    EXPECT_EQ(events.percents, row.events);
    EXPECT_EQ(HostTree(root.Path() + "/c/out"), row.out);
  }
}

// Names that would leave the destination or that the fixed path buffers cannot hold: each fails as an
// entry whose file cannot be created, and nothing is written anywhere.
TEST_F(ExtractTest, UnsafeNamesFailAndWriteNothing) {
  const std::string long_259(247, 'n');  // C:\out\dest\ + 247 bytes = 259 bytes: fits
  const std::vector<std::string> names = {"../evil.txt",
                                          "..\\evil.txt",
                                          "sub/../../evil.txt",
                                          "/abs.txt",
                                          "\\abs.txt",
                                          "C:\\evil.txt",
                                          "C:evil.txt",
                                          "D:/evil.txt",
                                          ".. /evil.txt",
                                          "sub/.../evil.txt",
                                          "CON",
                                          "nul.txt",
                                          std::string("a.txt\0../x", 10),
                                          std::string(260, 'n'),
                                          long_259 + "x",
                                          "\x81/../evil.txt",
                                          "\x81\\..\\evil.txt"};
  for (const std::string& name : names) {
    SCOPED_TRACE(name);
    for (const ZipEntry& entry : {File(name, "x"), Folder(name + "/")}) {
      TempFolder root;
      PosixFileLayer posix(root.Path());
      RecordingLayer files(posix);
      RecordingEvents events;
      WriteHostFile(root.Path() + "/c/in/a.zip", BuildZip({entry}));
      EXPECT_EQ(ExtractArchive(files, kArchive, kDestination, events), kExtractFailed);
      EXPECT_EQ(events.percents, std::vector<std::int32_t>{0});
      EXPECT_EQ(HostTree(root.Path() + "/c/out"), (Tree{{"dest/", ""}}));
    }
  }
  PutArchive(BuildZip({File(long_259, "x")}));
  EXPECT_EQ(Extract(), kExtractDone);
  EXPECT_EQ(Out(), (Tree{{"dest/", ""}, {"dest/" + long_259, "x"}}));
}

TEST_F(ExtractTest, FiftyEntriesReport57AfterIndex29) {
  std::vector<ZipEntry> entries;
  for (int i = 0; i < 50; ++i) entries.push_back(File("f" + std::to_string(i), std::to_string(i)));
  PutArchive(BuildZip(entries));
  EXPECT_EQ(Extract(), kExtractDone);
  ASSERT_EQ(events_.percents.size(), 51u);
  EXPECT_EQ(events_.percents[29], 57);
  EXPECT_EQ(events_.percents[49], 98);
  EXPECT_EQ(events_.percents[50], 100);
  EXPECT_EQ(Out().size(), 51u);
}

TEST_F(ExtractTest, StopAtTheFirstEvent) {
  PutArchive(BuildZip({File("a.txt", "1"), File("b.txt", "2"), File("c.txt", "3")}));
  events_.stop_at = 1;
  EXPECT_EQ(Extract(), kExtractDone);
  EXPECT_EQ(events_.percents, std::vector<std::int32_t>{0});
  EXPECT_EQ(Out(), (Tree{{"dest/", ""}, {"dest/a.txt", "1"}}));
}

// 0xBC 0x5C and 0xB1 0x5C are two-byte characters whose second byte is a backslash.
TEST_F(ExtractTest, SecondByteBackslashIsNoSeparator) {
  PutArchive(BuildZip({Folder("\xBC\x5C/"), File("\xBC\x5C/\xB1\x5C.txt", "x")}));
  EXPECT_EQ(Extract("C:\\out\\\xB1\x5C"), kExtractDone);  // ends in a character, not in a backslash
  EXPECT_EQ(Out(), (Tree{{"\xB1\x5C/", ""}, {"\xB1\x5C/\xBC\x5C/", ""}, {"\xB1\x5C/\xBC\x5C/\xB1\x5C.txt", "x"}}));
  EXPECT_TRUE(files_.created_with.count("C:\\out\\\xB1\x5C\\\xBC\x5C\\\xB1\x5C.txt"));
  EXPECT_TRUE(Outside("C:\\out\\\xB1\x5C").empty());
}

TEST_F(ExtractTest, TrailingBackslashOnTheDestinationIsNotDoubled) {
  PutArchive(BuildZip({File("a.txt", "1")}));
  EXPECT_EQ(Extract("C:\\out\\dest\\"), kExtractDone);
  EXPECT_EQ(files_.created_with.begin()->first, "C:\\out\\dest\\a.txt");
  EXPECT_EQ(Out(), (Tree{{"dest/", ""}, {"dest/a.txt", "1"}}));
}

// The attributes a file is created with come from the external attributes alone; every file ends
// with the normal attribute, and a read-only file already at the target is replaced.
TEST_F(ExtractTest, AttributesAtCreationAndAfter) {
  struct Case {
    std::uint32_t external, created_with;
  };
  const Case cases[] = {
      {0x20, 0xA1},  // DOS archive bit, upper half zero: read-only
      {0x00, 0x81},       {0x01, 0x81},       {0x02, 0x83},
      {0x04, 0x85},       {0x81A40000, 0x80},  // Unix host, mode 0644: writable
      {0x81240000, 0x81},                      // Unix host, mode 0444
  };
  std::vector<ZipEntry> entries;
  for (const Case& c : cases) {
    entries.push_back(File("f" + std::to_string(entries.size()), "new"));
    entries.back().external = c.external;
  }
  WriteHostFile(root_.Path() + "/c/out/dest/f0", "old");
  ASSERT_TRUE(posix_.SetAttributes("C:\\out\\dest\\f0", kAttributeReadOnly));
  PutArchive(BuildZip(entries));
  EXPECT_EQ(Extract(), kExtractDone);
  for (std::size_t i = 0; i < std::size(cases); ++i) {
    const std::string path = "C:\\out\\dest\\f" + std::to_string(i);
    EXPECT_EQ(files_.created_with[path], cases[i].created_with) << path;
    EXPECT_EQ(posix_.GetAttributes(path), kAttributeNormal) << path;
    EXPECT_EQ(ReadHostFile(posix_.HostPath(path)), "new") << path;
  }
}

TEST_F(ExtractTest, TimesFromDosTimeAndFirstExtendedTimestamp) {
  constexpr FileTime kDos = kDosTimeAsFileTime;
  auto unix_time = [](std::uint32_t seconds) { return (seconds + 11644473600ull) * 10000000ull; };
  auto ut = [](std::uint8_t flags, const std::string& values) {
    return ExtraBlock(0x5455, std::string(1, static_cast<char>(flags)) + values);
  };
  const std::string t1 = Le32(1000000000), t2 = Le32(1100000000), t3 = Le32(1200000000);
  struct Case {
    const char* what;
    std::string extra;
    FileTimes times;  // creation, last access, last write
    std::uint32_t dos_time = kDosTime;
  };
  const Case cases[] = {
      {"no extra field", "", {kDos, kDos, kDos}},
      {"flags 1", ut(1, t1), {kDos, kDos, unix_time(1000000000)}},
      {"flags 2", ut(2, t2), {kDos, unix_time(1100000000), kDos}},
      {"flags 4", ut(4, t3), {unix_time(1200000000), kDos, kDos}},
      {"flags 7", ut(7, t1 + t2 + t3), {unix_time(1200000000), unix_time(1100000000), unix_time(1000000000)}},
      {"flags 0", ut(0, ""), {kDos, kDos, kDos}},
      {"flags 7, one value", ut(7, t1), {kDos, kDos, unix_time(1000000000)}},
      {"block longer than the field",
       "UT" + std::string("\x0D\x00", 2) + "\x07" + t1,
       {kDos, kDos, unix_time(1000000000)}},
      {"after another block",
       ExtraBlock(0x000A, std::string(8, '\0')) + ut(1, t1),
       {kDos, kDos, unix_time(1000000000)}},
      {"second block ignored", ut(1, t1) + ut(1, t2), {kDos, kDos, unix_time(1000000000)}},
      {"negative time kept as DOS time", ut(1, Le32(0x80000000)), {kDos, kDos, kDos}},
      {"field shorter than 5 bytes", std::string("UT\x01\x00", 4), {kDos, kDos, kDos}},
      {"invalid DOS date: times left alone", "", {0, 0, 0}, (44u << 9 | 13u << 5 | 18u) << 16},
  };
  std::vector<ZipEntry> entries;
  for (const Case& c : cases) {
    entries.push_back(File("f" + std::to_string(entries.size()), "x"));
    entries.back().local_extra = c.extra;
    entries.back().dos_time = c.dos_time;
  }
  PutArchive(BuildZip(entries));
  EXPECT_EQ(Extract(), kExtractDone);
  for (std::size_t i = 0; i < std::size(cases); ++i) {
    const FileTimes& got = files_.times["C:\\out\\dest\\f" + std::to_string(i)];
    EXPECT_EQ(got.creation, cases[i].times.creation) << cases[i].what;
    EXPECT_EQ(got.last_access, cases[i].times.last_access) << cases[i].what;
    EXPECT_EQ(got.last_write, cases[i].times.last_write) << cases[i].what;
  }
}

// Whichever file call fails, the extraction ends in one of its three results, with the final event that
// belongs to it, and writes nothing outside the destination.
TEST_F(ExtractTest, EveryFailingFileCallEndsCleanly) {
  const std::string archive =
      BuildZip({File("a.txt", std::string(40000, 'a')), Folder("sub/"), File("sub/b.txt", "b"), File("c.txt", "")});
  PutArchive(archive);
  ASSERT_EQ(Extract(), kExtractDone);
  const Tree complete = HostTree(root_.Path() + "/c/out");
  const std::uint64_t calls = posix_.CallCount();
  for (std::uint64_t n = 1; n <= calls; ++n) {
    SCOPED_TRACE(n);
    TempFolder root;
    PosixFileLayer posix(root.Path());
    RecordingEvents events;
    WriteHostFile(root.Path() + "/c/in/a.zip", archive);
    posix.FailCall(n);
    const std::int32_t result = ExtractArchive(posix, kArchive, kDestination, events);
    ASSERT_FALSE(events.percents.empty());
    if (result == kExtractDone) {
      // A run that could not read every entry ends with 0, never with 100.
      if (events.percents.back() == 100) {
        EXPECT_EQ(HostTree(root.Path() + "/c/out"), complete);
      } else {
        EXPECT_EQ(events.percents.back(), 0);
      }
    } else {
      EXPECT_TRUE(result == kExtractFailed || result == kExtractNoArchive);
      EXPECT_EQ(events.percents.back(), 0);
    }
    for (const auto& [path, bytes] : HostTree(root.Path())) {
      EXPECT_TRUE(path == "c/" || path.rfind("c/in/", 0) == 0 || path == "c/out/" || path.rfind("c/out/dest", 0) == 0)
          << path;
    }
  }
}

}  // namespace
}  // namespace setup
