// UTF-8, the text of labels, paths and search texts on this system: one
// decoder, one encoder and one validator for the whole program.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

inline bool IsUtf8Continuation(unsigned char c) { return (c & 0xC0) == 0x80; }

// Length of the UTF-8 sequence a lead byte starts; 0 for a byte that starts
// none (a continuation byte or one UTF-8 never uses). ASCII is not a lead.
inline size_t Utf8SequenceLength(unsigned char lead) {
  if (lead >= 0xC2 && lead <= 0xDF) return 2;
  if (lead >= 0xE0 && lead <= 0xEF) return 3;
  if (lead >= 0xF0 && lead <= 0xF4) return 4;
  return 0;
}

// Length of the well-formed UTF-8 character at s (n > 0 bytes available),
// with its code point in cp; 0 when the bytes there are not one (stray
// continuation byte, overlong form, surrogate, beyond U+10FFFF, cut short).
// Inline: the matcher decodes every label character with it.
inline size_t DecodeUtf8(const unsigned char* s, size_t n, char32_t& cp) {
  const unsigned char lead = s[0];
  if (lead < 0x80) {
    cp = lead;
    return 1;
  }
  const size_t len = Utf8SequenceLength(lead);
  if (len == 0 || n < len) return 0;
  constexpr char32_t kLeast[5] = {0, 0, 0x80, 0x800, 0x10000};
  cp = lead & (0x7F >> len);
  for (size_t i = 1; i < len; ++i) {
    if (!IsUtf8Continuation(s[i])) return 0;
    cp = (cp << 6) | (s[i] & 0x3F);
  }
  if (cp < kLeast[len] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return 0;
  return len;
}

// Writes the code point (at most U+10FFFF) as 1 to 4 bytes at out; returns
// how many.
inline size_t EncodeUtf8(char32_t cp, char* out) {
  if (cp < 0x80) {
    out[0] = static_cast<char>(cp);
    return 1;
  }
  if (cp < 0x800) {
    out[0] = static_cast<char>(0xC0 | (cp >> 6));
    out[1] = static_cast<char>(0x80 | (cp & 0x3F));
    return 2;
  }
  if (cp < 0x10000) {
    out[0] = static_cast<char>(0xE0 | (cp >> 12));
    out[1] = static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out[2] = static_cast<char>(0x80 | (cp & 0x3F));
    return 3;
  }
  out[0] = static_cast<char>(0xF0 | (cp >> 18));
  out[1] = static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
  out[2] = static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
  out[3] = static_cast<char>(0x80 | (cp & 0x3F));
  return 4;
}

// The halves of a UTF-16 surrogate pair (names from Windows, JSON's \u
// escapes) and the character the pair stands for.
inline bool IsHighSurrogate(char32_t u) { return u >= 0xD800 && u <= 0xDBFF; }
inline bool IsLowSurrogate(char32_t u) { return u >= 0xDC00 && u <= 0xDFFF; }
inline char32_t CombineSurrogates(char32_t high, char32_t low) {
  return 0x10000 + ((high - 0xD800) << 10) + (low - 0xDC00);
}

inline void AppendUtf8(char32_t cp, std::string& out) {
  char bytes[4];
  out.append(bytes, EncodeUtf8(cp, bytes));
}

// Whether text is well-formed UTF-8 (no overlong forms, surrogates or code
// points beyond U+10FFFF).
bool IsValidUtf8(std::string_view text);
