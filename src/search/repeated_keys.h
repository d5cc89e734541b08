// The 64-bit keys that occur more than once in a long stream of them (the
// name and size of every file in a library, for dupe:), in little more memory
// than the distinct keys take. Keys must be spread evenly over their range
// (hashes): the top byte picks a bucket, so each bucket is small enough to
// sort in the cache and to grow without moving the others.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

class RepeatedKeys {
 public:
  // Makes room for about this many keys in all (more is no harm), so the
  // buckets need not move as they grow: the room is address space only until
  // keys are written to it.
  void Expect(uint64_t keys);
  void Add(uint64_t key);
  // Keeps only the keys added more than once; Contains works after this.
  void Finish();
  bool Contains(uint64_t key) const;

 private:
  struct Bucket {
    std::vector<uint64_t> keys;
    std::size_t sorted = 0;        // keys[0, sorted) are in order, at most two of each
    std::size_t compactAt = 4096;  // the size at which the new keys are merged in
  };
  static void Compact(Bucket& bucket);

  std::array<Bucket, 256> m_buckets;
  std::size_t Slot(uint64_t key) const;

  // After Finish: the repeated keys in an open-addressed table two-thirds
  // full (0 marks a free slot; key 0 is told by its own flag). A lookup
  // mostly reads one cache line, where a sorted array took several misses.
  std::vector<uint64_t> m_table;
  bool m_bZeroRepeated = false;
};
