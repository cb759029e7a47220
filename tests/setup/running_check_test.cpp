#include "setup/running_check.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/fakes/fake_setup.h"

namespace setup {
namespace {

using fakes::FakeSetup;

TEST(IsProcessRunningTest, WholeNameWithAsciiLettersFolded) {
  struct Case {
    std::vector<std::string> processes;
    std::string exe_name;
    bool running;
  };
  const Case cases[] = {
      {{"System", "explorer.exe", "MARNOBE.EXE"}, "Marnobe.exe", true},
      {{"marnobe.exe", "other.exe"}, "Marnobe.exe", true},
      {{"Marnobe.exe.bak", "xMarnobe.exe", "Marnobe.ex", "Marnobe"}, "Marnobe.exe", false},
      {{}, "Marnobe.exe", false},
      // Second bytes of two-byte characters are never folded, on either side.
      {{"\xB0\x61.exe"}, "\xB0\x41.exe", false},
      {{"\xB0\x41.exe"}, "\xB0\x61.exe", false},
      {{"\xB0\x41.EXE"}, "\xB0\x41.exe", true},
      // A name filling the whole 260-byte field without a terminating zero.
      {{std::string(260, 'a')}, std::string(260, 'A'), true},
      {{std::string(260, 'a')}, std::string(261, 'a'), false},
  };
  for (const Case& c : cases) {
    FakeSetup setup;
    setup.functions.answers().processes = c.processes;
    EXPECT_EQ(IsProcessRunning(setup.context, c.exe_name), c.running) << c.exe_name;
    const auto& calls = setup.functions.calls();
    EXPECT_EQ(calls.snapshot_flags, std::vector<std::uint32_t>{0xF});
    // The snapshot is closed once, whether or not the name was found.
    EXPECT_EQ(calls.closed, std::vector<NativeHandle>{setup.functions.answers().snapshot}) << c.exe_name;
  }
}

TEST(IsProcessRunningTest, StopsReadingAtTheFirstMatch) {
  FakeSetup setup;
  setup.functions.answers().processes = {"a.exe", "Marnobe.exe", "Marnobe.exe", "b.exe"};
  EXPECT_TRUE(IsProcessRunning(setup.context, "Marnobe.exe"));
  EXPECT_EQ(setup.functions.calls().process_reads, 2);
}

TEST(IsProcessRunningTest, NoSnapshotCountsAsNotRunning) {
  FakeSetup setup;
  setup.functions.answers().snapshot = 0;
  setup.functions.answers().processes = {"Marnobe.exe"};
  EXPECT_FALSE(IsProcessRunning(setup.context, "Marnobe.exe"));
  EXPECT_TRUE(setup.functions.calls().closed.empty());  // nothing to close
  EXPECT_EQ(setup.functions.calls().process_reads, 0);
}

}  // namespace
}  // namespace setup
