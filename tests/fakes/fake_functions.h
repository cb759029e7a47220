// The declared system functions for native tests: a folder browser, drives and a process list that
// answer as set up in answers(), with every call recorded in calls(). Calls are serialised.
#pragma once

#include <cstdint>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "frame/declared_functions.h"

namespace setup::fakes {

class FakeFunctions final : public DeclaredFunctions {
 public:
  struct DiskSpace {
    std::uint64_t available_to_caller = 0;
    std::uint64_t total = 0;
    std::uint64_t total_free = 0;
  };
  struct Answers {
    // ShGetFolderLocation: the desktop's item list and the call's result.
    ItemList desktop_list = 0xD001;
    std::int32_t folder_location_result = 0;
    // ShBrowseForFolder: what is written into the display-name buffer (nothing when not set, as on
    // cancel) and the item list returned (0: cancelled).
    std::optional<std::string> browse_display_name;
    ItemList browse_result = 0;
    // ShGetPathFromIdList: the path of each item list; an item list without one fails the call.
    std::map<ItemList, std::string> paths;
    // GetDiskFreeSpaceEx by directory text; a directory not listed fails the call.
    std::map<std::string, DiskSpace> drives;
    // CreateToolhelp32Snapshot's handle (0: the snapshot fails) and the executable names it lists.
    // A name of 260 bytes or more fills the field without a terminating zero.
    NativeHandle snapshot = 0x5001;
    std::vector<std::string> processes;
    std::int32_t co_initialize_result = 0;
  };
  struct FolderLocation {
    NativeHandle owner;
    std::int32_t csidl;
    NativeHandle token;
    std::uint32_t reserved;
  };
  struct Browse {
    NativeHandle owner;
    ItemList root;
    std::string display_name;  // the buffer's contents when the browser was called
    std::string title;
    std::uint32_t flags;
    std::uintptr_t callback;
    std::intptr_t callback_param;
    std::int32_t image;
  };
  struct Calls {
    std::vector<FolderLocation> folder_locations;
    std::vector<Browse> browses;
    std::vector<ItemList> path_queries;
    std::vector<ItemList> freed;  // CoTaskMemFree, null included
    std::vector<std::string> disk_queries;
    std::vector<std::uint32_t> snapshot_flags;
    std::int32_t process_reads = 0;    // Process32First and Process32Next calls
    std::vector<NativeHandle> closed;  // CloseHandle
    std::int32_t co_initialize = 0;
    std::int32_t co_uninitialize = 0;
  };

  std::int32_t ShGetFolderLocation(NativeHandle owner, std::int32_t csidl, NativeHandle token, std::uint32_t reserved,
                                   ItemList* list) override;
  ItemList ShBrowseForFolder(BrowseRequest& request) override;
  bool ShGetPathFromIdList(ItemList list, char* path) override;
  void CoTaskMemFree(ItemList block) override;
  bool GetDiskFreeSpaceEx(const char* directory, std::uint64_t* available_to_caller, std::uint64_t* total,
                          std::uint64_t* total_free) override;
  NativeHandle CreateToolhelp32Snapshot(std::uint32_t flags, std::uint32_t process_id) override;
  bool Process32First(NativeHandle snapshot, ProcessEntry& entry) override;
  bool Process32Next(NativeHandle snapshot, ProcessEntry& entry) override;
  bool CloseHandle(NativeHandle handle) override;
  std::int32_t CoInitialize() override;
  void CoUninitialize() override;

  Answers& answers() { return answers_; }
  [[nodiscard]] const Calls& calls() const { return calls_; }

 private:
  bool ReadProcess(NativeHandle snapshot, std::size_t index, ProcessEntry& entry);

  std::mutex mutex_;
  Answers answers_;
  Calls calls_;
  std::size_t next_process_ = 0;
};

}  // namespace setup::fakes
