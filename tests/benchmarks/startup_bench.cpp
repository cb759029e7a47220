// Start-up time of GUI programs, measured from inside the Windows session (under Wine: the same wineserver
// and display as the programs measured).
//
//   startup_bench [--runs N] [PROGRAM.exe ...]
//     Defaults: 30 runs; minimal_window.exe and setup.exe from this program's folder. The first program is
//     the yardstick: the others' medians are given as a ratio of its median.
//
// For each program one warm-up run first (it also records the finished window's pixels as the reference),
// then N measured runs, the programs taking turns (A B, B A, A B ...), so that drift of the machine falls
// on both alike. Each run:
//   - the clock starts right before CreateProcess;
//   - "visible": the first moment a visible top-level window of the new process exists, found by polling
//     EnumWindows + IsWindowVisible about every millisecond. (An out-of-context EVENT_OBJECT_SHOW hook
//     would cost nothing while waiting, but Wine 8 reports no show event of another process's window to
//     it: tried, it never fired.) A poll is a few cheap wineserver requests, so the resolution is
//     about 1 ms;
//   - "painted": the first moment the window's place on the screen shows exactly the reference pixels,
//     i.e. the first paint is complete and has reached the display. Screen reads begin once the window is
//     visible, so they add no load during the start itself;
//   - the process is then ended with TerminateProcess and waited for.
// Output: a table with min, median and max per program and measure in milliseconds, the ratio of the
// medians, and the run times one line each (prefixed "run"). Exit code 0, 1 when a program fails to start
// or to show its window within 20 s, 2 on a usage error.
#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "platform/handles_win.h"
#include "tests/harness/gui_driver.h"

namespace {

using setup::testing::Process;

constexpr DWORD kWindowTimeoutMs = 20000;
// How long a warm-up run waits after the window shows before it takes the reference pixels, and how
// long the pixels must then stay the same.
constexpr DWORD kSettleMs = 1000;
// After a process has ended: time for the display to take its window away.
constexpr DWORD kGapMs = 200;

LARGE_INTEGER g_frequency;

double NowMs() {
  LARGE_INTEGER now;
  QueryPerformanceCounter(&now);
  return static_cast<double>(now.QuadPart) * 1000.0 / static_cast<double>(g_frequency.QuadPart);
}

void PumpMessages() {
  MSG message;
  while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&message);
    DispatchMessageA(&message);
  }
}

// A visible top-level window of process `process_id`, or null.
HWND FindVisibleWindow(DWORD process_id) {
  struct Search {
    DWORD process_id;
    HWND found;
  } search{process_id, nullptr};
  EnumWindows(
      [](HWND window, LPARAM lparam) -> BOOL {
        auto* search = reinterpret_cast<Search*>(lparam);
        DWORD owner = 0;
        GetWindowThreadProcessId(window, &owner);
        if (owner != search->process_id || !IsWindowVisible(window)) return TRUE;
        search->found = window;
        return FALSE;
      },
      reinterpret_cast<LPARAM>(&search));
  return search.found;
}

// Reads a rectangle of the screen into 32-bit pixels.
class ScreenArea {
 public:
  explicit ScreenArea(const RECT& area)
      : area_(area), width_(area.right - area.left), height_(area.bottom - area.top), screen_(nullptr) {
    memory_.Reset(CreateCompatibleDC(screen_.Get()));
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width_;
    info.bmiHeader.biHeight = -height_;  // rows from the top
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    bitmap_.Reset(CreateDIBSection(screen_.Get(), &info, DIB_RGB_COLORS, &bits_, nullptr, 0));
  }

  // The area's pixels now (empty when the screen cannot be read).
  std::vector<std::uint32_t> Read() {
    if (!memory_ || !bitmap_ || bits_ == nullptr) return {};
    {
      setup::SelectObjectScope select(memory_.Get(), bitmap_.Get());
      BitBlt(memory_.Get(), 0, 0, width_, height_, screen_.Get(), area_.left, area_.top, SRCCOPY | CAPTUREBLT);
    }
    GdiFlush();
    const auto* pixels = static_cast<const std::uint32_t*>(bits_);
    return std::vector<std::uint32_t>(pixels, pixels + static_cast<std::size_t>(width_) * height_);
  }

 private:
  RECT area_;
  int width_;
  int height_;
  setup::WindowDc screen_;
  setup::UniqueMemoryDc memory_;
  setup::UniqueBitmap bitmap_;
  void* bits_ = nullptr;
};

