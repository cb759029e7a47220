// The POSIX stand-in for the Win32 file layer (see file_layer_posix.h).
#include "payload/file_layer_posix.h"

#include <errno.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <string_view>
#include <utility>

namespace setup {
namespace {

// 100-ns intervals between 1601-01-01 and 1970-01-01.
constexpr std::int64_t kUnixEpochAsFileTime = 116444736000000000;

timespec ToTimespec(FileTime time) {
  timespec result{};
  if (time == 0) {
    result.tv_nsec = UTIME_OMIT;
    return result;
  }
  const std::int64_t since_1970 = static_cast<std::int64_t>(time) - kUnixEpochAsFileTime;
  std::int64_t seconds = since_1970 / 10000000;
  std::int64_t rest = since_1970 % 10000000;
  if (rest < 0) {
    rest += 10000000;
    --seconds;
  }
  result.tv_sec = static_cast<time_t>(seconds);
  result.tv_nsec = static_cast<long>(rest * 100);
  return result;
}

class PosixFile final : public OpenFile {
 public:
  PosixFile(PosixFileLayer& layer, int fd) : layer_(layer), fd_(fd) {}
  PosixFile(const PosixFile&) = delete;
  PosixFile& operator=(const PosixFile&) = delete;
  ~PosixFile() override { ::close(fd_); }

  std::int64_t Read(void* buffer, std::uint32_t size) override {
    if (!layer_.Tick()) return -1;
    const ssize_t read = ::read(fd_, buffer, size);
    return read < 0 ? -1 : read;
  }

  bool Write(const void* bytes, std::uint32_t size) override {
    if (!layer_.Tick()) return false;
    const auto* next = static_cast<const std::uint8_t*>(bytes);
    while (size > 0) {
      const ssize_t written = ::write(fd_, next, size);
      if (written <= 0) return false;
      next += written;
      size -= static_cast<std::uint32_t>(written);
    }
    return true;
  }

  bool Seek(std::int64_t offset, SeekOrigin origin) override {
    if (!layer_.Tick()) return false;
    const int whence = origin == SeekOrigin::kBegin ? SEEK_SET : origin == SeekOrigin::kCurrent ? SEEK_CUR : SEEK_END;
    return ::lseek(fd_, static_cast<off_t>(offset), whence) >= 0;
  }

  std::int64_t Tell() override {
    if (!layer_.Tick()) return -1;
    return ::lseek(fd_, 0, SEEK_CUR);
  }

  bool SetTimes(const FileTimes& times) override {
    if (!layer_.Tick()) return false;
    const timespec host_times[2] = {ToTimespec(times.last_access), ToTimespec(times.last_write)};
    return ::futimens(fd_, host_times) == 0;
  }

