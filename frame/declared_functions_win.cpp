#include "frame/declared_functions_win.h"

#include <shlobj.h>
#include <tlhelp32.h>

#include <array>
#include <cstring>
#include <type_traits>

#include "frame/cpu.h"
#include "frame/frame.h"
#include "frame/runtime_errors.h"
#include "frame/system_library_win.h"

namespace setup {
namespace {

std::array<DeclaredFunctionBinding, kDeclaredFunctionCount> g_bindings;

// Loads the row's library and asks it for the export; on success the module reference goes to the
// caller. A row without a library text tries the system libraries in order.
bool FindExport(const DeclaredFunctionRow& row, HMODULE& module, void*& address) {
  auto try_library = [&](const char* library) {
    HMODULE candidate = LoadSystemLibrary(library);
    if (candidate == nullptr) return false;
    if (FARPROC found = ::GetProcAddress(candidate, row.export_name)) {
      module = candidate;
      address = reinterpret_cast<void*>(found);
      return true;
    }
    ::FreeLibrary(candidate);
    return false;
  };
  if (row.library[0] != '\0') return try_library(row.library);
  for (const char* library : kSystemLibrarySearchList) {
    if (try_library(library)) return true;
  }
  return false;
}

void* Bind(const DeclaredFunctionRow& row, DeclaredFunctionBinding& binding) {
  if (void* bound = binding.address.load(std::memory_order_acquire)) return bound;
  HMODULE module = nullptr;
  void* address = nullptr;
  if (!FindExport(row, module, address)) {
    std::array<char, kErrorTextCapacity> message;
    const std::size_t size = ComposeMissingExportMessage(row.library, row.export_name, message);
    ReportRuntimeError(TextView(message.data(), size), 0);
  }
  // Two threads binding the same row at once: the first to publish wins, the other gives its module back.
  void* expected = nullptr;
  if (!binding.address.compare_exchange_strong(expected, address, std::memory_order_acq_rel)) {
    ::FreeLibrary(module);
    return expected;
  }
  binding.module.store(module);
  return address;
}

template <typename T>
std::uintptr_t Arg(T value) {
  if constexpr (std::is_pointer_v<T>) {
    return reinterpret_cast<std::uintptr_t>(value);
  } else if constexpr (std::is_signed_v<T>) {
    return static_cast<std::uintptr_t>(static_cast<std::intptr_t>(value));
  } else {
    return static_cast<std::uintptr_t>(value);
  }
}

// Results are 32-bit integers (BOOL, HRESULT) or pointer-sized handles.
std::int32_t AsInt32(std::uintptr_t value) { return static_cast<std::int32_t>(static_cast<std::uint32_t>(value)); }

}  // namespace

void RegisterDeclaredFunctions() noexcept {
  for (DeclaredFunctionBinding& binding : g_bindings) {
    binding.address.store(nullptr);
    binding.module.store(nullptr);
  }
}

std::uintptr_t CallDeclaredFunction(const DeclaredFunctionRow& row, DeclaredFunctionBinding& binding,
                                    std::initializer_list<std::uintptr_t> arguments) {
  const void* function = Bind(row, binding);
  std::uintptr_t result = 0;
  if (!InvokeSystemFunction(function, arguments.begin(), arguments.size(), &result)) {
    RaiseRuntimeError(kUnbalancedStack);
  }
  return result;
}

std::uintptr_t CallDeclaredFunction(std::size_t row, std::initializer_list<std::uintptr_t> arguments) {
  return CallDeclaredFunction(kDeclaredFunctionTable[row], g_bindings[row], arguments);
}

void ReleaseDeclaredFunctionBindings() noexcept {
  for (DeclaredFunctionBinding& binding : g_bindings) {
    binding.address.store(nullptr);
    if (HMODULE module = binding.module.exchange(nullptr)) ::FreeLibrary(module);
  }
}

std::int32_t DeclaredFunctionsWin::ShGetFolderLocation(NativeHandle owner, std::int32_t csidl, NativeHandle token,
                                                       std::uint32_t reserved, ItemList* list) {
  PIDLIST_ABSOLUTE found = nullptr;
  const std::uintptr_t result =
      CallDeclaredFunction(0, {Arg(owner), Arg(csidl), Arg(token), Arg(reserved), Arg(&found)});
  if (list != nullptr) *list = reinterpret_cast<ItemList>(found);
  return AsInt32(result);
}

ItemList DeclaredFunctionsWin::ShBrowseForFolder(BrowseRequest& request) {
  BROWSEINFOA info = {};
  info.hwndOwner = reinterpret_cast<HWND>(request.owner);
  info.pidlRoot = reinterpret_cast<PCIDLIST_ABSOLUTE>(request.root);
  info.pszDisplayName = request.display_name;
  info.lpszTitle = request.title;
  info.ulFlags = request.flags;
  info.lpfn = nullptr;  // the request never carries a callback
  info.lParam = static_cast<LPARAM>(request.callback_param);
  info.iImage = request.image;
  const std::uintptr_t result = CallDeclaredFunction(1, {Arg(&info)});
  request.image = info.iImage;
  return static_cast<ItemList>(result);
}

bool DeclaredFunctionsWin::ShGetPathFromIdList(ItemList list, char* path) {
  return AsInt32(CallDeclaredFunction(2, {Arg(list), Arg(path)})) != 0;
}

void DeclaredFunctionsWin::CoTaskMemFree(ItemList block) { CallDeclaredFunction(3, {Arg(block)}); }

bool DeclaredFunctionsWin::GetDiskFreeSpaceEx(const char* directory, std::uint64_t* available_to_caller,
                                              std::uint64_t* total, std::uint64_t* total_free) {
  ULARGE_INTEGER available = {}, all = {}, free = {};
  const bool ok = AsInt32(CallDeclaredFunction(4, {Arg(directory), Arg(&available), Arg(&all), Arg(&free)})) != 0;
  if (available_to_caller != nullptr) *available_to_caller = available.QuadPart;
  if (total != nullptr) *total = all.QuadPart;
  if (total_free != nullptr) *total_free = free.QuadPart;
  return ok;
}

NativeHandle DeclaredFunctionsWin::CreateToolhelp32Snapshot(std::uint32_t flags, std::uint32_t process_id) {
  const std::uintptr_t snapshot = CallDeclaredFunction(5, {Arg(flags), Arg(process_id)});
  return snapshot == reinterpret_cast<std::uintptr_t>(INVALID_HANDLE_VALUE) ? 0 : snapshot;
}

namespace {
bool WalkProcesses(std::size_t row, NativeHandle snapshot, ProcessEntry& entry) {
  PROCESSENTRY32 native = {};
  native.dwSize = sizeof native;
  const bool ok = AsInt32(CallDeclaredFunction(row, {Arg(snapshot), Arg(&native)})) != 0;
  static_assert(sizeof entry.exe_file == sizeof native.szExeFile);
  std::memcpy(entry.exe_file, native.szExeFile, sizeof entry.exe_file);
  entry.exe_file[sizeof entry.exe_file - 1] = '\0';
  return ok;
}
}  // namespace

bool DeclaredFunctionsWin::Process32First(NativeHandle snapshot, ProcessEntry& entry) {
  return WalkProcesses(6, snapshot, entry);
}

bool DeclaredFunctionsWin::Process32Next(NativeHandle snapshot, ProcessEntry& entry) {
  return WalkProcesses(8, snapshot, entry);
}

bool DeclaredFunctionsWin::CloseHandle(NativeHandle handle) {
  return AsInt32(CallDeclaredFunction(7, {Arg(handle)})) != 0;
}

std::int32_t DeclaredFunctionsWin::CoInitialize() { return AsInt32(CallDeclaredFunction(9, {std::uintptr_t{0}})); }

void DeclaredFunctionsWin::CoUninitialize() { CallDeclaredFunction(10, {}); }

}  // namespace setup
