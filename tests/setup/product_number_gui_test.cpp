// Installers built with a product number outside their brand's list (row 0 has 24 names): the
// created event's index check stops them with the run-time error box before the window is shown, and
// they end with exit code -1 once the box is answered.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "tests/harness/gui_driver.h"

namespace setup::testing {
namespace {

struct OutOfRangeCase {
  const char* name;
  const char* text;
};

// clang-format off
constexpr OutOfRangeCase kCases[] = {
  {"setup_product0",  "运行时出错!\r\n\r\n错误代码：4\r\n\r\n错误信息：数组成员引用下标必须大于等于1\r\n"},
  {"setup_product25", "运行时出错!\r\n\r\n错误代码：1\r\n\r\n错误信息：数组成员引用下标超出定义范围\r\n"},
};
// clang-format on

TEST(ProductNumberOutOfRange, ShowsTheIndexErrorAndEndsWithMinusOne) {
  for (const OutOfRangeCase& c : kCases) {
    SCOPED_TRACE(c.name);
    std::optional<Process> program = Process::Start("\"" + ProgramFolder() + c.name + ".exe\"");
    ASSERT_TRUE(program.has_value());
    HWND box = WaitForMessageBox("错误", 15000, program->Id());
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(MessageBoxText(box), c.text);
    EXPECT_EQ(WaitForWindow("安装程序", 0, program->Id()), nullptr) << "the window is never shown";
    Settle(300);  // for the picture: the box paints its text after it appears
    Screenshot::Take().Save(std::string(c.name) + "-error.png", WindowRect(box));
    ASSERT_TRUE(PressMessageBoxButton(box, IDOK));
    EXPECT_EQ(program->WaitForExit(10000), std::optional<DWORD>(0xFFFFFFFFu));
    program->Kill();
  }
}

}  // namespace
}  // namespace setup::testing
