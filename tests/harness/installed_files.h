// What a test sees of an installation from inside the Wine session: files, trees, the temporary folder,
// host paths passed in the environment, and the targets of shortcut files.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace setup::testing {

bool Exists(const std::string& path);
// A whole file, read while others may still have it open; nothing when it cannot be opened.
std::optional<std::string> ReadBytes(const std::string& path);
// Replaces or creates a file with exactly these bytes.
bool WriteBytes(const std::string& path, const std::string& bytes);
// Every file and folder under `root` by its path relative to `root` (folders end in a backslash), sorted.
std::vector<std::string> Tree(const std::string& root);
// The host path in the environment variable `variable` as a path on drive Z:.
std::string HostPath(const char* variable);
// GetTempPathA: the temporary folder with its trailing backslash.
std::string TempFolder();
// The target a shortcut file points at, read through the shell-link object (COM must be initialised
// on the calling thread); nothing when the file cannot be loaded.
std::optional<std::string> ShortcutTarget(const std::string& file);

}  // namespace setup::testing
