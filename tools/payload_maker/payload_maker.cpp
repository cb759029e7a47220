// Makes the payload archive from a product folder, the same bytes on every run:
//
//   payload_maker OUTPUT.zip PRODUCT_FOLDER [--time "YYYY-MM-DD HH:MM:SS"] [--comment TEXT]
//
// Every file and folder under PRODUCT_FOLDER becomes an entry named by its path relative to the
// folder, with "/" between components and in GBK (the host's names are UTF-8). Entries are sorted by
// those bytes, so a folder entry ("data/") comes before the files inside it. Files are deflated, folders
// stored with length 0. Every entry carries the same MS-DOS time and the external attributes a
// Windows host writes (0x20 for a file, 0x10 for a folder: the upper half zero), and the archive ends
// with the comment. OUTPUT is replaced only when its bytes change, so builds that depend on it
// rebuild only then.
#include <iconv.h>
#include <minizip/zip.h>
#include <zlib.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

struct Entry {
  std::string name;  // GBK, "/" separated, folders end in "/"
  fs::path source;   // empty for a folder
};

bool ToGbk(const std::string& utf8, std::string& gbk) {
  iconv_t converter = iconv_open("GBK", "UTF-8");
  if (converter == reinterpret_cast<iconv_t>(-1)) return false;
  std::vector<char> in(utf8.begin(), utf8.end());
  std::vector<char> out(utf8.size() * 2 + 4);
  char* in_next = in.data();
  std::size_t in_left = in.size();
  char* out_next = out.data();
  std::size_t out_left = out.size();
  const std::size_t result = iconv(converter, &in_next, &in_left, &out_next, &out_left);
  iconv_close(converter);
  if (result == static_cast<std::size_t>(-1)) return false;
  gbk.assign(out.data(), static_cast<std::size_t>(out_next - out.data()));
  return true;
}

bool ParseTime(const char* text, unsigned long& dos) {
  int year, month, day, hour, minute, second;
  if (std::sscanf(text, "%d-%d-%d %d:%d:%d", &year, &month, &day, &hour, &minute, &second) != 6) return false;
  if (year < 1980 || year > 2107 || month < 1 || month > 12 || day < 1 || day > 31 || hour > 23 || minute > 59 ||
      second > 59) {
    return false;
  }
  const unsigned long date = static_cast<unsigned long>((year - 1980) << 9 | month << 5 | day);
  const unsigned long time = static_cast<unsigned long>(hour << 11 | minute << 5 | second / 2);
  dos = date << 16 | time;
  return true;
}

std::vector<char> ReadWhole(const fs::path& path, bool& ok) {
  std::ifstream in(path, std::ios::binary);
  std::vector<char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  ok = in.good() || in.eof();
  return bytes;
}

bool WriteArchive(const std::string& path, const std::vector<Entry>& entries, unsigned long dos_time,
                  const std::string& comment) {
  zipFile zip = zipOpen64(path.c_str(), APPEND_STATUS_CREATE);
  if (zip == nullptr) return false;
  bool ok = true;
  for (const Entry& entry : entries) {
    zip_fileinfo info{};
    info.dosDate = dos_time;
    const bool folder = entry.source.empty();
    info.external_fa = folder ? 0x10 : 0x20;
    // Version made by 2.0 on an MS-DOS host (0 in the upper byte); no flags, so the name is not UTF-8.
    if (zipOpenNewFileInZip4_64(zip, entry.name.c_str(), &info, nullptr, 0, nullptr, 0, nullptr,
                                folder ? 0 : Z_DEFLATED, folder ? 0 : Z_BEST_COMPRESSION, 0, -MAX_WBITS, DEF_MEM_LEVEL,
                                Z_DEFAULT_STRATEGY, nullptr, 0, 20, 0, 0) != ZIP_OK) {
      ok = false;
      break;
    }
    if (!folder) {
      bool read_ok = false;
      const std::vector<char> bytes = ReadWhole(entry.source, read_ok);
      if (!read_ok ||
          (!bytes.empty() && zipWriteInFileInZip(zip, bytes.data(), static_cast<unsigned>(bytes.size())) != ZIP_OK)) {
        std::fprintf(stderr, "payload_maker: cannot read or store %s\n", entry.source.c_str());
        ok = false;
      }
    }
    if (zipCloseFileInZip(zip) != ZIP_OK) ok = false;
    if (!ok) break;
  }
  if (zipClose(zip, comment.c_str()) != ZIP_OK) ok = false;
  return ok;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr,
                 "usage: payload_maker OUTPUT.zip PRODUCT_FOLDER [--time \"YYYY-MM-DD HH:MM:SS\"] "
                 "[--comment TEXT]\n");
    return 2;
  }
  const std::string output = argv[1];
  const fs::path folder = argv[2];
  unsigned long dos_time = 0;
  ParseTime("2024-06-18 16:57:30", dos_time);
  std::string comment = "payload";
  for (int i = 3; i < argc; i += 2) {
    if (i + 1 == argc) {
      std::fprintf(stderr, "payload_maker: %s needs a value\n", argv[i]);
      return 2;
    }
    if (std::strcmp(argv[i], "--time") == 0) {
      if (!ParseTime(argv[i + 1], dos_time)) {
        std::fprintf(stderr, "payload_maker: bad time %s\n", argv[i + 1]);
        return 2;
      }
    } else if (std::strcmp(argv[i], "--comment") == 0) {
      if (!ToGbk(argv[i + 1], comment)) return 2;
    } else {
      std::fprintf(stderr, "payload_maker: unknown option %s\n", argv[i]);
      return 2;
    }
  }

  std::error_code error;
  if (!fs::is_directory(folder, error)) {
    std::fprintf(stderr, "payload_maker: %s is not a folder\n", folder.c_str());
    return 1;
  }
  std::vector<Entry> entries;
  for (fs::recursive_directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
    const fs::path relative = it->path().lexically_relative(folder);
    Entry entry;
    if (!ToGbk(relative.generic_string(), entry.name)) {
      std::fprintf(stderr, "payload_maker: %s has no GBK name\n", relative.c_str());
      return 1;
    }
    if (it->is_directory()) {
      entry.name += '/';
    } else {
      entry.source = it->path();
    }
    entries.push_back(entry);
  }
  if (error) {
    std::fprintf(stderr, "payload_maker: cannot list %s: %s\n", folder.c_str(), error.message().c_str());
    return 1;
  }
  std::sort(entries.begin(), entries.end(), [](const Entry& a, const Entry& b) {
    return std::lexicographical_compare(a.name.begin(), a.name.end(), b.name.begin(), b.name.end(), [](char x, char y) {
      return static_cast<unsigned char>(x) < static_cast<unsigned char>(y);
    });
  });

  const std::string temporary = output + ".new";
  if (!WriteArchive(temporary, entries, dos_time, comment)) {
    std::fprintf(stderr, "payload_maker: cannot write %s\n", temporary.c_str());
    fs::remove(temporary, error);
    return 1;
  }
  bool old_ok = false;
  bool new_ok = false;
  if (fs::exists(output, error) && ReadWhole(output, old_ok) == ReadWhole(temporary, new_ok) && old_ok && new_ok) {
    fs::remove(temporary, error);
  } else {
    fs::rename(temporary, output, error);
    if (error) {
      std::fprintf(stderr, "payload_maker: cannot replace %s\n", output.c_str());
      return 1;
    }
  }
  std::printf("payload_maker: %s, %zu entries\n", output.c_str(), entries.size());
  return 0;
}
