#include "setup/running_check.h"

#include <cstdint>
#include <span>

namespace setup {
namespace {

constexpr std::uint32_t kSnapshotAll = 0xF;  // TH32CS_SNAPALL

// Closes a process-list snapshot when it goes out of scope.
class SnapshotOwner {
 public:
  SnapshotOwner(DeclaredFunctions& functions, NativeHandle snapshot) noexcept
      : functions_(functions), snapshot_(snapshot) {}
  SnapshotOwner(const SnapshotOwner&) = delete;
  SnapshotOwner& operator=(const SnapshotOwner&) = delete;
  ~SnapshotOwner() { static_cast<void>(functions_.CloseHandle(snapshot_)); }
  [[nodiscard]] NativeHandle Get() const noexcept { return snapshot_; }

 private:
  DeclaredFunctions& functions_;
  NativeHandle snapshot_;
};

}  // namespace

bool IsProcessRunning(SetupContext& context, TextView exe_name) {
  DeclaredFunctions& functions = context.functions;
  const NativeHandle handle = functions.CreateToolhelp32Snapshot(kSnapshotAll, 0);
  if (handle == 0) return false;
  const SnapshotOwner snapshot(functions, handle);

  const Text wanted = ToLowerCase(exe_name);
  ProcessEntry entry;
  for (bool read = functions.Process32First(snapshot.Get(), entry); read;
       read = functions.Process32Next(snapshot.Get(), entry)) {
    const Text name = ToLowerCase(BytesToText(std::span<const char>(entry.exe_file)));
    if (CompareText(wanted, name) == 0) return true;
  }
  return false;
}

}  // namespace setup
