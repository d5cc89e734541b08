#include "gui/key_sort.h"

#include <vector>

KeyedRow* SortByKey(std::span<KeyedRow> rows, std::span<KeyedRow> scratch) {
  // Least significant 16 bits first; each pass is stable, and a pass where
  // every key has the same digit (the high bits of sizes, mostly) is skipped.
  constexpr int kDigitBits = 16;
  KeyedRow* from = rows.data();
  KeyedRow* to = scratch.data();
  const size_t n = rows.size();
  std::vector<size_t> starts;
  for (int shift = 0; shift < 64; shift += kDigitBits) {
    const auto digit = [shift](const KeyedRow& r) { return (r.key >> shift) & 0xFFFF; };
    starts.assign((size_t{1} << kDigitBits) + 1, 0);
    for (size_t i = 0; i < n; ++i) ++starts[digit(from[i]) + 1];
    if (n == 0 || starts[digit(from[0]) + 1] == n) continue;
    for (size_t d = 1; d < starts.size(); ++d) starts[d] += starts[d - 1];
    for (size_t i = 0; i < n; ++i) to[starts[digit(from[i])]++] = from[i];
    std::swap(from, to);
  }
  return from;
}
