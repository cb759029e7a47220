#include "tests/harness/gui_driver.h"

#include <commctrl.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "tests/harness/png_writer.h"

namespace setup::testing {
namespace {

constexpr DWORD kPollMs = 20;

struct FindRequest {
  const char* window_class;
  const std::string* title;
  DWORD process_id;
  HWND found;
};

BOOL CALLBACK FindTopLevel(HWND window, LPARAM param) {
  auto* request = reinterpret_cast<FindRequest*>(param);
  if (!IsWindowVisible(window)) return TRUE;
  if (request->process_id != 0) {
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner != request->process_id) return TRUE;
  }
  if (request->window_class != nullptr) {
    char name[64] = {};
    GetClassNameA(window, name, sizeof name);
    if (std::strcmp(name, request->window_class) != 0) return TRUE;
  }
  if (WindowText(window) != *request->title) return TRUE;
  request->found = window;
  return FALSE;
}

HWND WaitForTopLevel(const char* window_class, const std::string& title, DWORD process_id, DWORD timeout_ms) {
  const ULONGLONG deadline = GetTickCount64() + timeout_ms;
  for (;;) {
    FindRequest request{window_class, &title, process_id, nullptr};
    EnumWindows(&FindTopLevel, reinterpret_cast<LPARAM>(&request));
    if (request.found != nullptr || GetTickCount64() >= deadline) return request.found;
    Sleep(kPollMs);
  }
}

struct ChildSearch {
  const char* window_class;
  std::vector<HWND> found;
};

BOOL CALLBACK CollectChild(HWND child, LPARAM param) {
  auto* search = reinterpret_cast<ChildSearch*>(param);
  if (search->window_class != nullptr) {
    char name[64] = {};
    GetClassNameA(child, name, sizeof name);
    if (lstrcmpiA(name, search->window_class) != 0) return TRUE;
  }
  search->found.push_back(child);
  return TRUE;
}

// `text` without blanks at either end.
std::string Trimmed(const std::string& text) {
  const std::size_t first = text.find_first_not_of(' ');
  return first == std::string::npos ? std::string() : text.substr(first, text.find_last_not_of(' ') - first + 1);
}

// The folder tree of a folder browser dialog, or null for another window.
HWND FolderTree(HWND dialog) {
  const std::vector<HWND> trees = FindChildren(dialog, "SysTreeView32");
  return trees.empty() ? nullptr : trees.front();
}

// Waits until the browser's selection differs from `before`; gives the new one (or `before`).
std::string WaitForSelectionChange(HWND browser, const std::string& before, DWORD timeout_ms) {
  const ULONGLONG deadline = GetTickCount64() + timeout_ms;
  for (;;) {
    std::string now = FolderBrowserSelection(browser);
    if (now != before || GetTickCount64() >= deadline) return now;
    Sleep(kPollMs);
  }
}

// The tree's selected item (TVGN_CARET) or its first root item (TVGN_ROOT): a handle to compare only.
LRESULT TreeItem(HWND tree, WPARAM which) {
  DWORD_PTR item = 0;
  if (!SendMessageTimeoutA(tree, TVM_GETNEXTITEM, which, 0, SMTO_ABORTIFHUNG, 2000, &item)) return 0;
  return static_cast<LRESULT>(item);
}

// Waits until the tree's selected item is no longer `before`; gives the selected item then (or `before`).
LRESULT WaitForCaretMove(HWND tree, LRESULT before, DWORD timeout_ms) {
  const ULONGLONG deadline = GetTickCount64() + timeout_ms;
  for (;;) {
    const LRESULT now = TreeItem(tree, TVGN_CARET);
    if (now != before || GetTickCount64() >= deadline) return now;
    Sleep(kPollMs);
  }
}

void SendMouse(DWORD flags, int x = 0, int y = 0) {
  INPUT input = {};
  input.type = INPUT_MOUSE;
  input.mi.dwFlags = flags;
  if (flags & MOUSEEVENTF_ABSOLUTE) {
    // Absolute coordinates run from 0 to 65535 across the primary screen.
    const int w = GetSystemMetrics(SM_CXSCREEN), h = GetSystemMetrics(SM_CYSCREEN);
    input.mi.dx = static_cast<LONG>((x * 65535 + w / 2) / (w - 1));
    input.mi.dy = static_cast<LONG>((y * 65535 + h / 2) / (h - 1));
  }
  SendInput(1, &input, sizeof input);
}

}  // namespace

