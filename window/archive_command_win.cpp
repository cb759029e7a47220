#include "window/archive_command_win.h"

#include "payload/extract.h"
#include "window/archive_component.h"

namespace setup {
namespace {

class ComponentEvents final : public ExtractionEvents {
 public:
  ProgressReply RaiseProgress(std::int32_t percent) override {
    return RaiseArchiveProgress(percent) ? ProgressReply::kGoOn : ProgressReply::kStop;
  }
};

}  // namespace

std::int32_t ComponentArchiveCommand::ExtractArchive(TextView archive, TextView destination) {
  ComponentEvents events;
  return setup::ExtractArchive(archive, destination, events);
}

}  // namespace setup
