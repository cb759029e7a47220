// The shipped setup.exe under Wine on a 1920 x 1080 screen: where its window appears and how it looks,
// how its controls are stacked, the install button's hot face, and the two ways a person ends it (the
// close mark, WM_CLOSE).
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <cstdlib>
#include <span>
#include <string>
#include <vector>

#include "tests/harness/gui_driver.h"
#include "window/window_definition.h"

namespace setup::testing {
namespace {

constexpr COLORREF kPanel = RGB(22, 131, 196);
constexpr COLORREF kTealFace = RGB(0x12, 0x96, 0xB8);
constexpr COLORREF kHotFace = RGB(0x62, 0xA7, 0xCB);

class MainWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    MoveMouse(5, 5);
    program_ = Process::Start("\"" + ProgramFolder() + "setup.exe\"");
    ASSERT_TRUE(program_.has_value());
    window_ = WaitForWindow("安装程序", 15000, program_->Id());
    ASSERT_NE(window_, nullptr);
    Settle(500);
    rect_ = WindowRect(window_);
  }
  void TearDown() override {
    if (program_) program_->Kill();
  }

  // A point of the install panel's client area in screen coordinates (the panel has a 1-pixel border).
  POINT InPanel(int x, int y) const { return POINT{rect_.left + 1 + x, rect_.top + 1 + y}; }
  COLORREF PanelPixel(const Screenshot& shot, int x, int y) const {
    const POINT p = InPanel(x, y);
    return shot.Pixel(p.x, p.y);
  }

  std::optional<Process> program_;
  HWND window_ = nullptr;
  RECT rect_ = {};
};

TEST_F(MainWindowTest, AppearsCentredWithoutFrameAndLooksAsDesigned) {
  // Centred on 1920 x 1080: left (1920 - 250) / 2; the created event's handler moves the top edge from
  // the centred 340 to 300 before the window is first shown.
  EXPECT_EQ(rect_.left, 835);
  EXPECT_EQ(rect_.top, 300);
  EXPECT_EQ(rect_.right - rect_.left, 250);
  EXPECT_EQ(rect_.bottom - rect_.top, 400);
  const LONG_PTR style = GetWindowLongPtrA(window_, GWL_STYLE);
  EXPECT_EQ(style & (WS_CAPTION | WS_THICKFRAME | WS_SYSMENU | WS_MINIMIZEBOX | WS_MAXIMIZEBOX), 0);
  RECT client = {};
  GetClientRect(window_, &client);
  EXPECT_EQ(client.right, 250);
  EXPECT_EQ(client.bottom, 400);

  const Screenshot shot = Screenshot::Take();
  EXPECT_FALSE(shot.Save("main-window.png", rect_).empty());

  EXPECT_EQ(PanelPixel(shot, 120, 20), kPanel) << "the panel between title and close mark";
  EXPECT_EQ(PanelPixel(shot, 5, 250), kPanel) << "the panel left of the install button";
  int yellow = 0;
  for (int y = 8; y < 32; ++y) {
    for (int x = 7; x < 75; ++x) {
      const COLORREF c = PanelPixel(shot, x, y);
      if (GetRValue(c) > 200 && GetGValue(c) > 200 && GetBValue(c) < 90) ++yellow;
    }
  }
  EXPECT_GT(yellow, 40) << "the yellow title 安装程序";
  EXPECT_TRUE(ColorsNear(PanelPixel(shot, 14 + 10, 255 + 10), kTealFace)) << "the install button's normal face";
  // The progress bar exists, hidden: the install button's bottom rows, which it covers when shown,
  // show the button's face.
  const std::vector<HWND> bars = FindChildren(window_, "msctls_progress32");
  ASSERT_EQ(bars.size(), 1u);
  EXPECT_FALSE(IsWindowVisible(bars[0]));
  EXPECT_TRUE(ColorsNear(PanelPixel(shot, 100, 330), kTealFace)) << "panel row 330 under the hidden progress bar";
  // The logo fills its box: the flame's white near the middle, the blue ground at a corner.
  const COLORREF flame = PanelPixel(shot, 12 + 70, 36 + 130);
  EXPECT_GT(GetRValue(flame), 200);
  EXPECT_GT(GetGValue(flame), 200);

  // Captions, as the labels hold them.
  std::vector<std::string> captions;
  for (HWND label : FindChildren(window_, "SetupLabel")) captions.push_back(WindowText(label));
  // This session has no drive D:, so the install folder is proposed on C:.
  EXPECT_NE(std::find(captions.begin(), captions.end(), "C:\\Vostrel软件\\Marnobe"), captions.end());
  EXPECT_NE(std::find(captions.begin(), captions.end(), "安装目录："), captions.end());
}

