// The narrow file layer that the archive extraction and the temporary archive work through.
//
// Paths are Windows paths in the system's ANSI code page: a drive letter and a colon, backslashes
// between the components. The Windows implementation (file_layer_win.cpp) calls the Win32 "A"
// functions directly; the POSIX stand-in (file_layer_posix.h) maps the same paths onto a host folder so
// that the extraction runs unchanged in unit tests, fuzzing and benchmarks.
//
// Every call reports failure through its result alone. An implementation keeps no state shared between
// its objects beyond what it documents; one layer object may be used by one thread at a time.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>

#include "platform/text.h"

namespace setup {

// Windows file-attribute flags, as GetFileAttributesA gives them and CreateFileA takes them.
inline constexpr std::uint32_t kAttributeReadOnly = 0x01;
inline constexpr std::uint32_t kAttributeHidden = 0x02;
inline constexpr std::uint32_t kAttributeSystem = 0x04;
inline constexpr std::uint32_t kAttributeDirectory = 0x10;
inline constexpr std::uint32_t kAttributeArchive = 0x20;
inline constexpr std::uint32_t kAttributeNormal = 0x80;

// A file time: 100-nanosecond intervals since 1 January 1601 UTC. 0 means "leave this time alone".
using FileTime = std::uint64_t;

struct FileTimes {
  FileTime creation = 0;
  FileTime last_access = 0;
  FileTime last_write = 0;
};

enum class SeekOrigin { kBegin, kCurrent, kEnd };

// An open file. Destroying it closes the file.
class OpenFile {
 public:
  virtual ~OpenFile() = default;
  // Reads up to `size` bytes: the number read, 0 at the end of the file, -1 on an error.
  [[nodiscard]] virtual std::int64_t Read(void* buffer, std::uint32_t size) = 0;
  // Writes all `size` bytes; false when not all of them could be written.
  [[nodiscard]] virtual bool Write(const void* bytes, std::uint32_t size) = 0;
  [[nodiscard]] virtual bool Seek(std::int64_t offset, SeekOrigin origin) = 0;
  // The current position, -1 on an error.
  [[nodiscard]] virtual std::int64_t Tell() = 0;
  // Sets the times that are not 0 (SetFileTime).
  virtual bool SetTimes(const FileTimes& times) = 0;
};

class FileLayer {
 public:
  virtual ~FileLayer() = default;

  // The attributes of the file or folder at `path` (GetFileAttributesA); nothing when nothing is there.
  [[nodiscard]] virtual std::optional<std::uint32_t> GetAttributes(TextView path) = 0;
  // SetFileAttributesA.
  virtual bool SetAttributes(TextView path, std::uint32_t attributes) = 0;
  // Creates one folder whose parent exists (CreateDirectoryA with default security).
  [[nodiscard]] virtual bool CreateFolder(TextView path) = 0;
  // Opens an existing file for reading. Others may read it but neither write nor delete it while it
  // is open. Null when it cannot be opened.
  [[nodiscard]] virtual std::unique_ptr<OpenFile> OpenForReading(TextView path) = 0;
  // Creates a file for writing, unshared; an existing file is replaced and truncated (CREATE_ALWAYS).
  // `attributes` become the new file's attributes. Null when it cannot be created.
  [[nodiscard]] virtual std::unique_ptr<OpenFile> CreateForWriting(TextView path, std::uint32_t attributes) = 0;
  // True when `byte` is the first byte of a two-byte character in the system's code page.
  [[nodiscard]] virtual bool IsLeadByte(unsigned char byte) = 0;

  [[nodiscard]] bool Exists(TextView path) { return GetAttributes(path).has_value(); }
};

// The layer of the platform the program runs on: the Win32 file calls on Windows; elsewhere the POSIX
// stand-in rooted at the host's root folder, so that "\\tmp\\x" names /tmp/x. One object per process;
// safe to use from any one thread at a time.
[[nodiscard]] FileLayer& SystemFileLayer();

}  // namespace setup
