// A 64-bit hash of bytes at several gigabytes a second, for telling whether a
// cached index still fits its catalogue and is whole. Not for security.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

inline uint64_t FastHashMix(uint64_t h) {
  h ^= h >> 33;
  h *= 0xff51afd7ed558ccdULL;
  h ^= h >> 33;
  h *= 0xc4ceb9fe1a85ec53ULL;
  return h ^ (h >> 33);
}

inline uint64_t FastHash(const void* data, size_t n) {
  const auto* p = static_cast<const unsigned char*>(data);
  constexpr uint64_t kPrime = 0x9E3779B97F4A7C15ULL;
  // Four lanes, so the multiplications of one round run side by side.
  uint64_t lane[4] = {kPrime, kPrime * 3, kPrime * 5, kPrime * 7};
  size_t i = 0;
  for (; i + 32 <= n; i += 32) {
    for (int k = 0; k < 4; ++k) {
      uint64_t w;
      std::memcpy(&w, p + i + 8 * k, 8);
      lane[k] = (lane[k] ^ w) * kPrime;
      lane[k] = (lane[k] << 31) | (lane[k] >> 33);
    }
  }
  uint64_t h = lane[0] ^ FastHashMix(lane[1]) ^ FastHashMix(lane[2] + 1) ^ FastHashMix(lane[3] + 2);
  for (; i < n; ++i) h = (h ^ p[i]) * kPrime;
  return FastHashMix(h ^ n);
}
