#include "cli/tool_catalogue.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <system_error>

#include "cli/output_buffer.h"
#include "files/archive.h"
#include "files/file.h"
#include "interop/ncdu_to_catalogue.h"
#include "platform/cp1252.h"
#include "platform/utf8_path.h"
#include "tree/tree_walk.h"

bool ToolCatalogue::Load(const std::string& path) {
  CFile file;
  if (!Report(OpenTreeFile(path, file))) return false;
  m_tree.DeleteAllItems();
  if (IsNcduExportName(path)) {
    std::string formatError;
    const WorkFailure failure = RunWork([&] {
      try {
        JsonPullReader json(file.GetHandle());
        ImportNcdu(json, m_tree);
      } catch (const JsonFormatError& e) {
        formatError = e.what();
      }
    });
    if (formatError.empty()) return Report(failure);
    Say("File Open", path + ": " + formatError);
    return false;
  }
  return Report(ReadTreeFile(file, m_tree, [](HTREEITEM) {}), path);
}

bool ToolCatalogue::LoadFlat(const std::string& path, FlatCatalogue& flat) {
  if (IsNcduExportName(path)) {
    if (!Load(path)) return false;
    flat.AddTree(m_tree);
    m_tree.DeleteAllItems();
    return true;
  }
  // Straight from the records, as the tree reader would place them.
  CFile file;
  if (!Report(OpenTreeFile(path, file))) return false;
  TreeReadOutcome outcome;
  outcome.failure = RunWork([&] {
    CArchive ar(file, CArchive::load, CArchive::kLargeBufferSize);
    CTreeRecordStream records(ar);
    while (records.Next()) {
      const StreamedNode& node = records.Node();
      flat.Add(records.Level(), node.label, node.stateImage, node.hasData ? &node.data : nullptr);
    }
    outcome.end = records.End();
    ar.Close();
  });
  return Report(outcome, path);
}

bool ToolCatalogue::Stream(const std::string& path,
                           const std::function<bool(CTreeRecordStream&)>& perRecord) {
  return Report(StreamTreeFile(path, perRecord), path);
}

void ToolCatalogue::Say(std::string_view caption, std::string_view text) const {
  std::string line = m_prefix;
  line.append(caption).append(": ");
  AppendDisplayText(text, line);  // a path from a Windows catalogue as the window shows it
  line += '\n';
  std::fwrite(line.data(), 1, line.size(), stderr);
  std::fflush(stderr);
}

bool ToolCatalogue::Report(const WorkFailure& failure) const {
  if (failure) Say(m_failureCaption, FailureText(failure));
  return !failure;
}

bool ToolCatalogue::Report(const TreeReadOutcome& outcome, const std::string& path) const {
  if (!Report(outcome.failure)) return false;
  const std::string text = TreeReadEndText(outcome.end, path);
  if (text.empty()) return true;
  Say("File Open", text);
  return false;
}

void WalkedNode::GetAncestorLabels(std::vector<std::string_view>& labels) const {
  if (stream != nullptr) return stream->GetAncestorLabels(labels);
  labels.clear();
  if (tree == nullptr) return;
  for (HTREEITEM p = tree->GetParentItem(item); p; p = tree->GetParentItem(p))
    labels.push_back(tree->GetItemText(p));
  std::reverse(labels.begin(), labels.end());
}

bool ToolCatalogue::WalkInTreeOrder(const std::string& path, OutputBuffer& output, bool lookahead,
                                    const std::function<void(const WalkedNode&)>& visit) {
  const size_t mark = output.Mark();
  bool outOfOrder = false;
  StreamedNode pending;
  bool isPending = false;
  const auto flushPending = [&](bool nextIsChild) {
    if (isPending) visit({pending, pending.childrenFlag == 1 || nextIsChild, nullptr, nullptr, {}});
    isPending = false;
  };
  const bool whole = Stream(path, [&](CTreeRecordStream& records) {
    if (!records.InTreeOrder() && output.CanRollBack(mark)) {
      outOfOrder = true;
      return false;
    }
    const StreamedNode& node = records.Node();
    if (!lookahead) {
      visit({node, node.childrenFlag == 1, &records, nullptr, {}});
      return true;
    }
    flushPending(records.ParentIsPrevious());
    pending.CopyFrom(node);
    isPending = true;
    return true;
  });
  if (!outOfOrder) {
    flushPending(false);
    return whole;
  }

  output.RollBack(mark);
  const bool loaded = Load(path);
  const CTreeCtrl& tree = m_tree;
  StreamedNode node;
  // The whole tree in pre-order, top-level nodes at depth 0.
  WalkBranch(tree, nullptr, -1, true, [&](HTREEITEM item, int depth) {
    node.ReadFrom(tree, item, depth);
    visit({node, tree.ItemHasChildren(item), nullptr, &tree, item});
  });
  return loaded;
}

std::string DialogPath(const std::string& typed) {
  namespace fs = std::filesystem;
  const fs::path given = Utf8Path(typed);
  std::error_code error;
  fs::path full = fs::absolute(given, error);
  if (error) full = given;  // no current folder: the path goes as typed
  full = full.lexically_normal();
  // "/home/ann/" and "C:\Docs\" name the folder without the trailing
  // separator; a root ("/", "C:\") keeps its own.
  if (!full.has_filename() && full.has_relative_path()) full = full.parent_path();
  return Utf8Text(full);
}
