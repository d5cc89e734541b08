#include "platform/cp1252.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <iterator>

namespace {

// The code points of bytes 0x80-0x9F; from 0xA0 on, a byte is its own code point.
constexpr char16_t kHighControls[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,  // 80-87
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,  // 88-8F
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,  // 90-97
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,  // 98-9F
};

void AppendUtf8(char32_t cp, std::string& out) {
  if (cp < 0x80) {
    out += static_cast<char>(cp);
  } else if (cp < 0x800) {
    out += static_cast<char>(0xC0 | (cp >> 6));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else {
    out += static_cast<char>(0xE0 | (cp >> 12));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  }
}

bool IsContinuation(unsigned char c) { return (c & 0xC0) == 0x80; }

}  // namespace

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
    const unsigned char lead = s[i];
    if (lead < 0x80) {
      ++i;
      continue;
    }
    size_t len;
    if (lead >= 0xC2 && lead <= 0xDF) {
      len = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
      len = 3;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
      len = 4;
    } else {
      return false;
    }
    if (n - i < len) return false;
    for (size_t k = 1; k < len; ++k)
      if (!IsContinuation(s[i + k])) return false;
    // The second byte's range rules out overlong forms, surrogates and
    // code points beyond U+10FFFF.
    const unsigned char second = s[i + 1];
    if (lead == 0xE0 && second < 0xA0) return false;
    if (lead == 0xED && second > 0x9F) return false;
    if (lead == 0xF0 && second < 0x90) return false;
    if (lead == 0xF4 && second > 0x8F) return false;
    i += len;
  }
  return true;
}

char32_t Cp1252CodePoint(unsigned char byte) {
  return byte >= 0x80 && byte < 0xA0 ? kHighControls[byte - 0x80] : byte;
}

void AppendCp1252AsUtf8(std::string_view text, std::string& out) {
  out.reserve(out.size() + text.size() * 2);
  for (const char c : text) {
    const auto b = static_cast<unsigned char>(c);
    if (b < 0x80) {
      out += c;
    } else {
      AppendUtf8(Cp1252CodePoint(b), out);
    }
  }
}

bool EncodeUtf8AsCp1252(std::string_view text, std::string& out) {
  if (!IsValidUtf8(text)) return false;
  out.clear();
  const auto* s = reinterpret_cast<const unsigned char*>(text.data());
  for (size_t i = 0; i < text.size();) {
    char32_t cp = s[i];
    size_t len = 1;
    if (cp >= 0xF0) {
      return false;  // beyond the Basic Multilingual Plane: not in the code page
    } else if (cp >= 0xE0) {
      cp = ((cp & 0x0F) << 12) | ((s[i + 1] & 0x3F) << 6) | (s[i + 2] & 0x3F), len = 3;
    } else if (cp >= 0xC0) {
      cp = ((cp & 0x1F) << 6) | (s[i + 1] & 0x3F), len = 2;
    }
    i += len;
    if (cp < 0x80 || (cp >= 0xA0 && cp <= 0xFF)) {
      out += static_cast<char>(cp);
      continue;
    }
    const auto* hit = std::find(std::begin(kHighControls), std::end(kHighControls), cp);
    if (hit == std::end(kHighControls)) return false;
    out += static_cast<char>(0x80 + (hit - kHighControls));
  }
  return true;
}

void AppendDisplayText(std::string_view label, std::string& out) {
  if (IsValidUtf8(label)) {
    out.append(label);
  } else {
    AppendCp1252AsUtf8(label, out);
  }
}

std::string DisplayText(std::string_view label) {
  std::string text;
  AppendDisplayText(label, text);
  return text;
}
