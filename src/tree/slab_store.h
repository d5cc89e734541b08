// Storage handed out in pieces, one after another, from a few large slabs,
// each as large as all the slabs before it together (up to a limit): a tree
// of a million nodes fills a dozen slabs instead of hundreds of blocks, and
// the large slabs come straight from the system in huge pages, so filling
// them costs few page faults. Reuse() hands the same slabs out again: the
// next tree opened fills memory that is already there.
#pragma once

#include <cstddef>
#include <vector>

#include "platform/large_block.h"

class SlabStore {
 public:
  SlabStore(size_t firstSlabBytes, size_t largestSlabBytes);
  ~SlabStore();
  SlabStore(const SlabStore&) = delete;
  SlabStore& operator=(const SlabStore&) = delete;

  // A piece of `bytes`, aligned for any type, not initialised. A piece
  // larger than the slabs gets a slab of its own.
  std::byte* Take(size_t bytes);
  // Every piece is free again; the slabs stay for the next pieces.
  void Reuse();
  // Every slab is given back.
  void Release();
  size_t CapacityBytes() const { return m_capacity; }

 private:
  struct Slab {
    std::byte* at;
    size_t bytes;
    LargeBlock block;  // holds the slab, or none when it is on the heap
  };
  const size_t m_firstSlabBytes;
  const size_t m_largestSlabBytes;
  std::vector<Slab> m_slabs;
  size_t m_current = 0;  // the slab pieces come from
  size_t m_used = 0;     // bytes of it handed out
  size_t m_capacity = 0;
};
