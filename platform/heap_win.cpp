#include <windows.h>

#include "platform/heap.h"

namespace setup {

void* HeapAllocate(std::size_t bytes) {
  void* block = ::HeapAlloc(::GetProcessHeap(), 0, bytes == 0 ? 1 : bytes);
  if (block == nullptr) HeapExhausted();
  return block;
}

void HeapRelease(void* block) noexcept {
  if (block != nullptr) ::HeapFree(::GetProcessHeap(), 0, block);
}

}  // namespace setup
