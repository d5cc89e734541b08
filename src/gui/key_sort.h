// Sorting rows by a number of their own (a size, a time) as a radix sort:
// a million rows take a few passes over memory instead of twenty million
// comparisons.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

struct KeyedRow {
  uint64_t key;  // in the order wanted (OrderKey)
  uint32_t row;
};

// The key that sorts a signed number in ascending or descending order as an
// unsigned one sorts ascending.
inline uint64_t OrderKey(int64_t value, bool ascending) {
  const uint64_t up = static_cast<uint64_t>(value) ^ (uint64_t{1} << 63);
  return ascending ? up : ~up;
}

// Sorts by key; rows with equal keys keep the order they came in. Returns
// where the sorted rows are: `rows` or `scratch` (of the same size).
KeyedRow* SortByKey(std::span<KeyedRow> rows, std::span<KeyedRow> scratch);
