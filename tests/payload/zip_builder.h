// Builds small ZIP archives byte by byte for the tests, including broken ones: a stored CRC-32 that
// does not match, a local header that disagrees with its central record, a corrupt deflate stream, an
// encrypted flag, a Zip64 end record. Names are stored exactly as given (GBK bytes stay GBK).
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace setup::zipfixture {

// 2024-06-18 16:57:30 as an MS-DOS date (high word) and time (low word).
inline constexpr std::uint32_t kDosTime = (44u << 9 | 6u << 5 | 18u) << 16 | (16u << 11 | 57u << 5 | 15u);
// The same moment as a Windows file time (100 ns since 1601, UTC).
inline constexpr std::uint64_t kDosTimeAsFileTime = (1718729850ull + 11644473600ull) * 10000000ull;

struct ZipEntry {
  std::string name;
  std::string data;               // the uncompressed bytes
  bool deflate = true;            // method 8, else stored
  std::uint32_t external = 0x20;  // external attributes: 0x20 a file, 0x10 a folder (DOS host)
  std::uint32_t dos_time = kDosTime;
  std::string local_extra;                    // the local header's extra field
  std::uint16_t flags = 0;                    // general-purpose flags (bit 0: encrypted)
  std::optional<std::uint32_t> stored_crc;    // a CRC-32 other than the data's
  std::optional<std::uint16_t> method;        // a method other than 8 or 0, in both headers
  std::optional<std::uint16_t> local_method;  // a local header method other than the central one
  std::optional<std::string> local_name;      // a local header name other than the central one
  std::optional<std::string> stored_bytes;    // the bytes stored instead of the compressed data
};

// A file entry and a folder entry.
ZipEntry File(std::string name, std::string data);
ZipEntry Folder(std::string name);

// The archive's bytes. `zip64` puts a Zip64 end record and locator before the end record.
std::string BuildZip(const std::vector<ZipEntry>& entries, const std::string& comment = "", bool zip64 = false);

// A raw deflate stream of `data`.
std::string Deflate(const std::string& data);

// An extra-field block: 2-byte id, 2-byte size, then `data`.
std::string ExtraBlock(std::uint16_t id, const std::string& data);
std::string Le32(std::uint32_t value);

}  // namespace setup::zipfixture
