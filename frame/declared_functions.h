// The system functions that the setup logic declares by library and export name and calls through
// the frame's table of declared functions (bound on first call). One method per row of the table; the
// parameter records are portable mirrors of the system's records, filled field for field by the
// Windows implementation. Handles and item lists are opaque pointer-sized values.
#pragma once

#include <cstdint>

namespace setup {

using NativeHandle = std::uintptr_t;  // a window or kernel handle; 0 for none
using ItemList = std::uintptr_t;      // a shell item-id list; 0 for none

// The folder browser's request (the system's BROWSEINFOA).
struct BrowseRequest {
  NativeHandle owner = 0;
  ItemList root = 0;
  char* display_name = nullptr;  // a buffer of at least 260 bytes that receives the chosen item's name
  const char* title = nullptr;
  std::uint32_t flags = 0;
  std::uintptr_t callback = 0;  // always 0 here: no callback
  std::intptr_t callback_param = 0;
  std::int32_t image = 0;
};

// One entry of a process-list snapshot (the system's PROCESSENTRY32, ANSI form). Only the executable's
// file name is used: a fixed 260-byte field, zero-terminated when shorter.
struct ProcessEntry {
  char exe_file[260] = {};
};

class DeclaredFunctions {
 public:
  virtual ~DeclaredFunctions() = default;

  // Row 0, shell32 SHGetFolderLocation: the item list of the special folder `csidl`. HRESULT.
  virtual std::int32_t ShGetFolderLocation(NativeHandle owner, std::int32_t csidl, NativeHandle token,
                                           std::uint32_t reserved, ItemList* list) = 0;
  // Row 1, shell32 SHBrowseForFolderA: the chosen item list, 0 when cancelled.
  virtual ItemList ShBrowseForFolder(BrowseRequest& request) = 0;
  // Row 2, shell32 SHGetPathFromIDListA: fills `path` (at least 260 bytes); false when the item has no
  // file-system path.
  virtual bool ShGetPathFromIdList(ItemList list, char* path) = 0;
  // Row 3, ole32 CoTaskMemFree. A null block is accepted.
  virtual void CoTaskMemFree(ItemList block) = 0;
  // Row 4, kernel32 GetDiskFreeSpaceExA. Outputs may be null.
  virtual bool GetDiskFreeSpaceEx(const char* directory, std::uint64_t* available_to_caller, std::uint64_t* total,
                                  std::uint64_t* total_free) = 0;
  // Row 5, CreateToolhelp32Snapshot: a snapshot handle, 0 on failure (never INVALID_HANDLE_VALUE).
  virtual NativeHandle CreateToolhelp32Snapshot(std::uint32_t flags, std::uint32_t process_id) = 0;
  // Rows 6 and 8, Process32First / Process32Next.
  virtual bool Process32First(NativeHandle snapshot, ProcessEntry& entry) = 0;
  virtual bool Process32Next(NativeHandle snapshot, ProcessEntry& entry) = 0;
  // Row 7, kernel32 CloseHandle.
  virtual bool CloseHandle(NativeHandle handle) = 0;
  // Rows 9 and 10, ole32 CoInitialize / CoUninitialize for the calling thread. HRESULT.
  virtual std::int32_t CoInitialize() = 0;
  virtual void CoUninitialize() = 0;
};

}  // namespace setup
