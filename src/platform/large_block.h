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

// An array of n plain values (not initialised) that a large table fills at
// once: in a large block when it is large, from the heap otherwise.
template <class T>
class LargeArray {
 public:
  explicit LargeArray(size_t n) : m_size(n) {
    const size_t bytes = n * sizeof(T);
    if (bytes >= kHeapBytes) {
      m_block =
          AllocateLargeBlock((bytes + kLargeBlockBytes - 1) / kLargeBlockBytes * kLargeBlockBytes);
      m_at = static_cast<T*>(m_block.get());
    } else {
      m_heap = std::make_unique_for_overwrite<T[]>(n);
      m_at = m_heap.get();
    }
  }

  T* begin() { return m_at; }
  T* end() { return m_at + m_size; }
  T& operator[](size_t i) { return m_at[i]; }
  size_t size() const { return m_size; }

 private:
  // Below this, the heap's memory (often used before) costs less than a block.
  static constexpr size_t kHeapBytes = 2 * kLargeBlockBytes;
  size_t m_size;
  LargeBlock m_block;
  std::unique_ptr<T[]> m_heap;
  T* m_at = nullptr;
};
