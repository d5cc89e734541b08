#include "tree/record_pool.h"

#include <new>

RecordPool::RecordPool(size_t recordSize)
    : m_recordSize((recordSize + alignof(void*) - 1) / alignof(void*) * alignof(void*)) {
  if (m_recordSize < sizeof(FreeSlot)) m_recordSize = sizeof(FreeSlot);
}

void* RecordPool::Allocate() {
  if (m_free == nullptr) {
    auto chunk = std::make_unique_for_overwrite<std::byte[]>(kRecordsPerChunk * m_recordSize);
    std::byte* base = chunk.get();
    m_chunks.push_back(std::move(chunk));
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
