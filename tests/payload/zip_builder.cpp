#include "tests/payload/zip_builder.h"

#include <zlib.h>

namespace setup::zipfixture {
namespace {

std::string Le16(std::uint32_t value) {
  return std::string{static_cast<char>(value & 0xFF), static_cast<char>((value >> 8) & 0xFF)};
}

}  // namespace

std::string Le32(std::uint32_t value) { return Le16(value & 0xFFFF) + Le16(value >> 16); }

ZipEntry File(std::string name, std::string data) {
  ZipEntry entry;
  entry.name = std::move(name);
  entry.data = std::move(data);
  return entry;
}

ZipEntry Folder(std::string name) {
  ZipEntry entry;
  entry.name = std::move(name);
  entry.deflate = false;
  entry.external = 0x10;
  return entry;
}

std::string Deflate(const std::string& data) {
  z_stream stream{};
  deflateInit2(&stream, Z_BEST_COMPRESSION, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY);
  std::string out(deflateBound(&stream, static_cast<uLong>(data.size())), '\0');
  stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
  stream.avail_in = static_cast<uInt>(data.size());
  stream.next_out = reinterpret_cast<Bytef*>(out.data());
  stream.avail_out = static_cast<uInt>(out.size());
  deflate(&stream, Z_FINISH);
  out.resize(stream.total_out);
  deflateEnd(&stream);
  return out;
}

std::string ExtraBlock(std::uint16_t id, const std::string& data) {
  return Le16(id) + Le16(static_cast<std::uint32_t>(data.size())) + data;
}

std::string BuildZip(const std::vector<ZipEntry>& entries, const std::string& comment, bool zip64) {
  std::string archive;
  std::string central;
  for (const ZipEntry& entry : entries) {
    const std::uint32_t offset = static_cast<std::uint32_t>(archive.size());
    const std::string stored = entry.stored_bytes ? *entry.stored_bytes
                               : entry.deflate    ? Deflate(entry.data)
                                                  : entry.data;
    const std::uint32_t crc =
        entry.stored_crc ? *entry.stored_crc
                         : static_cast<std::uint32_t>(crc32(0, reinterpret_cast<const Bytef*>(entry.data.data()),
                                                            static_cast<uInt>(entry.data.size())));
    const std::uint32_t method = entry.method ? *entry.method : entry.deflate ? 8 : 0;
    const std::string common = Le16(20) + Le16(entry.flags);
    const std::string sizes_and_times = Le16(entry.dos_time & 0xFFFF) + Le16(entry.dos_time >> 16) + Le32(crc) +
                                        Le32(static_cast<std::uint32_t>(stored.size())) +
                                        Le32(static_cast<std::uint32_t>(entry.data.size())) +
                                        Le16(static_cast<std::uint32_t>(entry.name.size()));
    archive += Le32(0x04034B50) + common + Le16(entry.local_method ? *entry.local_method : method) + sizes_and_times +
               Le16(static_cast<std::uint32_t>(entry.local_extra.size())) + entry.local_name.value_or(entry.name) +
               entry.local_extra + stored;
    central += Le32(0x02014B50) + Le16(20) + common + Le16(method) + sizes_and_times + Le16(0) + Le16(0) + Le16(0) +
               Le16(0) + Le32(entry.external) + Le32(offset) + entry.name;
  }
  const std::uint32_t central_offset = static_cast<std::uint32_t>(archive.size());
  archive += central;
  const auto count = static_cast<std::uint32_t>(entries.size());
  if (zip64) {
    const std::uint32_t record_offset = static_cast<std::uint32_t>(archive.size());
    archive += Le32(0x06064B50) + Le32(44) + Le32(0) + Le16(45) + Le16(45) + Le32(0) + Le32(0) + Le32(count) + Le32(0) +
               Le32(count) + Le32(0) + Le32(static_cast<std::uint32_t>(central.size())) + Le32(0) +
               Le32(central_offset) + Le32(0);
    archive += Le32(0x07064B50) + Le32(0) + Le32(record_offset) + Le32(0) + Le32(1);
  }
  archive += Le32(0x06054B50) + Le16(0) + Le16(0) + Le16(count) + Le16(count) +
             Le32(static_cast<std::uint32_t>(central.size())) + Le32(central_offset) +
             Le16(static_cast<std::uint32_t>(comment.size())) + comment;
  return archive;
}

}  // namespace setup::zipfixture
