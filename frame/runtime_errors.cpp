#include "frame/runtime_errors.h"

#include <charconv>
#include <initializer_list>

#include "platform/text.h"

namespace setup {
namespace {

// Appends texts to a fixed buffer, keeping one byte for the final zero and never splitting a two-byte
// character when the buffer runs full.
class FixedWriter {
 public:
  explicit FixedWriter(std::span<char> out) noexcept : out_(out) {}

  void Append(std::string_view text) noexcept {
    if (out_.empty()) return;
    for (std::size_t i = 0; i < text.size() && !full_;) {
      const bool pair = IsTwoByteLead(static_cast<unsigned char>(text[i])) && i + 1 < text.size();
      const std::size_t n = pair ? 2 : 1;
      if (size_ + n > out_.size() - 1) {
        full_ = true;
        break;
      }
      for (std::size_t k = 0; k < n; ++k) out_[size_++] = text[i + k];
      i += n;
    }
  }
  void Append(std::int32_t number) noexcept {
    char digits[16];
    const auto result = std::to_chars(digits, digits + sizeof digits, number);
    Append(std::string_view(digits, static_cast<std::size_t>(result.ptr - digits)));
  }
  std::size_t Finish() noexcept {
    if (!out_.empty()) out_[size_] = '\0';
    return size_;
  }

 private:
  std::span<char> out_;
  std::size_t size_ = 0;
  bool full_ = false;
};

}  // namespace

std::size_t ComposeErrorText(std::string_view message, std::int32_t code, std::span<char> out) noexcept {
  FixedWriter writer(out);
  writer.Append("运行时出错!\r\n\r\n");
  if (code != 0) {
    writer.Append("错误代码：");
    writer.Append(code);
    writer.Append("\r\n\r\n");
  }
  if (!message.empty()) {
    writer.Append("错误信息：");
    writer.Append(message);
    writer.Append("\r\n");
  }
  return writer.Finish();
}

std::size_t ComposeMissingExportMessage(std::string_view library, std::string_view export_name,
                                        std::span<char> out) noexcept {
  FixedWriter writer(out);
  if (library.empty()) {
    writer.Append("无法找到指定DLL库文件中的输出命令“");
  } else {
    writer.Append("无法找到指定DLL库文件“");
    writer.Append(library);
    writer.Append("”中的输出命令“");
  }
  writer.Append(export_name);
  writer.Append("”");
  return writer.Finish();
}

}  // namespace setup
