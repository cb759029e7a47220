// A window of properties without a screen: stores what is written, gives it back when read, and keeps
// the order of the writes. Thread-safe, so that a worker may write while a test reads.
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <tuple>
#include <vector>

#include "window/window_access.h"

namespace setup::fakes {

class FakeWindow final : public WindowAccess {
 public:
  enum class Kind { kInteger, kText, kPicture };
  struct Write {
    Property property;
    Kind kind;
    std::int32_t integer = 0;      // kInteger
    std::string text;              // kText
    std::size_t picture_size = 0;  // kPicture: the byte set's length
  };

  void WriteInteger(const Property& property, std::int32_t value) override;
  void WriteText(const Property& property, TextView value) override;
  void WritePicture(const Property& property, ByteSet picture) override;
  // A property never written reads as 0 or the empty text.
  [[nodiscard]] std::int32_t ReadInteger(const Property& property) override;
  [[nodiscard]] Text ReadText(const Property& property) override;

  // Gives a property a value as the window definition would, without recording a write.
  void Preset(const Property& property, std::int32_t value);
  void Preset(const Property& property, std::string value);

  // Every write in order.
  [[nodiscard]] std::vector<Write> Writes() const;
  // The writes of one property, in order.
  [[nodiscard]] std::vector<Write> WritesOf(const Property& property) const;
  // The stored value, or nothing when the property was never given one.
  [[nodiscard]] std::optional<std::int32_t> IntegerOf(const Property& property) const;
  [[nodiscard]] std::optional<std::string> TextOf(const Property& property) const;

 private:
  using Key = std::tuple<std::uint32_t, std::uint32_t, std::int32_t, std::int32_t>;
  static Key KeyOf(const Property& p) { return {p.window, p.control, p.number, p.element}; }

  mutable std::mutex mutex_;
  std::vector<Write> writes_;
  std::map<Key, std::int32_t> integers_;
  std::map<Key, std::string> texts_;
};

[[nodiscard]] bool SameProperty(const Property& a, const Property& b);

}  // namespace setup::fakes
