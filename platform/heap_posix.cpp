#include <cstdlib>

#include "platform/heap.h"

namespace setup {

void* HeapAllocate(std::size_t bytes) {
  void* block = std::malloc(bytes == 0 ? 1 : bytes);
  if (block == nullptr) HeapExhausted();
  return block;
}

void HeapRelease(void* block) noexcept { std::free(block); }

}  // namespace setup
