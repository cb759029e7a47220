// Proves the Windows-side harness: the Wine session has the Chinese code page, narrow literals are GBK,
// and a GUI test can start a program, find and measure its window, read its pixels, click it and get
// its exit code.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstring>

#include "tests/harness/gui_driver.h"

namespace setup::testing {
namespace {

TEST(WineSessionTest, ChineseAnsiCodePageAndGbkLiterals) {
  EXPECT_EQ(GetACP(), 936u);
  const char text[] = "安装";
  ASSERT_EQ(sizeof text, 5u);
  EXPECT_EQ(std::memcmp(text, "\xB0\xB2\xD7\xB0", 4), 0);
  EXPECT_TRUE(IsDBCSLeadByte(static_cast<BYTE>(text[0])));
}

TEST(GuiHarnessTest, FindsMeasuresClicksAndEndsAWindow) {
  std::optional<Process> program = Process::Start("\"" + ProgramFolder() + "sample_window.exe\"");
  ASSERT_TRUE(program.has_value());
  HWND window = WaitForWindow("测试窗口", 10000, program->Id());
  ASSERT_NE(window, nullptr);
  Settle();

  const RECT rect = WindowRect(window);
  EXPECT_EQ(rect.left, 100);
  EXPECT_EQ(rect.top, 100);
  EXPECT_EQ(rect.right - rect.left, 300);
  EXPECT_EQ(rect.bottom - rect.top, 200);

  const Screenshot shot = Screenshot::Take();
  EXPECT_EQ(shot.Width(), 1920);
  EXPECT_EQ(shot.Height(), 1080);
  EXPECT_EQ(shot.Pixel(250, 200), RGB(22, 131, 196));
  EXPECT_FALSE(shot.Save("harness-sample-window.png", rect).empty());

  ClickAt(250, 200);
  EXPECT_EQ(program->WaitForExit(10000), std::optional<DWORD>(7));
}

}  // namespace
}  // namespace setup::testing
