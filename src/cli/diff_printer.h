// The differences between two catalogues as ztr-tool prints them (diff, and
// update for what it changed): a line or a JSON object each, and a summary
// of the counts on stderr.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "compare/tree_compare.h"

class OutputBuffer;

// What the tallies on stderr add up.
// Byte sums wrap rather than overflow: sizes from a file can be anything.
struct DiffSummary {
  uint64_t entries = 0;  // lines
  uint64_t files = 0;    // files, those inside added, removed or moved folders too
  uint64_t bytes = 0;
  uint64_t newBytes = 0;  // changed files: their sizes in NEW
};

class DiffPrinter {
 public:
  DiffPrinter(const CTreeCtrl& oldTree, const CTreeCtrl& newTree, bool json, OutputBuffer& output)
      : m_old(oldTree), m_new(newTree), m_json(json), m_output(output) {}

  void Print(const TreeDifference& d);
  bool Any() const {
    return m_added.entries + m_removed.entries + m_changed.entries + m_moved.entries +
               m_unreadable >
           0;
  }
  // "CAPTION: 1 added (...), ..." on stderr.
  void WriteSummary(std::string_view caption) const;

 private:
  void Tally(const TreeDifference& d);
  void PrintPlain(const TreeDifference& d, std::string& out);
  void PrintJson(const TreeDifference& d, std::string& out);
  void AppendJsonSide(const CTreeCtrl& tree, HTREEITEM node, const FolderTotals& totals,
                      std::string& out);
  void AppendFileText(const CTreeCtrl& tree, HTREEITEM node, std::string& out);

  const CTreeCtrl& m_old;
  const CTreeCtrl& m_new;
  bool m_json;
  OutputBuffer& m_output;
  DiffSummary m_added, m_removed, m_changed, m_moved;
  uint64_t m_unreadable = 0;
  std::string m_text;
};
