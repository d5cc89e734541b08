// Node labels, packed one after another in large blocks instead of one heap
// block per label. Each label is stored as a 32-bit length and its bytes.
#pragma once

#include <cstdint>
#include <cstring>
#include <string_view>
#include <vector>

#include "tree/slab_store.h"

class LabelArena {
 public:
  using Ref = uint64_t;  // block index in the high half, offset in the low half

  Ref Store(std::string_view text);
  std::string_view View(Ref ref) const {
    const char* at = m_blocks[ref >> 32] + static_cast<uint32_t>(ref);
    uint32_t length;
    std::memcpy(&length, at, sizeof length);
    return {at + sizeof length, length};
  }
  // The label's bytes are not reused until Clear(); only counted.
  void Release(Ref ref) { m_releasedBytes += sizeof(uint32_t) + View(ref).size(); }
  // Every label goes; the memory stays for the next ones.
  void Clear();

  size_t CapacityBytes() const { return m_capacityBytes; }
  size_t LiveTextBytes() const { return m_storedBytes - m_releasedBytes; }

 private:
  static constexpr size_t kBlockBytes = size_t{1} << 20;

  std::vector<char*> m_blocks;  // from m_slabs
  SlabStore m_slabs{kBlockBytes, size_t{32} << 20};
  size_t m_used = 0;      // bytes used in the last block
  size_t m_blockCap = 0;  // size of the last block
  size_t m_capacityBytes = 0;
  size_t m_storedBytes = 0;
  size_t m_releasedBytes = 0;
};
