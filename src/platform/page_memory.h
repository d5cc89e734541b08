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
