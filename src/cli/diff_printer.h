// The differences between two catalogues as ztr-tool prints them (diff, and
// update for what it changed): a line or a JSON object each, and a summary
// of the counts on stderr. All it prints is held in the difference.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "compare/change_list.h"
#include "compare/tree_compare.h"

class OutputBuffer;

class DiffPrinter {
 public:
  DiffPrinter(bool json, OutputBuffer& output) : m_json(json), m_output(output) {}

  void Print(const Difference& d);
  bool Any() const {
    for (const ChangeTally& t : m_tallies)
      if (t.entries > 0) return true;
    return false;
  }
  // "CAPTION: 1 added (...), ..." on stderr.
  void WriteSummary(std::string_view caption) const;

 private:
  void PrintPlain(const Difference& d, std::string& out);
  void PrintJson(const Difference& d, std::string& out);
  void AppendJsonSide(const Difference& d, const ChangeSide& side, const FolderTotals& totals,
                      std::string& out);
  void AppendFileText(const ChangeSide& side, std::string& out);

  bool m_json;
  OutputBuffer& m_output;
  ChangeTallies m_tallies{};  // the summary's counts, one line each
  std::string m_text;
};
