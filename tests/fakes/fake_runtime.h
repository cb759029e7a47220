// The frame's run-time errors and program end for native tests: each is recorded and then unwinds the
// calling code with an exception of the tests (the real ones never return either).
#pragma once

#include <cstdint>
#include <mutex>
#include <vector>

#include "frame/runtime.h"

namespace setup::fakes {

// Thrown by FakeRuntime::RaiseRuntimeError.
struct RuntimeErrorRaised {
  std::int32_t code;
};
// Thrown by FakeRuntime::EndProgram.
struct ProgramEnded {
  std::int32_t code;
};

class FakeRuntime final : public Runtime {
 public:
  [[noreturn]] void RaiseRuntimeError(std::int32_t code) override;
  [[noreturn]] void EndProgram(std::int32_t code) override;

  [[nodiscard]] std::vector<std::int32_t> RuntimeErrors() const;
  [[nodiscard]] std::vector<std::int32_t> Ends() const;

 private:
  mutable std::mutex mutex_;
  std::vector<std::int32_t> errors_;
  std::vector<std::int32_t> ends_;
};

}  // namespace setup::fakes
