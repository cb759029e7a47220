// The C++ run-time pieces that the setup program provides itself instead of taking the standard
// library's, which would bring exception support (and with it the unwinder and a name demangler) into a
// program that throws nothing:
//   - global operator new and delete over the process heap: a refused request takes the way of every
//     other heap failure, the heap failure report, which ends the program;
//   - the standard library's reports of sizes it cannot meet and of misuse;
//   - the guards of function-local statics, thread-safe with a slim reader/writer lock.
// Linked as an object into every setup program (cmake/Installer.cmake), never through a library, so
// that these definitions always replace the standard library's. Everything here may be called from any
// thread.
#include <bits/functexcept.h>  // the standard library's declarations of its reports
#include <cxxabi.h>
#include <windows.h>

#include <atomic>
#include <cstddef>
#include <cstdlib>
#include <new>

#include "platform/heap.h"

namespace {

void* AllocateOrNull(std::size_t bytes) noexcept { return ::HeapAlloc(::GetProcessHeap(), 0, bytes == 0 ? 1 : bytes); }

// Guards: byte 0 is set once the static is initialised (the compiler's inline check reads it with
// acquire order); byte 1, under g_guard_lock, while one thread initialises it. Others wait for the
// end of that initialisation; the lock is not held while a static is initialised, so one static's
// initialisation may use another.
SRWLOCK g_guard_lock = SRWLOCK_INIT;
CONDITION_VARIABLE g_guard_done = CONDITION_VARIABLE_INIT;

std::atomic_ref<unsigned char> Initialised(__cxxabiv1::__guard* guard) {
  return std::atomic_ref<unsigned char>(reinterpret_cast<unsigned char*>(guard)[0]);
}
unsigned char& InProgress(__cxxabiv1::__guard* guard) { return reinterpret_cast<unsigned char*>(guard)[1]; }

void EndInitialisation(__cxxabiv1::__guard* guard, bool done) {
  ::AcquireSRWLockExclusive(&g_guard_lock);
  InProgress(guard) = 0;
  if (done) Initialised(guard).store(1, std::memory_order_release);
  ::ReleaseSRWLockExclusive(&g_guard_lock);
  ::WakeAllConditionVariable(&g_guard_done);
}

}  // namespace

void* operator new(std::size_t bytes) { return setup::HeapAllocate(bytes); }
void* operator new[](std::size_t bytes) { return setup::HeapAllocate(bytes); }
void* operator new(std::size_t bytes, const std::nothrow_t&) noexcept { return AllocateOrNull(bytes); }
void* operator new[](std::size_t bytes, const std::nothrow_t&) noexcept { return AllocateOrNull(bytes); }

void operator delete(void* block) noexcept { setup::HeapRelease(block); }
void operator delete[](void* block) noexcept { setup::HeapRelease(block); }
void operator delete(void* block, std::size_t) noexcept { setup::HeapRelease(block); }
void operator delete[](void* block, std::size_t) noexcept { setup::HeapRelease(block); }
void operator delete(void* block, const std::nothrow_t&) noexcept { setup::HeapRelease(block); }
void operator delete[](void* block, const std::nothrow_t&) noexcept { setup::HeapRelease(block); }

// The containers call these instead of throwing. A size beyond what an allocation can hold is reported
// like a refused allocation; the others mean a misuse of the library by the program itself and end it
// as an uncaught exception would.
namespace std {

void __throw_bad_alloc() { setup::HeapExhausted(); }
void __throw_bad_array_new_length() { setup::HeapExhausted(); }
void __throw_length_error(const char*) { setup::HeapExhausted(); }
void __throw_logic_error(const char*) { std::abort(); }
void __throw_invalid_argument(const char*) { std::abort(); }
void __throw_out_of_range(const char*) { std::abort(); }
void __throw_out_of_range_fmt(const char*, ...) { std::abort(); }

}  // namespace std

namespace __cxxabiv1 {

// Gives 1 when the caller is to initialise the static (and then calls release, or abort when the
// initialisation did not complete), 0 when it is initialised already.
extern "C" int __cxa_guard_acquire(__guard* guard) {
  if (Initialised(guard).load(std::memory_order_acquire) != 0) return 0;
  ::AcquireSRWLockExclusive(&g_guard_lock);
  int result = 0;
  for (;;) {
    if (Initialised(guard).load(std::memory_order_relaxed) != 0) break;
    if (InProgress(guard) == 0) {
      InProgress(guard) = 1;
      result = 1;
      break;
    }
    ::SleepConditionVariableSRW(&g_guard_done, &g_guard_lock, INFINITE, 0);
  }
  ::ReleaseSRWLockExclusive(&g_guard_lock);
  return result;
}

extern "C" void __cxa_guard_release(__guard* guard) noexcept { EndInitialisation(guard, true); }
extern "C" void __cxa_guard_abort(__guard* guard) noexcept { EndInitialisation(guard, false); }

}  // namespace __cxxabiv1
