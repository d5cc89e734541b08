#include "search/repeated_keys.h"

#include <algorithm>

namespace {

// Below this a full bucket just grows; above it is compacted first.
constexpr size_t kCompactFrom = 4096;

}  // namespace

void RepeatedKeys::Add(uint64_t key) {
  Bucket& bucket = m_buckets[key >> 56];
  if (bucket.keys.size() == bucket.keys.capacity() && bucket.keys.size() >= kCompactFrom) {
    Compact(bucket);
    // Mostly distinct keys: grow by an eighth, so memory stays close to
    // what they take (a doubling would leave half of it unused).
    const size_t capacity = bucket.keys.capacity();
    if (bucket.keys.size() > capacity - capacity / 8) bucket.keys.reserve(capacity + capacity / 8);
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

void RepeatedKeys::Finish() {
  // Each bucket keeps one of each repeated key; the whole is then taken in
  // one array of its exact size.
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
  m_repeated.clear();
  m_repeated.reserve(count);
  for (Bucket& bucket : m_buckets) {
    m_repeated.insert(m_repeated.end(), bucket.keys.begin(), bucket.keys.end());
    bucket = Bucket();
  }
  m_starts.assign((size_t{1} << 16) + 1, 0);
  for (const uint64_t key : m_repeated) ++m_starts[(key >> 48) + 1];
  for (size_t i = 1; i < m_starts.size(); ++i) m_starts[i] += m_starts[i - 1];
  size_t bits = 64;
  while (bits < 8 * m_repeated.size()) bits *= 2;
  m_filter.assign(bits / 64, 0);
  for (const uint64_t key : m_repeated) {
    const uint64_t bit = key & (bits - 1);
    m_filter[bit / 64] |= uint64_t{1} << (bit % 64);
  }
}

bool RepeatedKeys::Contains(uint64_t key) const {
  if (m_filter.empty()) return false;
  const uint64_t bit = key & (64 * m_filter.size() - 1);
  if ((m_filter[bit / 64] >> (bit % 64) & 1) == 0) return false;
  const auto first = m_repeated.begin() + m_starts[key >> 48];
  const auto last = m_repeated.begin() + m_starts[(key >> 48) + 1];
  return std::binary_search(first, last, key);
}
