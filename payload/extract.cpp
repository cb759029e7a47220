// ZIP extraction over minizip's unzip interface, with every file call going through the file layer.
#include "payload/extract.h"

#include <minizip/unzip.h>
#include <zlib.h>

#include <cstring>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "payload/buffered_file.h"

namespace setup {
namespace {

// Names and target paths must stay below this length: the file calls take paths of at most 259 bytes.
constexpr std::size_t kPathLimit = 260;
constexpr std::uint32_t kCopyBufferSize = 16384;
constexpr std::size_t kHeaderTestSize = 32;
constexpr unsigned kExtendedTimestampId = 0x5455;  // "UT"
// 100-ns intervals between 1601-01-01 and 1970-01-01.
constexpr std::uint64_t kUnixEpochAsFileTime = 116444736000000000u;

std::uint32_t ReadLe16(const std::uint8_t* p) { return static_cast<std::uint32_t>(p[0] | p[1] << 8); }
std::uint32_t ReadLe32(const std::uint8_t* p) {
  return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
         static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}

// ---- Times ----

// Days from 1970-01-01 to the given civil date (proleptic Gregorian calendar).
std::int64_t DaysFromCivil(std::int64_t year, unsigned month, unsigned day) {
  year -= month <= 2 ? 1 : 0;
  const std::int64_t era = (year >= 0 ? year : year - 399) / 400;
  const auto year_of_era = static_cast<unsigned>(year - era * 400);
  const unsigned day_of_year = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
  const unsigned day_of_era = year_of_era * 365 + year_of_era / 4 - year_of_era / 100 + day_of_year;
  return era * 146097 + static_cast<std::int64_t>(day_of_era) - 719468;
}

bool IsLeapYear(unsigned year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

// The MS-DOS date (high word) and time (low word) as a file time, taken as UTC without any conversion,
// as DosDateTimeToFileTime does. 0 for a date or time that is not valid.
FileTime DosDateTimeToFileTime(std::uint32_t dos) {
  const std::uint32_t date = dos >> 16;
  const std::uint32_t time = dos & 0xFFFF;
  const unsigned day = date & 0x1F;
  const unsigned month = (date >> 5) & 0x0F;
  const unsigned year = 1980 + (date >> 9);
  const unsigned second = (time & 0x1F) * 2;
  const unsigned minute = (time >> 5) & 0x3F;
  const unsigned hour = time >> 11;
  static constexpr unsigned kDaysInMonth[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (month < 1 || month > 12 || day < 1 || hour > 23 || minute > 59 || second > 59) return 0;
  const unsigned month_days = kDaysInMonth[month - 1] + (month == 2 && IsLeapYear(year) ? 1 : 0);
  if (day > month_days) return 0;
  const std::int64_t seconds = DaysFromCivil(year, month, day) * 86400 + hour * 3600 + minute * 60 + second;
  return static_cast<FileTime>(seconds) * 10000000u + kUnixEpochAsFileTime;
}

// A Unix time (seconds since 1970 UTC) as a file time; negative values are not converted.
bool UnixTimeToFileTime(std::int32_t seconds, FileTime& time) {
  if (seconds < 0) return false;
  time = static_cast<FileTime>(seconds) * 10000000u + kUnixEpochAsFileTime;
  return true;
}

// Applies the first extended-timestamp ("UT") block of a local extra field. Nothing is read past the
// end of the field or of the block; times that are missing keep their earlier value.
void ApplyExtendedTimestamp(const std::vector<std::uint8_t>& extra, FileTimes& times) {
  if (extra.size() < 5) return;
  std::size_t position = 0;
  while (extra.size() - position >= 5) {
    const std::uint32_t id = ReadLe16(&extra[position]);
    const std::size_t size = ReadLe16(&extra[position + 2]);
    const std::size_t data = position + 4;
    if (id == kExtendedTimestampId) {
      const std::size_t end = std::min(data + size, extra.size());
      if (end <= data) return;
      const unsigned flags = extra[data];
      std::size_t next = data + 1;
      FileTime* const targets[] = {&times.last_write, &times.last_access, &times.creation};
      for (unsigned bit = 0; bit < 3; ++bit) {
        if ((flags & (1u << bit)) == 0) continue;
        if (end - next < 4) return;
        UnixTimeToFileTime(static_cast<std::int32_t>(ReadLe32(&extra[next])), *targets[bit]);
        next += 4;
      }
      return;
    }
    position = data + size;
    if (position > extra.size()) return;
  }
}

// ---- Names and paths ----

// Windows attributes from the external-attribute word of a central directory record. The host system
// is not consulted: a word whose upper half is zero (DOS and Windows hosts) gives a read-only file.
std::uint32_t AttributesFromExternal(std::uint32_t external) {
  std::uint32_t attributes = kAttributeNormal;
  if ((external & 0x40000000u) != 0 || (external & 0x10u) != 0) attributes |= kAttributeDirectory;
  if ((external & 0x20u) != 0) attributes |= kAttributeArchive;
  if ((external & 0x02u) != 0) attributes |= kAttributeHidden;
  if ((external & 0x00800000u) == 0 || (external & 0x01u) != 0) attributes |= kAttributeReadOnly;
  if ((external & 0x04u) != 0) attributes |= kAttributeSystem;
  return attributes;
}

// True when the last character of `path` is a backslash; the second byte of a two-byte character is
// never one.
bool EndsInBackslash(FileLayer& files, TextView path) {
  bool backslash = false;
  for (std::size_t i = 0; i < path.size(); ++i) {
    const auto byte = static_cast<unsigned char>(path[i]);
    if (files.IsLeadByte(byte) && i + 1 < path.size()) {
      ++i;
      backslash = false;
    } else {
      backslash = byte == '\\';
    }
  }
  return backslash;
}

bool EqualsIgnoringCase(TextView a, TextView b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    char x = a[i];
    char y = b[i];
    if (x >= 'a' && x <= 'z') x = static_cast<char>(x - 'a' + 'A');
    if (y >= 'a' && y <= 'z') y = static_cast<char>(y - 'a' + 'A');
    if (x != y) return false;
  }
  return true;
}

// A component that Windows would resolve as ".." (or that it cannot name): two or more dots, with or
// without spaces, and nothing else.
bool IsDotsComponent(TextView component) {
  if (component.empty() || component == ".") return false;
  return component.find_first_not_of(". ") == TextView::npos;
}

// A component that names a device whatever its extension ("CON", "nul.txt", "COM1 .log").
bool IsDeviceComponent(TextView component) {
  TextView base = component.substr(0, component.find('.'));
  while (!base.empty() && base.back() == ' ') base.remove_suffix(1);
  static constexpr TextView kDevices[] = {"CON",  "PRN",  "AUX",  "NUL",  "COM1", "COM2", "COM3",   "COM4",
                                          "COM5", "COM6", "COM7", "COM8", "COM9", "LPT1", "LPT2",   "LPT3",
                                          "LPT4", "LPT5", "LPT6", "LPT7", "LPT8", "LPT9", "CONIN$", "CONOUT$"};
  for (TextView device : kDevices) {
    if (EqualsIgnoringCase(base, device)) return true;
  }
  return false;
}

// True for a stored name that stays inside the destination folder. Components are split at every '/'
// and '\\' byte, even one that follows a lead byte: that split sees every component that any reading
// of the name could see.
bool IsSafeEntryName(TextView name) {
  if (name.empty() || name.front() == '/' || name.front() == '\\') return false;
  if (name.find(':') != TextView::npos) return false;  // drive letters and alternate data streams
  std::size_t start = 0;
  while (true) {
    const std::size_t end = name.find_first_of("/\\", start);
    const TextView component = name.substr(start, end == TextView::npos ? TextView::npos : end - start);
    if (IsDotsComponent(component) || IsDeviceComponent(component)) return false;
    if (end == TextView::npos) return true;
    start = end + 1;
  }
}

// The destination folder, a backslash unless it ends in one, then the name with every '/' made a
// backslash (never the second byte of a two-byte character).
std::string TargetPath(FileLayer& files, TextView destination, TextView name) {
  std::string path(destination);
  if (!EndsInBackslash(files, destination)) path += '\\';
  for (std::size_t i = 0; i < name.size(); ++i) {
    const auto byte = static_cast<unsigned char>(name[i]);
    if (files.IsLeadByte(byte) && i + 1 < name.size()) {
      path += name[i];
      path += name[++i];
    } else {
      path += byte == '/' ? '\\' : name[i];
    }
  }
  return path;
}

// ---- minizip's file functions over the file layer ----

struct ArchiveStream {
  explicit ArchiveStream(std::unique_ptr<OpenFile> opened) : file(std::move(opened)) {}
  BufferedFile file;
  int error = 0;
};

voidpf ZCALLBACK OpenStream(voidpf opaque, const void* filename, int mode) {
  if ((mode & ZLIB_FILEFUNC_MODE_READWRITEFILTER) != ZLIB_FILEFUNC_MODE_READ || filename == nullptr) return nullptr;
  std::unique_ptr<OpenFile> file = static_cast<FileLayer*>(opaque)->OpenForReading(static_cast<const char*>(filename));
  if (!file) return nullptr;
  return new ArchiveStream(std::move(file));
}

uLong ZCALLBACK ReadStream(voidpf, voidpf stream, void* buffer, uLong size) {
  auto* archive = static_cast<ArchiveStream*>(stream);
  uLong total = 0;
  while (total < size) {
    const uLong chunk = std::min<uLong>(size - total, 0x40000000u);
    const std::int64_t read =
        archive->file.Read(static_cast<std::uint8_t*>(buffer) + total, static_cast<std::uint32_t>(chunk));
    if (read < 0) archive->error = 1;
    if (read <= 0) break;
    total += static_cast<uLong>(read);
  }
  return total;
}

uLong ZCALLBACK WriteStream(voidpf, voidpf, const void*, uLong) { return 0; }

ZPOS64_T ZCALLBACK TellStream(voidpf, voidpf stream) {
  auto* archive = static_cast<ArchiveStream*>(stream);
  const std::int64_t position = archive->file.Tell();
  if (position < 0) {
    archive->error = 1;
    return static_cast<ZPOS64_T>(-1);
  }
  return static_cast<ZPOS64_T>(position);
}

long ZCALLBACK SeekStream(voidpf, voidpf stream, ZPOS64_T offset, int origin) {
  auto* archive = static_cast<ArchiveStream*>(stream);
  SeekOrigin from = SeekOrigin::kBegin;
  if (origin == ZLIB_FILEFUNC_SEEK_CUR) from = SeekOrigin::kCurrent;
  if (origin == ZLIB_FILEFUNC_SEEK_END) from = SeekOrigin::kEnd;
  if (!archive->file.Seek(static_cast<std::int64_t>(offset), from)) {
    archive->error = 1;
    return -1;
  }
  return 0;
}

int ZCALLBACK CloseStream(voidpf, voidpf stream) {
  delete static_cast<ArchiveStream*>(stream);
  return 0;
}

int ZCALLBACK StreamError(voidpf, voidpf stream) { return static_cast<ArchiveStream*>(stream)->error; }

// ---- The archive file before it is opened as a ZIP file ----

// The first 32 bytes begin with a local file header signature, and the signed little-endian value at
// offset 24 (which takes in the first entry's name length) is at least 1.
bool PassesHeaderTest(OpenFile& file) {
  std::uint8_t header[kHeaderTestSize];
  std::size_t have = 0;
  while (have < sizeof header) {
    const std::int64_t read = file.Read(header + have, static_cast<std::uint32_t>(sizeof header - have));
    if (read <= 0) return false;
    have += static_cast<std::size_t>(read);
  }
  return ReadLe32(header) == 0x04034B50 && static_cast<std::int32_t>(ReadLe32(header + 24)) >= 1;
}

// True when the end-of-central-directory record nearest the end is preceded by a Zip64 locator, as it
// is in every Zip64 archive.
bool IsZip64Archive(OpenFile& file) {
  if (!file.Seek(0, SeekOrigin::kEnd)) return false;
  const std::int64_t size = file.Tell();
  if (size < 22) return false;
  const std::int64_t tail = std::min<std::int64_t>(size, 0xFFFF + 22 + 20);
  if (!file.Seek(size - tail, SeekOrigin::kBegin)) return false;
  std::vector<std::uint8_t> bytes(static_cast<std::size_t>(tail));
  std::size_t have = 0;
  while (have < bytes.size()) {
    const std::int64_t read = file.Read(bytes.data() + have, static_cast<std::uint32_t>(bytes.size() - have));
    if (read <= 0) return false;
    have += static_cast<std::size_t>(read);
  }
  for (std::size_t at = bytes.size() - 22 + 1; at-- > 0;) {
    if (ReadLe32(&bytes[at]) == 0x06054B50) return at >= 20 && ReadLe32(&bytes[at - 20]) == 0x07064B50;
  }
  return false;
}

// ---- One extraction ----

struct ArchiveEntry {
  Text name;
  bool name_usable = true;  // false when the stored name is 260 bytes or more, or holds a zero byte
  std::uint32_t attributes = kAttributeNormal;
  FileTimes times;
  std::uint64_t uncompressed_size = 0;
  bool encrypted = false;
  bool oversized = false;  // sizes that do not fit 32 bits
};

class ZipReader {
 public:
  ZipReader() = default;
  ZipReader(const ZipReader&) = delete;
  ZipReader& operator=(const ZipReader&) = delete;
  ~ZipReader() { Close(); }

  bool Open(FileLayer& files, TextView path) {
    zlib_filefunc64_def io{};
    io.zopen64_file = OpenStream;
    io.zread_file = ReadStream;
    io.zwrite_file = WriteStream;
    io.ztell64_file = TellStream;
    io.zseek64_file = SeekStream;
    io.zclose_file = CloseStream;
    io.zerror_file = StreamError;
    io.opaque = &files;
    zip_ = unzOpen2_64(Text(path).CStr(), &io);
    return zip_ != nullptr;
  }
  void Close() {
    if (zip_ != nullptr) unzClose(zip_);
    zip_ = nullptr;
  }
  [[nodiscard]] unzFile Get() const { return zip_; }

 private:
  unzFile zip_ = nullptr;
};

class Extraction {
 public:
  Extraction(FileLayer& files, ExtractionEvents& events) : files_(files), events_(events), buffer_(kCopyBufferSize) {}

  std::int32_t Run(TextView archive, TextView destination) {
    if (!files_.Exists(archive)) return Fail(kExtractNoArchive);
    // An empty destination would put the entries into the root of the current drive.
    if (destination.empty()) return Fail(kExtractFailed);
    if (!files_.Exists(destination) && !CreateFolderPath(files_, destination)) return Fail(kExtractFailed);
    {
      std::unique_ptr<OpenFile> file = files_.OpenForReading(archive);
      if (!file || !PassesHeaderTest(*file) || IsZip64Archive(*file)) return Fail(kExtractFailed);
    }
    if (!zip_.Open(files_, archive)) return Fail(kExtractFailed);
    std::unique_ptr<OpenFile> names = files_.OpenForReading(archive);
    if (!names) return Fail(kExtractFailed);
    local_names_ = std::make_unique<BufferedFile>(std::move(names));

    unz_global_info64 global{};
    if (unzGetGlobalInfo64(zip_.Get(), &global) != UNZ_OK) return Fail(kExtractFailed);
    const std::uint64_t announced = global.number_entry;
    std::int32_t count = 0;
    for (int status = unzGoToFirstFile(zip_.Get()); status == UNZ_OK; status = unzGoToNextFile(zip_.Get())) {
      ArchiveEntry entry;
      if (!ReadEntry(entry)) break;
      unzCloseCurrentFile(zip_.Get());
      ++count;
    }

    // Every entry counted above was readable: one that cannot be read now (a read error on the second
    // pass) fails the extraction rather than ending it early as if complete.
    int status = unzGoToFirstFile(zip_.Get());
    for (std::int32_t index = 0; index < count; ++index, status = unzGoToNextFile(zip_.Get())) {
      ArchiveEntry entry;
      if (status != UNZ_OK || !ReadEntry(entry)) return Fail(kExtractFailed);
      if (!ExtractEntry(entry, destination)) return Fail(kExtractFailed);
      if (events_.RaiseProgress(ProgressPercent(index, count)) == ProgressReply::kStop) {
        CloseArchive();
        return kExtractDone;
      }
    }
    CloseArchive();
    // An archive whose end record announces more entries than could be read is damaged: what could be
    // read was extracted, but the final event must not report a complete extraction.
    events_.RaiseProgress(static_cast<std::uint64_t>(count) < announced ? 0 : ProgressPercent(count, count));
    return kExtractDone;
  }

 private:
  // Both readers of the archive: closed before the last event, so that its handler may delete the file.
  void CloseArchive() {
    zip_.Close();
    local_names_.reset();
  }

  std::int32_t Fail(std::int32_t result) {
    CloseArchive();
    events_.RaiseProgress(0);
    return result;
  }

  // Reads the current entry's information: its central record, the agreement of its local header
  // (through opening its data) and its local extra field. The entry's data stays open on success.
  bool ReadEntry(ArchiveEntry& entry) {
    unz_file_info64 info{};
    char name[kPathLimit] = {};
    if (unzGetCurrentFileInfo64(zip_.Get(), &info, name, sizeof name, nullptr, 0, nullptr, 0) != UNZ_OK) return false;
    if (info.compression_method != 0 && info.compression_method != Z_DEFLATED) return false;
    if (unzOpenCurrentFile(zip_.Get()) != UNZ_OK) return false;
    const int extra_size = unzGetLocalExtrafield(zip_.Get(), nullptr, 0);
    extra_.assign(extra_size > 0 ? static_cast<std::size_t>(extra_size) : 0, 0);
    if (extra_size < 0 || (extra_size > 0 && unzGetLocalExtrafield(zip_.Get(), extra_.data(),
                                                                   static_cast<unsigned>(extra_size)) != extra_size)) {
      unzCloseCurrentFile(zip_.Get());
      return false;
    }
    if (!LocalNameMatches(name, info.size_filename)) {
      unzCloseCurrentFile(zip_.Get());
      return false;
    }
    const std::size_t name_size = std::min<std::size_t>(info.size_filename, kPathLimit - 1);
    entry.name = Text(TextView(name, name_size));
    entry.name_usable = info.size_filename < kPathLimit && std::memchr(name, 0, name_size) == nullptr;
    entry.attributes = AttributesFromExternal(static_cast<std::uint32_t>(info.external_fa));
    const FileTime dos_time = DosDateTimeToFileTime(static_cast<std::uint32_t>(info.dosDate));
    entry.times = FileTimes{dos_time, dos_time, dos_time};
    ApplyExtendedTimestamp(extra_, entry.times);
    entry.uncompressed_size = info.uncompressed_size;
    entry.encrypted = (info.flag & 1u) != 0;
    entry.oversized = info.compressed_size > 0xFFFFFFFFu || info.uncompressed_size > 0xFFFFFFFFu;
    return true;
  }

  // True when the current entry's local header holds the same name as its central record. minizip
  // compares only the two names' lengths: a damaged byte in either copy would otherwise install the file
  // under a wrong name. Names too long to be used are not compared (such an entry fails anyway). The
  // current entry's data must be open and unread: its position then follows the local name and extra
  // field.
  bool LocalNameMatches(const char* name, std::uint64_t name_size) {
    if (name_size >= kPathLimit) return true;
    const std::uint64_t data = unzGetCurrentFileZStreamPos64(zip_.Get());
    if (data < name_size + extra_.size()) return false;
    if (!local_names_->Seek(static_cast<std::int64_t>(data - name_size - extra_.size()), SeekOrigin::kBegin)) {
      return false;
    }
    char local[kPathLimit];
    std::size_t have = 0;
    while (have < name_size) {
      const std::int64_t read = local_names_->Read(local + have, static_cast<std::uint32_t>(name_size - have));
      if (read <= 0) return false;
      have += static_cast<std::size_t>(read);
    }
    return std::memcmp(local, name, have) == 0;
  }

  // Extracts the current entry, whose data ReadEntry left open; closes the data.
  bool ExtractEntry(const ArchiveEntry& entry, TextView destination) {
    std::string target;
    if (entry.name_usable && IsSafeEntryName(entry.name)) target = TargetPath(files_, destination, entry.name);
    if (target.empty() || target.size() >= kPathLimit || entry.encrypted || entry.oversized) {
      unzCloseCurrentFile(zip_.Get());
      return false;
    }
    if ((entry.attributes & kAttributeDirectory) != 0) {
      unzCloseCurrentFile(zip_.Get());
      return files_.Exists(target) || CreateFolderPath(files_, target);
    }
    files_.SetAttributes(target, kAttributeNormal);  // a read-only file there could not be replaced
    if (!WriteFile(entry, target)) return false;
    files_.SetAttributes(target, kAttributeNormal);
    return true;
  }

  bool WriteFile(const ArchiveEntry& entry, TextView target) {
    std::unique_ptr<OpenFile> file = files_.CreateForWriting(target, entry.attributes);
    if (!file) {
      unzCloseCurrentFile(zip_.Get());
      return false;
    }
    bool failed = false;
    std::uint64_t written = 0;
    while (true) {
      const int read = unzReadCurrentFile(zip_.Get(), buffer_.data(), kCopyBufferSize);
      if (read <= 0) {
        failed = read < 0;
        break;
      }
      written += static_cast<std::uint64_t>(read);
      if (!file->Write(buffer_.data(), static_cast<std::uint32_t>(read))) {
        failed = true;
        break;
      }
    }
    // A deflate stream that ends early leaves bytes unread, and then minizip skips its CRC-32 test.
    if (written != entry.uncompressed_size) failed = true;
    if (!failed) file->SetTimes(entry.times);
    file.reset();
    if (unzCloseCurrentFile(zip_.Get()) != UNZ_OK) failed = true;  // the CRC-32 of the inflated bytes
    return !failed;
  }

  FileLayer& files_;
  ExtractionEvents& events_;
  ZipReader zip_;
  std::unique_ptr<OpenFile> local_names_;  // a second reader of the archive, for the local headers' names
  std::vector<std::uint8_t> buffer_;
  std::vector<std::uint8_t> extra_;
};

}  // namespace

std::int32_t ProgressPercent(std::int32_t index, std::int32_t count) noexcept {
  if (count == 0) return 0;
  // Each step is rounded to double through memory: an x87 register keeps more precision and would
  // turn 29 / 50 * 100 into 58 where double arithmetic gives 57.99...
  volatile double quotient = static_cast<double>(index) / static_cast<double>(count);
  volatile double percent = quotient * 100.0;
  return static_cast<std::int32_t>(percent);
}

bool CreateFolderPath(FileLayer& files, TextView path) {
  std::string copy(path);
  if (!EndsInBackslash(files, copy)) copy += '\\';
  for (std::size_t i = 0; i < copy.size(); ++i) {
    if (files.IsLeadByte(static_cast<unsigned char>(copy[i])) && i + 1 < copy.size()) {
      ++i;
      continue;
    }
    if (copy[i] != '\\') continue;
    const TextView prefix(copy.data(), i + 1);
    if (!files.Exists(prefix) && !files.CreateFolder(prefix)) return false;
  }
  return true;
}

std::int32_t ExtractArchive(FileLayer& files, TextView archive, TextView destination, ExtractionEvents& events) {
  return Extraction(files, events).Run(archive, destination);
}

std::int32_t ExtractArchive(TextView archive, TextView destination, ExtractionEvents& events) {
  return ExtractArchive(SystemFileLayer(), archive, destination, events);
}

}  // namespace setup
