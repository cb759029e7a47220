#include "tests/harness/installed_files.h"

#include <windows.h>

#include <objidl.h>
#include <shlobj.h>

#include <algorithm>
#include <cstdlib>

#include "platform/handles_win.h"

namespace setup::testing {
namespace {

struct ComReleaseTraits {
  using Value = IUnknown*;
  static Value Invalid() noexcept { return nullptr; }
  static void Free(Value value) noexcept { value->Release(); }
};
using UniqueCom = Unique<ComReleaseTraits>;

void ListTree(const std::string& root, const std::string& relative, std::vector<std::string>& out) {
  WIN32_FIND_DATAA data;
  HANDLE find = FindFirstFileA((root + "\\" + relative + "*").c_str(), &data);
  if (find == INVALID_HANDLE_VALUE) return;
  do {
    const std::string name = data.cFileName;
    if (name == "." || name == "..") continue;
    const bool folder = (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    out.push_back(relative + name + (folder ? "\\" : ""));
    if (folder) ListTree(root, relative + name + "\\", out);
  } while (FindNextFileA(find, &data));
  FindClose(find);
}

}  // namespace

bool Exists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

std::optional<std::string> ReadBytes(const std::string& path) {
  const UniqueFile file(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return std::nullopt;
  std::string bytes;
  char buffer[65536];
  DWORD read = 0;
  while (ReadFile(file.Get(), buffer, sizeof buffer, &read, nullptr) && read > 0) bytes.append(buffer, read);
  return bytes;
}

bool WriteBytes(const std::string& path, const std::string& bytes) {
  const UniqueFile file(
      CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  DWORD written = 0;
  return file && WriteFile(file.Get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
         written == bytes.size();
}

std::vector<std::string> Tree(const std::string& root) {
  std::vector<std::string> entries;
  ListTree(root, "", entries);
  std::sort(entries.begin(), entries.end());
  return entries;
}

std::string HostPath(const char* variable) {
  const char* host = std::getenv(variable);
  std::string path = std::string("Z:") + (host != nullptr ? host : "");
  std::replace(path.begin(), path.end(), '/', '\\');
  return path;
}

std::string TempFolder() {
  char path[MAX_PATH] = {};
  GetTempPathA(MAX_PATH, path);
  return path;
}

std::optional<std::string> ShortcutTarget(const std::string& file) {
  wchar_t wide[MAX_PATH] = {};
  if (MultiByteToWideChar(CP_ACP, 0, file.c_str(), -1, wide, MAX_PATH) == 0) return std::nullopt;
  IShellLinkA* link = nullptr;
  if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                              reinterpret_cast<void**>(&link)))) {
    return std::nullopt;
  }
  const UniqueCom link_owner(link);
  IPersistFile* persist = nullptr;
  if (FAILED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&persist)))) return std::nullopt;
  const UniqueCom persist_owner(persist);
  if (FAILED(persist->Load(wide, STGM_READ))) return std::nullopt;
  char target[MAX_PATH] = {};
  if (FAILED(link->GetPath(target, MAX_PATH, nullptr, 0))) return std::nullopt;
  return std::string(target);
}

}  // namespace setup::testing
