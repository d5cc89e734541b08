#include "platform/utf8.h"

#include <cstdint>
#include <cstring>

bool IsValidUtf8(std::string_view text) {
  const auto* s = reinterpret_cast<const unsigned char*>(text.data());
  const size_t n = text.size();
  size_t i = 0;
  while (i < n) {
    // Labels are mostly ASCII: skip eight such bytes at a time.
    if (i + 8 <= n) {
      uint64_t block;
      std::memcpy(&block, s + i, 8);
      if ((block & 0x8080808080808080u) == 0) {
        i += 8;
        continue;
      }
    }
    if (s[i] < 0x80) {
      ++i;
      continue;
    }
    char32_t cp;
    const size_t len = DecodeUtf8(s + i, n - i, cp);
    if (len == 0) return false;
    i += len;
  }
  return true;
}
