// Drives programs and their windows from a test running inside the same Wine session (or on Windows):
// start a program, find its windows, read their places, move and click the mouse, press keys, answer
// message boxes, take screenshots and read pixel colours, and collect the exit code.
// Titles and texts are ANSI (GBK) texts, as the program under test shows them.
#pragma once

#include <windows.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/handles_win.h"

namespace setup::testing {

// The folder of the running test program, with a trailing backslash; test programs and the program
// under test are built into one folder.
std::string ProgramFolder();

// Where tests keep their artefacts (screenshots): SETUP_TEST_ARTEFACTS from the environment, else the
// program folder's "artefacts" subfolder. Made when missing. Ends with a backslash.
std::string ArtefactFolder();

class Process {
 public:
  // Starts `command_line` in `current_folder` (the program's own folder when empty).
  static std::optional<Process> Start(const std::string& command_line, const std::string& current_folder = {});

  // Waits for the process to end; the exit code, or nothing when it still runs after `timeout_ms`.
  std::optional<DWORD> WaitForExit(DWORD timeout_ms);
  bool Running() const;
  DWORD Id() const { return id_; }
  void Kill();

 private:
  UniqueHandle process_;
  DWORD id_ = 0;
};

// The visible top-level window with this exact title (of any process), waited for up to `timeout_ms`.
HWND WaitForWindow(const std::string& title, DWORD timeout_ms, DWORD process_id = 0);
// The top-level window of class `window_class` and this title, waited for.
HWND WaitForWindowOfClass(const char* window_class, const std::string& title, DWORD timeout_ms);
// Waits until `window` no longer exists.
bool WaitForWindowGone(HWND window, DWORD timeout_ms);

RECT WindowRect(HWND window);
std::string WindowText(HWND window);
// Waits until the text of `window` (WM_GETTEXT) equals `text`; false when it does not within `timeout_ms`.
bool WaitForWindowText(HWND window, const std::string& text, DWORD timeout_ms);

// Child windows (of any depth) of `ancestor` whose class is `window_class` (any class when null), in
// the order EnumChildWindows gives them.
std::vector<HWND> FindChildren(HWND ancestor, const char* window_class = nullptr);
// The place of `child` in its parent's client area.
RECT PlaceInParent(HWND child);
// The child window (of any depth) of `ancestor` of class `window_class` whose place in its parent's
// client area is `place`; null when there is none. Finds a control as its window definition places it.
HWND FindChildAt(HWND ancestor, const char* window_class, const RECT& place);

// Message boxes: the box with this title (of process `process_id` when not 0), its text, and pressing
// one of its buttons (IDOK, IDYES...).
HWND WaitForMessageBox(const std::string& title, DWORD timeout_ms, DWORD process_id = 0);
std::string MessageBoxText(HWND box);
bool PressMessageBoxButton(HWND box, int button_id);

// Mouse input in screen coordinates, as a person would give it.
void MoveMouse(int x, int y);
void PressLeft();
void ReleaseLeft();
void ClickAt(int x, int y);
// A key given by virtual-key code (down and up). The window must have the focus.
void PressKey(WORD virtual_key);
bool FocusWindow(HWND window);

// True when each of the two colours' red, green and blue differ by at most `tolerance` (JPEG faces and
// font smoothing never give exact colours).
bool ColorsNear(COLORREF a, COLORREF b, int tolerance = 12);

// Lets the program under test handle what was sent (input is asynchronous).
void Settle(DWORD ms = 300);

// The system's folder browser (SHBrowseForFolder with an edit box) shown by process `process_id`: a
// dialog holding a folder tree, waited for. Its title is the system's own ("选择文件夹" under Wine);
// the caller's title is a static text inside it.
HWND WaitForFolderBrowser(DWORD process_id, DWORD timeout_ms);
// The display name of the browser's selected item, as its edit box shows it.
std::string FolderBrowserSelection(HWND browser);
// Selects an item of the browser's tree by keyboard, as a person would: Home goes to the desktop; for
// each display name in `names` (the desktop's child, its child, ...) Down moves until the edit box
// shows that name (blanks at either end aside: Wine shows a drive without a label as " (E:)"), and
// Right expands it before the next name. For a browser just opened (nothing expanded below the desktop)
// that is the foreground window. False when a name is not reached. Confirm with PressKey(VK_RETURN),
// cancel with PressKey(VK_ESCAPE).
bool SelectInFolderBrowser(HWND browser, const std::vector<std::string>& names);

// A picture of the screen.
class Screenshot {
 public:
  static Screenshot Take();
  int Width() const { return width_; }
  int Height() const { return height_; }
  // The colour at (x, y) as COLORREF (RGB(r, g, b)).
  COLORREF Pixel(int x, int y) const;
  // Saves the whole screen, or `area` of it, as PNG into the artefact folder; gives the full path.
  std::string Save(const std::string& file_name, std::optional<RECT> area = std::nullopt) const;

 private:
  int width_ = 0;
  int height_ = 0;
  std::vector<std::uint8_t> rgb_;
};

}  // namespace setup::testing