 private:
  PosixFileLayer& layer_;
  int fd_;
};

}  // namespace

PosixFileLayer::PosixFileLayer(std::string root) : root_(std::move(root)) {
  while (!root_.empty() && root_.back() == '/') root_.pop_back();
}

std::string PosixFileLayer::HostPath(TextView path) const {
  std::string host = root_;
  std::size_t i = 0;
  if (path.size() >= 2 && path[1] == ':' &&
      ((path[0] >= 'A' && path[0] <= 'Z') || (path[0] >= 'a' && path[0] <= 'z'))) {
    host += '/';
    host += static_cast<char>(path[0] | 0x20);
    i = 2;
  }
  // The components are appended as they end; ".." takes the last one off again, never the root or
  // the drive.
  const std::size_t base = host.size();
  std::size_t part = std::string::npos;  // where the current component begins in `host`
  auto end_part = [&]() {
    if (part == std::string::npos) return;
    const std::string_view name(host.data() + part + 1, host.size() - part - 1);
    if (name == ".") {
      host.resize(part);
    } else if (name == "..") {
      host.resize(part);
      host.resize(std::max(base, host.rfind('/') == std::string::npos ? base : host.rfind('/')));
    }
    part = std::string::npos;
  };
  for (; i < path.size(); ++i) {
    const auto byte = static_cast<unsigned char>(path[i]);
    if (byte == '\\' || byte == '/') {
      end_part();
      continue;
    }
    if (part == std::string::npos) {
      part = host.size();
      host += '/';
    }
    host.push_back(static_cast<char>(byte));
    if (byte >= 0x81 && byte <= 0xFE && i + 1 < path.size()) {
      // The second byte belongs to the character; a '/' there must not split the host path.
      const char second = path[++i];
      if (second == '/') {
        host += "%2F";
      } else {
        host.push_back(second);
      }
    }
  }
  end_part();
  if (host.empty()) host.push_back('/');
  return host;
}

bool PosixFileLayer::EndsInSeparator(TextView path) const {
  bool last_is_separator = false;
  for (std::size_t i = 0; i < path.size(); ++i) {
    const auto byte = static_cast<unsigned char>(path[i]);
    last_is_separator = byte == '\\' || byte == '/';
    if (byte >= 0x81 && byte <= 0xFE) ++i;
  }
  return last_is_separator;
}

std::optional<std::uint32_t> PosixFileLayer::GetAttributes(TextView path) {
  if (!Tick()) return std::nullopt;
  struct stat status {};
  if (::stat(HostPath(path).c_str(), &status) != 0) return std::nullopt;
  if (S_ISDIR(status.st_mode)) return kAttributeDirectory;
  if ((status.st_mode & S_IWUSR) == 0) return kAttributeReadOnly;
  return kAttributeNormal;
}

bool PosixFileLayer::SetAttributes(TextView path, std::uint32_t attributes) {
  if (!Tick()) return false;
  const std::string host = HostPath(path);
  struct stat status {};
  if (::stat(host.c_str(), &status) != 0) return false;
  if (S_ISDIR(status.st_mode)) return true;
  const mode_t mode = (attributes & kAttributeReadOnly) != 0 ? 0444 : 0644;
  if ((status.st_mode & 07777) == mode) return true;  // nothing to change
  return ::chmod(host.c_str(), mode) == 0;
}

bool PosixFileLayer::CreateFolder(TextView path) {
  if (!Tick()) return false;
  return ::mkdir(HostPath(path).c_str(), 0755) == 0;
}

std::unique_ptr<OpenFile> PosixFileLayer::OpenForReading(TextView path) {
  if (!Tick() || EndsInSeparator(path)) return nullptr;
  const int fd = ::open(HostPath(path).c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return nullptr;
  struct stat status {};
  if (::fstat(fd, &status) != 0 || S_ISDIR(status.st_mode)) {
    ::close(fd);
    return nullptr;
  }
  return std::make_unique<PosixFile>(*this, fd);
}

std::unique_ptr<OpenFile> PosixFileLayer::CreateForWriting(TextView path, std::uint32_t attributes) {
  if (!Tick() || EndsInSeparator(path)) return nullptr;
  const std::string host = HostPath(path);
  const mode_t mode = (attributes & kAttributeReadOnly) != 0 ? 0444 : 0644;
  // A new file in one call; only a name that is taken needs the look at what is there.
  int fd = ::open(host.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode);
  if (fd < 0 && errno == EEXIST) {
    struct stat status {};
    if (::stat(host.c_str(), &status) == 0 && (S_ISDIR(status.st_mode) || (status.st_mode & S_IWUSR) == 0)) {
      return nullptr;  // Windows refuses to replace a folder or a read-only file.
    }
    fd = ::open(host.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, mode);
  }
  if (fd < 0) return nullptr;
  return std::make_unique<PosixFile>(*this, fd);
}

bool PosixFileLayer::IsLeadByte(unsigned char byte) { return byte >= 0x81 && byte <= 0xFE; }

FileLayer& SystemFileLayer() {
  static PosixFileLayer layer("");
  return layer;
}

}  // namespace setup
