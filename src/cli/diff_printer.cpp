#include "cli/diff_printer.h"

#include <cstdio>

#include "cli/json_text.h"
#include "cli/output_buffer.h"
#include "platform/cp1252.h"
#include "platform/number_text.h"
#include "tree/scan_nodes.h"
#include "tree/tree_item.h"

namespace {

// The reason a folder was not entered, without the line break that system
// texts of some catalogues end in.
std::string_view Reason(const CTreeCtrl& tree, HTREEITEM node) {
  std::string_view reason = SplitUnreadableLabel(tree.GetItemText(node)).reason;
  while (!reason.empty() &&
         (reason.back() == '\n' || reason.back() == '\r' || reason.back() == ' '))
    reason.remove_suffix(1);
  return reason;
}

}  // namespace

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
  const auto add = [](DiffSummary& s, const CTreeCtrl& tree, HTREEITEM node,
                      const FolderTotals& t) {
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
    case TreeChange::moved:
      add(m_moved, m_new, d.newNode, d.newTotals);
      break;
  }
}

// "N bytes, DATE" as the file's label shows them.
void DiffPrinter::AppendFileText(const CTreeCtrl& tree, HTREEITEM node, std::string& out) {
  FormatFileLabel({}, *tree.GetItemData(node), m_text);
  out.append(std::string_view(m_text).substr(m_text.find_first_not_of(' ')));
}

void DiffPrinter::PrintPlain(const TreeDifference& d, std::string& out) {
  static constexpr char kSigns[] = {'+', '-', '~', '!', '>'};
  out += kSigns[static_cast<int>(d.change)];
  out += ' ';
  if (d.change == TreeChange::moved) out.append(d.oldPath).append(" -> ");
  out.append(d.path);
  switch (d.change) {
    case TreeChange::added:
    case TreeChange::removed:
    case TreeChange::moved:
      if (d.folder) {
        const FolderTotals& t = d.change == TreeChange::removed ? d.oldTotals : d.newTotals;
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
  static constexpr const char* kChanges[] = {"added", "removed", "changed", "unreadable", "moved"};
  out.append("{\"change\":\"").append(kChanges[static_cast<int>(d.change)]).append("\",\"path\":");
  AppendJsonString(d.path, out);
  if (d.change == TreeChange::moved) {
    out.append(",\"from\":");
    AppendJsonString(d.oldPath, out);
  }
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

void DiffPrinter::WriteSummary(std::string_view caption) const {
  const auto group = [](const DiffSummary& s, const char* what) {
    return Thousands(s.entries) + " " + what + " (" + Thousands(s.files) +
           (s.files == 1 ? " file, " : " files, ") + Thousands(s.bytes) + " bytes)";
  };
  std::string text = std::string(caption) + ": " + group(m_added, "added") + ", " +
                     group(m_removed, "removed") + ", " + Thousands(m_changed.entries) +
                     " changed (" + Thousands(m_changed.bytes) + " -> " +
                     Thousands(m_changed.newBytes) + " bytes)";
  if (m_moved.entries > 0) text += ", " + group(m_moved, "moved");
  if (m_unreadable > 0) text += ", " + Thousands(m_unreadable) + " unreadable on one side";
  text += '\n';
  std::fwrite(text.data(), 1, text.size(), stderr);
}
