// Random labels and patterns against a plain reference written from the
// description of Find's matching, on exactly-sized heap copies so that the
// address sanitizer reports any read past an input's end.
#include <gtest/gtest.h>
#include <locale.h>

#include <cwchar>
#include <memory>
#include <random>
#include <regex>
#include <string>
#include <string_view>
#include <vector>

#include "platform/cp1252.h"
#include "search/name_match.h"
#include "support/name_match_oracles.h"

namespace {

// Index-based, with the remaining length checked through the sizes: a final
// segment is a suffix, any other segment its first occurrence.
template <class String>
bool ReferenceWildcard(const String& text, const String& pattern) {
  using Char = typename String::value_type;
  const Char anyRun[] = {'*', '?', 0};
  size_t t = 0, p = 0;
  for (;;) {
    if (p == pattern.size()) return t == text.size();
    const Char c = pattern[p];
    if (c != '*') {
      if (t == text.size() || (c != '?' && text[t] != c)) return false;
      ++t, ++p;
      continue;
    }
    p = pattern.find_first_not_of(anyRun, p);
    if (p == String::npos) return true;
    const size_t end = pattern.find_first_of(anyRun, p);
    const String segment = pattern.substr(p, end - p);
    if (end == String::npos) {
      return text.size() - t >= segment.size() &&
             text.compare(text.size() - segment.size(), segment.size(), segment) == 0;
    }
    const size_t found = text.find(segment, t);
    if (found == String::npos) return false;
    t = found + segment.size();
    p = end;
  }
}

void TrimRight(std::string& s) { s.erase(s.find_last_not_of(" \t\n\v\f\r") + 1); }

// The cuts as described, made only on a label with the file-label layout and
// a time text holding '/' and '-'; every other label is the name itself.
std::string ReferenceName(const std::string& label) {
  static const std::regex layout(R"(^[\s\S]* -?[0-9]+ bytes, ([0-9/:-]*)$)");
  std::smatch m;
  if (!std::regex_match(label, m, layout)) return label;
  const std::string time = m[1];
  if (time.find('/') == std::string::npos || time.find('-') == std::string::npos) return label;
  std::string name = label.substr(0, label.rfind('-'));
  for (int i = 0; i < 3; ++i) {
    name.erase(name.rfind(' '));
    TrimRight(name);
  }
  return name;
}

// Where the characters of s start, by the C library's UTF-8 decoder; a byte
// that starts no valid character is one of its own.
std::vector<bool> CharStarts(const std::string& s) {
  static const locale_t utf8 = newlocale(LC_CTYPE_MASK, "C.UTF-8", locale_t{});
  const locale_t previous = uselocale(utf8);
  std::vector<bool> starts(s.size() + 1, false);
  for (size_t i = 0; i < s.size();) {
    starts[i] = true;
    std::mbstate_t state{};
    const size_t r = std::mbrtowc(nullptr, s.data() + i, s.size() - i, &state);
    i += (r == 0 || r == static_cast<size_t>(-1) || r == static_cast<size_t>(-2)) ? 1 : r;
  }
  starts[s.size()] = true;
  uselocale(previous);
  return starts;
}

bool ContainsAtCharStart(const std::string& name, const std::string& text) {
  const std::vector<bool> starts = CharStarts(name);
  for (size_t pos = 0; pos + text.size() <= name.size(); ++pos) {
    if (starts[pos] && name.compare(pos, text.size(), text) == 0) return true;
  }
  return false;
}

// Characters of UTF-8 text, by the C library's decoder.
std::wstring Characters(const std::string& s) {
  static const locale_t utf8 = newlocale(LC_CTYPE_MASK, "C.UTF-8", locale_t{});
  const locale_t previous = uselocale(utf8);
  std::wstring out(s.size(), L'\0');
  out.resize(std::mbstowcs(out.data(), s.c_str(), s.size()));
  uselocale(previous);
  return out;
}

// A label that is not UTF-8 is matched as the text shown for it: decoded from
// Windows-1252 (as is a search text that is not UTF-8), lower-cased, with a
// '?' standing for one character.
bool ReferenceWindowsMatch(const std::string& name, std::string text, bool exact, bool ignoreCase) {
  std::string shown = DisplayText(name);
  if (!IsValidUtf8(text)) text = DisplayText(text);
  if (ignoreCase) {
    LowerCaseText(shown);
    LowerCaseText(text);
  }
  const std::wstring n = Characters(shown), t = Characters(text);
  if (t.find_first_of(L"*?") != std::wstring::npos) {
    const size_t dot = t.rfind(L'.'), nameDot = n.rfind(L'.');
    return ReferenceWildcard(n.substr(0, nameDot), t.substr(0, dot)) &&
           ReferenceWildcard(nameDot == std::wstring::npos ? L"" : n.substr(nameDot + 1),
                             dot == std::wstring::npos ? L"" : t.substr(dot + 1));
  }
  return exact ? n == t : n.find(t) != std::wstring::npos;
}

bool ReferenceMatch(const std::string& label, std::string text, bool exact, bool ignoreCase) {
  std::string name = ReferenceName(label);
  if (ignoreCase) LowerCaseText(text);
  if (!IsValidUtf8(label)) return ReferenceWindowsMatch(name, text, exact, ignoreCase);
  if (ignoreCase) LowerCaseText(name);
  if (text.find_first_of("*?") != std::string::npos) {
    const size_t dot = text.rfind('.');
    const std::string patternStem = text.substr(0, dot);
    const std::string patternExt = dot == std::string::npos ? "" : text.substr(dot + 1);
    const size_t nameDot = name.rfind('.');
    const std::string stem = name.substr(0, nameDot);
    const std::string ext = nameDot == std::string::npos ? "" : name.substr(nameDot + 1);
    return ReferenceWildcard(stem, patternStem) && ReferenceWildcard(ext, patternExt);
  }
  if (exact) return name == text;
  return ContainsAtCharStart(name, text);
}

// Exactly-sized heap copies: one without a terminator for views, one with it
// for the C-string matcher.
struct HeapText {
  explicit HeapText(const std::string& s)
      : view(new char[s.size()]), cstr(new char[s.size() + 1]), size(s.size()) {
    s.copy(view.get(), s.size());
    s.copy(cstr.get(), s.size());
    cstr[s.size()] = '\0';
  }
  std::string_view View() const { return {view.get(), size}; }
  std::unique_ptr<char[]> view;
  std::unique_ptr<char[]> cstr;
  size_t size;
};

class RandomText {
 public:
  explicit RandomText(unsigned seed) : m_rng(seed) {}

