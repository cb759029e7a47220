// Memory for the setup logic's texts and arrays. On Windows every block comes from the process heap
// (GetProcessHeap/HeapAlloc); elsewhere from the C heap. Callable from any thread.
#pragma once

#include <cstddef>
#include <limits>
#include <new>

namespace setup {

// Returns a block of at least `bytes` bytes (a zero-byte request still gives a distinct block).
// A request the heap refuses calls the failure handler, which does not return.
[[nodiscard]] void* HeapAllocate(std::size_t bytes);
// Releasing a null block does nothing.
void HeapRelease(void* block) noexcept;

// Called when the heap refuses a request. The frame installs one that reports the failure and ends
// the program; the default aborts. The handler must not return.
using HeapFailureHandler = void (*)();
void SetHeapFailureHandler(HeapFailureHandler handler) noexcept;
[[noreturn]] void HeapExhausted() noexcept;

// A standard allocator over HeapAllocate, so that containers of texts also live on the process heap.
template <typename T>
struct HeapAllocator {
  using value_type = T;
  HeapAllocator() noexcept = default;
  template <typename U>
  HeapAllocator(const HeapAllocator<U>&) noexcept {}
  T* allocate(std::size_t n) {
    if (n > std::numeric_limits<std::size_t>::max() / sizeof(T)) HeapExhausted();
    return static_cast<T*>(HeapAllocate(n * sizeof(T)));
  }
  void deallocate(T* p, std::size_t) noexcept { HeapRelease(p); }
  template <typename U>
  bool operator==(const HeapAllocator<U>&) const noexcept {
    return true;
  }
};

}  // namespace setup
