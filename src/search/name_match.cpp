#include "search/name_match.h"

#include <array>
#include <cstdint>
#include <cstring>

#include "platform/cp1252.h"
#include "platform/lower_case.h"

// In UTF-8 the bytes of a multibyte character are all 0x80 or above, so an
// ASCII byte ('/', '-', ' ', '.', digits) is always a character of its own.
// Every search for such a byte below is therefore character-aware as it
// stands, also in labels that hold Windows-1252 bytes.

namespace {

// ---- UTF-8 ----------------------------------------------------------------

// False when pos is inside a well-formed multibyte character of text.
bool IsCharStart(std::string_view text, size_t pos) {
  const auto* bytes = reinterpret_cast<const unsigned char*>(text.data());
  for (size_t back = 1; back <= 3 && back <= pos; ++back) {
    if ((bytes[pos - back] & 0xC0) == 0x80) continue;
    char32_t cp;
    return DecodeUtf8(bytes + pos - back, text.size() - (pos - back), cp) <= back;
  }
  return true;
}

// ---- Lower case -----------------------------------------------------------

constexpr uint64_t kEveryByte = 0x0101010101010101;
constexpr uint64_t kHighBits = kEveryByte * 0x80;

// A-Z to a-z in eight ASCII bytes at once. No byte sum below reaches 0x100,
// so nothing carries into the next byte.
uint64_t LowerAscii8(uint64_t x) {
  const uint64_t atLeastA = x + kEveryByte * (0x80 - 'A');
  const uint64_t aboveZ = x + kEveryByte * (0x80 - 'Z' - 1);
  const uint64_t upper = atLeastA & ~aboveZ & kHighBits;
  return x | (upper >> 2);
}

char LowerAscii(unsigned char b) {
  return static_cast<char>(static_cast<unsigned>(b - 'A') < 26u ? b + 32 : b);
}

// Appends text lower-cased to out; false when text is not valid UTF-8. ASCII,
// the common case, goes eight bytes at a time.
bool AppendLowerCase(std::string_view text, std::string& out) {
  const size_t start = out.size();
  const size_t n = text.size();
  out.resize(start + n);
  const auto* src = reinterpret_cast<const unsigned char*>(text.data());
  char* dst = out.data() + start;
  size_t i = 0;
  uint64_t block;
  for (; i + 8 <= n; i += 8) {
    std::memcpy(&block, src + i, 8);
    if (block & kHighBits) break;
    block = LowerAscii8(block);
    std::memcpy(dst + i, &block, 8);
  }
  if (i == n) return true;
  if (i + 8 > n) {
    // The last few bytes as one block ending at the text's end; bytes done
    // already are read from the source again and come out the same.
    if (n >= 8) {
      std::memcpy(&block, src + n - 8, 8);
      if (!(block & kHighBits)) {
        block = LowerAscii8(block);
        std::memcpy(dst + n - 8, &block, 8);
        return true;
      }
    }
    for (; i < n && src[i] < 0x80; ++i) dst[i] = LowerAscii(src[i]);
    if (i == n) return true;
  }

  // Character by character from the first non-ASCII byte. A character's lower
  // case takes at most four bytes and so never more than twice its own length.
  out.resize(start + i + 2 * (n - i));
  dst = out.data() + start;
  size_t o = i;
  bool valid = true;
  while (i < n) {
    if (i + 8 <= n) {
      std::memcpy(&block, src + i, 8);
      if (!(block & kHighBits)) {
        block = LowerAscii8(block);
        std::memcpy(dst + o, &block, 8);
        i += 8, o += 8;
        continue;
      }
    }
    char32_t cp;
    const size_t len = src[i] < 0x80 ? 1 : DecodeUtf8(src + i, n - i, cp);
    if (len == 0) {
      dst[o++] = static_cast<char>(src[i++]);  // not UTF-8: kept as it is
      valid = false;
    } else if (len == 1) {
      dst[o++] = LowerAscii(src[i++]);
    } else {
      o += EncodeUtf8(LowerCodePoint(cp), dst + o);
      i += len;
    }
  }
  out.resize(start + o);
  return valid;
}

// Lower case of each Windows-1252 byte, by the same Unicode mapping as UTF-8
// text ('\xC4' Ä to '\xE4' ä, '\x8A' Š to '\x9A' š); a byte whose lower case the
// code page lacks stays as it is.
const std::array<char, 256>& Cp1252LowerCase() {
  static const std::array<char, 256> table = [] {
    std::array<char, 256> t{};
    std::string one;
    for (unsigned b = 0; b < 256; ++b) {
      t[b] = static_cast<char>(b);
      char utf8[4];
      const size_t n =
          EncodeUtf8(LowerCodePoint(Cp1252CodePoint(static_cast<unsigned char>(b))), utf8);
      if (EncodeUtf8AsCp1252(std::string_view(utf8, n), one) && one.size() == 1) t[b] = one[0];
    }
    return t;
  }();
  return table;
}

}  // namespace