std::string ProgramFolder() {
  char path[MAX_PATH] = {};
  const DWORD n = GetModuleFileNameA(nullptr, path, MAX_PATH);
  std::string folder(path, n);
  return folder.substr(0, folder.find_last_of('\\') + 1);
}

std::string ArtefactFolder() {
  std::string folder;
  if (const char* env = std::getenv("SETUP_TEST_ARTEFACTS"); env != nullptr && *env != '\0') {
    folder = env;
  } else {
    folder = ProgramFolder() + "artefacts";
  }
  if (folder.back() != '\\' && folder.back() != '/') folder += '\\';
  CreateDirectoryA(folder.c_str(), nullptr);
  return folder;
}

std::optional<Process> Process::Start(const std::string& command_line, const std::string& current_folder) {
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION info = {};
  std::string command = command_line;  // CreateProcessA may write into its command line
  if (!CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr,
                      current_folder.empty() ? nullptr : current_folder.c_str(), &startup, &info)) {
    return std::nullopt;
  }
  CloseHandle(info.hThread);
  Process process;
  process.process_.Reset(info.hProcess);
  process.id_ = info.dwProcessId;
  return process;
}

std::optional<DWORD> Process::WaitForExit(DWORD timeout_ms) {
  if (WaitForSingleObject(process_.Get(), timeout_ms) != WAIT_OBJECT_0) return std::nullopt;
  DWORD code = 0;
  GetExitCodeProcess(process_.Get(), &code);
  return code;
}

bool Process::Running() const { return WaitForSingleObject(process_.Get(), 0) == WAIT_TIMEOUT; }

void Process::Kill() {
  if (Running()) {
    TerminateProcess(process_.Get(), 1);
    WaitForSingleObject(process_.Get(), 5000);
  }
}

HWND WaitForWindow(const std::string& title, DWORD timeout_ms, DWORD process_id) {
  return WaitForTopLevel(nullptr, title, process_id, timeout_ms);
}

HWND WaitForWindowOfClass(const char* window_class, const std::string& title, DWORD timeout_ms) {
  return WaitForTopLevel(window_class, title, 0, timeout_ms);
}

bool WaitForWindowGone(HWND window, DWORD timeout_ms) {
  const ULONGLONG deadline = GetTickCount64() + timeout_ms;
  while (IsWindow(window)) {
    if (GetTickCount64() >= deadline) return false;
    Sleep(kPollMs);
  }
  return true;
}

RECT WindowRect(HWND window) {
  RECT rect = {};
  GetWindowRect(window, &rect);
  return rect;
}

std::string WindowText(HWND window) {
  char text[1024] = {};
  // WM_GETTEXT rather than GetWindowTextA, which does not ask windows of other processes.
  const LRESULT n = SendMessageTimeoutA(window, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text),
                                        SMTO_ABORTIFHUNG, 2000, nullptr)
                        ? static_cast<LRESULT>(std::strlen(text))
                        : 0;
  return std::string(text, static_cast<std::size_t>(n));
}

bool WaitForWindowText(HWND window, const std::string& text, DWORD timeout_ms) {
  const ULONGLONG deadline = GetTickCount64() + timeout_ms;
  while (WindowText(window) != text) {
    if (GetTickCount64() >= deadline) return false;
    Sleep(kPollMs);
  }
  return true;
}

