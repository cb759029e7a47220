// 32-bit x86. The Windows API's stdcall convention has the called function remove its own arguments,
// so a declaration that does not match the function's true signature leaves the stack pointer off by the
// difference. The call goes through a small thunk that pushes the arguments itself and compares ESP
// after the call with ESP before the pushes.
#include "frame/cpu.h"

namespace setup {

bool InvokeSystemFunction(const void* function, const std::uintptr_t* arguments, std::size_t count,
                          std::uintptr_t* result) noexcept {
  if (count > kMaxSystemFunctionArguments) return false;
  std::uintptr_t value;
  std::uintptr_t imbalance;
  // EDI (callee-saved, so the function keeps it) holds ESP from before the pushes. The function and the
  // arguments stay in registers that are only read before the call.
  asm volatile(
      "movl %%esp, %%edi\n\t"
      "movl %[count], %%ecx\n\t"
      "1:\n\t"
      "testl %%ecx, %%ecx\n\t"
      "jz 2f\n\t"
      "pushl -4(%[arguments], %%ecx, 4)\n\t"
      "decl %%ecx\n\t"
      "jmp 1b\n\t"
      "2:\n\t"
      "call *%[function]\n\t"
      "movl %%esp, %%ecx\n\t"
      "subl %%edi, %%ecx\n\t"
      "movl %%edi, %%esp\n\t"
      : "=&a"(value), "=&c"(imbalance)
      : [function] "b"(function), [arguments] "S"(arguments), [count] "d"(count)
      : "edi", "memory", "cc");
  *result = value;
  return imbalance == 0;
}

void ResetFloatingPointUnit() noexcept { asm volatile("fninit"); }

}  // namespace setup
