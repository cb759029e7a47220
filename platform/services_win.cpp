#include "platform/services_win.h"

#include <objidl.h>
#include <shlobj.h>
#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <optional>

#include "platform/handles_win.h"
#include "platform/heap.h"

namespace setup {
namespace {

constexpr std::size_t kPathBufferSize = MAX_PATH;  // 260 bytes, terminating zero included

// The shell-link object and the two interfaces used on it, defined here so that nothing of the COM
// libraries has to be linked.
constexpr CLSID kClsidShellLink = {0x00021401, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
constexpr IID kIidShellLinkA = {0x000214EE, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
constexpr IID kIidPersistFile = {0x0000010B, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};

// A library of the system folder, loaded for one call. Never from the program's folder or the
// current folder.
UniqueModule LoadSystemLibrary(const char* name) noexcept {
  return UniqueModule(::LoadLibraryExA(name, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32));
}

// An export of `module` as a function pointer of type `Function`; null when it is missing.
template <typename Function>
Function SystemFunction(const UniqueModule& module, const char* name) noexcept {
  if (!module) return nullptr;
  // Through the generic function pointer type, which converts to any other without a warning.
  return reinterpret_cast<Function>(reinterpret_cast<void (*)()>(::GetProcAddress(module.Get(), name)));
}

// Owns one reference to a COM interface.
template <typename Interface>
class ComPointer {
 public:
  ComPointer() noexcept = default;
  ComPointer(const ComPointer&) = delete;
  ComPointer& operator=(const ComPointer&) = delete;
  ~ComPointer() { Reset(); }

  Interface* operator->() const noexcept { return pointer_; }
  explicit operator bool() const noexcept { return pointer_ != nullptr; }
  // The place for an output parameter; the reference held before is released first.
  void** Put() noexcept {
    Reset();
    return reinterpret_cast<void**>(&pointer_);
  }
  void Reset() noexcept {
    if (pointer_ != nullptr) pointer_->Release();
    pointer_ = nullptr;
  }

 private:
  Interface* pointer_ = nullptr;
};

// A zero-terminated copy of a view, for the system calls.
Text Terminated(TextView text) { return Text(text); }

bool WriteAll(HANDLE file, const std::uint8_t* bytes, std::size_t size) noexcept {
  while (size > 0) {
    const DWORD chunk = size > 0x40000000u ? 0x40000000u : static_cast<DWORD>(size);
    DWORD written = 0;
    if (!::WriteFile(file, bytes, chunk, &written, nullptr) || written != chunk) return false;
    bytes += chunk;
    size -= chunk;
  }
  return true;
}

// A thread routine of the setup logic and its parameter, handed to the thread that runs it. The
// routine has the compiler's default calling convention, so the thread starts in a routine of the
// system's convention that calls it.
struct ThreadStart {
  ThreadRoutine routine;
  void* parameter;
};

struct ThreadStartTraits {
  using Value = ThreadStart*;
  static Value Invalid() noexcept { return nullptr; }
  static void Free(Value start) noexcept { HeapRelease(start); }
};
using UniqueThreadStart = Unique<ThreadStartTraits>;

DWORD WINAPI RunThreadRoutine(void* start_block) {
  UniqueThreadStart start(static_cast<ThreadStart*>(start_block));
  const ThreadRoutine routine = start.Get()->routine;
  void* parameter = start.Get()->parameter;
  start.Reset();
  return routine(parameter);
}

}  // namespace

Text ShortcutFileName(TextView link_file) {
  // Whether the own name, after the last backslash that is a character of its own, holds a dot.
  bool has_dot = false;
  for (std::size_t i = 0; i < link_file.size();) {
    const unsigned char byte = static_cast<unsigned char>(link_file[i]);
    if (IsTwoByteLead(byte)) {
      i += 2;
      continue;
    }
    if (byte == '\\') has_dot = false;
    if (byte == '.') has_dot = true;
    ++i;
  }
  return has_dot ? Text(link_file) : ConcatTexts({link_file, ".lnk"});
}

Text Win32Services::GetSpecialFolder(std::int32_t kind) {
  // clang-format off
  static constexpr int kShellFolders[] = {
      CSIDL_PERSONAL, CSIDL_FAVORITES, CSIDL_DESKTOPDIRECTORY, CSIDL_FONTS,
      CSIDL_STARTMENU, CSIDL_PROGRAMS, CSIDL_STARTUP, CSIDL_APPDATA};
  // clang-format on
  char path[kPathBufferSize] = {};
  bool found = false;
  if (kind >= kFolderDocuments && kind <= kFolderAppData) {
    using GetPathFunction = BOOL(WINAPI*)(HWND, LPSTR, int, BOOL);
    const UniqueModule shell = LoadSystemLibrary("shell32.dll");
    const auto get_path = SystemFunction<GetPathFunction>(shell, "SHGetSpecialFolderPathA");
    // No owner window; a folder that does not exist is not made.
    found = get_path != nullptr && get_path(nullptr, path, kShellFolders[kind - kFolderDocuments], FALSE) != FALSE;
  } else if (kind == kFolderWindows || kind == kFolderSystem) {
    // These give the length without the zero, or the size needed when the buffer is too small.
    const UINT length = kind == kFolderWindows ? ::GetWindowsDirectoryA(path, kPathBufferSize)
                                               : ::GetSystemDirectoryA(path, kPathBufferSize);
    found = length > 0 && length < kPathBufferSize;
  } else if (kind == kFolderTemp) {
    const DWORD length = ::GetTempPathA(kPathBufferSize, path);
    found = length > 0 && length < kPathBufferSize;
  }
  if (!found) return {};
  path[kPathBufferSize - 1] = '\0';
  const Text folder(static_cast<const char*>(path));
  // Only the last byte is looked at: a path whose last character's second byte is 0x5C keeps its form.
  if (!folder.Empty() && folder.View().back() != '\\') return ConcatTexts({folder, "\\"});
  return folder;
}

std::int32_t Win32Services::CreateShortcut(TextView link_file, TextView target, std::optional<TextView> description,
                                           std::optional<TextView> arguments, std::optional<TextView> working_folder) {
  // The name must fit the 260-byte name buffer with its terminating zero; a longer one is refused.
  const Text file_name = ShortcutFileName(link_file);
  if (file_name.Size() >= kPathBufferSize) return 0;
  wchar_t wide_name[kPathBufferSize] = {};
  if (::MultiByteToWideChar(CP_ACP, 0, file_name.CStr(), -1, wide_name, kPathBufferSize) == 0) return 0;

  using CreateInstanceFunction = HRESULT(WINAPI*)(REFCLSID, LPUNKNOWN, DWORD, REFIID, LPVOID*);
  // The library outlives every interface taken from it (members are destroyed in reverse order).
  const UniqueModule ole = LoadSystemLibrary("ole32.dll");
  const auto create_instance = SystemFunction<CreateInstanceFunction>(ole, "CoCreateInstance");
  if (create_instance == nullptr) return 0;

  // Fails with CO_E_NOTINITIALIZED on a thread without COM: COM is never initialised here.
  ComPointer<IShellLinkA> link;
  if (FAILED(create_instance(kClsidShellLink, nullptr, CLSCTX_INPROC_SERVER, kIidShellLinkA, link.Put())) || !link) {
    return 0;
  }
  ComPointer<IPersistFile> persist;
  if (FAILED(link->QueryInterface(kIidPersistFile, persist.Put())) || !persist) return 0;

  // The results of the settings do not matter: the save decides.
  static_cast<void>(link->SetPath(Terminated(target).CStr()));
  static_cast<void>(link->SetShowCmd(SW_SHOW));
  if (description) static_cast<void>(link->SetDescription(Terminated(*description).CStr()));
  if (arguments) static_cast<void>(link->SetArguments(Terminated(*arguments).CStr()));
  if (working_folder) static_cast<void>(link->SetWorkingDirectory(Terminated(*working_folder).CStr()));

  return SUCCEEDED(persist->Save(wide_name, TRUE)) ? 1 : 0;
}

bool Win32Services::WriteFileBytes(TextView path, std::initializer_list<ByteSet> contents) {
  if (path.empty()) return false;
  const UniqueFile file(
      ::CreateFileA(Terminated(path).CStr(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return false;
  for (const ByteSet& content : contents) {
    // A failed write leaves what was written before it; the file is closed by its owner.
    if (!WriteAll(file.Get(), content.Bytes().data(), content.Bytes().size())) return false;
  }
  return true;
}

bool Win32Services::RemoveFile(TextView path) { return ::DeleteFileA(Terminated(path).CStr()) != FALSE; }

bool Win32Services::RunProgram(TextView command_line, bool wait, std::int32_t window_mode) {
  static constexpr WORD kShowStates[] = {SW_HIDE,          SW_SHOWNORMAL,     SW_SHOWMINIMIZED,
                                         SW_SHOWMAXIMIZED, SW_SHOWNOACTIVATE, SW_MINIMIZE};
  const std::int32_t mode = window_mode > 6 ? 6 : (window_mode < 1 ? 1 : window_mode);
  STARTUPINFOA startup = {};
  startup.cb = sizeof(startup);
  startup.dwFlags = STARTF_USESHOWWINDOW;
  startup.wShowWindow = kShowStates[mode - 1];

  // CreateProcessA may write into the command line, so it gets a copy of its own.
  Text command = Terminated(command_line);
  char empty_command[1] = {};
  char* writable = command.Empty() ? empty_command : command.MutableData();
  PROCESS_INFORMATION started = {};
  // No current folder given: the new program starts in this program's current folder.
  if (!::CreateProcessA(nullptr, writable, nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &started)) {
    return false;
  }
  const UniqueHandle process(started.hProcess);
  const UniqueHandle thread(started.hThread);
  if (wait) {
    ::WaitForSingleObject(process.Get(), INFINITE);
  } else {
    ::WaitForInputIdle(process.Get(), 1000);
  }
  return true;
}

std::int32_t Win32Services::ShowMessage(TextView text, std::int32_t flags, std::optional<TextView> title) {
  UINT style = static_cast<UINT>(flags);
  if ((style & MB_SYSTEMMODAL) == 0) style |= MB_TASKMODAL;
  const Text caption = title ? Terminated(*title) : Text("信息：");
  const int pressed = ::MessageBoxA(nullptr, Terminated(text).CStr(), caption.CStr(), style);
  // A box with an OK button alone has one answer, however it was closed: some systems report the
  // close button or Escape as IDCANCEL there.
  if ((style & MB_TYPEMASK) == MB_OK) return kButtonOk;
  switch (pressed) {
    case IDOK:
      return kButtonOk;
    case IDCANCEL:
      return kButtonCancel;
    case IDABORT:
      return kButtonAbort;
    case IDRETRY:
      return kButtonRetry;
    case IDIGNORE:
      return kButtonIgnore;
    case IDYES:
      return kButtonYes;
    case IDNO:
      return kButtonNo;
    default:
      return kButtonOk;
  }
}

bool Win32Services::StartThread(ThreadRoutine routine, void* parameter, std::uintptr_t* handle) {
  if (routine == nullptr) return false;
  UniqueThreadStart start(static_cast<ThreadStart*>(HeapAllocate(sizeof(ThreadStart))));
  *start.Get() = ThreadStart{routine, parameter};
  UniqueHandle thread(::CreateThread(nullptr, 0, RunThreadRoutine, start.Get(), 0, nullptr));
  if (!thread) return false;
  static_cast<void>(start.Release());  // the new thread frees it
  if (handle != nullptr) *handle = reinterpret_cast<std::uintptr_t>(thread.Release());
  return true;
}

std::uintptr_t Win32Services::GetWindowHandle(std::uint32_t window, std::uint32_t control) {
  return lookup_ != nullptr ? lookup_(window, control) : 0;
}

}  // namespace setup
