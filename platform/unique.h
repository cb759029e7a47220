// One owner for every kind of handle. Traits give the value type, the "empty" value and how to free:
//   struct Traits { using Value = ...; static Value Invalid() noexcept; static void Free(Value) noexcept; };
// The empty value is part of the type, so a file handle (INVALID_HANDLE_VALUE) and a process handle
// (null) cannot be mixed up. Uncopyable, movable; Put() frees the old value before handing out its place.
#pragma once

namespace setup {

template <typename Traits>
class Unique {
 public:
  using Value = typename Traits::Value;

  Unique() noexcept = default;
  explicit Unique(Value value) noexcept : value_(value) {}
  Unique(const Unique&) = delete;
  Unique& operator=(const Unique&) = delete;
  Unique(Unique&& other) noexcept : value_(other.Release()) {}
  Unique& operator=(Unique&& other) noexcept {
    if (this != &other) Reset(other.Release());
    return *this;
  }
  ~Unique() { Reset(); }

  [[nodiscard]] Value Get() const noexcept { return value_; }
  [[nodiscard]] bool Valid() const noexcept { return value_ != Traits::Invalid(); }
  explicit operator bool() const noexcept { return Valid(); }

  // Gives up ownership without freeing.
  [[nodiscard]] Value Release() noexcept {
    Value value = value_;
    value_ = Traits::Invalid();
    return value;
  }
  void Reset(Value value = Traits::Invalid()) noexcept {
    if (value_ != Traits::Invalid()) Traits::Free(value_);
    value_ = value;
  }
  // The place for an output parameter; the value held before is freed first.
  [[nodiscard]] Value* Put() noexcept {
    Reset();
    return &value_;
  }

 private:
  Value value_ = Traits::Invalid();
};

}  // namespace setup
