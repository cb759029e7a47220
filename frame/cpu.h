// Processor-specific pieces of the frame: one source file per processor (cpu_i686.cpp, cpu_x86_64.cpp),
// picked by the build.
#pragma once

#include <cstddef>
#include <cstdint>

namespace setup {

// Calls `function` with `count` pointer-sized arguments in the calling convention of the Windows API and
// stores its integer result in `result`. Gives false when the stack pointer after the call does not
// stand where it stood before the arguments were passed (the function removed more or fewer bytes than
// were passed); the stack is put right before returning either way.
[[nodiscard]] bool InvokeSystemFunction(const void* function, const std::uintptr_t* arguments, std::size_t count,
                                        std::uintptr_t* result) noexcept;

// The largest number of arguments InvokeSystemFunction passes.
inline constexpr std::size_t kMaxSystemFunctionArguments = 6;

// Puts the floating-point unit into its initial state: extended precision, rounding to nearest, every
// floating-point exception masked.
void ResetFloatingPointUnit() noexcept;

}  // namespace setup