bool SameRect(const RECT& a, const RECT& b) {
  return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

struct Reference {
  RECT place{};
  std::vector<std::uint32_t> pixels;
};

struct Sample {
  double visible_ms = -1;
  double painted_ms = -1;  // -1: not measured (warm-up) or never matched
};

struct Program {
  std::string name;  // as given, e.g. "setup.exe"
  std::string path;
  Reference reference;
  std::vector<Sample> samples;
};

// One start of `program`: measures, then ends the process. Without a reference yet (the warm-up run) it
// records the settled window's place and pixels as the reference instead of measuring the paint.
std::optional<Sample> RunOnce(Program& program) {
  const bool warm_up = program.reference.pixels.empty();
  Sample sample;
  const double start = NowMs();
  std::optional<Process> process = Process::Start("\"" + program.path + "\"");
  if (!process) {
    std::fprintf(stderr, "startup_bench: cannot start %s (error %lu)\n", program.path.c_str(), GetLastError());
    return std::nullopt;
  }

  RECT place{};
  std::optional<ScreenArea> area;
  for (;;) {
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 1, QS_ALLINPUT);
    PumpMessages();
    const double now = NowMs();
    if (sample.visible_ms < 0) {
      if (HWND window = FindVisibleWindow(process->Id())) {
        sample.visible_ms = now - start;
        GetWindowRect(window, &place);
        area.emplace(place);
      }
    }
    if (sample.visible_ms >= 0 && !warm_up && sample.painted_ms < 0) {
      if (!SameRect(place, program.reference.place)) {
        std::fprintf(stderr, "startup_bench: %s showed its window at another place than in the warm-up\n",
                     program.name.c_str());
        process->Kill();
        return std::nullopt;
      }
      if (area->Read() == program.reference.pixels) sample.painted_ms = NowMs() - start;
    }
    if (sample.visible_ms >= 0 && (warm_up || sample.painted_ms >= 0)) break;
    if (now - start > kWindowTimeoutMs || !process->Running()) {
      std::fprintf(
          stderr, "startup_bench: %s %s\n", program.name.c_str(),
          process->Running() ? "did not finish showing its window in time" : "ended before showing its window");
      process->Kill();
      return std::nullopt;
    }
  }

  if (warm_up) {
    // The reference: the window's pixels once they have stopped changing.
    Sleep(kSettleMs);
    std::vector<std::uint32_t> last = area->Read();
    for (int i = 0; i < 50; ++i) {
      Sleep(100);
      std::vector<std::uint32_t> now = area->Read();
      if (now == last) break;
      last = std::move(now);
    }
    program.reference = Reference{place, std::move(last)};
    setup::testing::Screenshot::Take().Save("startup_" + program.name + ".png", place);
  }
  process->Kill();
  Sleep(kGapMs);
  PumpMessages();
  return sample;
}

struct Summary {
  double min = 0, median = 0, max = 0;
  int count = 0;
};

Summary Summarise(std::vector<double> values) {
  values.erase(std::remove_if(values.begin(), values.end(), [](double v) { return v < 0; }), values.end());
  Summary summary;
  summary.count = static_cast<int>(values.size());
  if (values.empty()) return summary;
  std::sort(values.begin(), values.end());
  const std::size_t n = values.size();
  summary.min = values.front();
  summary.max = values.back();
  summary.median = n % 2 == 1 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
  return summary;
}

template <typename Field>
std::vector<double> Column(const Program& program, Field field) {
  std::vector<double> values;
  for (const Sample& sample : program.samples) values.push_back(sample.*field);
  return values;
}

std::string FormatSummary(const Summary& s) {
  if (s.count == 0) return "-";
  char text[64];
  std::snprintf(text, sizeof text, "%.1f / %.1f / %.1f", s.min, s.median, s.max);
  return text;
}

}  // namespace

int main(int argc, char** argv) {
  QueryPerformanceFrequency(&g_frequency);
  int runs = 30;
  std::vector<std::string> names;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--runs") == 0 && i + 1 < argc) {
      runs = std::atoi(argv[++i]);
    } else if (argv[i][0] == '-') {
      std::fprintf(stderr, "usage: startup_bench [--runs N] [PROGRAM.exe ...]\n");
      return 2;
    } else {
      names.emplace_back(argv[i]);
    }
  }
  if (runs < 1) {
    std::fprintf(stderr, "startup_bench: --runs must be at least 1\n");
    return 2;
  }
  if (names.empty()) names = {"minimal_window.exe", "setup.exe"};

  std::vector<Program> programs;
  for (const std::string& name : names) {
    const bool has_folder = name.find('\\') != std::string::npos || name.find(':') != std::string::npos;
    programs.push_back(Program{name, has_folder ? name : setup::testing::ProgramFolder() + name, {}, {}});
  }

  // Out of the way of hover effects, which would change the pixels.
  SetCursorPos(0, 0);

  for (Program& program : programs) {
    if (!RunOnce(program)) return 1;
  }
  for (int round = 0; round < runs; ++round) {
    for (std::size_t k = 0; k < programs.size(); ++k) {
      Program& program = programs[round % 2 == 0 ? k : programs.size() - 1 - k];
      std::optional<Sample> sample = RunOnce(program);
      if (!sample) return 1;
      program.samples.push_back(*sample);
      std::printf("run %-20s %3d  visible %7.1f  painted %7.1f\n", program.name.c_str(), round + 1, sample->visible_ms,
                  sample->painted_ms);
      std::fflush(stdout);
    }
  }

  std::printf("\nstart-up, ms from CreateProcess (min / median / max of %d runs)\n", runs);
  std::printf("%-20s  %-26s  %-26s\n", "program", "window visible", "first paint on screen");
  std::vector<Summary> visible, painted;
  for (const Program& program : programs) {
    visible.push_back(Summarise(Column(program, &Sample::visible_ms)));
    painted.push_back(Summarise(Column(program, &Sample::painted_ms)));
    std::printf("%-20s  %-26s  %-26s\n", program.name.c_str(), FormatSummary(visible.back()).c_str(),
                FormatSummary(painted.back()).c_str());
  }
  for (std::size_t k = 1; k < programs.size(); ++k) {
    std::printf("ratio of medians %s / %s: visible %.2f, painted %.2f\n", programs[k].name.c_str(),
                programs[0].name.c_str(), visible[k].median / visible[0].median,
                painted[0].median > 0 ? painted[k].median / painted[0].median : 0.0);
  }
  return 0;
}
