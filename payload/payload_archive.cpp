// Writing and removing the temporary copy of the payload archive.
#include "payload/payload_archive.h"

#include <charconv>

namespace setup {
namespace {

// Writes the archive to `path` and tells whether it did; notes the path in `record` when the file
// there is this call's work, that is, when the write succeeded or when it failed after making a file
// where there was none. A failed write over an existing file may have left it untouched: that file is
// not noted, so it is never deleted as ours.
bool WriteNoted(SystemServices& services, FileLayer& files, TextView path, ByteSet archive, Text& record) {
  const bool existed = files.Exists(path);
  if (services.WriteFileBytes(path, {archive})) {
    record = Text(path);
    return true;
  }
  if (!existed && files.Exists(path)) record = Text(path);
  return false;
}

}  // namespace

Text WritePayloadArchive(SystemServices& services, FileLayer& files, TextView install_folder, ByteSet archive,
                         PayloadArchiveFiles& written) {
  // Without a temporary folder, the path would name the root of the current drive: skip it.
  const Text temporary_folder = services.GetSpecialFolder(kFolderTemp);
  if (!temporary_folder.Empty()) {
    const Text path = ConcatTexts({temporary_folder, "\\tool.zip"});
    if (WriteNoted(services, files, path, archive, written.temporary)) return path;
  }

  if (install_folder.empty()) return Text();
  const char drive = install_folder.front();
  if (!((drive >= 'A' && drive <= 'Z') || (drive >= 'a' && drive <= 'z'))) return Text();
  const char drive_text[2] = {drive, '\0'};
  for (int number = 1; number <= 99; ++number) {
    // ":\tool.zip", then ":\tool-2.zip" to ":\tool-99.zip".
    char digits[4] = "";
    if (number > 1) {
      digits[0] = '-';
      *std::to_chars(digits + 1, digits + 3, number).ptr = '\0';
    }
    const Text path = ConcatTexts({drive_text, ":\\tool", digits, ".zip"});
    if (files.Exists(path)) continue;  // someone else's file: never overwritten
    if (WriteNoted(services, files, path, archive, written.drive_root)) return path;
    return Text();
  }
  return Text();
}

void DeletePayloadArchives(SystemServices& services, PayloadArchiveFiles& written) {
  if (!written.drive_root.Empty()) services.RemoveFile(written.drive_root);
  if (!written.temporary.Empty()) services.RemoveFile(written.temporary);
  written = PayloadArchiveFiles{};
}

}  // namespace setup
