// PayloadArchive(): the byte set that payload_block.cpp embeds.
#include <cstddef>
#include <cstdint>

#include "payload/payload_archive.h"

extern "C" const std::uint8_t setup_payload_block[];
extern "C" const std::uint8_t setup_payload_block_end[];

namespace setup {

ByteSet PayloadArchive() {
  return ByteSet(setup_payload_block, static_cast<std::size_t>(setup_payload_block_end - setup_payload_block));
}

Text WritePayloadArchive(SystemServices& services, FileLayer& files, TextView install_folder,
                         PayloadArchiveFiles& written) {
  return WritePayloadArchive(services, files, install_folder, PayloadArchive(), written);
}

}  // namespace setup
