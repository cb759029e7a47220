// A stand-in for the Win32 file layer on POSIX systems, for unit tests, fuzzing and benchmarks.
//
// Windows paths are mapped onto a host folder, the root: "X:\a\b" names <root>/x/a/b and "\a\b" (or a
// path without a drive) names <root>/a/b. Backslashes and slashes both separate components, except a
// byte that follows a lead byte of a two-byte character (GBK: 0x81..0xFE), which belongs to that
// character. "." and ".." components are resolved the way Windows resolves them, and never above the
// root, so no path leads outside it.
//
// What it imitates of Windows: a folder cannot be opened as a file; a path ending in a separator cannot
// be opened or created as a file; a read-only file (no owner write bit) cannot be replaced, even when the
// process runs as root; a new file made with the read-only attribute is read-only. Hidden, system and
// archive flags and file sharing are not imitated.
//
// Fault injection: FailCall(n) makes the n-th counted call from now fail. Every call of the layer and of
// the files it opened counts once. Files must not outlive their layer. One thread at a time.
#pragma once

#include <cstdint>
#include <string>

#include "payload/file_layer.h"

namespace setup {

class PosixFileLayer final : public FileLayer {
 public:
  // `root` is the host folder that Windows paths are mapped into; "" is the host's root folder.
  explicit PosixFileLayer(std::string root);

  // The host path that `path` names.
  [[nodiscard]] std::string HostPath(TextView path) const;

  // Makes the n-th counted call from now fail (1: the next one); 0 fails nothing.
  void FailCall(std::uint64_t n) noexcept { fail_at_ = n == 0 ? 0 : calls_ + n; }
  // Counted calls so far.
  [[nodiscard]] std::uint64_t CallCount() const noexcept { return calls_; }

  std::optional<std::uint32_t> GetAttributes(TextView path) override;
  bool SetAttributes(TextView path, std::uint32_t attributes) override;
  bool CreateFolder(TextView path) override;
  std::unique_ptr<OpenFile> OpenForReading(TextView path) override;
  std::unique_ptr<OpenFile> CreateForWriting(TextView path, std::uint32_t attributes) override;
  bool IsLeadByte(unsigned char byte) override;

  // Counts a call; false when this call is to fail.
  [[nodiscard]] bool Tick() noexcept { return ++calls_ != fail_at_; }

 private:
  [[nodiscard]] bool EndsInSeparator(TextView path) const;

  std::string root_;
  std::uint64_t calls_ = 0;
  std::uint64_t fail_at_ = 0;
};

}  // namespace setup
