// The setup program with a window access that records: the shipped entry point (frame/main_win.cpp, with
// its handlers, services and archive command), whose window access appends every property write to
// "window-writes.log" in the program's folder before passing it on. The end-to-end test reads the log to
// see the status texts and progress positions in the order the setup logic wrote them.
//
// Log lines: "<kind> <control> <property> <element>\t<value>\r\n", kind "integer", "text" or "picture"
// (the value of a picture is its size in bytes), control in hexadecimal; CR and LF in a text are written
// as "\r" and "\n".
#include <windows.h>

#include <cstdio>
#include <string>
#include <utility>

#include "frame/program.h"
#include "window/window_layer.h"

namespace setup {
namespace {

class RecordingWindowAccess final : public WindowAccess {
 public:
  RecordingWindowAccess(WindowAccess& target, std::string log_path) : target_(target), log_path_(std::move(log_path)) {}

  void WriteInteger(const Property& property, std::int32_t value) override {
    Append("integer", property, std::to_string(value));
    target_.WriteInteger(property, value);
  }
  void WriteText(const Property& property, TextView value) override {
    std::string escaped;
    for (const char c : value) {
      if (c == '\r') {
        escaped += "\\r";
      } else if (c == '\n') {
        escaped += "\\n";
      } else {
        escaped += c;
      }
    }
    Append("text", property, escaped);
    target_.WriteText(property, value);
  }
  void WritePicture(const Property& property, ByteSet picture) override {
    Append("picture", property, std::to_string(picture.Bytes().size()));
    target_.WritePicture(property, picture);
  }
  std::int32_t ReadInteger(const Property& property) override { return target_.ReadInteger(property); }
  Text ReadText(const Property& property) override { return target_.ReadText(property); }

 private:
  // One WriteFile per line on a file opened for appending: lines from the two threads never mix, and
  // each is on disk before the write it records takes effect, even when the process ends right after.
  void Append(const char* kind, const Property& property, const std::string& value) const {
    char head[96];
    std::snprintf(head, sizeof head, "%s %08X %d %d\t", kind, static_cast<unsigned>(property.control),
                  static_cast<int>(property.number), static_cast<int>(property.element));
    const std::string line = head + value + "\r\n";
    HANDLE file = ::CreateFileA(log_path_.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return;
    DWORD written = 0;
    ::WriteFile(file, line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
    ::CloseHandle(file);
  }

  WindowAccess& target_;
  const std::string log_path_;
};

std::string LogPath() {
  char path[MAX_PATH] = {};
  const DWORD n = ::GetModuleFileNameA(nullptr, path, MAX_PATH);
  std::string folder(path, n);
  return folder.substr(0, folder.find_last_of('\\') + 1) + "window-writes.log";
}

// Runs the program as the shipped entry point asks, with the recording access in front of the system's.
int RunRecordedSetupProgram(const MainWindowHandlers& handlers, SystemServices& services, FileLayer& files,
                            ArchiveCommand& archive) {
  // Never destroyed, like the program's other parts: a worker may still write while the process ends.
  static RecordingWindowAccess* const recording = new RecordingWindowAccess(SystemWindowAccess(), LogPath());
  return RunSetupProgram(handlers, services, files, archive, recording);
}

}  // namespace
}  // namespace setup

// The shipped entry point, unchanged but for the program runner it calls.
#define RunSetupProgram RunRecordedSetupProgram
#include "frame/main_win.cpp"  // NOLINT(bugprone-suspicious-include)
