#include "platform/page_memory.h"

#include <sys/mman.h>

#include <cstdint>
#include <new>

namespace {

// The size of a huge page on x86-64 and arm64 Linux: a mapping placed on
// this boundary can be given whole huge pages.
constexpr size_t kHugePage = size_t{2} << 20;

size_t RoundUp(size_t n) { return (n + kHugePage - 1) / kHugePage * kHugePage; }

}  // namespace

std::byte* MapPages(size_t bytes) {
  const size_t length = RoundUp(bytes);
  // One huge page more than needed, so the part used can start on a boundary;
  // what lies outside it is given back at once.
  void* mapped =
      mmap(nullptr, length + kHugePage, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (mapped == MAP_FAILED) throw std::bad_alloc();
  auto* start = static_cast<std::byte*>(mapped);
  const auto address = reinterpret_cast<uintptr_t>(start);
  const size_t head = RoundUp(address) - address;
  if (head != 0) munmap(start, head);
  if (head != kHugePage) munmap(start + head + length, kHugePage - head);
  std::byte* at = start + head;
  madvise(at, length, MADV_HUGEPAGE);  // only a wish: without it, small pages
  return at;
}

void UnmapPages(std::byte* at, size_t bytes) noexcept {
  if (at != nullptr) munmap(at, RoundUp(bytes));
}
