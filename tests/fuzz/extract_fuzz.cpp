// libFuzzer target: arbitrary bytes given as the archive to the extraction, through the POSIX stand-in
// of the file layer. Besides the sanitizers' own checks, it stops on a result outside -1, 0 and 1, on an
// event sequence that does not fit the result, and on any file or folder made outside the destination.
#include <stdlib.h>

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "payload/extract.h"
#include "payload/file_layer_posix.h"

namespace {

namespace fs = std::filesystem;

class Events final : public setup::ExtractionEvents {
 public:
  setup::ProgressReply RaiseProgress(std::int32_t percent) override {
    if (percent < 0 || percent > 100) Stop("percent out of range");
    ++count;
    last = percent;
    return setup::ProgressReply::kGoOn;
  }
  [[noreturn]] static void Stop(const char* what) {
    std::fprintf(stderr, "extract_fuzz: %s\n", what);
    std::abort();
  }
  int count = 0;
  std::int32_t last = -1;
};

// Made once and removed at exit; never destroyed, so the exit handler can still read it.
const std::string& Root() {
  static const std::string* const root = [] {
    std::error_code error;
    const fs::path base = fs::is_directory("/dev/shm", error) ? fs::path("/dev/shm") : fs::temp_directory_path();
    std::string pattern = (base / "extract-fuzz-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) Events::Stop("no temporary folder");
    std::atexit([] {
      std::error_code ignored;
      fs::remove_all(Root(), ignored);
    });
    return new std::string(pattern);
  }();
  return *root;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string& root = Root();
  std::error_code error;
  fs::remove_all(root + "/c", error);
  fs::create_directories(root + "/c/in", error);
  {
    std::ofstream archive(root + "/c/in/a.zip", std::ios::binary);
    archive.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
  }

  setup::PosixFileLayer files(root);
  Events events;
  const std::int32_t result = setup::ExtractArchive(files, "C:\\in\\a.zip", "C:\\out\\dest", events);
  if (result < -1 || result > 1) Events::Stop("result out of range");
  if (events.count == 0) Events::Stop("no event");
  if (result != setup::kExtractDone && events.last != 0) Events::Stop("a failure without a final 0");

  for (fs::recursive_directory_iterator it(root, error), end; !error && it != end; it.increment(error)) {
    const std::string path = it->path().lexically_relative(root).generic_string();
    const bool allowed = path == "c" || path == "c/in" || path == "c/in/a.zip" || path == "c/out" ||
                         path == "c/out/dest" || path.rfind("c/out/dest/", 0) == 0;
    if (!allowed) {
      std::fprintf(stderr, "extract_fuzz: written outside the destination: %s\n", path.c_str());
      std::abort();
    }
  }
  return 0;
}
