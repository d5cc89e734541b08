// How ztr-tool search prints its results: a line per match, as find prints
// paths, or a JSON object per line; the count and bytes of the matches.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "search/catalogue_search.h"

enum class SearchSortKey { none, name, path, size, modified, catalogue };

// The key named on the command line; false for an unknown name.
bool ParseSearchSortKey(std::string_view name, SearchSortKey& key);

// A match with the catalogue it was found in.
struct FoundRow {
  const std::string* catalogue;  // as named on the command line or in the library
  SearchRow row;
};

// Sorts stably (ties keep the catalogues' order and pre-order).
void SortFoundRows(std::vector<FoundRow>& rows, SearchSortKey key, bool reverse);

// "catalogue: path" (without the catalogue when prefix is false), or JSON.
void AppendFoundRow(const FoundRow& found, bool json, bool prefix, std::string& out);
// "N matches, B bytes" or {"count":N,"bytes":B}.
void AppendSearchTotal(uint64_t matches, uint64_t bytes, bool json, std::string& out);
