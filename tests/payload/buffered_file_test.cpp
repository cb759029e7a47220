#include "payload/buffered_file.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <random>
#include <vector>

namespace setup {
namespace {

// A file in memory with the file layer's semantics (seeking past the end is allowed, before the start
// is not), counting its calls; the call numbered `fail_call` fails.
class MemoryFile final : public OpenFile {
 public:
  explicit MemoryFile(const std::vector<std::uint8_t>& bytes, int* calls = nullptr, int fail_call = 0)
      : bytes_(bytes), calls_(calls), fail_call_(fail_call) {}

  std::int64_t Read(void* buffer, std::uint32_t size) override {
    if (Fails()) return -1;
    if (size == 0 || position_ >= static_cast<std::int64_t>(bytes_.size())) return 0;
    const auto count =
        static_cast<std::uint32_t>(std::min<std::int64_t>(size, static_cast<std::int64_t>(bytes_.size()) - position_));
    std::memcpy(buffer, bytes_.data() + position_, count);
    position_ += count;
    return count;
  }
  bool Write(const void*, std::uint32_t) override { return false; }
  bool Seek(std::int64_t offset, SeekOrigin origin) override {
    if (Fails()) return false;
    std::int64_t base = 0;
    if (origin == SeekOrigin::kCurrent) base = position_;
    if (origin == SeekOrigin::kEnd) base = static_cast<std::int64_t>(bytes_.size());
    if (base + offset < 0) return false;
    position_ = base + offset;
    return true;
  }
  std::int64_t Tell() override { return Fails() ? -1 : position_; }
  bool SetTimes(const FileTimes&) override { return false; }

 private:
  bool Fails() {
    ++count_;
    if (calls_ != nullptr) ++*calls_;
    return count_ == fail_call_;
  }

  const std::vector<std::uint8_t>& bytes_;
  int* calls_;
  int fail_call_;
  int count_ = 0;
  std::int64_t position_ = 0;
};

std::vector<std::uint8_t> Pattern(std::size_t size) {
  std::vector<std::uint8_t> bytes(size);
  for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<std::uint8_t>(i * 131 + i / 251);
  return bytes;
}

// Any mix of reads, seeks and tells gives the same results and bytes as the file read directly: reads
// within, across and past the windows, larger than a window, seeks from every origin, before the start
// and past the end.
TEST(BufferedFileTest, BehavesLikeTheFileItReads) {
  const std::vector<std::uint8_t> bytes = Pattern(5000);
  for (const std::uint32_t capacity : {1u, 7u, 64u, 4096u}) {
    SCOPED_TRACE(capacity);
    MemoryFile direct(bytes);
    BufferedFile buffered(std::make_unique<MemoryFile>(bytes), capacity);
    std::mt19937 random(capacity);
    for (int step = 0; step < 20000; ++step) {
      const unsigned choice = random() % 10;
      if (choice < 6) {
        const std::uint32_t size = random() % 8 == 0 ? random() % 300 : random() % 40;
        std::vector<std::uint8_t> expected(size), got(size);
        ASSERT_EQ(buffered.Read(got.data(), size), direct.Read(expected.data(), size)) << step;
        ASSERT_EQ(got, expected) << step;
      } else if (choice < 9) {
        const auto origin = static_cast<SeekOrigin>(random() % 3);
        const std::int64_t offset = static_cast<std::int64_t>(random() % 6000) - 3000;
        ASSERT_EQ(buffered.Seek(offset, origin), direct.Seek(offset, origin)) << step;
      } else {
        ASSERT_EQ(buffered.Tell(), direct.Tell()) << step;
      }
    }
  }
}

// The access pattern of a ZIP reader: small reads that alternate between the central directory and the
// local headers, each region read forwards. Each region stays in a window of its own, so the file is
// called about once per window's worth of bytes, not once per read.
TEST(BufferedFileTest, AlternatingSmallReadsCostAboutOneCallPerWindow) {
  const std::vector<std::uint8_t> bytes = Pattern(1 << 20);
  int calls = 0;
  BufferedFile buffered(std::make_unique<MemoryFile>(bytes, &calls), 4096);
  const std::int64_t central = 580000;
  std::uint8_t header[46];
  std::int64_t local = 0;
  for (int entry = 0; entry < 10000; ++entry) {
    ASSERT_TRUE(buffered.Seek(central + entry * 46, SeekOrigin::kBegin));
    ASSERT_EQ(buffered.Read(header, 46), 46);
    ASSERT_EQ(0, std::memcmp(header, &bytes[static_cast<std::size_t>(central + entry * 46)], 46));
    ASSERT_TRUE(buffered.Seek(local, SeekOrigin::kBegin));
    ASSERT_EQ(buffered.Read(header, 30), 30);
    ASSERT_EQ(0, std::memcmp(header, &bytes[static_cast<std::size_t>(local)], 30));
    local += 60;
  }
  // 460,000 + 600,000 bytes read in windows of 4,096: 259 refills, each a seek and a read.
  EXPECT_LE(calls, 2 * (460000 + 600000) / 4096 + 8);
}

// A failed call of the file is reported, and the next call after a seek reads the right bytes again.
TEST(BufferedFileTest, FailuresAreReportedAndLeaveNoStaleBytes) {
  const std::vector<std::uint8_t> bytes = Pattern(1000);
  for (int fail_call = 1; fail_call <= 6; ++fail_call) {
    SCOPED_TRACE(fail_call);
    BufferedFile buffered(std::make_unique<MemoryFile>(bytes, nullptr, fail_call), 64);
    std::uint8_t got[100];
    bool failed = false;
    for (const std::int64_t at : {0, 10, 500, 20, 900, 40}) {
      const bool moved = buffered.Seek(at, SeekOrigin::kBegin);
      const std::int64_t read = moved ? buffered.Read(got, 100) : -1;
      if (read < 0) {
        failed = true;
        continue;
      }
      ASSERT_GT(read, 0) << at;
      ASSERT_EQ(0, std::memcmp(got, &bytes[static_cast<std::size_t>(at)], static_cast<std::size_t>(read))) << at;
    }
    EXPECT_TRUE(failed);
  }
}

}  // namespace
}  // namespace setup
