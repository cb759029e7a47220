// Writes the seed corpus of extract_fuzz: the archives of the extraction tests, and the payload archive
// when its path is given.
//   extract_fuzz_seeds FOLDER [PAYLOAD.zip]
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "tests/payload/zip_builder.h"

namespace {

using namespace setup::zipfixture;  // NOLINT(google-build-using-namespace)

void Write(const std::filesystem::path& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: extract_fuzz_seeds FOLDER [PAYLOAD.zip]\n");
    return 2;
  }
  const std::filesystem::path folder = argv[1];
  std::filesystem::create_directories(folder);

  ZipEntry crc = File("b.txt", "second");
  crc.stored_crc = 0x12345678;
  ZipEntry disagreeing = File("a.txt", "first");
  disagreeing.local_method = 0;
  ZipEntry stamped = File("ut.txt", "x");
  stamped.local_extra = ExtraBlock(0x5455, std::string("\x07", 1) + Le32(1000000000) + Le32(1100000000));
  ZipEntry encrypted = File("e.txt", "x");
  encrypted.flags = 1;
  ZipEntry read_only = File("ro.txt", std::string(20000, 'r'));
  read_only.external = 0x01;
  const std::vector<std::string> seeds = {
      BuildZip({}),
      BuildZip({File("a.txt", "first"), Folder("sub/"), File("sub/b.txt", std::string(5000, 'b'))}, "comment"),
      BuildZip({File("a.txt", "first"), crc}),
      BuildZip({disagreeing}),
      BuildZip({stamped, read_only}),
      BuildZip({encrypted}),
      BuildZip({Folder("\xBC\x5C/"), File("\xBC\x5C/\xB1\x5C.txt", "x")}),
      BuildZip({File("../evil.txt", "x"), File("sub/../../evil.txt", "x")}),
      BuildZip({File("a.txt", "first")}, "", true),
  };
  for (std::size_t i = 0; i < seeds.size(); ++i) Write(folder / ("seed" + std::to_string(i) + ".zip"), seeds[i]);
  if (argc > 2)
    std::filesystem::copy_file(argv[2], folder / "payload.zip", std::filesystem::copy_options::overwrite_existing);
  std::printf("extract_fuzz_seeds: %zu seeds in %s\n", seeds.size() + (argc > 2 ? 1 : 0), folder.c_str());
  return 0;
}
