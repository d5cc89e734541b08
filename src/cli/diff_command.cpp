// ztr-tool diff: what changed between two catalogues, or between a
// catalogue and the folder it was made from.
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "cli/commands.h"
#include "cli/flags.h"
#include "cli/json_text.h"
#include "cli/output_buffer.h"
#include "cli/terminal_progress.h"
#include "cli/tool_catalogue.h"
#include "compare/tree_compare.h"
#include "platform/cp1252.h"
#include "platform/number_text.h"
#include "platform/utf8_path.h"
#include "tree/scan_nodes.h"
#include "tree/tree_item.h"
#include "tree/tree_scan_sink.h"

namespace {

constexpr Flag kFlags[] = {
    {"", "--json", "",
     "one JSON object per line instead:\n"
     "{\"change\":\"added|removed|changed|unreadable\",\"path\":\"...\",\n"
     " \"kind\":\"file|folder\",\"old\":{...},\"new\":{...}}\n"
     "where old and new hold, for a file, \"size\" and \"lastWrite\" (raw,\n"
     "100 ns units since 1601, UTC); for a folder, \"files\" and \"bytes\"\n"
     "below it; for a folder not entered, \"unreadable\" with the reason"},
};
enum : size_t { kJson };

constexpr CommandSyntax kSyntax{
    "diff",
    "Usage: ztr-tool diff [--json] OLD NEW\n"
    "Compares two catalogues and prints what NEW holds that OLD does not, what\n"
    "OLD held that NEW does not, and the files whose size or last-write time\n"
    "changed. OLD and NEW are each a tree file or a folder; a folder is scanned\n"
    "first as 'ztr-tool scan' would (nothing is written).\n"
    "\n"
    "Top-level nodes are matched by their paths; when each side has exactly one,\n"
    "the two are matched whatever their paths, so a disk mounted elsewhere\n"
    "compares cleanly. Below them entries are matched by name within their\n"
    "folder. Marks are not compared.\n"
    "\n"
    "One line per difference, in the order of NEW (a removed entry where it\n"
    "stood in OLD), with paths as 'ztr-tool find' prints them:\n"
    "  + PATH                       only in NEW\n"
    "  - PATH                       only in OLD\n"
    "  ~ PATH   OLD SIZE AND DATE -> NEW SIZE AND DATE\n"
    "                               a file that changed\n"
    "  ! PATH   unreadable in OLD [REASON]  (or NEW)\n"
    "                               a folder that was not entered on one side\n"
    "A folder only on one side is one line, ending in '   folder, N files,\n"
    "B bytes' for what it holds. A file on one side that is a folder on the\n"
    "other is removed and added. A summary goes to stderr.\n"
    "\n",
    kFlags,
    "Exit status: 0 when there is no difference, 1 when there are differences,\n"
    "2 when a tree file could not be read completely or a folder could not be\n"
    "scanned at all (nothing is compared then).\n"};

// Reads one side: a folder is scanned as File New does, anything else is
// opened as a tree file. False (and a message on stderr) when the side
// cannot be compared as a whole.
bool LoadSide(ToolCatalogue& tool, const std::string& arg) {
  std::error_code error;
  if (!std::filesystem::is_directory(Utf8Path(arg), error)) return tool.Load(arg);
  TerminalProgress noProgress(false);
  if (!tool.Report(RunWork([&] { ScanIntoTree(DialogPath(arg), tool.Tree(), noProgress); })))
    return false;
  const CTreeCtrl& tree = tool.Tree();
  const HTREEITEM top = tree.GetRootItem();
  if (top != nullptr && IsUnreadableFolder(tree, top)) {
    std::fprintf(stderr, "ztr-tool diff: could not enter %s\n",
                 std::string(tree.GetItemText(top)).c_str());
    return false;
  }
  return top != nullptr;
}

// The reason a folder was not entered, without the line break that system
// texts of some catalogues end in.
std::string_view Reason(const CTreeCtrl& tree, HTREEITEM node) {
  std::string_view reason = SplitUnreadableLabel(tree.GetItemText(node)).reason;
  while (!reason.empty() &&
         (reason.back() == '\n' || reason.back() == '\r' || reason.back() == ' '))
    reason.remove_suffix(1);
  return reason;
}

// What the tallies on stderr add up.
// Byte sums wrap rather than overflow: sizes from a file can be anything.
struct Summary {
  uint64_t entries = 0;  // lines
  uint64_t files = 0;    // files, those inside added or removed folders too
  uint64_t bytes = 0;
  uint64_t newBytes = 0;  // changed files: their sizes in NEW
};

class DiffPrinter {
 public:
  DiffPrinter(const CTreeCtrl& oldTree, const CTreeCtrl& newTree, bool json, OutputBuffer& output)
      : m_old(oldTree), m_new(newTree), m_json(json), m_output(output) {}

