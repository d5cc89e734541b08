#include <windows.h>

#include <new>

#include "platform/page_memory.h"

std::byte* MapPages(size_t bytes) {
  void* at = VirtualAlloc(nullptr, bytes, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE);
  if (at == nullptr) throw std::bad_alloc();
  return static_cast<std::byte*>(at);
}

void UnmapPages(std::byte* at, size_t /*bytes*/) noexcept {
  if (at != nullptr) VirtualFree(at, 0, MEM_RELEASE);
}
