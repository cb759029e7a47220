#include "tests/fakes/fake_window.h"

#include <utility>

namespace setup::fakes {

bool SameProperty(const Property& a, const Property& b) {
  return a.window == b.window && a.control == b.control && a.number == b.number && a.element == b.element;
}

void FakeWindow::WriteInteger(const Property& property, std::int32_t value) {
  const std::lock_guard lock(mutex_);
  writes_.push_back({property, Kind::kInteger, value, {}, 0});
  integers_[KeyOf(property)] = value;
}

void FakeWindow::WriteText(const Property& property, TextView value) {
  const std::lock_guard lock(mutex_);
  writes_.push_back({property, Kind::kText, 0, std::string(value), 0});
  texts_[KeyOf(property)] = std::string(value);
}

void FakeWindow::WritePicture(const Property& property, ByteSet picture) {
  const std::lock_guard lock(mutex_);
  writes_.push_back({property, Kind::kPicture, 0, {}, picture.Bytes().size()});
}

std::int32_t FakeWindow::ReadInteger(const Property& property) { return IntegerOf(property).value_or(0); }

Text FakeWindow::ReadText(const Property& property) { return Text(TextOf(property).value_or(std::string())); }

void FakeWindow::Preset(const Property& property, std::int32_t value) {
  const std::lock_guard lock(mutex_);
  integers_[KeyOf(property)] = value;
}

void FakeWindow::Preset(const Property& property, std::string value) {
  const std::lock_guard lock(mutex_);
  texts_[KeyOf(property)] = std::move(value);
}

std::vector<FakeWindow::Write> FakeWindow::Writes() const {
  const std::lock_guard lock(mutex_);
  return writes_;
}

std::vector<FakeWindow::Write> FakeWindow::WritesOf(const Property& property) const {
  const std::lock_guard lock(mutex_);
  std::vector<Write> found;
  for (const Write& write : writes_) {
    if (SameProperty(write.property, property)) found.push_back(write);
  }
  return found;
}

std::optional<std::int32_t> FakeWindow::IntegerOf(const Property& property) const {
  const std::lock_guard lock(mutex_);
  const auto found = integers_.find(KeyOf(property));
  if (found == integers_.end()) return std::nullopt;
  return found->second;
}

std::optional<std::string> FakeWindow::TextOf(const Property& property) const {
  const std::lock_guard lock(mutex_);
  const auto found = texts_.find(KeyOf(property));
  if (found == texts_.end()) return std::nullopt;
  return found->second;
}

}  // namespace setup::fakes
