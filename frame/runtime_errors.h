// The run-time errors of the setup program and the text of the error box. Portable and pure: the text
// is composed into a caller's buffer, so that the report also works when the heap is exhausted.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

#include "frame/runtime.h"

namespace setup {

struct RuntimeErrorRow {
  std::int32_t code;
  const char* message;
};

// clang-format off
inline constexpr RuntimeErrorRow kRuntimeErrorTable[] = {
  {kIndexAboveCount, "数组成员引用下标超出定义范围"},
  {kIndexBelowOne,   "数组成员引用下标必须大于等于1"},
  {kUnbalancedStack, "调用DLL命令后发现堆栈错误"},
};
// clang-format on

// The message of `code` in the table, or the empty text for a code it does not have.
constexpr std::string_view RuntimeErrorMessage(std::int32_t code) noexcept {
  for (const RuntimeErrorRow& row : kRuntimeErrorTable) {
    if (row.code == code) return row.message;
  }
  return {};
}

// Messages of the window layer's and the frame's own checks (reported with code 0).
inline constexpr char kWindowNotLoadedMessage[] = "未载入欲访问窗口组件所在的窗口";
inline constexpr char kNativeWindowMissingMessage[] = "指定窗口尚未载入";
inline constexpr char kOutOfMemoryMessage[] = "内存不足";

// The longest error text the report shows; longer texts are cut at a character boundary.
inline constexpr std::size_t kErrorTextCapacity = 1024;

// Composes the error box's text into `out` and ends it with a zero byte; gives its length.
//   "运行时出错!\r\n\r\n"
//   + (code != 0:  "错误代码：" code "\r\n\r\n")
//   + (message not empty:  "错误信息：" message "\r\n")
// A text longer than `out` holds is cut so that no two-byte character is split.
std::size_t ComposeErrorText(std::string_view message, std::int32_t code, std::span<char> out) noexcept;

// The messages of a declared function that cannot be bound, composed into `out` (zero-terminated):
//   library not empty: "无法找到指定DLL库文件“library”中的输出命令“export”"
//   library empty:     "无法找到指定DLL库文件中的输出命令“export”"
std::size_t ComposeMissingExportMessage(std::string_view library, std::string_view export_name,
                                        std::span<char> out) noexcept;

}  // namespace setup
