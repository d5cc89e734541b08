#include "tree/slab_store.h"

#include <algorithm>
#include <new>

namespace {

// Smaller slabs come from the heap: a small tree takes no mapping of its own,
// and a huge page is worth it only where several fit.
constexpr size_t kMappedSlabBytes = size_t{4} << 20;

constexpr std::align_val_t kAlignment{alignof(std::max_align_t)};

size_t Aligned(size_t bytes) {
  constexpr auto a = static_cast<size_t>(kAlignment);
  return (bytes + a - 1) / a * a;
}

}  // namespace

SlabStore::SlabStore(size_t firstSlabBytes, size_t largestSlabBytes)
    : m_firstSlabBytes(Aligned(firstSlabBytes)),
      m_largestSlabBytes(std::max(Aligned(largestSlabBytes), m_firstSlabBytes)) {}

SlabStore::~SlabStore() { Release(); }

std::byte* SlabStore::Take(size_t bytes) {
  bytes = Aligned(std::max<size_t>(bytes, 1));
  while (m_current < m_slabs.size() && m_slabs[m_current].bytes - m_used < bytes) {
    ++m_current;
    m_used = 0;
  }
  if (m_current == m_slabs.size()) {
    const size_t size =
        std::max(bytes, std::clamp(m_capacity, m_firstSlabBytes, m_largestSlabBytes));
    Slab slab{nullptr, size, {}};
    if (size >= kMappedSlabBytes) {
      slab.bytes = (size + kLargeBlockBytes - 1) / kLargeBlockBytes * kLargeBlockBytes;
      slab.block = AllocateLargeBlock(slab.bytes);
      slab.at = static_cast<std::byte*>(slab.block.get());
    } else {
      slab.at = static_cast<std::byte*>(::operator new(size, kAlignment));
    }
    m_capacity += slab.bytes;
    m_slabs.push_back(std::move(slab));
    m_used = 0;
  }
  std::byte* piece = m_slabs[m_current].at + m_used;
  m_used += bytes;
  return piece;
}

void SlabStore::Reuse() {
  m_current = 0;
  m_used = 0;
}

void SlabStore::Release() {
  for (const Slab& slab : m_slabs)
    if (!slab.block) ::operator delete(slab.at, kAlignment);
  m_slabs.clear();
  m_capacity = 0;
  Reuse();
}
