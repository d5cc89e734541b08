#include "cli/diff_printer.h"

#include <cstdio>

#include "cli/json_text.h"
#include "cli/output_buffer.h"
#include "platform/cp1252.h"
#include "platform/number_text.h"
#include "tree/scan_nodes.h"
#include "tree/tree_item.h"

void DiffPrinter::Print(const Difference& d) {
  CountChange(m_tallies, KindOf(d.change), d.oldSide, d.newSide);
  std::string& out = m_output.Text();
  if (m_json) {
    PrintJson(d, out);
  } else {
    PrintPlain(d, out);
  }
  m_output.Commit();
}

// "N bytes, DATE" as the file's label shows them.
void DiffPrinter::AppendFileText(const ChangeSide& side, std::string& out) {
  CTreeItemData data;
  data.m_nFileSize = side.bytes;
  data.m_ftLastWrite = side.lastWrite;
  FormatFileLabel({}, data, m_text);
  out.append(std::string_view(m_text).substr(m_text.find_first_not_of(' ')));
}

void DiffPrinter::PrintPlain(const Difference& d, std::string& out) {
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
      AppendFileText(d.oldSide, out);
      out.append(" -> ");
      AppendFileText(d.newSide, out);
      break;
    case TreeChange::unreadable: {
      out.append(d.oldSide.unreadable ? "   unreadable in OLD [" : "   unreadable in NEW [");
      out.append(d.reason);
      out += ']';
      break;
    }
  }
  out += '\n';
}

// A side of a difference is a file or folder as the difference's node is: a
// kind change is two differences.
void DiffPrinter::AppendJsonSide(const Difference& d, const ChangeSide& side,
                                 const FolderTotals& totals, std::string& out) {
  if (!d.folder) {
    out.append("{\"size\":");
    AppendNumber(side.bytes, out);
    out.append(",\"lastWrite\":");
    AppendNumber(FileTimeToU64(side.lastWrite), out);
  } else if (side.unreadable) {
    out.append("{\"unreadable\":");
    m_text.clear();
    AppendDisplayText(d.reason, m_text);
    AppendJsonString(m_text, out);
  } else {
    out.append("{\"files\":");
    AppendNumber(totals.files, out);
    out.append(",\"bytes\":");
    AppendNumber(totals.bytes, out);
  }
  out += '}';
}

void DiffPrinter::PrintJson(const Difference& d, std::string& out) {
  static constexpr const char* kChanges[] = {"added", "removed", "changed", "unreadable", "moved"};
  out.append("{\"change\":\"").append(kChanges[static_cast<int>(d.change)]).append("\",\"path\":");
  AppendJsonString(d.path, out);
  if (d.change == TreeChange::moved) {
    out.append(",\"from\":");
    AppendJsonString(d.oldPath, out);
  }
  out.append(d.folder ? ",\"kind\":\"folder\"" : ",\"kind\":\"file\"");
  if (d.oldSide.present) {
    out.append(",\"old\":");
    AppendJsonSide(d, d.oldSide, d.oldTotals, out);
  }
  if (d.newSide.present) {
    out.append(",\"new\":");
    AppendJsonSide(d, d.newSide, d.newTotals, out);
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
