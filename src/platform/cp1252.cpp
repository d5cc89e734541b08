#include "platform/cp1252.h"

#include <algorithm>
#include <iterator>

#include "platform/utf8.h"

namespace {

// The code points of bytes 0x80-0x9F; from 0xA0 on, a byte is its own code point.
constexpr char16_t kHighControls[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,  // 80-87
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,  // 88-8F
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,  // 90-97
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,  // 98-9F
};

}  // namespace

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
    char32_t cp = 0;
    i += DecodeUtf8(s + i, text.size() - i, cp);
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
