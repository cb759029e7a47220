// The main window's definition, the property value rules and the picture decoder.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "resources/pictures.h"
#include "window/picture_decoder.h"
#include "window/property_values.h"
#include "window/window_definition.h"

namespace setup {
namespace {

TEST(MainWindowDefinitionTest, ControlsIdentifiersPlacesAndParentsInDefinitionOrder) {
  struct Row {
    ControlKind kind;
    const char* name;
    std::uint32_t id;
    std::uint32_t parent;
    std::int32_t left, top, width, height;
    bool visible;
  };
  // clang-format off
  const Row expected[] = {
    {ControlKind::kWindow,           "主窗口",        0x06010000, 0,          0,   0,   250, 400, true},
    {ControlKind::kPictureBox,       "图片框1_背景",  0x1601001C, 0x06010000, 0,   0,   250, 400, true},
    {ControlKind::kLabel,            "标签_日志",     0x160100A0, 0x1601001C, 79,  344, 160, 24,  true},
    {ControlKind::kTransparentLabel, "透明标签4",     0x1601006F, 0x1601001C, 230, 14,  12,  12,  true},
    {ControlKind::kProgressBar,      "进度条1",       0x16010066, 0x1601001C, 21,  327, 205, 8,   false},
    {ControlKind::kPictureButton,    "图形按钮1",     0x16010021, 0x1601001C, 14,  255, 220, 80,  true},
    {ControlKind::kLabel,            "标签1",         0x1601002D, 0x1601001C, 7,   344, 56,  24,  true},
    {ControlKind::kTransparentLabel, "透明标签1",     0x16010028, 0x1601001C, 7,   8,   68,  24,  true},
    {ControlKind::kPictureBox,       "图片框_Logo",   0x16010027, 0x1601001C, 12,  36,  211, 211, true},
    {ControlKind::kLabel,            "标签_安装目录", 0x1601001E, 0x1601001C, 7,   367, 232, 25,  true},
    {ControlKind::kArchiveComponent, "ZIP压缩1",      0x1601005A, 0x16010027, 8,   40,  27,  27,  false},
  };
  // clang-format on
  EXPECT_EQ(kMainWindow.id, 0x52010001u);
  ASSERT_EQ(kMainWindow.controls.size(), std::size(expected));
  for (std::size_t i = 0; i < std::size(expected); ++i) {
    const ControlDefinition& control = kMainWindow.controls[i];
    const Row& row = expected[i];
    SCOPED_TRACE(row.name);
    EXPECT_EQ(control.kind, row.kind);
    EXPECT_STREQ(control.name, row.name);
    EXPECT_EQ(control.id, row.id);
    EXPECT_EQ(control.parent, row.parent);
    EXPECT_EQ(control.left, row.left);
    EXPECT_EQ(control.top, row.top);
    EXPECT_EQ(control.width, row.width);
    EXPECT_EQ(control.height, row.height);
    EXPECT_EQ(control.visible, row.visible);
    EXPECT_FALSE(control.disabled);
    // Every parent comes before its children.
    if (row.parent != 0) {
      EXPECT_LT(DefinitionIndex(kMainWindow, row.parent), static_cast<std::int32_t>(i));
    }
  }
}

TEST(MainWindowDefinitionTest, LooksCaptionsFontsAndPictures) {
  const ControlDefinition& window = *FindControl(kMainWindow, kMainWindowControl);
  EXPECT_STREQ(window.caption, "安装程序");
  EXPECT_EQ(window.back_colour, Rgb(117, 184, 238));

  const ControlDefinition& panel = *FindControl(kMainWindow, kPanelBackground);
  EXPECT_EQ(panel.back_colour, Rgb(22, 131, 196));
  EXPECT_EQ(panel.border_style, 5);
  EXPECT_EQ(panel.picture, PictureId::kNone);

  for (std::uint32_t id : {kStatusLabel, kFolderCaption, kInstallDirLabel}) {
    const ControlDefinition& label = *FindControl(kMainWindow, id);
    SCOPED_TRACE(label.name);
    EXPECT_EQ(label.text_colour, Rgb(255, 255, 255));
    EXPECT_EQ(label.back_colour, Rgb(22, 131, 196));
    EXPECT_EQ(label.border_style, 0);
  }
  EXPECT_STREQ(FindControl(kMainWindow, kStatusLabel)->caption, "");
  EXPECT_STREQ(FindControl(kMainWindow, kFolderCaption)->caption, "安装目录：");
  EXPECT_EQ(FindControl(kMainWindow, kStatusLabel)->font, nullptr);
  EXPECT_EQ(FindControl(kMainWindow, kFolderCaption)->font, nullptr);

  const ControlDefinition& close = *FindControl(kMainWindow, kCloseMark);
  EXPECT_STREQ(close.caption, "×");
  EXPECT_EQ(close.text_colour, Rgb(255, 255, 255));
  EXPECT_EQ(close.font, nullptr);
  EXPECT_EQ(close.pointer, kPointerHand);

  const ControlDefinition& title = *FindControl(kMainWindow, kTitleLabel);
  EXPECT_STREQ(title.caption, "安装程序");
  EXPECT_EQ(title.text_colour, Rgb(255, 255, 0));
  ASSERT_NE(title.font, nullptr);
  EXPECT_EQ(title.font->height, -12);
  EXPECT_EQ(title.font->weight, 700);
  EXPECT_FALSE(title.font->underline);
  EXPECT_STREQ(title.font->face, "");

  const ControlDefinition& folder = *FindControl(kMainWindow, kInstallDirLabel);
  EXPECT_STREQ(folder.caption, "D:\\Vostrel软件\\Marnobe");
  ASSERT_NE(folder.font, nullptr);
  EXPECT_EQ(folder.font->height, -12);
  EXPECT_EQ(folder.font->weight, 400);
  EXPECT_TRUE(folder.font->underline);
  EXPECT_EQ(folder.pointer, kPointerHand);

  const ControlDefinition& bar = *FindControl(kMainWindow, kProgressBar);
  EXPECT_EQ(bar.border_style, 3);
  EXPECT_TRUE(bar.smooth);
  EXPECT_FALSE(bar.vertical);
  EXPECT_EQ(bar.progress_minimum, 0);
  EXPECT_EQ(bar.progress_maximum, 100);
  EXPECT_EQ(bar.progress_position, 0);

  const ControlDefinition& button = *FindControl(kMainWindow, kInstallButton);
  EXPECT_EQ(button.picture, PictureId::kInstallButton);
  EXPECT_EQ(button.hot_picture, PictureId::kInstallButtonHot);
  EXPECT_EQ(button.pressed_picture, PictureId::kNone);
  EXPECT_EQ(button.disabled_picture, PictureId::kNone);

  const ControlDefinition& logo = *FindControl(kMainWindow, kLogoBox);
  EXPECT_EQ(logo.picture, PictureId::kLogo);
  EXPECT_EQ(logo.display_mode, 1);
  EXPECT_EQ(logo.border_style, 0);
}

TEST(MainWindowDefinitionTest, StackingGivesDefinitionOrderFirstOnTop) {
  // Each control goes directly beneath the nearest earlier control with the same parent; the first
  // child of a parent goes on top.
  std::vector<std::string> order;
  for (std::size_t i = 1; i < kMainWindow.controls.size(); ++i) {
    const std::int32_t beneath = StackBeneath(kMainWindow, i);
    order.push_back(
        std::string(kMainWindow.controls[i].name) +
        (beneath < 0 ? " top" : std::string(" under ") + kMainWindow.controls[static_cast<std::size_t>(beneath)].name));
  }
  const std::vector<std::string> expected = {
      "图片框1_背景 top",
      "标签_日志 top",
      "透明标签4 under 标签_日志",
      "进度条1 under 透明标签4",
      "图形按钮1 under 进度条1",
      "标签1 under 图形按钮1",
      "透明标签1 under 标签1",
      "图片框_Logo under 透明标签1",
      "标签_安装目录 under 图片框_Logo",
      "ZIP压缩1 top",
  };
  EXPECT_EQ(order, expected);
}

TEST(MainWindowDefinitionTest, EventBindings) {
  EXPECT_EQ(FindBinding(kMainWindow, kMainWindowControl, 0), HandlerSlot::kOnWindowCreated);
  EXPECT_EQ(FindBinding(kMainWindow, kInstallDirLabel, -1), HandlerSlot::kOnInstallDirPressed);
  EXPECT_EQ(FindBinding(kMainWindow, kCloseMark, -2), HandlerSlot::kOnCloseRequested);
  EXPECT_EQ(FindBinding(kMainWindow, kInstallButton, 0), HandlerSlot::kOnInstallClicked);
  EXPECT_EQ(FindBinding(kMainWindow, kArchiveComponent, 1), HandlerSlot::kOnExtractProgress);
  EXPECT_EQ(kMainWindow.bindings.size(), 5u);
  // Pressing the close mark, or releasing over the install-folder label, is bound to nothing.
  EXPECT_FALSE(FindBinding(kMainWindow, kCloseMark, -1).has_value());
  EXPECT_FALSE(FindBinding(kMainWindow, kInstallDirLabel, -2).has_value());
  EXPECT_FALSE(FindBinding(kMainWindow, kMainWindowControl, 7).has_value());
  EXPECT_EQ(FindWindowDefinition(0x52010001), &kMainWindow);
  EXPECT_EQ(FindWindowDefinition(0x52010002), nullptr);
}

TEST(PropertyValuesTest, Clamping) {
  EXPECT_EQ(ClampEdge(40000), 32627);
  EXPECT_EQ(ClampEdge(-40000), -32627);
  EXPECT_EQ(ClampEdge(-5), -5);
  EXPECT_EQ(ClampExtent(-1), 0);
  EXPECT_EQ(ClampExtent(32628), 32627);
  EXPECT_EQ(ClampExtent(250), 250);
  EXPECT_EQ(ClampProgressValue(-1), 0);
  EXPECT_EQ(ClampProgressValue(40000), 32767);
  EXPECT_EQ(ClampBorderStyle(ControlKind::kPictureBox, 9), 5);
  EXPECT_EQ(ClampBorderStyle(ControlKind::kProgressBar, -3), 0);
  EXPECT_EQ(ClampBorderStyle(ControlKind::kLabel, 9), 6);
  EXPECT_EQ(ClampBorderStyle(ControlKind::kTransparentLabel, 6), 6);
  EXPECT_EQ(ClampDisplayMode(3), 2);
  EXPECT_EQ(ClampDisplayMode(-1), 0);
  EXPECT_EQ(NormalizeBoolean(-7), 1);
  EXPECT_EQ(ClampMousePointer(15), kPointerDefault);
  EXPECT_EQ(ClampMousePointer(kPointerHand), kPointerHand);
}

TEST(PropertyValuesTest, ProgressBarShowsThePositionLimitedToTheStoredRange) {
  struct Case {
    ProgressValues values;
    std::int32_t low, high, shown;
  };
  const Case cases[] = {
      {{0, 100, 50}, 0, 100, 50},  {{0, 100, 150}, 0, 100, 100},  // above the maximum: a full bar; reads still give 150
      {{20, 100, 5}, 20, 100, 20}, {{100, 0, 50}, 0, 100, 0},     // minimum above maximum: the range turns round
      {{0, 0, 0}, 0, 0, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.values.minimum << "/" << c.values.maximum << "/" << c.values.position);
    EXPECT_EQ(c.values.RangeLow(), c.low);
    EXPECT_EQ(c.values.RangeHigh(), c.high);
    EXPECT_EQ(c.values.Shown(), c.shown);
  }
}

TEST(PictureDecoderTest, EmbeddedPicturesDecodeToTheirSizes) {
  struct Case {
    const char* name;
    ByteSet picture;
    std::int32_t width, height;
  };
  const Case cases[] = {
      {"install", InstallButtonPicture(), 220, 80},
      {"install hot", InstallButtonHotPicture(), 220, 80},
      {"finished", FinishedPicture(), 220, 80},
      {"logo", LogoPicture(), 424, 534},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::optional<DecodedPicture> decoded = DecodeJpeg(c.picture.Bytes());
    ASSERT_TRUE(decoded.has_value());
    EXPECT_EQ(decoded->width, c.width);
    EXPECT_EQ(decoded->height, c.height);
    EXPECT_EQ(decoded->pixels.size(), static_cast<std::size_t>(c.width) * c.height * 4);
  }
  // The install face is teal (#1296B8) away from its frame and caption: pixels are B, G, R, unused.
  const std::optional<DecodedPicture> face = DecodeJpeg(InstallButtonPicture().Bytes());
  const std::uint8_t* pixel = &face->pixels[(10 * 220 + 10) * 4];
  EXPECT_NEAR(pixel[0], 0xB8, 8);
  EXPECT_NEAR(pixel[1], 0x96, 8);
  EXPECT_NEAR(pixel[2], 0x12, 8);
}

TEST(PictureDecoderTest, BytesThatAreNoCompletePictureGiveNothing) {
  const std::span<const std::uint8_t> logo = LogoPicture().Bytes();
  const std::vector<std::uint8_t> garbage(500, 0x5A);
  std::vector<std::uint8_t> corrupt(logo.begin(), logo.end());
  for (std::size_t i = 600; i < 1600; ++i) corrupt[i] = static_cast<std::uint8_t>(i * 7);
  EXPECT_FALSE(DecodeJpeg({}).has_value());
  EXPECT_FALSE(DecodeJpeg(garbage).has_value());
  EXPECT_FALSE(DecodeJpeg(logo.first(logo.size() / 2)).has_value()) << "a truncated file";
  EXPECT_FALSE(DecodeJpeg(logo.first(20)).has_value()) << "only the header's start";
  // A corrupt middle either fails or decodes to the right size; it never ends the process.
  if (const auto decoded = DecodeJpeg(corrupt)) {
    EXPECT_EQ(decoded->width, 424);
  }
}

}  // namespace
}  // namespace setup
