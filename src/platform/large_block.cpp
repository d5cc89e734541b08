#include "platform/large_block.h"

#include <sys/mman.h>

#include <cstdint>
#include <new>

LargeBlock AllocateLargeBlock(size_t bytes) {
  // Over-allocated by a page size, then cut to an aligned block: a huge
  // page needs its alignment.
  const size_t mapped = bytes + kLargeBlockBytes;
  void* start = ::mmap(nullptr, mapped, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (start == MAP_FAILED) throw std::bad_alloc();
  const auto at = reinterpret_cast<uintptr_t>(start);
  const uintptr_t aligned = (at + kLargeBlockBytes - 1) & ~(uintptr_t{kLargeBlockBytes} - 1);
  if (aligned > at) ::munmap(start, aligned - at);
  if (const uintptr_t end = at + mapped; end > aligned + bytes)
    ::munmap(reinterpret_cast<void*>(aligned + bytes), end - aligned - bytes);
  auto* block = reinterpret_cast<void*>(aligned);
#ifdef MADV_HUGEPAGE
  ::madvise(block, bytes, MADV_HUGEPAGE);  // only a hint: without, the block still works
#endif
  return LargeBlock(block, LargeBlockRelease{bytes});
}

void LargeBlockRelease::operator()(void* block) const { ::munmap(block, bytes); }
