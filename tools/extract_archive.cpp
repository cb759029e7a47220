// extract_archive ARCHIVE DESTINATION
// Extracts a ZIP archive the way the setup program does and prints one line "event P" for each
// progress event, then "result R" (1 done, 0 failed, -1 no archive). The exit code is 0 for result 1,
// 1 otherwise, 2 for a wrong command line.
#include "tools/extract_archive.h"

#include <cstdio>

#include "payload/extract.h"

namespace {

class PrintingEvents final : public setup::ExtractionEvents {
 public:
  setup::ProgressReply RaiseProgress(std::int32_t percent) override {
    std::printf("event %d\n", static_cast<int>(percent));
    std::fflush(stdout);
    return setup::ProgressReply::kGoOn;
  }
};

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: extract_archive ARCHIVE DESTINATION\n");
    return 2;
  }
  PrintingEvents events;
  const std::int32_t result = setup::ExtractArchive(setup::ToolPath(argv[1]), setup::ToolPath(argv[2]), events);
  std::printf("result %d\n", static_cast<int>(result));
  return result == setup::kExtractDone ? 0 : 1;
}
