// Memory for a large array that is filled once, front to back: fresh from
// the system, and on Linux asked to come in 2 MiB pages where the system
// allows it, which spares the page fault of every 4 KiB page (they cost much
// of the time of reading a catalogue of a million nodes).
#pragma once

#include <cstddef>
#include <memory>

inline constexpr size_t kLargeBlockBytes = size_t{2} << 20;

struct LargeBlockRelease {
  size_t bytes = 0;
  void operator()(void* block) const;
};
using LargeBlock = std::unique_ptr<void, LargeBlockRelease>;

// A block of `bytes` (a multiple of kLargeBlockBytes), uninitialised;
// throws std::bad_alloc when there is no memory.
LargeBlock AllocateLargeBlock(size_t bytes);