bool WildcardMatch(const char* text, const char* pattern) {
  const char* t = text;
  const char* p = pattern;
  for (;;) {
    switch (*p) {
      case '\0':
        return *t == '\0';
      case '?':
        if (*t == '\0') return false;
        ++t, ++p;
        break;
      case '*': {
        while (*p == '*' || *p == '?') ++p;
        if (*p == '\0') return true;
        size_t len = 0;
        while (p[len] != '\0' && p[len] != '*' && p[len] != '?') ++len;
        const bool isFinal = p[len] == '\0';
        // Leftmost position where the segment (for the final one: the segment
        // and the end of the text) matches. The segment holds no null, so the
        // comparison stops at the text's end and never reads beyond it.
        for (;; ++t) {
          size_t i = 0;
          while (i < len && t[i] == p[i]) ++i;
          if (i == len && (!isFinal || t[len] == '\0')) break;
          if (t[i] == '\0') return false;  // fewer than len bytes left
        }
        t += len, p += len;
        break;
      }
      default:
        if (*t != *p) return false;
        ++t, ++p;
        break;
    }
  }
}

void LowerCaseText(std::string& text) {
  size_t i = 0;
  for (; i < text.size(); ++i) {
    const auto b = static_cast<unsigned char>(text[i]);
    if (b >= 0x80) break;
    text[i] = LowerAscii(b);
  }
  if (i == text.size()) return;
  std::string lowered(text, 0, i);
  AppendLowerCase(std::string_view(text).substr(i), lowered);
  text = std::move(lowered);
}

NameMatcher::NameMatcher(std::string_view searchText, bool exactMatch, bool ignoreCase) {
  Reset(searchText, exactMatch, ignoreCase);
}

void NameMatcher::Reset(std::string_view searchText, bool exactMatch, bool ignoreCase) {
  m_strText.assign(searchText);
  m_bIgnoreCase = ignoreCase;
  m_bCheckCharStart = !searchText.empty() && (searchText[0] & 0xC0) == 0x80;
  m_bAsciiText = !searchText.empty();
  for (const char c : searchText) m_bAsciiText &= static_cast<unsigned char>(c) < 0x80;
  // Labels that are not UTF-8 are Windows-1252 and are compared in that code
  // page, one byte a character; a text it cannot encode matches none of them.
  // A search text that is not UTF-8 itself is taken as Windows-1252 bytes.
  m_bCp1252Text = EncodeUtf8AsCp1252(searchText, m_strCp1252Text);
  if (!m_bCp1252Text && !IsValidUtf8(searchText)) {
    m_strCp1252Text.assign(searchText);
    if (ignoreCase)
      for (char& c : m_strCp1252Text) c = Cp1252LowerCase()[static_cast<unsigned char>(c)];
    m_bCp1252Text = true;
  }
  if (searchText.find_first_of("*?") != std::string_view::npos) {
    m_mode = Mode::wildcard;
    SplitPattern(searchText, m_strPatternStem, m_strPatternExt);
    SplitPattern(m_strCp1252Text, m_strCp1252Stem, m_strCp1252Ext);
  } else {
    m_mode = exactMatch ? Mode::exact : Mode::substring;
  }
}

// The '.' belongs to neither half.
void NameMatcher::SplitPattern(std::string_view pattern, std::string& stem, std::string& ext) {
  const size_t dot = pattern.rfind('.');
  stem.assign(pattern.substr(0, dot));
  ext.assign(dot == std::string_view::npos ? std::string_view{} : pattern.substr(dot + 1));
}

bool NameMatcher::Matches(std::string_view label) {
  // The name starts the label: a text that the whole label lacks cannot be in
  // the name. Most labels are turned down here, before the name is taken out.
  // An ASCII text is found in a Windows-1252 label's bytes exactly where it is
  // found in its decoded text, so only another text looks again at a label
  // turned down here.
  if (m_mode == Mode::substring) {
    if (!m_bIgnoreCase) {
      if (!ContainsText(label)) return MayHoldCp1252Text(label) && MatchesCp1252Label(label);
    } else if (m_bAsciiText && !MayHoldAsciiText(label)) {
      return false;
    }
  } else if (m_mode == Mode::exact) {
    if (!m_bIgnoreCase) {
      if (!label.starts_with(m_strText))
        return MayHoldCp1252Text(label) && MatchesCp1252Label(label);
    } else if (m_bAsciiText && !MayStartWithAsciiText(label)) {
      return false;
    }
  }

  std::string_view name = ItemLabelName(label);
  if (m_bIgnoreCase) {
    // Lower-casing finds out on the way whether the label is UTF-8.
    m_strName.clear();
    if (!AppendLowerCase(name, m_strName)) return MatchesCp1252Label(label);
    name = m_strName;
  } else if (!IsValidUtf8(label)) {
    return MatchesCp1252Label(label);
  }
  switch (m_mode) {
    case Mode::wildcard:
      return MatchesWildcard(name, m_strPatternStem, m_strPatternExt);
    case Mode::exact:
      return name == m_strText;
    case Mode::substring:
      return ContainsText(name);
  }
  return false;
}

