// Memory taken straight from the operating system, for large arrays that are
// filled at once. On Linux it is marked for huge pages: a hundred megabytes
// then cost some fifty page faults rather than twenty-five thousand, which on
// a virtual machine take longer than filling the memory itself.
#pragma once

#include <cstddef>

// At least `bytes` of zeroed memory, aligned to a page; throws
// std::bad_alloc when there is none.
std::byte* MapPages(size_t bytes);
// Gives back what MapPages(bytes) returned.
void UnmapPages(std::byte* at, size_t bytes) noexcept;

// An array of n plain values (not initialised) that a large table fills at
// once: mapped in huge pages when it is large, from the heap otherwise.
template <class T>
class PageArray {
 public:
  explicit PageArray(size_t n) : m_size(n), m_mapped(n * sizeof(T) >= kMappedBytes) {
    m_at = m_mapped ? reinterpret_cast<T*>(MapPages(n * sizeof(T))) : new T[n];
  }
  ~PageArray() {
    if (m_mapped)
      UnmapPages(reinterpret_cast<std::byte*>(m_at), m_size * sizeof(T));
    else
      delete[] m_at;
  }
  PageArray(const PageArray&) = delete;
  PageArray& operator=(const PageArray&) = delete;

  T* begin() { return m_at; }
  T* end() { return m_at + m_size; }
  T& operator[](size_t i) { return m_at[i]; }
  size_t size() const { return m_size; }

 private:
  // Below this, the heap's memory (often used before) costs less than a mapping.
  static constexpr size_t kMappedBytes = size_t{4} << 20;
  size_t m_size;
  bool m_mapped;
  T* m_at;
};
