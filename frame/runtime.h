// What the program frame gives the setup logic besides the window: ending the program and raising
// run-time errors. Both may be called on the window thread or on the installation worker, and neither
// returns to its caller.
#pragma once

#include <cstdint>

namespace setup {

// Codes of the run-time errors that the setup logic raises.
enum RuntimeErrorCode : std::int32_t {
  kIndexAboveCount = 1,  // an array element addressed with an index above the element count
  kIndexBelowOne = 4,    // an array element addressed with an index below 1
  kUnbalancedStack = 6,  // a declared function left the stack unbalanced
};

class Runtime {
 public:
  virtual ~Runtime() = default;
  // Shows the run-time error box for `code` and ends the program with exit code -1.
  [[noreturn]] virtual void RaiseRuntimeError(std::int32_t code) = 0;
  // Ends the program with `code`; an end asked for on the worker is handed to the window thread.
  [[noreturn]] virtual void EndProgram(std::int32_t code) = 0;
};

}  // namespace setup
