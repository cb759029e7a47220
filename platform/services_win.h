// The Windows implementation of the system services (platform/services.h).
//
// The shell and COM libraries (shell32, ole32) are not imported by the program: the services load them
// from the system folder when a call needs them and free them afterwards, so that no library is looked
// for before the frame has restricted where libraries come from.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <optional>

#include "platform/services.h"

namespace setup {

// Gives the native handle of a window or control of the window layer, 0 when there is none.
using WindowHandleLookup = std::uintptr_t (*)(std::uint32_t window, std::uint32_t control);

// Stateless apart from the lookup given at construction; callable from any thread.
class Win32Services final : public SystemServices {
 public:
  // `lookup` serves GetWindowHandle; null means there is no window layer and every handle is 0.
  explicit Win32Services(WindowHandleLookup lookup = nullptr) noexcept : lookup_(lookup) {}

  [[nodiscard]] Text GetSpecialFolder(std::int32_t kind) override;
  [[nodiscard]] std::int32_t CreateShortcut(TextView link_file, TextView target,
                                            std::optional<TextView> description = std::nullopt,
                                            std::optional<TextView> arguments = std::nullopt,
                                            std::optional<TextView> working_folder = std::nullopt) override;
  [[nodiscard]] bool WriteFileBytes(TextView path, std::initializer_list<ByteSet> contents) override;
  bool RemoveFile(TextView path) override;
  bool RunProgram(TextView command_line, bool wait = false, std::int32_t window_mode = 2) override;
  std::int32_t ShowMessage(TextView text, std::int32_t flags = 0,
                           std::optional<TextView> title = std::nullopt) override;
  bool StartThread(ThreadRoutine routine, void* parameter = nullptr, std::uintptr_t* handle = nullptr) override;
  [[nodiscard]] std::uintptr_t GetWindowHandle(std::uint32_t window, std::uint32_t control) override;

 private:
  WindowHandleLookup lookup_;
};

// The link file name that CreateShortcut saves: `link_file` with ".lnk" appended when its own name,
// the part after its last backslash, holds no dot. Backslashes and dots are found under the two-byte
// rule, so the second byte of a two-byte character is never taken for either.
[[nodiscard]] Text ShortcutFileName(TextView link_file);

}  // namespace setup
