// The table of declared system functions, bound on first call, and the DeclaredFunctions interface over
// it. Callable from any thread: rows are bound without a lock, each binding published atomically.
#pragma once

#include <windows.h>

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <initializer_list>

#include "frame/declared_function_table.h"
#include "frame/declared_functions.h"

namespace setup {

// A row's binding: the function's address and the module it came from; both null while unbound.
struct DeclaredFunctionBinding {
  std::atomic<void*> address{nullptr};
  std::atomic<HMODULE> module{nullptr};
};

// Marks every row of the table unbound; no library is loaded. A start step, on the window thread.
void RegisterDeclaredFunctions() noexcept;

// Calls `row` with pointer-sized arguments and gives its integer result. The row is bound first when it
// is not yet: its library is loaded from the system folder (a row without a library text is looked up
// in the system libraries of kSystemLibrarySearchList) and asked for the export. When that fails the
// error report ends the program ("无法找到指定DLL库文件…"); when the call leaves the stack unbalanced, run-time
// error 6 ends it.
std::uintptr_t CallDeclaredFunction(std::size_t row, std::initializer_list<std::uintptr_t> arguments);
// The same for a row of a table of the caller's own, with the binding the caller keeps for it.
std::uintptr_t CallDeclaredFunction(const DeclaredFunctionRow& row, DeclaredFunctionBinding& binding,
                                    std::initializer_list<std::uintptr_t> arguments);

// End procedure step: frees the module of every bound row of the table (one FreeLibrary per row) and
// forgets the bindings. The frame keeps its own reference to OLE, and Kernel32 is never unloaded, so
// no module that another thread may still be running in is unmapped. Window thread.
void ReleaseDeclaredFunctionBindings() noexcept;

// The DeclaredFunctions interface of the setup logic, one method per row.
class DeclaredFunctionsWin final : public DeclaredFunctions {
 public:
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
};

}  // namespace setup
