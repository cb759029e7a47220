// Identifiers of the main window's definition, its controls, the property numbers and the event numbers
// through which the setup logic reaches them.
#pragma once

#include <cstdint>

#include "window/window_access.h"

namespace setup {

inline constexpr std::uint32_t kMainWindowDefinition = 0x52010001;

// Controls of the main window.
inline constexpr std::uint32_t kMainWindowControl = 0x06010000;  // the window itself
inline constexpr std::uint32_t kPanelBackground = 0x1601001C;    // 图片框1_背景
inline constexpr std::uint32_t kStatusLabel = 0x160100A0;        // 标签_日志
inline constexpr std::uint32_t kCloseMark = 0x1601006F;          // 透明标签4
inline constexpr std::uint32_t kProgressBar = 0x16010066;        // 进度条1
inline constexpr std::uint32_t kInstallButton = 0x16010021;      // 图形按钮1
inline constexpr std::uint32_t kFolderCaption = 0x1601002D;      // 标签1
inline constexpr std::uint32_t kTitleLabel = 0x16010028;         // 透明标签1
inline constexpr std::uint32_t kLogoBox = 0x16010027;            // 图片框_Logo
inline constexpr std::uint32_t kInstallDirLabel = 0x1601001E;    // 标签_安装目录
inline constexpr std::uint32_t kArchiveComponent = 0x1601005A;   // ZIP压缩1

// Property numbers common to every kind.
inline constexpr std::int32_t kPropLeft = 0;
inline constexpr std::int32_t kPropTop = 1;
inline constexpr std::int32_t kPropWidth = 2;
inline constexpr std::int32_t kPropHeight = 3;
inline constexpr std::int32_t kPropTag = 4;
inline constexpr std::int32_t kPropVisible = 5;
inline constexpr std::int32_t kPropDisabled = 6;
inline constexpr std::int32_t kPropMousePointer = 7;
// Kind properties used by the setup logic.
inline constexpr std::int32_t kPropCaption = 8;            // window, label, transparent label
inline constexpr std::int32_t kPropProgressMaximum = 12;   // progress bar
inline constexpr std::int32_t kPropProgressPosition = 13;  // progress bar
inline constexpr std::int32_t kPropNormalPicture = 10;     // picture button
inline constexpr std::int32_t kPropHotPicture = 11;        // picture button

// Event numbers. Below 0: common mouse and keyboard events; from 0: each kind's own.
inline constexpr std::int32_t kEventLeftPressed = -1;
inline constexpr std::int32_t kEventLeftReleased = -2;
inline constexpr std::int32_t kEventCreated = 0;   // window
inline constexpr std::int32_t kEventClicked = 0;   // picture button
inline constexpr std::int32_t kEventProgress = 1;  // archive component

// The properties the setup logic reads and writes.
inline constexpr Property kWindowWidth{kMainWindowDefinition, kMainWindowControl, kPropWidth};
inline constexpr Property kWindowHeight{kMainWindowDefinition, kMainWindowControl, kPropHeight};
inline constexpr Property kWindowTop{kMainWindowDefinition, kMainWindowControl, kPropTop};
inline constexpr Property kInstallDirCaption{kMainWindowDefinition, kInstallDirLabel, kPropCaption};
inline constexpr Property kStatusCaption{kMainWindowDefinition, kStatusLabel, kPropCaption};
inline constexpr Property kProgressVisible{kMainWindowDefinition, kProgressBar, kPropVisible};
inline constexpr Property kProgressMaximum{kMainWindowDefinition, kProgressBar, kPropProgressMaximum};
inline constexpr Property kProgressPosition{kMainWindowDefinition, kProgressBar, kPropProgressPosition};
inline constexpr Property kInstallButtonNormalPicture{kMainWindowDefinition, kInstallButton, kPropNormalPicture};
inline constexpr Property kInstallButtonHotPicture{kMainWindowDefinition, kInstallButton, kPropHotPicture};

}  // namespace setup
