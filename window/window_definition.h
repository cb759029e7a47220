// The window definition: the main window, its controls, their places, looks and event bindings, as
// constant data. The window layer builds the window from it (LoadWindow); nothing else changes it.
//
// Controls are listed in definition order, the window first. Among controls with the same parent that
// order is their stacking order, the first on top. Places are relative to the parent's client area.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

#include "window/main_window_ids.h"

namespace setup {

enum class ControlKind : std::uint8_t {
  kWindow,
  kPictureBox,
  kLabel,
  kTransparentLabel,
  kPictureButton,
  kProgressBar,
  kArchiveComponent,  // draws nothing; raises the extraction's progress event
};

// Pictures built into the program (resources/pictures.h).
enum class PictureId : std::uint8_t { kNone, kInstallButton, kInstallButtonHot, kFinished, kLogo };

// The handler that an event is bound to. The program fills in the functions; the definition only
// names them.
enum class HandlerSlot : std::uint8_t {
  kOnWindowCreated,
  kOnInstallDirPressed,
  kOnCloseRequested,
  kOnInstallClicked,
  kOnExtractProgress,
};
inline constexpr std::size_t kHandlerSlotCount = 5;

// Mouse pointers (property 7). 0 is the control kind's default, the arrow.
enum MousePointer : std::int32_t {
  kPointerDefault = 0,
  kPointerArrow = 1,
  kPointerCross = 2,
  kPointerIBeam = 3,
  kPointerSizeAll = 4,
  kPointerSizeNeSw = 5,
  kPointerSizeNs = 6,
  kPointerSizeNwSe = 7,
  kPointerSizeWe = 8,
  kPointerUpArrow = 9,
  kPointerWait = 10,
  kPointerNo = 11,
  kPointerAppStarting = 12,
  kPointerHelp = 13,
  kPointerHand = 14,
};
inline constexpr std::int32_t kPointerLast = kPointerHand;

// A colour as the system keeps it: 0x00BBGGRR.
using Colour = std::uint32_t;
constexpr Colour Rgb(std::uint8_t r, std::uint8_t g, std::uint8_t b) noexcept {
  return static_cast<Colour>(r) | static_cast<Colour>(g) << 8 | static_cast<Colour>(b) << 16;
}
// The picture box's "system button-face colour" value.
inline constexpr Colour kSystemButtonFace = 0xFF000000u;
// The picture button's "no transparent colour" value.
inline constexpr Colour kNoTransparentColour = 0xFF000000u;

// A font setting: the fields of a LOGFONTA record that the definition uses. The face name may be empty
// (the system chooses the face); the record's other fields are made by the window layer.
struct FontSetting {
  std::int32_t height = 0;  // LOGFONTA lfHeight: negative for a character height in pixels
  std::int32_t weight = 400;
  bool italic = false;
  bool underline = false;
  bool strike_out = false;
  const char* face = "";
};

struct ControlDefinition {
  ControlKind kind;
  const char* name;  // the control's name in the definition; a label for people, looked up by no code
  std::uint32_t id;
  std::uint32_t parent;  // identifier of the parent control; 0 for the window itself
  std::int32_t left, top, width, height;
  bool visible = true;
  bool disabled = false;
  std::int32_t pointer = kPointerDefault;

