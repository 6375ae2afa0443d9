#include "base/Heap.h"

#include <cstdlib>

namespace {
int failCountdown = -1;

bool InjectedFailure() {
  if (failCountdown < 0) return false;
  if (failCountdown == 0) {
    failCountdown = -1;
    return true;
  }
  --failCountdown;
  return false;
}
}  // namespace

namespace Heap {
void* Alloc(std::size_t bytes) {
  if (bytes == 0 || InjectedFailure()) return nullptr;
  return std::malloc(bytes);
}

void* Realloc(void* block, std::size_t bytes) {
  if (bytes == 0 || InjectedFailure()) return nullptr;
  return std::realloc(block, bytes);
}

void Free(void* block) { std::free(block); }

void FailAfter(int successes) { failCountdown = successes; }
}  // namespace Heap
