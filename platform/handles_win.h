// Owners for Win32 handles and GDI objects (see platform/unique.h).
#pragma once

#include <windows.h>

#include "platform/unique.h"

namespace setup {

// Kernel handles whose empty value is null: processes, threads, events, snapshots.
struct KernelHandleTraits {
  using Value = HANDLE;
  static Value Invalid() noexcept { return nullptr; }
  static void Free(Value h) noexcept { ::CloseHandle(h); }
};
using UniqueHandle = Unique<KernelHandleTraits>;

// File handles, whose empty value is INVALID_HANDLE_VALUE.
struct FileHandleTraits {
  using Value = HANDLE;
  static Value Invalid() noexcept { return INVALID_HANDLE_VALUE; }
  static void Free(Value h) noexcept { ::CloseHandle(h); }
};
using UniqueFile = Unique<FileHandleTraits>;

template <typename T>
struct GdiObjectTraits {
  using Value = T;
  static Value Invalid() noexcept { return nullptr; }
  static void Free(Value h) noexcept { ::DeleteObject(h); }
};
using UniqueBitmap = Unique<GdiObjectTraits<HBITMAP>>;
using UniqueFont = Unique<GdiObjectTraits<HFONT>>;
using UniqueBrush = Unique<GdiObjectTraits<HBRUSH>>;
using UniqueRegion = Unique<GdiObjectTraits<HRGN>>;

// Memory device contexts made with CreateCompatibleDC.
struct MemoryDcTraits {
  using Value = HDC;
  static Value Invalid() noexcept { return nullptr; }
  static void Free(Value h) noexcept { ::DeleteDC(h); }
};
using UniqueMemoryDc = Unique<MemoryDcTraits>;

struct ModuleTraits {
  using Value = HMODULE;
  static Value Invalid() noexcept { return nullptr; }
  static void Free(Value h) noexcept { ::FreeLibrary(h); }
};
using UniqueModule = Unique<ModuleTraits>;

// A device context got with GetDC, given back with ReleaseDC.
class WindowDc {
 public:
  explicit WindowDc(HWND window) noexcept : window_(window), dc_(::GetDC(window)) {}
  WindowDc(const WindowDc&) = delete;
  WindowDc& operator=(const WindowDc&) = delete;
  ~WindowDc() {
    if (dc_ != nullptr) ::ReleaseDC(window_, dc_);
  }
  [[nodiscard]] HDC Get() const noexcept { return dc_; }

 private:
  HWND window_;
  HDC dc_;
};

// Selects an object into a DC for a scope and puts the previous one back.
class SelectObjectScope {
 public:
  SelectObjectScope(HDC dc, HGDIOBJ object) noexcept : dc_(dc), previous_(::SelectObject(dc, object)) {}
  SelectObjectScope(const SelectObjectScope&) = delete;
  SelectObjectScope& operator=(const SelectObjectScope&) = delete;
  ~SelectObjectScope() {
    if (previous_ != nullptr && previous_ != HGDI_ERROR) ::SelectObject(dc_, previous_);
  }

 private:
  HDC dc_;
  HGDIOBJ previous_;
};

}  // namespace setup
