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
  CountChange(m_tallies, KindOf(d.change), SideOf(m_old, d.oldNode, d.oldTotals),
              SideOf(m_new, d.newNode, d.newTotals));
  std::string& out = m_output.Text();
  if (m_json) {
    PrintJson(d, out);
  } else {
    PrintPlain(d, out);
  }
  m_output.Commit();
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
  const auto of = [this](ChangeKind kind) -> const ChangeTally& {
    return m_tallies[static_cast<size_t>(kind)];
  };
  const auto group = [&of](ChangeKind kind) {
    const ChangeTally& s = of(kind);
    return Thousands(s.entries) + " " + std::string(ChangeKindName(kind)) + " (" +
           Thousands(s.files) + (s.files == 1 ? " file, " : " files, ") + Thousands(s.bytes) +
           " bytes)";
  };
  const ChangeTally& changed = of(ChangeKind::changed);
  std::string text = std::string(caption) + ": " + group(ChangeKind::added) + ", " +
                     group(ChangeKind::removed) + ", " + Thousands(changed.entries) + " changed (" +
                     Thousands(changed.bytes) + " -> " + Thousands(changed.newBytes) + " bytes)";
  if (of(ChangeKind::moved).entries > 0) text += ", " + group(ChangeKind::moved);
  if (const uint64_t unreadable = of(ChangeKind::unreadable).entries; unreadable > 0)
    text += ", " + Thousands(unreadable) + " unreadable on one side";
  text += '\n';
  std::fwrite(text.data(), 1, text.size(), stderr);
}
