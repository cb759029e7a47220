// The file layer over the Win32 "A" file calls.
#include <windows.h>

#include "payload/file_layer.h"
#include "platform/handles_win.h"

namespace setup {
namespace {

FILETIME ToFileTime(FileTime time) {
  FILETIME result;
  result.dwLowDateTime = static_cast<DWORD>(time & 0xFFFFFFFFu);
  result.dwHighDateTime = static_cast<DWORD>(time >> 32);
  return result;
}

class Win32File final : public OpenFile {
 public:
  explicit Win32File(UniqueFile file) : file_(static_cast<UniqueFile&&>(file)) {}

  std::int64_t Read(void* buffer, std::uint32_t size) override {
    DWORD read = 0;
    if (!::ReadFile(file_.Get(), buffer, size, &read, nullptr)) return -1;
    return read;
  }

  bool Write(const void* bytes, std::uint32_t size) override {
    const auto* next = static_cast<const std::uint8_t*>(bytes);
    while (size > 0) {
      DWORD written = 0;
      if (!::WriteFile(file_.Get(), next, size, &written, nullptr) || written == 0) return false;
      next += written;
      size -= written;
    }
    return true;
  }

  bool Seek(std::int64_t offset, SeekOrigin origin) override {
    LARGE_INTEGER distance;
    distance.QuadPart = offset;
    const DWORD method = origin == SeekOrigin::kBegin     ? FILE_BEGIN
                         : origin == SeekOrigin::kCurrent ? FILE_CURRENT
                                                          : FILE_END;
    return ::SetFilePointerEx(file_.Get(), distance, nullptr, method) != FALSE;
  }

  std::int64_t Tell() override {
    LARGE_INTEGER zero;
    zero.QuadPart = 0;
    LARGE_INTEGER position;
    if (!::SetFilePointerEx(file_.Get(), zero, &position, FILE_CURRENT)) return -1;
    return position.QuadPart;
  }

  bool SetTimes(const FileTimes& times) override {
    const FILETIME creation = ToFileTime(times.creation);
    const FILETIME last_access = ToFileTime(times.last_access);
    const FILETIME last_write = ToFileTime(times.last_write);
    return ::SetFileTime(file_.Get(), times.creation != 0 ? &creation : nullptr,
                         times.last_access != 0 ? &last_access : nullptr,
                         times.last_write != 0 ? &last_write : nullptr) != FALSE;
  }

 private:
  UniqueFile file_;
};

class Win32FileLayer final : public FileLayer {
 public:
  std::optional<std::uint32_t> GetAttributes(TextView path) override {
    const DWORD attributes = ::GetFileAttributesA(Text(path).CStr());
    if (attributes == INVALID_FILE_ATTRIBUTES) return std::nullopt;
    return attributes;
  }

  bool SetAttributes(TextView path, std::uint32_t attributes) override {
    return ::SetFileAttributesA(Text(path).CStr(), attributes) != FALSE;
  }

  bool CreateFolder(TextView path) override { return ::CreateDirectoryA(Text(path).CStr(), nullptr) != FALSE; }

  std::unique_ptr<OpenFile> OpenForReading(TextView path) override {
    UniqueFile file(::CreateFileA(Text(path).CStr(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return nullptr;
    return std::make_unique<Win32File>(static_cast<UniqueFile&&>(file));
  }

  std::unique_ptr<OpenFile> CreateForWriting(TextView path, std::uint32_t attributes) override {
    UniqueFile file(::CreateFileA(Text(path).CStr(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, attributes, nullptr));
    if (!file) return nullptr;
    return std::make_unique<Win32File>(static_cast<UniqueFile&&>(file));
  }

  bool IsLeadByte(unsigned char byte) override { return ::IsDBCSLeadByte(byte) != FALSE; }
};

}  // namespace

FileLayer& SystemFileLayer() {
  static Win32FileLayer layer;
  return layer;
}

}  // namespace setup
