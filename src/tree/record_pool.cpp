#include "tree/record_pool.h"

#include <new>

namespace {

size_t SlotSize(size_t recordSize) {
  const size_t size = (recordSize + alignof(void*) - 1) / alignof(void*) * alignof(void*);
  return size < sizeof(void*) ? sizeof(void*) : size;
}

}  // namespace

RecordPool::RecordPool(size_t recordSize)
    : m_recordSize(SlotSize(recordSize)),
      m_slabs(kRecordsPerChunk * m_recordSize, size_t{32} << 20) {}

void* RecordPool::Allocate() {
  if (m_free == nullptr) {
    std::byte* base = m_slabs.Take(kRecordsPerChunk * m_recordSize);
    ++m_chunks;
    for (size_t i = kRecordsPerChunk; i-- > 0;) {
      auto* slot = reinterpret_cast<FreeSlot*>(base + i * m_recordSize);
      slot->next = m_free;
      m_free = slot;
    }
  }
  FreeSlot* slot = m_free;
  m_free = slot->next;
  ++m_live;
  return slot;
}

void RecordPool::Free(void* p) noexcept {
  if (p == nullptr) return;
  auto* slot = static_cast<FreeSlot*>(p);
  slot->next = m_free;
  m_free = slot;
  --m_live;
}
