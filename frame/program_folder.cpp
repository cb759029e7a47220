#include "frame/program_folder.h"

#include <cstddef>

namespace setup {

Text ProgramFolderOf(TextView module_path) {
  std::size_t cut = module_path.size();
  bool found = false;
  for (std::size_t i = 0; i < module_path.size();) {
    const auto byte = static_cast<unsigned char>(module_path[i]);
    if (byte == '\\') {
      cut = i;
      found = true;
    }
    i += IsTwoByteLead(byte) ? 2 : 1;
  }
  return found ? Text(module_path.substr(0, cut)) : Text();
}

}  // namespace setup
