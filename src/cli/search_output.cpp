#include "cli/search_output.h"

#include <algorithm>

#include "cli/json_text.h"
#include "platform/local_time.h"

namespace {

// The attribute letters of search's attrib: function, in that order.
constexpr std::pair<char, uint32_t> kAttributeLetters[] = {{'r', 0x1},   {'h', 0x2},   {'s', 0x4},
                                                           {'d', 0x10},  {'a', 0x20},  {'l', 0x400},
                                                           {'c', 0x800}, {'e', 0x4000}};

void AppendTime(std::string_view key, FILETIME time, std::string& out) {
  out += ",\"";
  out += key;
  out += "\":";
  const std::string text = FormatFileTime(time, "%Y-%m-%dT%H:%M:%S");
  if (text.empty())
    out += "null";
  else
    AppendJsonString(text, out);
}

}  // namespace

bool ParseSearchSortKey(std::string_view name, SearchSortKey& key) {
  static constexpr std::pair<std::string_view, SearchSortKey> kKeys[] = {
      {"name", SearchSortKey::name},
      {"path", SearchSortKey::path},
      {"size", SearchSortKey::size},
      {"modified", SearchSortKey::modified},
      {"catalogue", SearchSortKey::catalogue}};
  for (const auto& [text, value] : kKeys) {
    if (name == text) {
      key = value;
      return true;
    }
  }
  return false;
}

void SortFoundRows(std::vector<FoundRow>& rows, SearchSortKey key, bool reverse) {
  const auto less = [key](const FoundRow& a, const FoundRow& b) {
    switch (key) {
      case SearchSortKey::name:
        return a.row.name < b.row.name;
      case SearchSortKey::path:
        return a.row.path < b.row.path;
      case SearchSortKey::size:
        return a.row.size < b.row.size;
      case SearchSortKey::modified:
        return FileTimeToU64(a.row.modified) < FileTimeToU64(b.row.modified);
      case SearchSortKey::catalogue:
        return *a.catalogue < *b.catalogue;
      case SearchSortKey::none:
        break;
    }
    return false;
  };
  if (key != SearchSortKey::none) std::stable_sort(rows.begin(), rows.end(), less);
  if (reverse) std::reverse(rows.begin(), rows.end());
}

void AppendFoundRow(const FoundRow& found, bool json, bool prefix, std::string& out) {
  const SearchRow& row = found.row;
  if (!json) {
    // As find prints a node: the folders above it, then its label.
    if (prefix) out += *found.catalogue + ": ";
    out.append(row.path, 0, row.path.size() - row.name.size());
    out += row.label;
    out += '\n';
    return;
  }
  out += "{\"catalogue\":";
  AppendJsonString(*found.catalogue, out);
  out += ",\"path\":";
  AppendJsonString(row.path, out);
  out += ",\"name\":";
  AppendJsonString(row.name, out);
  out += row.isFile ? ",\"kind\":\"file\",\"size\":" : ",\"kind\":\"folder\",\"size\":";
  if (row.isFile)
    AppendNumber(row.size, out);
  else
    out += "null";
  if (row.isFile) {
    AppendTime("modified", row.modified, out);
    AppendTime("created", row.created, out);
    AppendTime("accessed", row.accessed, out);
  } else {
    out += ",\"modified\":null,\"created\":null,\"accessed\":null";
  }
  std::string letters;
  const uint32_t bits = row.isFile ? row.attributes : 0x10;
  for (const auto& [letter, bit] : kAttributeLetters)
    if (bits & bit) letters += letter;
  out += ",\"attributes\":";
  AppendJsonString(letters, out);
  out += ",\"depth\":";
  AppendNumber(row.depth, out);
  out += ",\"index\":";
  AppendNumber(row.nodeIndex, out);
  out += "}\n";
}

void AppendSearchTotal(uint64_t matches, uint64_t bytes, bool json, std::string& out) {
  if (json) {
    out += "{\"count\":";
    AppendNumber(matches, out);
    out += ",\"bytes\":";
    AppendNumber(bytes, out);
    out += "}\n";
    return;
  }
  AppendNumber(matches, out);
  out += matches == 1 ? " match, " : " matches, ";
  AppendNumber(bytes, out);
  out += " bytes\n";
}