  void Print(const TreeDifference& d);
  bool Any() const {
    return m_added.entries + m_removed.entries + m_changed.entries + m_unreadable > 0;
  }
  void WriteSummary() const;

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
  Summary m_added, m_removed, m_changed;
  uint64_t m_unreadable = 0;
  std::string m_text;
};

void DiffPrinter::Print(const TreeDifference& d) {
  Tally(d);
  std::string& out = m_output.Text();
  if (m_json) {
    PrintJson(d, out);
  } else {
    PrintPlain(d, out);
  }
  m_output.Commit();
}

void DiffPrinter::Tally(const TreeDifference& d) {
  const auto add = [](Summary& s, const CTreeCtrl& tree, HTREEITEM node, const FolderTotals& t) {
    ++s.entries;
    if (const CTreeItemData* data = tree.GetItemData(node)) {
      ++s.files;
      s.bytes += static_cast<uint64_t>(data->m_nFileSize);
    } else {
      s.files += t.files;
      s.bytes += static_cast<uint64_t>(t.bytes);
    }
  };
  switch (d.change) {
    case TreeChange::added:
      add(m_added, m_new, d.newNode, d.newTotals);
      break;
    case TreeChange::removed:
      add(m_removed, m_old, d.oldNode, d.oldTotals);
      break;
    case TreeChange::changed:
      add(m_changed, m_old, d.oldNode, d.oldTotals);
      m_changed.newBytes += static_cast<uint64_t>(m_new.GetItemData(d.newNode)->m_nFileSize);
      break;
    case TreeChange::unreadable:
      ++m_unreadable;
      break;
  }
}

// "N bytes, DATE" as the file's label shows them.
void DiffPrinter::AppendFileText(const CTreeCtrl& tree, HTREEITEM node, std::string& out) {
  FormatFileLabel({}, *tree.GetItemData(node), m_text);
  out.append(std::string_view(m_text).substr(m_text.find_first_not_of(' ')));
}

void DiffPrinter::PrintPlain(const TreeDifference& d, std::string& out) {
  static constexpr char kSigns[] = {'+', '-', '~', '!'};
  out += kSigns[static_cast<int>(d.change)];
  out += ' ';
  out.append(d.path);
  switch (d.change) {
    case TreeChange::added:
    case TreeChange::removed:
      if (d.folder) {
        const FolderTotals& t = d.change == TreeChange::added ? d.newTotals : d.oldTotals;
        out.append("   folder, ");
        AppendNumber(t.files, out);
        out.append(t.files == 1 ? " file, " : " files, ");
        AppendNumber(t.bytes, out);
        out.append(" bytes");
      }
      break;
    case TreeChange::changed:
      out.append("   ");
      AppendFileText(m_old, d.oldNode, out);
      out.append(" -> ");
      AppendFileText(m_new, d.newNode, out);
      break;
    case TreeChange::unreadable: {
      const bool oldSide = IsUnreadableFolder(m_old, d.oldNode);
      out.append(oldSide ? "   unreadable in OLD [" : "   unreadable in NEW [");
      out.append(oldSide ? Reason(m_old, d.oldNode) : Reason(m_new, d.newNode));
      out += ']';
      break;
    }
  }
  out += '\n';
}

void DiffPrinter::AppendJsonSide(const CTreeCtrl& tree, HTREEITEM node, const FolderTotals& totals,
                                 std::string& out) {
  if (const CTreeItemData* data = tree.GetItemData(node)) {
    out.append("{\"size\":");
    AppendNumber(data->m_nFileSize, out);
    out.append(",\"lastWrite\":");
    AppendNumber(FileTimeToU64(data->m_ftLastWrite), out);
  } else if (IsUnreadableFolder(tree, node)) {
    out.append("{\"unreadable\":");
    m_text.clear();
    AppendDisplayText(Reason(tree, node), m_text);
    AppendJsonString(m_text, out);
  } else {
    out.append("{\"files\":");
    AppendNumber(totals.files, out);
    out.append(",\"bytes\":");
    AppendNumber(totals.bytes, out);
  }
  out += '}';
}

void DiffPrinter::PrintJson(const TreeDifference& d, std::string& out) {
  static constexpr const char* kChanges[] = {"added", "removed", "changed", "unreadable"};
  out.append("{\"change\":\"").append(kChanges[static_cast<int>(d.change)]).append("\",\"path\":");
  AppendJsonString(d.path, out);
  out.append(d.folder ? ",\"kind\":\"folder\"" : ",\"kind\":\"file\"");
  if (d.oldNode != nullptr) {
    out.append(",\"old\":");
    AppendJsonSide(m_old, d.oldNode, d.oldTotals, out);
  }
  if (d.newNode != nullptr) {
    out.append(",\"new\":");
    AppendJsonSide(m_new, d.newNode, d.newTotals, out);
  }
  out.append("}\n");
}

void DiffPrinter::WriteSummary() const {
  const auto group = [](const Summary& s, const char* what) {
    return Thousands(s.entries) + " " + what + " (" + Thousands(s.files) +
           (s.files == 1 ? " file, " : " files, ") + Thousands(s.bytes) + " bytes)";
  };
  std::string text = "ztr-tool diff: " + group(m_added, "added") + ", " +
                     group(m_removed, "removed") + ", " + Thousands(m_changed.entries) +
                     " changed (" + Thousands(m_changed.bytes) + " -> " +
                     Thousands(m_changed.newBytes) + " bytes)";
  if (m_unreadable > 0) text += ", " + Thousands(m_unreadable) + " unreadable on one side";
  text += '\n';
  std::fwrite(text.data(), 1, text.size(), stderr);
}

}  // namespace

int RunDiffCommand(std::span<char* const> args) {
  ParsedArguments parsed;
  if (const int status = ParseArguments(kSyntax, args, parsed); status >= 0) return status;
  const bool json = parsed.Given(kJson);
  const std::vector<std::string>& sides = parsed.operands;
  for (const std::string& side : sides)
    if (side.empty()) return UsageError(kSyntax, "a name is empty");
  if (sides.size() != 2) return UsageError(kSyntax, "give exactly two: OLD and NEW");

  ToolCatalogue oldSide, newSide;
  if (!LoadSide(oldSide, sides[0]) || !LoadSide(newSide, sides[1])) return kExitFailure;

  const CTreeCtrl& oldTree = oldSide.Tree();
  const CTreeCtrl& newTree = newSide.Tree();
  OutputBuffer output;
  DiffPrinter printer(oldTree, newTree, json, output);
  CompareTrees(oldTree, newTree, [&](const TreeDifference& d) { printer.Print(d); });
  if (!output.Finish()) {
    std::fprintf(stderr, "ztr-tool diff: could not write the differences: %s\n",
                 std::strerror(errno));
    return kExitFailure;
  }
  if (!printer.Any()) return kExitOk;
  printer.WriteSummary();
  return kExitDifferences;
}
