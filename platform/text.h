// Texts, text arrays and the text and number operations of the setup logic.
//
// A text is a run of bytes in the system's ANSI code page (GBK on the target systems) ended by a zero
// byte; it never holds a zero byte itself. Lengths and positions count bytes, positions start at 1.
// An absent text and the empty text are the same thing. Every operation that gives a text gives a new
// one that belongs to the caller; texts and arrays live on the process heap (platform/heap.h).
//
// Several operations walk a text under the two-byte rule: every byte 0x80..0xFF is the first byte of a
// two-byte character and is stepped over together with the byte after it, so a match, a cut or a change
// of case never begins at the second byte of such a pair. No code-page table is consulted. A first byte
// that stands last in the text ends the walk.
//
// None of these operations fails or reports anything; all are safe on any thread for distinct objects.
#pragma once

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

#include "platform/heap.h"

namespace setup {

// A view of a text's bytes, without its terminating zero. A default view is the empty text.
using TextView = std::string_view;

// An owned text on the process heap. Moving leaves the source empty; copying makes a new block.
class Text {
 public:
  Text() noexcept = default;
  // Copies the bytes up to the first zero byte of `bytes`, or all of them when there is none.
  Text(TextView bytes);  // NOLINT(google-explicit-constructor): texts convert freely from views.
  Text(const char* zero_terminated);  // NOLINT(google-explicit-constructor); null is the empty text.
  Text(const Text& other);
  Text(Text&& other) noexcept;
  Text& operator=(const Text& other);
  Text& operator=(Text&& other) noexcept;
  ~Text();

  // A text of `size` bytes, each `fill`. Its bytes may be overwritten through MutableData(), for
  // example as a fixed buffer for a system call; Shrink() then cuts it at its first zero byte.
  static Text Filled(std::size_t size, char fill);

  [[nodiscard]] TextView View() const noexcept { return {CStr(), size_}; }
  // Always zero-terminated, never null: the empty text gives "".
  [[nodiscard]] const char* CStr() const noexcept { return data_ != nullptr ? data_ : ""; }
  [[nodiscard]] std::size_t Size() const noexcept { return size_; }
  [[nodiscard]] bool Empty() const noexcept { return size_ == 0; }
  // Writable bytes: Size() bytes plus the terminating zero. Null for the empty text.
  [[nodiscard]] char* MutableData() noexcept { return data_; }
  // Cuts the text at its first zero byte after its bytes were written through MutableData().
  void Shrink() noexcept;

  operator TextView() const noexcept { return View(); }  // NOLINT(google-explicit-constructor)

  // Found only when a Text takes part, so comparisons of plain views stay the standard ones.
  friend bool operator==(const Text& a, TextView b) noexcept { return a.View() == b; }

 private:
  void Assign(const char* bytes, std::size_t size);
  void Release() noexcept;

  char* data_ = nullptr;
  std::size_t size_ = 0;
};


// A one-dimensional array of texts that owns its element texts. Elements are indexed from 1; checking
// an index against the count is the caller's business (an index out of range is a run-time error).
class TextArray {
 public:
  [[nodiscard]] std::int32_t Count() const noexcept { return static_cast<std::int32_t>(items_.size()); }
  // Element `index`, 1 <= index <= Count().
  [[nodiscard]] const Text& At(std::int32_t index) const { return items_[static_cast<std::size_t>(index - 1)]; }
  void Append(Text text) { items_.push_back(static_cast<Text&&>(text)); }
  // Releases every element text, then the storage.
  void Clear() noexcept { std::vector<Text, HeapAllocator<Text>>().swap(items_); }

 private:
  std::vector<Text, HeapAllocator<Text>> items_;
};

// A byte set: a constant block holding a 32-bit little-endian dimension count (1), a 32-bit
// little-endian length N, then N bytes. Only the N bytes are ever used.
class ByteSet {
 public:
  constexpr ByteSet() noexcept = default;
  // `block` must hold the whole layout; a block too short for its length field gives no bytes.
  ByteSet(const std::uint8_t* block, std::size_t block_size) noexcept;
  [[nodiscard]] std::span<const std::uint8_t> Bytes() const noexcept { return bytes_; }

 private:
  std::span<const std::uint8_t> bytes_;
};

// True for a byte that the two-byte rule takes as the first byte of a two-byte character.
constexpr bool IsTwoByteLead(unsigned char byte) noexcept { return byte >= 0x80; }

// Number of bytes of the text.
[[nodiscard]] std::int32_t TextLength(TextView text) noexcept;
// The first min(count, length) bytes; count <= 0 gives the empty text. May split a two-byte character.
[[nodiscard]] Text LeftPart(TextView text, std::int32_t count);
// 1-based position of the first match at or after `start` (walked under the two-byte rule), or -1.
// An empty `sought` gives 1 when the searched part is not empty. `ignore_case` folds ASCII letters.
[[nodiscard]] std::int32_t FindInText(TextView text, TextView sought, std::int32_t start = 1,
                                      bool ignore_case = false) noexcept;
// A copy with "A".."Z" made small; bytes of two-byte characters never change.
[[nodiscard]] Text ToLowerCase(TextView text);
// A copy without leading and trailing blanks: the byte 0x20 and the full-width space 0xA1 0xA1.
[[nodiscard]] Text TrimSpaces(TextView text);
// The parts of `text` between occurrences of `separator`. A leading separator gives an empty first
// part, two in a row an empty part between them, a trailing one no part. At most `most_parts` parts
// (unlimited when not given, a negative value counts as 0); an empty separator gives the whole text.
[[nodiscard]] TextArray SplitText(TextView text, TextView separator = ",",
                                  std::optional<std::int32_t> most_parts = std::nullopt);
// `count` spaces; count <= 0 gives the empty text.
[[nodiscard]] Text MakeSpaces(std::int32_t count);
// The bytes up to, not including, the first zero byte; all of them when there is none.
[[nodiscard]] Text BytesToText(std::span<const std::uint8_t> bytes);
[[nodiscard]] Text BytesToText(std::span<const char> bytes);
[[nodiscard]] Text BytesToText(const ByteSet& bytes);
// Unsigned byte-by-byte comparison: -1, 0 or 1.
[[nodiscard]] std::int32_t CompareText(TextView a, TextView b) noexcept;
// The texts joined in order, nothing put between them.
[[nodiscard]] Text ConcatTexts(std::initializer_list<TextView> texts);
// The bitwise OR of all the values.
[[nodiscard]] std::int32_t BitwiseOr(std::initializer_list<std::int32_t> values) noexcept;
// Number of elements; 0 for an absent (default) array.
[[nodiscard]] std::int32_t ArrayElementCount(const TextArray& array) noexcept;
// The value cut toward zero. Values outside the 64-bit range and NaN give INT64_MIN, the value the
// processor's own conversion gives for them.
[[nodiscard]] std::int64_t TruncateToInt64(double value) noexcept;

}  // namespace setup