std::vector<HWND> FindChildren(HWND ancestor, const char* window_class) {
  ChildSearch search{window_class, {}};
  EnumChildWindows(ancestor, &CollectChild, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

RECT PlaceInParent(HWND child) {
  RECT rect = WindowRect(child);
  MapWindowPoints(nullptr, GetParent(child), reinterpret_cast<POINT*>(&rect), 2);
  return rect;
}

HWND FindChildAt(HWND ancestor, const char* window_class, const RECT& place) {
  for (HWND child : FindChildren(ancestor, window_class)) {
    const RECT at = PlaceInParent(child);
    if (EqualRect(&place, &at)) return child;
  }
  return nullptr;
}

HWND WaitForMessageBox(const std::string& title, DWORD timeout_ms, DWORD process_id) {
  return WaitForTopLevel("#32770", title, process_id, timeout_ms);
}

std::string MessageBoxText(HWND box) {
  // The text of a message box is the static control with the identifier 0xFFFF.
  HWND text = GetDlgItem(box, 0xFFFF);
  return text != nullptr ? WindowText(text) : std::string();
}

bool PressMessageBoxButton(HWND box, int button_id) {
  HWND button = GetDlgItem(box, button_id);
  if (button == nullptr) return false;
  PostMessageA(button, BM_CLICK, 0, 0);
  return true;
}

void MoveMouse(int x, int y) {
  SetCursorPos(x, y);
  SendMouse(MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE, x, y);
  Sleep(50);
}

void PressLeft() {
  SendMouse(MOUSEEVENTF_LEFTDOWN);
  Sleep(50);
}

void ReleaseLeft() {
  SendMouse(MOUSEEVENTF_LEFTUP);
  Sleep(50);
}

void ClickAt(int x, int y) {
  MoveMouse(x, y);
  PressLeft();
  ReleaseLeft();
}

void PressKey(WORD virtual_key) {
  INPUT inputs[2] = {};
  inputs[0].type = INPUT_KEYBOARD;
  inputs[0].ki.wVk = virtual_key;
  inputs[1] = inputs[0];
  inputs[1].ki.dwFlags = KEYEVENTF_KEYUP;
  SendInput(2, inputs, sizeof inputs[0]);
  Sleep(50);
}

bool FocusWindow(HWND window) {
  SetForegroundWindow(window);
  Settle(100);
  return GetForegroundWindow() == window;
}

void Settle(DWORD ms) { Sleep(ms); }

bool ColorsNear(COLORREF a, COLORREF b, int tolerance) {
  return std::abs(GetRValue(a) - GetRValue(b)) <= tolerance && std::abs(GetGValue(a) - GetGValue(b)) <= tolerance &&
         std::abs(GetBValue(a) - GetBValue(b)) <= tolerance;
}

Screenshot Screenshot::Take() {
  Screenshot shot;
  shot.width_ = GetSystemMetrics(SM_CXSCREEN);
  shot.height_ = GetSystemMetrics(SM_CYSCREEN);
  WindowDc screen(nullptr);
  UniqueMemoryDc memory(CreateCompatibleDC(screen.Get()));
  BITMAPINFO info = {};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = shot.width_;
  info.bmiHeader.biHeight = -shot.height_;  // rows from the top
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  UniqueBitmap bitmap(CreateDIBSection(screen.Get(), &info, DIB_RGB_COLORS, &bits, nullptr, 0));
  if (!bitmap || bits == nullptr) return shot;
  {
    SelectObjectScope select(memory.Get(), bitmap.Get());
    BitBlt(memory.Get(), 0, 0, shot.width_, shot.height_, screen.Get(), 0, 0, SRCCOPY | CAPTUREBLT);
  }
  GdiFlush();
  const auto* bgra = static_cast<const std::uint8_t*>(bits);
  shot.rgb_.resize(static_cast<std::size_t>(shot.width_) * shot.height_ * 3);
  for (std::size_t i = 0, n = static_cast<std::size_t>(shot.width_) * shot.height_; i < n; ++i) {
    shot.rgb_[i * 3] = bgra[i * 4 + 2];
    shot.rgb_[i * 3 + 1] = bgra[i * 4 + 1];
    shot.rgb_[i * 3 + 2] = bgra[i * 4];
  }
  return shot;
}

COLORREF Screenshot::Pixel(int x, int y) const {
  if (x < 0 || y < 0 || x >= width_ || y >= height_) return CLR_INVALID;
  const std::size_t i = (static_cast<std::size_t>(y) * width_ + x) * 3;
  return RGB(rgb_[i], rgb_[i + 1], rgb_[i + 2]);
}

std::string Screenshot::Save(const std::string& file_name, std::optional<RECT> area) const {
  RECT r = area.value_or(RECT{0, 0, width_, height_});
  r.left = std::max<LONG>(r.left, 0);
  r.top = std::max<LONG>(r.top, 0);
  r.right = std::min<LONG>(r.right, width_);
  r.bottom = std::min<LONG>(r.bottom, height_);
  const int w = r.right - r.left, h = r.bottom - r.top;
  if (w <= 0 || h <= 0) return {};
  std::vector<std::uint8_t> part(static_cast<std::size_t>(w) * h * 3);
  for (int y = 0; y < h; ++y) {
    const std::size_t from = (static_cast<std::size_t>(r.top + y) * width_ + r.left) * 3;
    std::memcpy(&part[static_cast<std::size_t>(y) * w * 3], &rgb_[from], static_cast<std::size_t>(w) * 3);
  }
  const std::string path = ArtefactFolder() + file_name;
  return WritePng(path, w, h, part) ? path : std::string();
}

HWND WaitForFolderBrowser(DWORD process_id, DWORD timeout_ms) {
  struct Search {
    DWORD process_id;
    HWND found;
  };
  const ULONGLONG deadline = GetTickCount64() + timeout_ms;
  for (;;) {
    Search search{process_id, nullptr};
    EnumWindows(
        [](HWND window, LPARAM param) -> BOOL {
          auto* s = reinterpret_cast<Search*>(param);
          DWORD owner = 0;
          GetWindowThreadProcessId(window, &owner);
          char name[64] = {};
          GetClassNameA(window, name, sizeof name);
          if (owner != s->process_id || !IsWindowVisible(window) || std::strcmp(name, "#32770") != 0) return TRUE;
          if (FolderTree(window) == nullptr) return TRUE;
          s->found = window;
          return FALSE;
        },
        reinterpret_cast<LPARAM>(&search));
    if (search.found != nullptr || GetTickCount64() >= deadline) return search.found;
    Sleep(kPollMs);
  }
}

std::string FolderBrowserSelection(HWND browser) {
  const std::vector<HWND> edits = FindChildren(browser, "Edit");
  return edits.empty() ? std::string() : WindowText(edits.front());
}

bool SelectInFolderBrowser(HWND browser, const std::vector<std::string>& names) {
  constexpr int kMostSteps = 64;
  constexpr DWORD kKeyMs = 1000;
  HWND tree = FolderTree(browser);
  if (tree == nullptr || FindChildren(browser, "Edit").empty()) return false;
  const LRESULT root = TreeItem(tree, TVGN_ROOT);
  LRESULT caret = TreeItem(tree, TVGN_CARET);
  std::string shown = FolderBrowserSelection(browser);
  PressKey(VK_HOME);
  if (caret != root) {
    if (WaitForCaretMove(tree, caret, kKeyMs) != root) return false;
    caret = root;
    shown = WaitForSelectionChange(browser, shown, kKeyMs);
  }
  for (std::size_t level = 0; level < names.size(); ++level) {
    // Expands the item reached (the desktop is expanded already); Down then walks its children.
    if (level > 0) PressKey(VK_RIGHT);
    for (int steps = 0; Trimmed(shown) != names[level]; ++steps) {
      if (steps == kMostSteps) return false;
      PressKey(VK_DOWN);
      const LRESULT next = WaitForCaretMove(tree, caret, kKeyMs);
      if (next == caret) return false;  // the end of the tree
      caret = next;
      // The edit box follows when the tree reports the new selection to the dialog.
      shown = WaitForSelectionChange(browser, shown, kKeyMs);
    }
  }
  return true;
}

}  // namespace setup::testing