  // Kind settings; each kind reads the ones that belong to it.
  const char* caption = "";                 // window, labels
  Colour text_colour = Rgb(0, 0, 0);        // labels
  Colour back_colour = Rgb(255, 255, 255);  // window, label, picture box
  const FontSetting* font = nullptr;        // null: the system's default GUI font
  std::int32_t border_style = 0;            // picture box, label, progress bar
  PictureId picture = PictureId::kNone;     // picture box picture; picture button normal picture
  PictureId hot_picture = PictureId::kNone;
  PictureId pressed_picture = PictureId::kNone;
  PictureId disabled_picture = PictureId::kNone;
  std::int32_t display_mode = 0;      // picture box
  std::int32_t progress_minimum = 0;  // progress bar
  std::int32_t progress_maximum = 100;
  std::int32_t progress_position = 0;
  bool vertical = false;
  bool smooth = false;
};

struct EventBinding {
  std::uint32_t control;
  std::int32_t event;
  HandlerSlot handler;
};

struct WindowDefinition {
  std::uint32_t id;
  std::span<const ControlDefinition> controls;  // controls[0] is the window itself
  std::span<const EventBinding> bindings;
};

// Colours of the main window.
inline constexpr Colour kWindowBackground = Rgb(117, 184, 238);
inline constexpr Colour kPanelColour = Rgb(22, 131, 196);
inline constexpr Colour kWhite = Rgb(255, 255, 255);
inline constexpr Colour kTitleYellow = Rgb(255, 255, 0);

// The two fonts of the main window; the face is the system's choice.
inline constexpr FontSetting kTitleFont{.height = -12, .weight = 700};
inline constexpr FontSetting kInstallDirFont{.height = -12, .weight = 400, .underline = true};

// The install-folder label's caption until the created event writes the proposed install folder.
inline constexpr const char kSampleInstallDir[] = "D:\\Vostrel软件\\Marnobe";

// clang-format off
inline constexpr ControlDefinition kMainWindowControls[] = {
  {.kind = ControlKind::kWindow, .name = "主窗口", .id = kMainWindowControl, .parent = 0,
   .left = 0, .top = 0, .width = 250, .height = 400,
   .caption = "安装程序", .back_colour = kWindowBackground},
  {.kind = ControlKind::kPictureBox, .name = "图片框1_背景", .id = kPanelBackground, .parent = kMainWindowControl,
   .left = 0, .top = 0, .width = 250, .height = 400,
   .back_colour = kPanelColour, .border_style = 5},
  {.kind = ControlKind::kLabel, .name = "标签_日志", .id = kStatusLabel, .parent = kPanelBackground,
   .left = 79, .top = 344, .width = 160, .height = 24,
   .caption = "", .text_colour = kWhite, .back_colour = kPanelColour},
  {.kind = ControlKind::kTransparentLabel, .name = "透明标签4", .id = kCloseMark, .parent = kPanelBackground,
   .left = 230, .top = 14, .width = 12, .height = 12, .pointer = kPointerHand,
   .caption = "×", .text_colour = kWhite},
  {.kind = ControlKind::kProgressBar, .name = "进度条1", .id = kProgressBar, .parent = kPanelBackground,
   .left = 21, .top = 327, .width = 205, .height = 8, .visible = false,
   .border_style = 3, .progress_minimum = 0, .progress_maximum = 100, .progress_position = 0,
   .vertical = false, .smooth = true},
  {.kind = ControlKind::kPictureButton, .name = "图形按钮1", .id = kInstallButton, .parent = kPanelBackground,
   .left = 14, .top = 255, .width = 220, .height = 80,
   .picture = PictureId::kInstallButton, .hot_picture = PictureId::kInstallButtonHot},
  {.kind = ControlKind::kLabel, .name = "标签1", .id = kFolderCaption, .parent = kPanelBackground,
   .left = 7, .top = 344, .width = 56, .height = 24,
   .caption = "安装目录：", .text_colour = kWhite, .back_colour = kPanelColour},
  {.kind = ControlKind::kTransparentLabel, .name = "透明标签1", .id = kTitleLabel, .parent = kPanelBackground,
   .left = 7, .top = 8, .width = 68, .height = 24,
   .caption = "安装程序", .text_colour = kTitleYellow,
   .font = &kTitleFont},
  {.kind = ControlKind::kPictureBox, .name = "图片框_Logo", .id = kLogoBox, .parent = kPanelBackground,
   .left = 12, .top = 36, .width = 211, .height = 211,
   .back_colour = kPanelColour, .border_style = 0, .picture = PictureId::kLogo, .display_mode = 1},
  {.kind = ControlKind::kLabel, .name = "标签_安装目录", .id = kInstallDirLabel, .parent = kPanelBackground,
   .left = 7, .top = 367, .width = 232, .height = 25, .pointer = kPointerHand,
   .caption = kSampleInstallDir, .text_colour = kWhite, .back_colour = kPanelColour,
   .font = &kInstallDirFont},
  {.kind = ControlKind::kArchiveComponent, .name = "ZIP压缩1", .id = kArchiveComponent, .parent = kLogoBox,
   .left = 8, .top = 40, .width = 27, .height = 27, .visible = false},
};

inline constexpr EventBinding kMainWindowBindings[] = {
  {kMainWindowControl, kEventCreated,     HandlerSlot::kOnWindowCreated},
  {kInstallDirLabel,   kEventLeftPressed,  HandlerSlot::kOnInstallDirPressed},
  {kCloseMark,         kEventLeftReleased, HandlerSlot::kOnCloseRequested},
  {kInstallButton,     kEventClicked,      HandlerSlot::kOnInstallClicked},
  {kArchiveComponent,  kEventProgress,     HandlerSlot::kOnExtractProgress},
};
// clang-format on

inline constexpr WindowDefinition kMainWindow{kMainWindowDefinition, kMainWindowControls, kMainWindowBindings};

// The definition with identifier `id`, or null when the program has none.
constexpr const WindowDefinition* FindWindowDefinition(std::uint32_t id) noexcept {
  return id == kMainWindow.id ? &kMainWindow : nullptr;
}

// The control `id` of `window`, or null.
constexpr const ControlDefinition* FindControl(const WindowDefinition& window, std::uint32_t id) noexcept {
  for (const ControlDefinition& control : window.controls) {
    if (control.id == id) return &control;
  }
  return nullptr;
}

// The handler bound to `event` of `control`, when there is one.
constexpr std::optional<HandlerSlot> FindBinding(const WindowDefinition& window, std::uint32_t control,
                                                 std::int32_t event) noexcept {
  for (const EventBinding& binding : window.bindings) {
    if (binding.control == control && binding.event == event) return binding.handler;
  }
  return std::nullopt;
}

// Position of `control` in definition order, or -1.
constexpr std::int32_t DefinitionIndex(const WindowDefinition& window, std::uint32_t control) noexcept {
  for (std::size_t i = 0; i < window.controls.size(); ++i) {
    if (window.controls[i].id == control) return static_cast<std::int32_t>(i);
  }
  return -1;
}

// Where control `index` goes in the stacking order when the controls are created in definition order:
// directly beneath the nearest earlier control with the same parent (its definition index), or -1 when
// it is the first child of its parent and goes on top.
constexpr std::int32_t StackBeneath(const WindowDefinition& window, std::size_t index) noexcept {
  for (std::size_t i = index; i-- > 1;) {
    if (window.controls[i].parent == window.controls[index].parent) return static_cast<std::int32_t>(i);
  }
  return -1;
}

}  // namespace setup
