#include "tree/label_arena.h"

#include <stdexcept>

LabelArena::Ref LabelArena::Store(std::string_view text) {
  if (text.size() > UINT32_MAX - sizeof(uint32_t)) throw std::length_error("label too long");
  const size_t need = sizeof(uint32_t) + text.size();
  if (m_blocks.empty() || m_blockCap - m_used < need) {
    // A label larger than a block gets a block of its own size.
    const size_t cap = need > kBlockBytes ? need : kBlockBytes;
    m_blocks.push_back(reinterpret_cast<char*>(m_slabs.Take(cap)));
    m_blockCap = cap;
    m_used = 0;
    m_capacityBytes += cap;
  }
  char* at = m_blocks.back() + m_used;
  const auto length = static_cast<uint32_t>(text.size());
  std::memcpy(at, &length, sizeof length);
  if (!text.empty()) std::memcpy(at + sizeof length, text.data(), text.size());
  const Ref ref = (Ref{m_blocks.size() - 1} << 32) | m_used;
  m_used += need;
  m_storedBytes += need;
  return ref;
}

void LabelArena::Clear() {
  m_blocks.clear();
  m_slabs.Reuse();
  m_used = m_blockCap = m_capacityBytes = m_storedBytes = m_releasedBytes = 0;
}
