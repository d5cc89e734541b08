// A free-list pool for small fixed-size records. A catalogue holds one file
// record per file, so a million small heap blocks would cost their malloc
// headers and scatter; the pool packs them in large chunks instead, cut from
// slabs that grow with the pool.
#pragma once

#include <cstddef>

#include "tree/slab_store.h"

class RecordPool {
 public:
  explicit RecordPool(size_t recordSize);
  void* Allocate();
  void Free(void* p) noexcept;
  size_t CapacityBytes() const { return m_chunks * kRecordsPerChunk * m_recordSize; }
  size_t LiveRecords() const { return m_live; }

 private:
  static constexpr size_t kRecordsPerChunk = 4096;
  struct FreeSlot {
    FreeSlot* next;
  };
  size_t m_recordSize;
  SlabStore m_slabs;
  size_t m_chunks = 0;
  FreeSlot* m_free = nullptr;
  size_t m_live = 0;
};
