#include "platform/text.h"

#include <cstring>
#include <limits>

namespace setup {

namespace {

constexpr unsigned char kSpace = 0x20;
constexpr unsigned char kFullWidthSpaceByte = 0xA1;  // the full-width space is 0xA1 0xA1

unsigned char ByteAt(TextView text, std::size_t i) noexcept { return static_cast<unsigned char>(text[i]); }

// Length of the character that starts at byte `i` under the two-byte rule: 1 or 2, or 0 when it is
// a first byte standing last, which ends every walk.
std::size_t CharLength(TextView text, std::size_t i) noexcept {
  if (!IsTwoByteLead(ByteAt(text, i))) return 1;
  return i + 1 < text.size() ? 2 : 0;
}

unsigned char FoldAscii(unsigned char c) noexcept { return (c >= 'A' && c <= 'Z') ? static_cast<unsigned char>(c + 32) : c; }

bool MatchesAt(TextView text, std::size_t at, TextView sought, bool ignore_case) noexcept {
  if (!ignore_case) return std::memcmp(text.data() + at, sought.data(), sought.size()) == 0;
  for (std::size_t k = 0; k < sought.size(); ++k) {
    if (FoldAscii(ByteAt(text, at + k)) != FoldAscii(ByteAt(sought, k))) return false;
  }
  return true;
}

// Blank characters for TrimSpaces: a space (1 byte) or a full-width space (2 bytes).
bool IsBlankChar(TextView text, std::size_t i, std::size_t length) noexcept {
  if (length == 1) return ByteAt(text, i) == kSpace;
  return ByteAt(text, i) == kFullWidthSpaceByte && ByteAt(text, i + 1) == kFullWidthSpaceByte;
}

}  // namespace

// ---- Text ----

Text::Text(TextView bytes) {
  const std::size_t zero = bytes.find('\0');
  Assign(bytes.data(), zero == TextView::npos ? bytes.size() : zero);
}

Text::Text(const char* zero_terminated) {
  if (zero_terminated != nullptr) Assign(zero_terminated, std::strlen(zero_terminated));
}

Text::Text(const Text& other) { Assign(other.data_, other.size_); }

Text::Text(Text&& other) noexcept : data_(other.data_), size_(other.size_) {
  other.data_ = nullptr;
  other.size_ = 0;
}

Text& Text::operator=(const Text& other) {
  if (this != &other) {
    Text copy(other);
    *this = static_cast<Text&&>(copy);
  }
  return *this;
}

Text& Text::operator=(Text&& other) noexcept {
  if (this != &other) {
    Release();
    data_ = other.data_;
    size_ = other.size_;
    other.data_ = nullptr;
    other.size_ = 0;
  }
  return *this;
}

Text::~Text() { Release(); }

Text Text::Filled(std::size_t size, char fill) {
  Text text;
  if (size == 0) return text;
  if (size == std::numeric_limits<std::size_t>::max()) HeapExhausted();
  text.data_ = static_cast<char*>(HeapAllocate(size + 1));
  std::memset(text.data_, fill, size);
  text.data_[size] = '\0';
  text.size_ = size;
  return text;
}

void Text::Shrink() noexcept {
  if (data_ == nullptr) return;
  size_ = std::strlen(data_);
  if (size_ == 0) Release();
}

void Text::Assign(const char* bytes, std::size_t size) {
  if (size == 0) return;
  data_ = static_cast<char*>(HeapAllocate(size + 1));
  std::memcpy(data_, bytes, size);
  data_[size] = '\0';
  size_ = size;
}

void Text::Release() noexcept {
  HeapRelease(data_);
  data_ = nullptr;
  size_ = 0;
}

// ---- ByteSet ----

ByteSet::ByteSet(const std::uint8_t* block, std::size_t block_size) noexcept {
  if (block == nullptr || block_size < 8) return;
  const std::uint32_t length = static_cast<std::uint32_t>(block[4]) | static_cast<std::uint32_t>(block[5]) << 8 |
                               static_cast<std::uint32_t>(block[6]) << 16 | static_cast<std::uint32_t>(block[7]) << 24;
  if (length > block_size - 8) return;
  bytes_ = std::span<const std::uint8_t>(block + 8, length);
}

// ---- Operations ----

std::int32_t TextLength(TextView text) noexcept { return static_cast<std::int32_t>(text.size()); }

Text LeftPart(TextView text, std::int32_t count) {
  if (count <= 0) return {};
  return Text(text.substr(0, static_cast<std::size_t>(count)));
}

std::int32_t FindInText(TextView text, TextView sought, std::int32_t start, bool ignore_case) noexcept {
  const std::size_t skip = start > 1 ? static_cast<std::size_t>(start) - 1 : 0;
  const bool searched_empty = skip >= text.size();
  if (sought.empty()) return searched_empty ? -1 : 1;
  if (searched_empty) return -1;
  for (std::size_t i = skip; i < text.size();) {
    if (text.size() - i >= sought.size() && MatchesAt(text, i, sought, ignore_case)) {
      return static_cast<std::int32_t>(i + 1);
    }
    const std::size_t step = CharLength(text, i);
    if (step == 0) break;
    i += step;
  }
  return -1;
}

Text ToLowerCase(TextView text) {
  Text result(text);
  char* bytes = result.MutableData();
  for (std::size_t i = 0; i < result.Size();) {
    const std::size_t step = CharLength(text, i);
    if (step == 0) break;
    if (step == 1) bytes[i] = static_cast<char>(FoldAscii(ByteAt(text, i)));
    i += step;
  }
  return result;
}

Text TrimSpaces(TextView text) {
  std::size_t first = TextView::npos;  // start of the first character that is not blank
  std::size_t end = 0;                 // end of the last character that is not blank
  for (std::size_t i = 0; i < text.size();) {
    const std::size_t step = CharLength(text, i);
    if (step == 0) break;  // a first byte standing last is dropped
    if (!IsBlankChar(text, i, step)) {
      if (first == TextView::npos) first = i;
      end = i + step;
    }
    i += step;
  }
  if (first == TextView::npos) return {};
  return Text(text.substr(first, end - first));
}

TextArray SplitText(TextView text, TextView separator, std::optional<std::int32_t> most_parts) {
  TextArray parts;
  const std::int64_t limit = most_parts ? (*most_parts < 0 ? 0 : *most_parts) : std::numeric_limits<std::int64_t>::max();
  if (text.empty() || limit == 0) return parts;
  if (separator.empty()) {
    parts.Append(Text(text));
    return parts;
  }
  std::size_t cut = 0;  // where the current part begins
  for (std::size_t i = 0; i < text.size();) {
    if (text.size() - i >= separator.size() && std::memcmp(text.data() + i, separator.data(), separator.size()) == 0) {
      parts.Append(Text(text.substr(cut, i - cut)));
      if (parts.Count() >= limit) return parts;  // the rest of the text is dropped
      i += separator.size();
      cut = i;
      continue;
    }
    const std::size_t step = CharLength(text, i);
    if (step == 0) break;
    i += step;
  }
  if (cut < text.size()) parts.Append(Text(text.substr(cut)));
  return parts;
}

Text MakeSpaces(std::int32_t count) {
  if (count <= 0) return {};
  return Text::Filled(static_cast<std::size_t>(count), ' ');
}

Text BytesToText(std::span<const std::uint8_t> bytes) {
  return Text(TextView(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
}

Text BytesToText(std::span<const char> bytes) { return Text(TextView(bytes.data(), bytes.size())); }

Text BytesToText(const ByteSet& bytes) { return BytesToText(bytes.Bytes()); }

std::int32_t CompareText(TextView a, TextView b) noexcept {
  const std::size_t common = a.size() < b.size() ? a.size() : b.size();
  const int order = common == 0 ? 0 : std::memcmp(a.data(), b.data(), common);
  if (order != 0) return order < 0 ? -1 : 1;
  if (a.size() == b.size()) return 0;
  return a.size() < b.size() ? -1 : 1;
}

Text ConcatTexts(std::initializer_list<TextView> texts) {
  std::size_t total = 0;
  for (TextView t : texts) total += t.size();
  Text result = Text::Filled(total, ' ');
  char* out = result.MutableData();
  for (TextView t : texts) {
    if (t.empty()) continue;
    std::memcpy(out, t.data(), t.size());
    out += t.size();
  }
  return result;
}

std::int32_t BitwiseOr(std::initializer_list<std::int32_t> values) noexcept {
  std::uint32_t result = 0;
  for (std::int32_t v : values) result |= static_cast<std::uint32_t>(v);
  return static_cast<std::int32_t>(result);
}

std::int32_t ArrayElementCount(const TextArray& array) noexcept { return array.Count(); }

std::int64_t TruncateToInt64(double value) noexcept {
  // The conversion truncates toward zero whatever the rounding mode (on x87 the compiler switches the
  // unit to truncation around it and puts the old mode back). Out-of-range values would be undefined.
  constexpr double kTwoTo63 = 9223372036854775808.0;
  if (!(value >= -kTwoTo63 && value < kTwoTo63)) return std::numeric_limits<std::int64_t>::min();
  return static_cast<std::int64_t>(value);
}

}  // namespace setup
