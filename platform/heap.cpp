#include "platform/heap.h"

#include <atomic>
#include <cstdlib>

namespace setup {
namespace {
std::atomic<HeapFailureHandler> g_failure_handler{nullptr};
}  // namespace

void SetHeapFailureHandler(HeapFailureHandler handler) noexcept { g_failure_handler.store(handler); }

void HeapExhausted() noexcept {
  if (HeapFailureHandler handler = g_failure_handler.load()) handler();
  std::abort();
}

}  // namespace setup
