#include "tests/fakes/fake_runtime.h"

namespace setup::fakes {

void FakeRuntime::RaiseRuntimeError(std::int32_t code) {
  {
    const std::lock_guard lock(mutex_);
    errors_.push_back(code);
  }
  throw RuntimeErrorRaised{code};
}

void FakeRuntime::EndProgram(std::int32_t code) {
  {
    const std::lock_guard lock(mutex_);
    ends_.push_back(code);
  }
  throw ProgramEnded{code};
}

std::vector<std::int32_t> FakeRuntime::RuntimeErrors() const {
  const std::lock_guard lock(mutex_);
  return errors_;
}

std::vector<std::int32_t> FakeRuntime::Ends() const {
  const std::lock_guard lock(mutex_);
  return ends_;
}

}  // namespace setup::fakes
