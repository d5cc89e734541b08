#include <windows.h>

#include <new>

#include "platform/large_block.h"

LargeBlock AllocateLargeBlock(size_t bytes) {
  void* block = ::VirtualAlloc(nullptr, bytes, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE);
  if (block == nullptr) throw std::bad_alloc();
  return LargeBlock(block, LargeBlockRelease{bytes});
}

void LargeBlockRelease::operator()(void* block) const { ::VirtualFree(block, 0, MEM_RELEASE); }