// The label as the window shows it (decoded from Windows-1252) against the
// search text, compared in the code page: a '?' is one byte and so one
// character, and case is ignored for the code page's letters too.
bool NameMatcher::MayHoldCp1252Text(std::string_view label) const {
  return !m_bAsciiText && m_bCp1252Text && label.find(m_strCp1252Text) != std::string_view::npos &&
         !IsValidUtf8(label);
}

bool NameMatcher::MatchesCp1252Label(std::string_view label) {
  if (!m_bCp1252Text) return false;
  m_strName.assign(ItemLabelName(label));
  if (m_bIgnoreCase) {
    const auto& lower = Cp1252LowerCase();
    for (char& c : m_strName) c = lower[static_cast<unsigned char>(c)];
  }
  switch (m_mode) {
    case Mode::wildcard:
      return MatchesWildcard(m_strName, m_strCp1252Stem, m_strCp1252Ext);
    case Mode::exact:
      return m_strName == m_strCp1252Text;
    case Mode::substring:
      return m_strName.find(m_strCp1252Text) != std::string::npos;
  }
  return false;
}

// Matches the stem and the extension (without its '.') in place: the name is
// copied into m_strName, unless it is already there, and its last '.' becomes
// the stem's terminator.
bool NameMatcher::MatchesWildcard(std::string_view name, const std::string& stemPattern,
                                  const std::string& extPattern) {
  if (name.data() != m_strName.data()) m_strName.assign(name);
  const size_t dot = m_strName.rfind('.');
  const char* ext = "";
  if (dot != std::string::npos) {
    m_strName[dot] = '\0';
    ext = m_strName.c_str() + dot + 1;
  }
  return WildcardMatch(m_strName.c_str(), stemPattern.c_str()) &&
         WildcardMatch(ext, extPattern.c_str());
}

bool NameMatcher::ContainsText(std::string_view name) const {
  size_t pos = name.find(m_strText);
  if (!m_bCheckCharStart) return pos != std::string_view::npos;
  for (; pos != std::string_view::npos; pos = name.find(m_strText, pos + 1)) {
    if (IsCharStart(name, pos)) return true;
  }
  return false;
}

// Without case, for an ASCII search text (stored lower-cased) and before any
// lower-casing: false only when the label is all ASCII and lacks the text.
// A label with other bytes might hold the text once lower-cased (the Kelvin
// sign becomes 'k'), so it answers true. The scan looks for the text's first
// byte eight label bytes at a time, lower-cased in a register, and compares
// the text at each candidate; on short labels this beats calls of memchr.
bool NameMatcher::MayHoldAsciiText(std::string_view label) const {
  const size_t n = label.size();
  const size_t m = m_strText.size();
  const auto* src = reinterpret_cast<const unsigned char*>(label.data());
  const auto first = static_cast<unsigned char>(m_strText[0]);
  const auto holdsTextAt = [&](size_t pos) {
    if (pos + m > n) return false;
    for (size_t j = 0; j < m; ++j) {
      if (LowerAscii(src[pos + j]) != m_strText[j]) return false;
    }
    return true;
  };
  const auto blockHasFirst = [&](uint64_t block) {
    // A zero byte where the lower-cased block equals the first byte. Bytes
    // above a zero byte may show up too; candidates are checked anyway.
    const uint64_t diff = LowerAscii8(block & ~kHighBits) ^ (kEveryByte * first);
    return ((diff - kEveryByte) & ~diff & kHighBits) != 0;
  };
  const auto checkBlock = [&](size_t at) {
    for (size_t k = at; k < at + 8; ++k) {
      if (LowerAscii(src[k]) == first && holdsTextAt(k)) return true;
    }
    return false;
  };

  uint64_t seenBits = 0;
  uint64_t block;
  size_t i = 0;
  for (; i + 8 <= n; i += 8) {
    std::memcpy(&block, src + i, 8);
    seenBits |= block;
    if (blockHasFirst(block) && checkBlock(i)) return true;
  }
  if (i < n) {
    if (n >= 8) {  // the last bytes as one block ending at the label's end
      std::memcpy(&block, src + n - 8, 8);
      seenBits |= block;
      if (blockHasFirst(block) && checkBlock(n - 8)) return true;
    } else {
      for (; i < n; ++i) {
        seenBits |= src[i];
        if (LowerAscii(src[i]) == first && holdsTextAt(i)) return true;
      }
    }
  }
  return (seenBits & kHighBits) != 0;
}

// Like MayHoldAsciiText, for a name that must equal the text: false only when
// the label's first bytes are ASCII and differ from the text without case.
bool NameMatcher::MayStartWithAsciiText(std::string_view label) const {
  for (size_t j = 0; j < m_strText.size(); ++j) {
    if (j == label.size()) return false;
    const auto b = static_cast<unsigned char>(label[j]);
    if (b >= 0x80) return true;
    if (LowerAscii(b) != m_strText[j]) return false;
  }
  return true;
}
