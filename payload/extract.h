// Extraction of a ZIP archive into a folder, entry by entry, with a progress event after each entry.
//
// Runs wholly on the calling thread; the progress event is raised on that thread, inside the call, and
// the extraction waits while the handler runs. A call keeps all of its state to itself.
#pragma once

#include <cstdint>

#include "payload/file_layer.h"
#include "platform/text.h"

namespace setup {

enum class ProgressReply { kGoOn, kStop };

// Receives the progress of one extraction. The archive is closed before the completion event (100) and
// before the failure event (0) is raised, so the handler may delete it then.
class ExtractionEvents {
 public:
  virtual ~ExtractionEvents() = default;
  // `percent` is 0..100. kStop ends the extraction after the current entry, with result 1 and no
  // further event; the reply to the completion and failure events is ignored.
  virtual ProgressReply RaiseProgress(std::int32_t percent) = 0;
};

// Results of ExtractArchive.
inline constexpr std::int32_t kExtractDone = 1;        // every entry extracted, or stopped by the handler
inline constexpr std::int32_t kExtractFailed = 0;      // failed; one event 0 was raised last
inline constexpr std::int32_t kExtractNoArchive = -1;  // the archive path names nothing that exists

// The percent after entry `index` of `count` entries: index / count * 100 in double precision, cut
// toward zero; 0 when count is 0.
[[nodiscard]] std::int32_t ProgressPercent(std::int32_t index, std::int32_t count) noexcept;

// Creates `path` and every missing folder above it. Two-byte characters are walked with the layer's
// lead-byte test, so their second byte is never taken for a backslash. False when a folder could not
// be created.
[[nodiscard]] bool CreateFolderPath(FileLayer& files, TextView path);

// Extracts every entry of the ZIP archive at `archive` into the folder `destination`, creating the
// folder when it is missing. After entry i of N the event carries ProgressPercent(i, N); once the archive
// is closed it carries 100 (0 when the archive holds no readable entry). A failure raises one event 0.
//
// Entries are written only inside `destination`: an entry whose name is absolute, carries a drive
// letter, a ".." component, a reserved device name or a zero byte, or whose name or target path is 260
// bytes or more, fails as an entry whose file cannot be created. So do encrypted entries and entries
// too large for 32-bit sizes; a Zip64 archive cannot be opened. An entry whose data does not inflate to
// its recorded size and CRC-32 fails the extraction (the file as inflated stays). Folders are created
// only for the destination and for folder entries.
[[nodiscard]] std::int32_t ExtractArchive(FileLayer& files, TextView archive, TextView destination,
                                          ExtractionEvents& events);

// The same through SystemFileLayer().
[[nodiscard]] std::int32_t ExtractArchive(TextView archive, TextView destination, ExtractionEvents& events);

}  // namespace setup
