// The operating-system services that the setup logic calls. Each reports failure through its result
// alone (empty text, false, 0): none shows anything, logs anything or raises an error, and none keeps
// state from one call to the next. Callable on the window thread and on the installation worker.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <optional>
#include <span>

#include "platform/text.h"

namespace setup {

using ThreadRoutine = std::uint32_t (*)(void* parameter);  // a thread routine with one pointer-sized parameter

// Buttons of a message box as the setup logic sees them.
enum ButtonCode : std::int32_t {
  kButtonOk = 0,
  kButtonCancel = 1,
  kButtonAbort = 2,
  kButtonRetry = 3,
  kButtonIgnore = 4,
  kButtonYes = 5,
  kButtonNo = 6,
};

// Kinds of special folder.
enum SpecialFolder : std::int32_t {
  kFolderDocuments = 1,
  kFolderFavourites = 2,
  kFolderDesktop = 3,
  kFolderFonts = 4,
  kFolderStartMenu = 5,
  kFolderPrograms = 6,
  kFolderStartup = 7,
  kFolderAppData = 8,
  kFolderWindows = 9,
  kFolderSystem = 10,
  kFolderTemp = 11,
};

class SystemServices {
 public:
  virtual ~SystemServices() = default;

  // The folder of `kind` (1..11) ending in exactly one backslash; empty for another kind or on failure.
  [[nodiscard]] virtual Text GetSpecialFolder(std::int32_t kind) = 0;

  // Saves a shortcut file to `target`; ".lnk" is added when the link file's own name has no dot.
  // Settings not given are not touched. Needs COM initialised on the calling thread. 1 when saved, else 0.
  [[nodiscard]] virtual std::int32_t CreateShortcut(TextView link_file, TextView target,
                                                    std::optional<TextView> description = std::nullopt,
                                                    std::optional<TextView> arguments = std::nullopt,
                                                    std::optional<TextView> working_folder = std::nullopt) = 0;

  // Writes the byte sets' bytes, in order, to `path`, replacing an existing file. A missing folder is
  // not made. A failed write leaves the partly written file and gives false.
  [[nodiscard]] virtual bool WriteFileBytes(TextView path, std::initializer_list<ByteSet> contents) = 0;

  // Deletes a file; false when it is missing, in use or protected.
  virtual bool RemoveFile(TextView path) = 0;

  // Starts `command_line` in the setup program's current folder. Window mode 1..6 (clamped; 2 shown
  // normally). With `wait` until the program ends, otherwise until it is idle for input, at most 1000 ms.
  virtual bool RunProgram(TextView command_line, bool wait = false, std::int32_t window_mode = 2) = 0;

  // A message box with no owner; gives the button code (0 for anything unexpected).
  virtual std::int32_t ShowMessage(TextView text, std::int32_t flags = 0,
                                   std::optional<TextView> title = std::nullopt) = 0;

  // Starts a thread running `routine(parameter)` at once. With `handle` the thread's handle is stored
  // there and stays open; otherwise it is closed at once.
  virtual bool StartThread(ThreadRoutine routine, void* parameter = nullptr, std::uintptr_t* handle = nullptr) = 0;

  // The native handle of the window or control, 0 when there is none.
  [[nodiscard]] virtual std::uintptr_t GetWindowHandle(std::uint32_t window, std::uint32_t control) = 0;
};

}  // namespace setup
