// The matcher's answers one label at a time, for tests that compare it with
// a reference: Find itself prepares one NameMatcher per search.
#pragma once

#include <string>
#include <string_view>

#include "search/name_match.h"

// The test Find applies to one label (see NameMatcher).
inline bool MatchName(std::string_view label, std::string_view searchText, bool exactMatch,
                      bool ignoreCase) {
  thread_local NameMatcher matcher({}, false, false);
  matcher.Reset(searchText, exactMatch, ignoreCase);
  return matcher.Matches(label);
}

// The name of a label (ItemLabelName), lower-cased when ignoreCase is set,
// cut at its last '.': stem is the text before that '.', ext is the '.' and
// what follows (empty when the name has no '.').
inline void SplitItemLabel(std::string_view label, bool ignoreCase, std::string& stem,
                           std::string& ext) {
  std::string name(ItemLabelName(label));
  if (ignoreCase) LowerCaseText(name);
  const size_t dot = name.rfind('.');
  if (dot == std::string::npos) {
    stem = std::move(name);
    ext.clear();
  } else {
    ext.assign(name, dot);
    name.resize(dot);
    stem = std::move(name);
  }
}