// Among the children of each parent, the definition order from the top down, whenever each native
// window was made (the progress bar's is made after the window is shown).
TEST_F(MainWindowTest, ControlsAreStackedInDefinitionOrder) {
  const std::span<const ControlDefinition> rows = kMainWindow.controls;
  // A native child is known by its place inside its parent's client area.
  const auto row_of = [&](HWND child) -> int {
    RECT place = WindowRect(child);
    MapWindowPoints(nullptr, GetParent(child), reinterpret_cast<POINT*>(&place), 2);
    for (std::size_t i = 1; i < rows.size(); ++i) {
      const ControlDefinition& row = rows[i];
      if (place.left == row.left && place.top == row.top && place.right - place.left == row.width &&
          place.bottom - place.top == row.height) {
        return static_cast<int>(i);
      }
    }
    return -1;
  };
  std::vector<HWND> parents = {window_};
  for (HWND child : FindChildren(window_)) parents.push_back(child);
  int stacked = 0;
  for (HWND parent : parents) {
    std::vector<int> order;
    for (HWND child = GetWindow(parent, GW_CHILD); child != nullptr; child = GetWindow(child, GW_HWNDNEXT)) {
      order.push_back(row_of(child));
      ASSERT_GE(order.back(), 0) << "a child that no row of the definition describes";
    }
    EXPECT_TRUE(std::is_sorted(order.begin(), order.end())) << "children of a parent out of definition order";
    stacked += static_cast<int>(order.size());
  }
  EXPECT_EQ(stacked, static_cast<int>(rows.size()) - 1) << "every control has its native window";
}

TEST_F(MainWindowTest, HoveringTheInstallButtonShowsItsHotFace) {
  const POINT face = InPanel(14 + 10, 255 + 10);
  MoveMouse(face.x, face.y);
  Settle(400);
  EXPECT_TRUE(ColorsNear(Screenshot::Take().Pixel(face.x, face.y), kHotFace));
  Screenshot::Take().Save("main-window-hot.png", rect_);

  const POINT away = InPanel(120, 20);
  MoveMouse(away.x, away.y);
  Settle(400);
  EXPECT_TRUE(ColorsNear(Screenshot::Take().Pixel(face.x, face.y), kTealFace));
}

TEST_F(MainWindowTest, ReleasingOverTheCloseMarkEndsWithExitCodeZero) {
  const POINT close = InPanel(236, 20);
  MoveMouse(close.x, close.y);
  PressLeft();
  Settle(500);
  EXPECT_FALSE(program_->WaitForExit(500).has_value()) << "pressing alone ends nothing";
  ReleaseLeft();
  EXPECT_EQ(program_->WaitForExit(10000), std::optional<DWORD>(0));
}

TEST_F(MainWindowTest, CloseMessageFromOutsideEndsWithExitCodeZero) {
  PostMessageA(window_, WM_CLOSE, 0, 0);
  EXPECT_EQ(program_->WaitForExit(10000), std::optional<DWORD>(0));
}

}  // namespace
}  // namespace setup::testing
