#include "search/repeated_keys.h"

#include <algorithm>

#include "search/fast_hash.h"

namespace {

// The fewest keys a bucket takes before its first merge (as Bucket starts).
constexpr size_t kCompactFrom = 4096;

}  // namespace

void RepeatedKeys::Expect(uint64_t keys) {
  // Address space is scarce in a 32-bit process: there the buckets grow.
  if (sizeof(void*) < 8) return;
  const uint64_t perBucket = keys / m_buckets.size() + keys / m_buckets.size() / 8 + kCompactFrom;
  for (Bucket& bucket : m_buckets)
    if (bucket.keys.capacity() < perBucket) bucket.keys.reserve(static_cast<size_t>(perBucket));
}

void RepeatedKeys::Add(uint64_t key) {
  Bucket& bucket = m_buckets[key >> 56];
  if (bucket.keys.size() >= bucket.compactAt) {
    Compact(bucket);
    // Mostly distinct keys: the next merge comes once they are an eighth
    // more, so memory stays close to what they take (a doubling would leave
    // half of it unused).
    bucket.compactAt = std::max(kCompactFrom, bucket.sorted + bucket.sorted / 8);
    if (bucket.keys.capacity() < bucket.compactAt) bucket.keys.reserve(bucket.compactAt);
  }
  bucket.keys.push_back(key);
}

// Sorts the keys added since the last compaction, merges them in and keeps
// at most two of each: two tell as much as any more.
void RepeatedKeys::Compact(Bucket& bucket) {
  std::vector<uint64_t>& keys = bucket.keys;
  const auto middle = keys.begin() + static_cast<std::ptrdiff_t>(bucket.sorted);
  std::sort(middle, keys.end());
  std::inplace_merge(keys.begin(), middle, keys.end());
  size_t out = 0;
  for (size_t i = 0; i < keys.size(); ++i)
    if (out < 2 || keys[i] != keys[out - 1] || keys[i] != keys[out - 2]) keys[out++] = keys[i];
  keys.resize(out);
  bucket.sorted = out;
}

// The table's slot for a key: its mixed top 32 bits scaled to the table's
// size, so any keys (not only hashes) spread over the whole table.
std::size_t RepeatedKeys::Slot(uint64_t key) const {
  const uint64_t mixed = FastHashMix(key) >> 32;
  return static_cast<std::size_t>((mixed * m_table.size()) >> 32);
}

void RepeatedKeys::Finish() {
  // Each bucket keeps one of each repeated key; they then go into a table
  // of half as many slots again, bucket by bucket as the buckets are freed.
  size_t count = 0;
  for (Bucket& bucket : m_buckets) {
    Compact(bucket);
    std::vector<uint64_t>& keys = bucket.keys;
    size_t out = 0;
    for (size_t i = 0; i + 1 < keys.size(); ++i)
      if (keys[i] == keys[i + 1] && (out == 0 || keys[out - 1] != keys[i])) keys[out++] = keys[i];
    keys.resize(out);
    keys.shrink_to_fit();
    count += out;
  }
  m_table.assign(count == 0 ? 0 : count + count / 2 + 1, 0);
  for (Bucket& bucket : m_buckets) {
    for (const uint64_t key : bucket.keys) {
      if (key == 0) {
        m_bZeroRepeated = true;
        continue;
      }
      size_t slot = Slot(key);
      while (m_table[slot] != 0) slot = slot + 1 == m_table.size() ? 0 : slot + 1;
      m_table[slot] = key;
    }
    bucket = Bucket();
  }
}

bool RepeatedKeys::Contains(uint64_t key) const {
  if (key == 0) return m_bZeroRepeated;
  if (m_table.empty()) return false;
  for (size_t slot = Slot(key);; slot = slot + 1 == m_table.size() ? 0 : slot + 1) {
    if (m_table[slot] == key) return true;
    if (m_table[slot] == 0) return false;
  }
}
