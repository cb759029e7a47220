#include "payload/buffered_file.h"

#include <algorithm>
#include <cstdint>
#include <utility>

namespace setup {

BufferedFile::BufferedFile(std::unique_ptr<OpenFile> file, std::uint32_t capacity)
    : file_(std::move(file)), capacity_(std::max<std::uint32_t>(capacity, 1)) {
  // The position is asked of the file when first needed: it may have been read or moved already.
  for (Window& window : windows_) window.bytes.resize(capacity_);
}

bool BufferedFile::KnowPosition() {
  if (position_ >= 0) return true;
  const std::int64_t at = file_->Tell();
  if (at < 0) return false;
  position_ = file_position_ = at;
  return true;
}

bool BufferedFile::PositionFile() {
  if (file_position_ == position_) return true;
  if (!file_->Seek(position_, SeekOrigin::kBegin)) {
    file_position_ = -1;
    return false;
  }
  file_position_ = position_;
  return true;
}

BufferedFile::Window* BufferedFile::WindowAtPosition() {
  for (Window& window : windows_) {
    if (window.filled != 0 && position_ >= window.start && position_ - window.start < window.filled) return &window;
  }
  return nullptr;
}

BufferedFile::Window* BufferedFile::WindowToRefill() {
  // A read running on past a window's end goes on in that window, so that the other keeps its region.
  for (Window& window : windows_) {
    if (window.filled != 0 && window.start + window.filled == position_) return &window;
  }
  return &windows_[1 - recent_];
}

std::int64_t BufferedFile::ReadThroughFile(void* buffer, std::uint32_t size) {
  if (!KnowPosition()) return -1;
  auto* out = static_cast<std::uint8_t*>(buffer);
  std::uint32_t done = 0;
  bool failed = false;
  while (done < size && !failed) {
    const std::uint32_t wanted = size - done;
    Window* window = WindowAtPosition();
    if (window == nullptr && wanted >= capacity_) {
      const std::int64_t read = PositionFile() ? file_->Read(out + done, wanted) : -1;
      if (read <= 0) {
        failed = read < 0;
        break;
      }
      position_ += read;
      file_position_ = position_;
      done += static_cast<std::uint32_t>(read);
      continue;
    }
    if (window == nullptr) {
      window = WindowToRefill();
      window->filled = 0;
      const std::int64_t read = PositionFile() ? file_->Read(window->bytes.data(), capacity_) : -1;
      if (read <= 0) {
        failed = read < 0;
        break;
      }
      window->start = position_;
      window->filled = static_cast<std::uint32_t>(read);
      file_position_ = position_ + read;
    }
    recent_ = static_cast<std::size_t>(window - windows_.data());
    const auto offset = static_cast<std::uint32_t>(position_ - window->start);
    const std::uint32_t count = std::min(wanted, window->filled - offset);
    std::memcpy(out + done, window->bytes.data() + offset, count);
    position_ += count;
    done += count;
  }
  if (failed) {
    file_position_ = -1;  // a failed read may have moved the file
    // Bytes already read are given; a failure that lasts shows on the next read.
    if (done == 0) return -1;
  }
  return done;
}

bool BufferedFile::Write(const void*, std::uint32_t) { return false; }

bool BufferedFile::Seek(std::int64_t offset, SeekOrigin origin) {
  if (origin == SeekOrigin::kEnd) {
    // Only the file knows where its end is.
    if (!file_->Seek(offset, SeekOrigin::kEnd)) {
      file_position_ = -1;
      return false;
    }
    position_ = file_position_ = -1;
    return true;
  }
  std::int64_t target = offset;
  if (origin == SeekOrigin::kCurrent) {
    if (!KnowPosition() || offset > INT64_MAX - position_) return false;
    target += position_;
  }
  if (target < 0) return false;
  position_ = target;
  return true;
}

std::int64_t BufferedFile::Tell() { return KnowPosition() ? position_ : -1; }

bool BufferedFile::SetTimes(const FileTimes&) { return false; }

}  // namespace setup
