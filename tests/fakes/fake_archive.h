// Fakes of the archive component's command and of the file layer, for native tests of the setup logic.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "payload/file_layer.h"
#include "tests/fakes/fake_services.h"
#include "window/archive_command.h"

namespace setup::fakes {

// Extraction that raises a scripted list of progress events through `raise` (the handler bound to the
// component) and then gives `result`.
class FakeArchiveCommand final : public ArchiveCommand {
 public:
  struct Call {
    std::string archive, destination;
  };
  std::vector<std::int32_t> events = {0, 11, 22, 33, 44, 55, 66, 77, 88, 100};
  std::int32_t result = 1;
  std::function<void(std::int32_t)> raise;
  std::vector<Call> calls;

  std::int32_t ExtractArchive(TextView archive, TextView destination) override;
};

// A file layer that sees the files the fake services hold: a path exists when the services have a file
// there. Nothing can be opened or created through it.
class FakeFileLayer final : public FileLayer {
 public:
  explicit FakeFileLayer(FakeServices& services) : services_(services) {}
  [[nodiscard]] std::optional<std::uint32_t> GetAttributes(TextView path) override;
  bool SetAttributes(TextView, std::uint32_t) override { return false; }
  [[nodiscard]] bool CreateFolder(TextView) override { return false; }
  [[nodiscard]] std::unique_ptr<OpenFile> OpenForReading(TextView) override { return nullptr; }
  [[nodiscard]] std::unique_ptr<OpenFile> CreateForWriting(TextView, std::uint32_t) override { return nullptr; }
  [[nodiscard]] bool IsLeadByte(unsigned char byte) override { return byte >= 0x81 && byte <= 0xFE; }

 private:
  FakeServices& services_;
};

}  // namespace setup::fakes
