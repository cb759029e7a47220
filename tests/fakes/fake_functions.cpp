#include "tests/fakes/fake_functions.h"

#include <algorithm>
#include <cstring>

namespace setup::fakes {

std::int32_t FakeFunctions::ShGetFolderLocation(NativeHandle owner, std::int32_t csidl, NativeHandle token,
                                                std::uint32_t reserved, ItemList* list) {
  const std::lock_guard lock(mutex_);
  calls_.folder_locations.push_back({owner, csidl, token, reserved});
  if (answers_.folder_location_result >= 0) *list = answers_.desktop_list;
  return answers_.folder_location_result;
}

ItemList FakeFunctions::ShBrowseForFolder(BrowseRequest& request) {
  const std::lock_guard lock(mutex_);
  calls_.browses.push_back({request.owner, request.root,
                            request.display_name != nullptr ? std::string(request.display_name) : std::string(),
                            request.title != nullptr ? std::string(request.title) : std::string(), request.flags,
                            request.callback, request.callback_param, request.image});
  if (answers_.browse_display_name && request.display_name != nullptr) {
    // The system writes at most 260 bytes, its terminating zero included.
    const std::size_t size = std::min<std::size_t>(answers_.browse_display_name->size(), 259);
    std::memcpy(request.display_name, answers_.browse_display_name->data(), size);
    request.display_name[size] = '\0';
  }
  return answers_.browse_result;
}

bool FakeFunctions::ShGetPathFromIdList(ItemList list, char* path) {
  const std::lock_guard lock(mutex_);
  calls_.path_queries.push_back(list);
  const auto found = answers_.paths.find(list);
  if (found == answers_.paths.end()) return false;
  const std::size_t size = std::min<std::size_t>(found->second.size(), 259);
  std::memcpy(path, found->second.data(), size);
  path[size] = '\0';
  return true;
}

void FakeFunctions::CoTaskMemFree(ItemList block) {
  const std::lock_guard lock(mutex_);
  calls_.freed.push_back(block);
}

bool FakeFunctions::GetDiskFreeSpaceEx(const char* directory, std::uint64_t* available_to_caller, std::uint64_t* total,
                                       std::uint64_t* total_free) {
  const std::lock_guard lock(mutex_);
  calls_.disk_queries.emplace_back(directory != nullptr ? directory : "");
  const auto found = answers_.drives.find(calls_.disk_queries.back());
  if (found == answers_.drives.end()) return false;  // the outputs are left as they are
  if (available_to_caller != nullptr) *available_to_caller = found->second.available_to_caller;
  if (total != nullptr) *total = found->second.total;
  if (total_free != nullptr) *total_free = found->second.total_free;
  return true;
}

NativeHandle FakeFunctions::CreateToolhelp32Snapshot(std::uint32_t flags, std::uint32_t) {
  const std::lock_guard lock(mutex_);
  calls_.snapshot_flags.push_back(flags);
  next_process_ = 0;
  return answers_.snapshot;
}

bool FakeFunctions::ReadProcess(NativeHandle snapshot, std::size_t index, ProcessEntry& entry) {
  ++calls_.process_reads;
  if (snapshot == 0 || snapshot != answers_.snapshot || index >= answers_.processes.size()) return false;
  const std::string& name = answers_.processes[index];
  std::memset(entry.exe_file, 0, sizeof(entry.exe_file));
  std::memcpy(entry.exe_file, name.data(), std::min(name.size(), sizeof(entry.exe_file)));
  next_process_ = index + 1;
  return true;
}

bool FakeFunctions::Process32First(NativeHandle snapshot, ProcessEntry& entry) {
  const std::lock_guard lock(mutex_);
  return ReadProcess(snapshot, 0, entry);
}

bool FakeFunctions::Process32Next(NativeHandle snapshot, ProcessEntry& entry) {
  const std::lock_guard lock(mutex_);
  return ReadProcess(snapshot, next_process_, entry);
}

bool FakeFunctions::CloseHandle(NativeHandle handle) {
  const std::lock_guard lock(mutex_);
  calls_.closed.push_back(handle);
  return handle != 0;
}

std::int32_t FakeFunctions::CoInitialize() {
  const std::lock_guard lock(mutex_);
  ++calls_.co_initialize;
  return answers_.co_initialize_result;
}

void FakeFunctions::CoUninitialize() {
  const std::lock_guard lock(mutex_);
  ++calls_.co_uninitialize;
}

}  // namespace setup::fakes