  // Pieces that exercise the cuts, the split and the wildcards; no null byte
  // and only ASCII letters that lower-case within themselves.
  std::string Piece() {
    static const char* const pieces[] = {"a",        "b",
                                         "A",        "B",
                                         ".",        ".",
                                         "*",        "?",
                                         " ",        "   ",
                                         "-",        "/",
                                         "1",        "42",
                                         ":",        "\t",
                                         " bytes, ", "\xC3\xA4",
                                         "\xC3\x84", "\xC4",
                                         "\xA4",     "\xE2\x82\xAC",
                                         "ab",       "ba"};
    return pieces[Below(std::size(pieces))];
  }
  std::string Text(size_t maxPieces) {
    std::string s;
    for (size_t n = Below(maxPieces + 1); n > 0; --n) s += Piece();
    return s;
  }
  std::string Label() {
    switch (Below(3)) {
      case 0:
        return Text(8);
      case 1:  // a file label, sometimes with its time text cut short
        return Text(6) + "   " + std::to_string(Below(100000)) + " bytes, " +
               std::string("15/03/2003-10:22").substr(0, Below(17));
      default:  // a failed folder's label
        return Text(4) + " [" + Text(4) + "]";
    }
  }
  size_t Below(size_t n) { return std::uniform_int_distribution<size_t>(0, n - 1)(m_rng); }

 private:
  std::mt19937 m_rng;
};

TEST(WildcardMatchTest, RandomAgreesWithReference) {
  RandomText random(1);
  for (int i = 0; i < 200000; ++i) {
    const std::string text = random.Text(6), pattern = random.Text(5);
    const HeapText t(text), p(pattern);
    ASSERT_EQ(WildcardMatch(t.cstr.get(), p.cstr.get()), ReferenceWildcard(text, pattern))
        << "text '" << text << "' pattern '" << pattern << "'";
  }
}

TEST(MatchNameTest, RandomAgreesWithReference) {
  RandomText random(2);
  for (int round = 0; round < 400; ++round) {
    const std::string text = random.Text(4);
    const bool exact = random.Below(2), ignoreCase = random.Below(2);
    std::string stored = text;
    if (ignoreCase) LowerCaseText(stored);
    const HeapText searchText(stored);
    // One matcher for many labels, as a search uses it.
    NameMatcher matcher(searchText.View(), exact, ignoreCase);
    for (int i = 0; i < 100; ++i) {
      const std::string label = random.Label();
      const HeapText l(label);
      const bool expected = ReferenceMatch(label, text, exact, ignoreCase);
      ASSERT_EQ(matcher.Matches(l.View()), expected)
          << "label '" << label << "' text '" << text << "' exact " << exact << " ignore case "
          << ignoreCase;
      ASSERT_EQ(MatchName(l.View(), searchText.View(), exact, ignoreCase), expected);
    }
  }
}

TEST(SplitItemLabelTest, RandomStaysInsideTheLabel) {
  RandomText random(3);
  for (int i = 0; i < 20000; ++i) {
    std::string label = random.Label();
    // Arbitrary bytes too, nulls included.
    for (size_t n = random.Below(4); n > 0; --n)
      label.insert(random.Below(label.size() + 1), 1, static_cast<char>(random.Below(256)));
    const HeapText l(label);
    const bool ignoreCase = random.Below(2);
    std::string stem, ext;
    SplitItemLabel(l.View(), ignoreCase, stem, ext);
    std::string name = ReferenceName(label);
    if (ignoreCase) LowerCaseText(name);
    ASSERT_EQ(stem + ext, name) << "label '" << label << "'";
    ASSERT_TRUE(ext.empty() || (ext[0] == '.' && ext.find('.', 1) == std::string::npos));
  }
}

}  // namespace
