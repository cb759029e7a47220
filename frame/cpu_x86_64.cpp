// 64-bit x86. Windows has a single calling convention here: the caller reserves and removes the
// argument space, so a called function cannot leave the stack unbalanced, and the stack test after a
// declared call is satisfied by construction. Passing more arguments than a function takes is harmless
// in this convention, so every call goes through one signature with the most arguments.
#include "frame/cpu.h"

namespace setup {

bool InvokeSystemFunction(const void* function, const std::uintptr_t* arguments, std::size_t count,
                          std::uintptr_t* result) noexcept {
  if (count > kMaxSystemFunctionArguments) return false;
  std::uintptr_t a[kMaxSystemFunctionArguments] = {};
  for (std::size_t i = 0; i < count; ++i) a[i] = arguments[i];
  using Signature = std::uintptr_t (*)(std::uintptr_t, std::uintptr_t, std::uintptr_t, std::uintptr_t, std::uintptr_t,
                                       std::uintptr_t);
  *result = reinterpret_cast<Signature>(const_cast<void*>(function))(a[0], a[1], a[2], a[3], a[4], a[5]);
  return true;
}

void ResetFloatingPointUnit() noexcept {
  // The x87 unit, and SSE's control word, which holds the same settings for SSE arithmetic (MXCSR
  // 0x1F80: all exceptions masked, rounding to nearest).
  asm volatile("fninit");
  std::uint32_t mxcsr = 0x1F80;
  asm volatile("ldmxcsr %0" : : "m"(mxcsr));
}

}  // namespace setup
