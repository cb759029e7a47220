#include "tests/fakes/fake_archive.h"

namespace setup::fakes {

std::int32_t FakeArchiveCommand::ExtractArchive(TextView archive, TextView destination) {
  calls.push_back({std::string(archive), std::string(destination)});
  for (std::int32_t percent : events) {
    if (raise) raise(percent);
  }
  return result;
}

std::optional<std::uint32_t> FakeFileLayer::GetAttributes(TextView path) {
  if (services_.files().count(std::string(path)) == 0) return std::nullopt;
  return 0x80;  // FILE_ATTRIBUTE_NORMAL
}

}  // namespace setup::fakes
