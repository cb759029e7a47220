// The payload archive: the product's files as one ZIP archive inside the program, and its temporary
// copy "tool.zip" that the installation extracts from.
//
// The temporary copy goes to the temporary folder, or, when that write fails, to the root of the
// install folder's drive. A file that is already in the drive's root is never overwritten: the copy then
// takes a fresh name beside it ("tool-2.zip", ...). What one run wrote is kept in a PayloadArchiveFiles
// record, and only those files are deleted afterwards.
//
// Callable on any thread; the record belongs to the caller.
#pragma once

#include "payload/file_layer.h"
#include "platform/services.h"
#include "platform/text.h"

namespace setup {

// The embedded archive (a byte set holding a ZIP file).
[[nodiscard]] ByteSet PayloadArchive();

// The temporary archives one installation run wrote; empty texts for none.
struct PayloadArchiveFiles {
  Text temporary;   // in the temporary folder
  Text drive_root;  // in the root of the install drive
};

// Writes `archive`'s bytes to GetSpecialFolder(kFolderTemp) + "\\tool.zip" (the folder ends in a
// backslash, so two stand in a row), replacing a file of that name; when that fails, to
// "X:\\tool.zip" where X is the first byte of `install_folder`, or to "X:\\tool-2.zip" ... "tool-99.zip"
// when a file of that name is already there. Gives the path written, or the empty text when both
// writes failed. Every file this call made, even a partly written one, is noted in `written`.
[[nodiscard]] Text WritePayloadArchive(SystemServices& services, FileLayer& files, TextView install_folder,
                                       ByteSet archive, PayloadArchiveFiles& written);
// The same with the embedded archive.
[[nodiscard]] Text WritePayloadArchive(SystemServices& services, FileLayer& files, TextView install_folder,
                                       PayloadArchiveFiles& written);

// Deletes the files noted in `written`, the drive root's first, ignoring failures, and clears the record.
void DeletePayloadArchives(SystemServices& services, PayloadArchiveFiles& written);

}  // namespace setup
