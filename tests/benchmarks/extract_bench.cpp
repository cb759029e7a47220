// Measures the extraction of one ZIP archive, natively through the POSIX file layer.
//
//   extract_bench extract ARCHIVE OUT_FOLDER RUNS [keep]
//     Extracts ARCHIVE RUNS times, each time into a fresh folder under OUT_FOLDER (removed after each
//     run, outside the timed part; with "keep" the last one stays, for a comparison), and prints the
//     median wall time, the throughput in MB/s of uncompressed bytes and the process's peak resident set.
//   extract_bench peak COMMAND [ARGS...]
//     Runs COMMAND once and prints its peak resident set as "peak_rss_kib=N": the VmHWM of the
//     command's own image, read when it exits. A child's ru_maxrss would not do for a small program: the
//     kernel carries the peak of the image a process replaced at exec into it, so every program started
//     from a larger one (a Python runner) would report at least that one's size.
//   extract_bench floor ARCHIVE RUNS
//     Inflates every entry of ARCHIVE into one 16 KiB buffer with minizip, writing nothing, RUNS times:
//     the lower bound of any extraction that inflates with the same zlib. minizip reads the archive here
//     through its own stdio functions (buffered).
//
// Output: one line of key=value pairs (times in seconds, sizes in bytes, RSS in KiB), then each run's
// time on its own line starting with "run ". Exit code 0 on success, 1 when an extraction fails, 2 on a
// usage error.
#include <minizip/unzip.h>
#include <signal.h>
#include <sys/ptrace.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "payload/extract.h"
#include "payload/file_layer_posix.h"

namespace {

namespace fs = std::filesystem;

constexpr std::uint32_t kBufferSize = 16384;

class QuietEvents final : public setup::ExtractionEvents {
 public:
  setup::ProgressReply RaiseProgress(std::int32_t percent) override {
    last = percent;
    return setup::ProgressReply::kGoOn;
  }
  std::int32_t last = -1;
};

// A host path as the Windows-style path that PosixFileLayer("") maps back onto it: "/a/b" -> "\a\b".
std::string AsLayerPath(const fs::path& host) {
  std::string path = fs::absolute(host).lexically_normal().string();
  std::replace(path.begin(), path.end(), '/', '\\');
  return path;
}

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  const std::size_t n = values.size();
  return n % 2 == 1 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

// The peak resident set of process `pid`'s current image in KiB (VmHWM); -1 when it cannot be read.
long ImagePeakKib(const std::string& pid) {
  std::ifstream status("/proc/" + pid + "/status");
  std::string line;
  while (std::getline(status, line)) {
    if (line.rfind("VmHWM:", 0) == 0) return std::atol(line.c_str() + 6);
  }
  return -1;
}

// The peak resident set of this process. Started by a larger program, ru_maxrss would report that one's
// peak (it survives exec), so this image's own VmHWM is taken when it is known.
long PeakRssKib() {
  const long own = ImagePeakKib("self");
  if (own >= 0) return own;
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_maxrss;  // KiB on Linux
}

// The entries and uncompressed bytes of the archive, from its central directory; false when it cannot
// be read.
bool Totals(const std::string& archive, std::uint64_t& entries, std::uint64_t& bytes) {
  unzFile zip = unzOpen64(archive.c_str());
  if (zip == nullptr) return false;
  entries = 0;
  bytes = 0;
  int status = unzGoToFirstFile(zip);
  for (; status == UNZ_OK; status = unzGoToNextFile(zip)) {
    unz_file_info64 info{};
    if (unzGetCurrentFileInfo64(zip, &info, nullptr, 0, nullptr, 0, nullptr, 0) != UNZ_OK) break;
    ++entries;
    bytes += info.uncompressed_size;
  }
  unzClose(zip);
  return status == UNZ_END_OF_LIST_OF_FILE;
}

// Inflates every entry into `buffer`; the number of bytes inflated, or -1 on a failure (CRC included).
std::int64_t InflateAll(const std::string& archive, std::vector<char>& buffer) {
  unzFile zip = unzOpen64(archive.c_str());
  if (zip == nullptr) return -1;
  std::int64_t total = 0;
  int status = unzGoToFirstFile(zip);
  for (; status == UNZ_OK; status = unzGoToNextFile(zip)) {
    if (unzOpenCurrentFile(zip) != UNZ_OK) break;
    int read = 0;
    while ((read = unzReadCurrentFile(zip, buffer.data(), kBufferSize)) > 0) total += read;
    if (unzCloseCurrentFile(zip) != UNZ_OK || read < 0) {
      status = UNZ_CRCERROR;
      break;
    }
  }
  unzClose(zip);
  return status == UNZ_END_OF_LIST_OF_FILE ? total : -1;
}

void Report(const char* mode, const std::string& archive, std::uint64_t entries, std::uint64_t bytes,
            const std::vector<double>& seconds) {
  const double median = Median(seconds);
  std::printf("mode=%s archive=%s entries=%llu bytes=%llu runs=%zu median_s=%.6f mb_s=%.1f peak_rss_kib=%ld\n", mode,
              archive.c_str(), static_cast<unsigned long long>(entries), static_cast<unsigned long long>(bytes),
              seconds.size(), median, median > 0 ? static_cast<double>(bytes) / 1e6 / median : 0.0, PeakRssKib());
  for (double s : seconds) std::printf("run %.6f\n", s);
}

int Usage() {
  std::fprintf(stderr,
               "usage: extract_bench extract ARCHIVE OUT_FOLDER RUNS [keep]\n"
               "       extract_bench floor ARCHIVE RUNS\n"
               "       extract_bench peak COMMAND [ARGS...]\n");
  return 2;
}

// <chrono> cannot be compiled with the GBK execution character set (its "\u00b5s" suffix), hence
// clock_gettime.
double Now() {
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC, &now);
  return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) / 1e9;
}
int RunExtract(const std::string& archive, const fs::path& out_folder, int runs, bool keep, std::uint64_t entries,
               std::uint64_t bytes) {
  setup::PosixFileLayer files("");
  const std::string archive_path = AsLayerPath(archive);
  std::vector<double> seconds;
  for (int run = 0; run < runs; ++run) {
    const fs::path destination = out_folder / ("extract-bench-" + std::to_string(run));
    std::error_code error;
    fs::remove_all(destination, error);
    QuietEvents events;
    const double start = Now();
    const std::int32_t result = setup::ExtractArchive(files, archive_path, AsLayerPath(destination), events);
    seconds.push_back(Now() - start);
    if (!keep || run + 1 < runs) fs::remove_all(destination, error);
    if (result != setup::kExtractDone || events.last != 100) {
      std::fprintf(stderr, "extract_bench: extraction failed (result %d, last event %d)\n", result, events.last);
      return 1;
    }
  }
  Report("extract", archive, entries, bytes, seconds);
  return 0;
}

