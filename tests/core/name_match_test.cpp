#include "search/name_match.h"

#include <gtest/gtest.h>

#include <string>

#include "support/name_match_oracles.h"

namespace {

// The label the scan gives a file with a time text.
std::string FileLabel(const std::string& name) { return name + "   1234 bytes, 15/03/2003-10:22"; }

struct WildcardCase {
  const char* text;
  const char* pattern;
  bool expected;
};

TEST(WildcardMatchTest, AnchoredAndWithoutBacktracking) {
  const WildcardCase cases[] = {
      {"", "", true},
      {"a", "", false},
      {"", "*", true},
      {"anything", "*", true},
      {"abc", "abc", true},
      {"abc", "ABC", false},  // case-sensitive
      {"abcd", "abc", false},
      {"ab", "abc", false},
      {"abc", "???", true},
      {"ab", "???", false},
      {"abcd", "???", false},
      {"abc", "a?c", true},
      {"abbc", "a?c", false},
      // '?' is one byte: a two-byte character needs two.
      {"\xC3\xA4", "?", false},
      {"\xC3\xA4", "??", true},
      // Segments after a '*' are taken at their leftmost occurrence.
      {"abcabxd", "*ab?d", false},
      {"xxabcd", "*ab?d", true},
      {"aa", "*a*a", true},
      {"banana", "*a*a", true},
      {"a", "*a*a", false},
      {"abab", "*ab*b", true},
      {"xa", "*a*", true},
      {"xb", "*a*", false},
      // The final segment must end the text.
      {"abcbc", "*bc", true},
      {"abcbd", "*bc", false},
      {"bcx", "*bc", false},
      {"bc", "*bc", true},
      {"c", "*bc", false},
      // '*' and '?' after a '*' consume nothing; before it '?' takes a byte.
      {"a", "a*?", true},
      {"ab", "a*??", true},
      {"", "*?", true},
      {"", "?*", false},
      {"x", "?*", true},
      {"x", "*?x", true},
      {"", "**??**", true},
      {"ab", "?b*", true},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(WildcardMatch(c.text, c.pattern), c.expected)
        << "text '" << c.text << "' pattern '" << c.pattern << "'";
  }
}

struct SplitCase {
  std::string label;
  bool ignoreCase;
  std::string stem;
  std::string ext;
};

TEST(SplitItemLabelTest, NameStemAndExtension) {
  const SplitCase cases[] = {
      {FileLabel("readme.txt"), false, "readme", ".txt"},
      {"readme.txt   1234 bytes, 15/03/2003-10:22", true, "readme", ".txt"},
      {FileLabel("archive.tar.txt"), false, "archive.tar", ".txt"},
      {FileLabel("my file - copy.txt"), false, "my file - copy", ".txt"},
      {FileLabel("spaces at end \t"), false, "spaces at end", ""},
      {FileLabel(".profile"), false, "", ".profile"},
      {FileLabel("dot."), false, "dot", "."},
      {FileLabel(""), false, "", ""},
      {"big.iso   5000000000 bytes, 01/02/2003-04:05", false, "big", ".iso"},
      {"odd.bin   -5 bytes, 01/02/2003-04:05", false, "odd", ".bin"},
      {"Makefile", false, "Makefile", ""},
      {"my.folder", false, "my", ".folder"},
      // A file label with an empty time text holds no '/' and is taken whole.
      {"a.txt   123 bytes, ", false, "a", ".txt   123 bytes, "},
      // Folder paths and failed folders are taken whole, '/' or not.
      {"/home/me/my-reading list", false, "/home/me/my-reading list", ""},
      {"/home/me/v1.2-docs", false, "/home/me/v1", ".2-docs"},
      {"/srv/data [Permission denied]", false, "/srv/data [Permission denied]", ""},
      {"disk [Input/output error]", false, "disk [Input/output error]", ""},
      // Labels with a '/' that only partly look like a file label.
      {"/", false, "/", ""},
      {"-/", false, "-/", ""},
      {"15/03/2003-10:22", false, "15/03/2003-10:22", ""},
      {" bytes, 15/03/2003-10:22", false, " bytes, 15/03/2003-10:22", ""},
      {"5 bytes, 15/03/2003-10:22", false, "5 bytes, 15/03/2003-10:22", ""},
      {"a   x bytes, 15/03/2003-10:22", false, "a   x bytes, 15/03/2003-10:22", ""},
      {"a.b   5 bytes, 15/03/2003", false, "a", ".b   5 bytes, 15/03/2003"},
      {"a.b   5 bytes, 15/03/2003-10:22 ", false, "a", ".b   5 bytes, 15/03/2003-10:22 "},
      // Ignore case lower-cases the name, accented letters included; bytes
      // that are not UTF-8 (Windows-1252 here) are kept.
      {FileLabel("\xC3\x84RGER.TXT"), true, "\xC3\xA4rger", ".txt"},
      {FileLabel("\xC3\x84RGER.TXT"), false, "\xC3\x84RGER", ".TXT"},
      {FileLabel("\xC4RGER.TXT"), true, "\xC4rger", ".txt"},
      {"BIG   5 BYTES, 15/03/2003-10:22", true, "big   5 bytes, 15/03/2003-10:22", ""},
  };
  for (const auto& c : cases) {
    std::string stem = "old", ext = "old";
    SplitItemLabel(c.label, c.ignoreCase, stem, ext);
    EXPECT_EQ(stem, c.stem) << "label '" << c.label << "'";
    EXPECT_EQ(ext, c.ext) << "label '" << c.label << "'";
  }
}

TEST(NameMatchLowerCaseTest, CharactersAndForeignBytes) {
  const std::pair<std::string, std::string> cases[] = {
      {"", ""},
      {"ABC xyz 09 @[`{", "abc xyz 09 @[`{"},
      {"A LONGER ASCII NAME.TXT", "a longer ascii name.txt"},
      {"\xC3\x84RGER AND MORE.TXT", "\xC3\xA4rger and more.txt"},
      {"ABCDEFGH\xC3\x84RGER AND MORE", "abcdefgh\xC3\xA4rger and more"},
      {"\xC3\x84RGER \xC3\x89"
       "COLE",
       "\xC3\xA4rger \xC3\xA9"
       "cole"},                                                  // ÄRGER ÉCOLE
      {"\xCE\x91\xCE\x92\xCE\x93", "\xCE\xB1\xCE\xB2\xCE\xB3"},  // ΑΒΓ
      {"\xD0\x9F\xD0\xA0\xD0\x98", "\xD0\xBF\xD1\x80\xD0\xB8"},  // ПРИ
      {"\xF0\x90\x90\x80", "\xF0\x90\x90\xA8"},                  // Deseret
      // Characters whose lower case has another length.
      {"\xC8\xBA", "\xE2\xB1\xA5"},  // Ⱥ -> ⱥ
      {"X\xE2\x84\xAAY", "xky"},     // Kelvin sign
      // Not UTF-8: Windows-1252, stray continuation, cut short, overlong,
      // surrogate. Kept byte for byte, ASCII around them still lowered.
      {"\xC4\xD6\xDC ABC", "\xC4\xD6\xDC abc"},
      {"A\x80Z", "a\x80z"},
      {"ABCDEFGH\xC3", "abcdefgh\xC3"},
      {"\xC0\xAFX", "\xC0\xAFx"},
      {"\xED\xA0\x80X", "\xED\xA0\x80x"},
      {"\xC3\x84\xFF\xC3\x84", "\xC3\xA4\xFF\xC3\xA4"},
  };
  for (const auto& [in, out] : cases) {
    std::string text = in;
    LowerCaseText(text);
    EXPECT_EQ(text, out) << "input '" << in << "'";
  }
}

struct MatchCase {
  std::string label;
  std::string searchText;
  bool exactMatch;
  bool ignoreCase;
  bool expected;
};

TEST(MatchNameTest, SubstringExactAndWildcard) {
  const std::string profile = FileLabel(".profile");
  const MatchCase cases[] = {
      // Substring search.
      {FileLabel("readme.txt"), "read", false, false, true},
      {FileLabel("bread.doc"), "read", false, false, true},
      {"/home/me/my-reading list", "read", false, false, true},
      {"/home/me/my-reading list", "list", false, false, true},
      {FileLabel("README.TXT"), "read", false, false, false},
      {FileLabel("README.TXT"), "read", false, true, true},
      {FileLabel("readme.txt"), "bytes", false, false, false},  // not part of the name
      {FileLabel("readme.txt"), "2003", false, false, false},
      {"a.txt   123 bytes, ", "a.txt", false, false, true},
      {"my.folder", "my.f", false, false, true},
      // Exact match: the whole name.
      {FileLabel("readme.txt"), "readme.txt", true, false, true},
      {FileLabel("readme.txt.bak"), "readme.txt", true, false, false},
      {FileLabel("readme.txt.bak"), "readme.txt", false, false, true},
      {FileLabel("README.TXT"), "readme.txt", true, false, false},
      {FileLabel("README.TXT"), "readme.txt", true, true, true},
      {"a.txt   123 bytes, ", "a.txt", true, false, false},
      {"/srv/data", "/srv/data", true, false, true},
      // '*' alone (and '*.') leaves the extension half empty.
      {"Makefile", "*", false, false, true},
      {FileLabel("a.txt"), "*", false, false, false},
      {"Makefile", "*.", false, false, true},
      {FileLabel("a.txt"), "*.", false, false, false},
      {"Makefile", "*.*", false, false, true},
      {FileLabel("a.txt"), "*.*", false, false, true},
      {profile, "*.*", false, false, true},
      {"a.txt   123 bytes, ", "*.*", false, false, true},
      {FileLabel("readme.txt"), "read*", false, false, false},
      {FileLabel("readme.txt"), "read*.*", false, false, true},
      // Exact match plays no part with wildcards.
      {FileLabel("readme.txt"), "read*.*", true, false, true},
      {FileLabel("a.txt"), "*.txt", false, false, true},
      {FileLabel(".txt"), "*.txt", false, false, true},
      {FileLabel("archive.tar.txt"), "*.txt", false, false, true},
      {FileLabel("a.txt.bak"), "*.txt", false, false, false},
      {"a.txt   123 bytes, ", "*.txt", false, false, false},
      {FileLabel("a.txt"), "*.TXT", false, false, false},
      {FileLabel("A.TXT"), "*.txt", false, true, true},
      {"my file - copy.txt   5 bytes, 01/02/2003-04:05", "*copy.txt", false, false, true},
      {"my.folder", "*.folder", false, false, true},
      {profile, "?*.*", false, false, false},
      {FileLabel("a.profile"), "?*.*", false, false, true},
      {"a", "a*?", false, false, true},
      {FileLabel(".txt"), "*?.txt", false, false, true},
      {"abc", "???", false, false, true},
      {"a.b", "???", false, false, false},
      {"abcabxd", "*ab?d", false, false, false},
      {"aa", "*a*a", false, false, true},
      {"banana", "*a*a", false, false, true},
      {"a", "*a*a", false, false, false},
      {profile, ".*", false, false, true},
      {FileLabel("a.profile"), ".*", false, false, false},
      {"Makefile", ".*", false, false, false},
      // Non-ASCII names lower-cased as characters; foreign bytes kept.
      {FileLabel("\xC3\x84RGER.TXT"), "\xC3\xA4rger.txt", true, true, true},
      {FileLabel("\xC3\x84RGER.TXT"), "\xC3\xA4rg", false, true, true},
      {FileLabel("\xC3\x84RGER.TXT"), "\xC3\xA4rg", false, false, false},
      {FileLabel("\xC3\x84RGER.TXT"), "\xC3\xA4*.txt", false, true, true},
      // A Windows-1252 label (bytes C4 52 47 45 52 ...) matches as the text
      // shown for it, "ÄRGER.TXT"; a '?' is one of its characters.
      {FileLabel("\xC4RGER.TXT"), "\xC4rger", false, true, true},
      {FileLabel("\xC4RGER.TXT"), "\xC3\xA4rger", false, true, true},
      {FileLabel("\xC4RGER.TXT"), "\xC3\x84RGER", false, false, true},
      {FileLabel("\xC4RGER.TXT"), "\xC3\xA4rger", false, false, false},
      {FileLabel("\xC4RGER.TXT"), "?RGER.TXT", false, false, true},
      {FileLabel("\xC4RGER.TXT"), "??RGER.TXT", false, false, false},
      {FileLabel("\x8A"
                 "KODA"),
       "\xC5\xA1koda", false, true, true},  // Š folds to š
      {FileLabel("\xC3\x84RGER REPORT.TXT"), "report", false, true, true},
      // The Kelvin sign lower-cases to an ASCII 'k'.
      {FileLabel("\xE2\x84\xAA"
                 "ELVIN.TXT"),
       "kelvin", false, true, true},
      {FileLabel("\xE2\x84\xAA"
                 "ELVIN.TXT"),
       "kelvin.txt", true, true, true},
      {FileLabel("\xE2\x84\xAA"
                 "ELVIN.TXT"),
       "kelvin", false, false, false},
      {FileLabel("A LONG NAME WITH THE TEXT AT ITS END"), "its end", false, true, true},
      {FileLabel("A LONG NAME WITH THE TEXT AT ITS END"), "its ends", false, true, false},
      {FileLabel("README"), "readme ", true, true, false},
      {FileLabel("READ"), "readme", true, true, false},
  };
  NameMatcher matcher({}, false, false);
  for (const auto& c : cases) {
    EXPECT_EQ(MatchName(c.label, c.searchText, c.exactMatch, c.ignoreCase), c.expected)
        << "label '" << c.label << "' text '" << c.searchText << "' exact " << c.exactMatch
        << " ignore case " << c.ignoreCase;
    matcher.Reset(c.searchText, c.exactMatch, c.ignoreCase);
    EXPECT_EQ(matcher.Matches(c.label), c.expected) << "reused matcher, label '" << c.label << "'";
  }
}

// A search text that begins with a continuation byte must not match the tail
// of a name's multibyte character, only a stray byte of its own.
TEST(MatchNameTest, SubstringStartsAtCharacters) {
  const std::string tail = "\xA4";
  EXPECT_FALSE(MatchName("\xC3\xA4", tail, false, false));
  EXPECT_FALSE(MatchName("x\xE2\x82\xAC", "\x82\xAC", false, false));
  EXPECT_TRUE(MatchName("\xA4", tail, false, false));
  EXPECT_TRUE(MatchName("x\xC3\xA4\xA4", tail, false, false));
  // Not UTF-8 as a whole, so shown (and matched) as the Windows text "ÃÃ¤".
  EXPECT_FALSE(MatchName("\xC3\xC3\xA4", "\xC3\xA4", false, false));
}

}  // namespace
