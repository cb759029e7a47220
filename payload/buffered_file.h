// A file opened for reading, read through two buffers.
//
// minizip reads the archive's header fields a few bytes at a time and moves back and forth between the
// central directory and the local headers. Passed straight to the file layer, each of those reads would
// be one system call (one ReadFile per byte of a header on Windows): an archive of many small files then
// spends most of its time in the kernel. Two buffers keep one window on each of the two regions, so
// that the alternation costs no calls; reads of a buffer's size or more go straight to the file.
//
// The archive is opened so that nobody may write it while it is open, which makes keeping its bytes
// sound. Seeks only move the position; the file is positioned when a buffer is filled. Writing and
// setting times fail. One thread at a time.
#pragma once

#include <array>
#include <cstdint>
#include <cstring>
#include <memory>
#include <vector>

#include "payload/file_layer.h"

namespace setup {

class BufferedFile final : public OpenFile {
 public:
  static constexpr std::uint32_t kDefaultCapacity = 16384;

  // `file` must not be null.
  explicit BufferedFile(std::unique_ptr<OpenFile> file, std::uint32_t capacity = kDefaultCapacity);

  [[nodiscard]] std::int64_t Read(void* buffer, std::uint32_t size) override {
    // Most reads are a few bytes from the window read last: those take no more than a copy.
    const Window& window = windows_[recent_];
    if (size == 0) return 0;
    if (position_ >= window.start && position_ - window.start <= window.filled &&
        size <= window.filled - static_cast<std::uint32_t>(position_ - window.start)) {
      std::memcpy(buffer, window.bytes.data() + (position_ - window.start), size);
      position_ += size;
      return size;
    }
    return ReadThroughFile(buffer, size);
  }
  [[nodiscard]] bool Write(const void* bytes, std::uint32_t size) override;
  [[nodiscard]] bool Seek(std::int64_t offset, SeekOrigin origin) override;
  [[nodiscard]] std::int64_t Tell() override;
  bool SetTimes(const FileTimes& times) override;

 private:
  struct Window {
    std::vector<std::uint8_t> bytes;
    std::int64_t start = 0;
    std::uint32_t filled = 0;  // 0: holds nothing
  };

  // Makes the position known (asks the file once when a failed call left it unknown); false on an error.
  bool KnowPosition();
  // Moves the file to the position, unless it is there already.
  bool PositionFile();
  [[nodiscard]] Window* WindowAtPosition();
  // The window that ends where the position is, or else the one used less recently.
  [[nodiscard]] Window* WindowToRefill();
  std::int64_t ReadThroughFile(void* buffer, std::uint32_t size);

  std::unique_ptr<OpenFile> file_;
  std::uint32_t capacity_;
  std::array<Window, 2> windows_;
  std::size_t recent_ = 0;           // the window read last
  std::int64_t position_ = -1;       // where the next read begins; -1 when unknown
  std::int64_t file_position_ = -1;  // where the file itself stands; -1 when unknown
};

}  // namespace setup