int RunFloor(const std::string& archive, int runs, std::uint64_t entries, std::uint64_t bytes) {
  std::vector<char> buffer(kBufferSize);
  std::vector<double> seconds;
  for (int run = 0; run < runs; ++run) {
    const double start = Now();
    const std::int64_t inflated = InflateAll(archive, buffer);
    seconds.push_back(Now() - start);
    if (inflated < 0 || static_cast<std::uint64_t>(inflated) != bytes) {
      std::fprintf(stderr, "extract_bench: inflating failed\n");
      return 1;
    }
  }
  Report("floor", archive, entries, bytes, seconds);
  return 0;
}

// Runs argv[0..] traced only for its exit, where its VmHWM is read before its memory is released.
int RunPeak(char** command) {
  const pid_t child = fork();
  if (child < 0) return 1;
  if (child == 0) {
    ptrace(PTRACE_TRACEME, 0, nullptr, nullptr);
    raise(SIGSTOP);
    execvp(command[0], command);
    _exit(127);
  }
  int status = 0;
  if (waitpid(child, &status, 0) != child || !WIFSTOPPED(status)) return 1;
  ptrace(PTRACE_SETOPTIONS, child, nullptr, PTRACE_O_TRACEEXIT | PTRACE_O_TRACEEXEC);
  ptrace(PTRACE_CONT, child, nullptr, nullptr);
  long peak = -1;
  while (waitpid(child, &status, 0) == child) {
    if (WIFEXITED(status) || WIFSIGNALED(status)) break;
    int signal = 0;
    if (status >> 8 == (SIGTRAP | (PTRACE_EVENT_EXIT << 8))) {
      peak = ImagePeakKib(std::to_string(child));
    } else if (status >> 8 != (SIGTRAP | (PTRACE_EVENT_EXEC << 8))) {
      signal = WSTOPSIG(status);  // an ordinary signal: deliver it
    }
    ptrace(PTRACE_CONT, child, nullptr, reinterpret_cast<void*>(static_cast<std::intptr_t>(signal)));
  }
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0 || peak < 0) {
    std::fprintf(stderr, "extract_bench: %s failed\n", command[0]);
    return 1;
  }
  std::printf("peak_rss_kib=%ld\n", peak);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) return Usage();
  const std::string mode = argv[1];
  if (mode == "peak") return argc < 3 ? Usage() : RunPeak(argv + 2);
  const bool keep = mode == "extract" && argc == 6 && std::string(argv[5]) == "keep";
  const bool extract = mode == "extract" && (argc == 5 || keep);
  if (!extract && !(mode == "floor" && argc == 4)) return Usage();
  const std::string archive = argv[2];
  const int runs = std::atoi(argv[extract ? 4 : 3]);
  if (runs < 1) return Usage();
  std::uint64_t entries = 0;
  std::uint64_t bytes = 0;
  if (!Totals(archive, entries, bytes)) {
    std::fprintf(stderr, "extract_bench: cannot read %s\n", archive.c_str());
    return 1;
  }
  return extract ? RunExtract(archive, argv[3], runs, keep, entries, bytes) : RunFloor(archive, runs, entries, bytes);
}
