// Whether a node's name satisfies the search text of Find and Find Next.
//
// Texts are bytes: UTF-8 as a rule, but labels from old catalogues may hold
// Windows-1252 bytes. Such a label (one that is not valid UTF-8) is matched
// as the text the window shows for it: its '?' stands for one character and
// ignoring case folds its accented letters too.
#pragma once

#include <string>
#include <string_view>

#include "tree/file_label.h"

// The wildcard comparison of Find: '?' stands for one byte, '*' for any run of
// bytes, everything else for itself (case-sensitive). It never backtracks: a
// literal segment after a '*' is taken at its leftmost occurrence, the last
// segment must end the text, and '*' and '?' bytes that follow a '*' consume
// nothing. Both texts are null-terminated and are read only up to their ends;
// no allocation, no recursion.
bool WildcardMatch(const char* text, const char* pattern);

// Lower-cases UTF-8 text in place, character by character with the C library's
// Unicode case mapping (a character may change its encoded length). Bytes that
// are not valid UTF-8 stay as they are, except ASCII A-Z.
void LowerCaseText(std::string& text);

// The test Find applies to a label. With a '*' or '?' in searchText: the stem
// and the extension (without its '.') of the label's name (ItemLabelName) are
// matched with WildcardMatch against the two halves of searchText around its
// last '.'. Otherwise, with exactMatch: the whole name equals searchText.
// Otherwise: searchText occurs in the name. searchText must already be
// lower-cased when ignoreCase is set (Find stores it so). The text and
// options are prepared once, for a search that visits many nodes. Matches()
// allocates nothing once its buffer has grown to the longest name seen. One
// matcher serves one thread at a time.
class NameMatcher {
 public:
  NameMatcher(std::string_view searchText, bool exactMatch, bool ignoreCase);

  void Reset(std::string_view searchText, bool exactMatch, bool ignoreCase);
  bool Matches(std::string_view label);

 private:
  enum class Mode { wildcard, exact, substring };

  static void SplitPattern(std::string_view pattern, std::string& stem, std::string& ext);
  bool MatchesWildcard(std::string_view name, const std::string& stemPattern,
                       const std::string& extPattern);
  // With case matched: whether a label turned down by the UTF-8 text may
  // still hold it as a Windows-1252 label (one that is not UTF-8).
  bool MayHoldCp1252Text(std::string_view label) const;
  // label must not be valid UTF-8.
  bool MatchesCp1252Label(std::string_view label);
  bool ContainsText(std::string_view name) const;
  bool MayHoldAsciiText(std::string_view label) const;
  bool MayStartWithAsciiText(std::string_view label) const;

  Mode m_mode = Mode::substring;
  bool m_bIgnoreCase = false;
  // A search text that starts in the middle of a UTF-8 character could match
  // inside one of the name's characters; only then are hits checked.
  bool m_bCheckCharStart = false;
  bool m_bAsciiText = false;  // not empty, no byte above 0x7F
  std::string m_strText;
  std::string m_strPatternStem;
  std::string m_strPatternExt;
  std::string m_strName;  // the name copied (and lower-cased) for comparison
  // The search text in Windows-1252, for labels in that code page; false
  // when the code page cannot hold it.
  bool m_bCp1252Text = false;
  std::string m_strCp1252Text;
  std::string m_strCp1252Stem;
  std::string m_strCp1252Ext;
};
