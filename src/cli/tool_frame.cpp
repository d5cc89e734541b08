#include "cli/tool_frame.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

#include "cli/output_buffer.h"
#include "files/archive.h"
#include "files/file.h"
#include "platform/utf8_path.h"
#include "tree/tree_walk.h"

bool ToolFrame::Load(const std::string& path) {
  host.ResetNotices();
  frame.RunGuarded([&] { frame.LoadTree(path); }, CommandSource::Menu);
  return host.NoticesShown() == 0;
}

bool ToolFrame::Stream(const std::string& path,
                       const std::function<bool(CTreeRecordStream&)>& perRecord) {
  host.ResetNotices();
  frame.RunGuarded(
      [&] {
        CFile file;
        file.OpenRead(path);
        CArchive ar(file, CArchive::load, CArchive::kLargeBufferSize);
        CTreeRecordStream records(ar);
        while (records.Next())
          if (!perRecord(records)) return;
        if (const std::string text = TreeReadEndText(records.End(), path); !text.empty())
          host.MessageBox(text, "File Open", MB_OK | MB_ICONEXCLAMATION);
      },
      CommandSource::Menu);
  return host.NoticesShown() == 0;
}

void WalkedNode::GetAncestorLabels(std::vector<std::string_view>& labels) const {
  if (stream != nullptr) return stream->GetAncestorLabels(labels);
  labels.clear();
  if (tree == nullptr) return;
  for (HTREEITEM p = tree->GetParentItem(item); p; p = tree->GetParentItem(p))
    labels.push_back(tree->GetItemText(p));
  std::reverse(labels.begin(), labels.end());
}

bool ToolFrame::WalkInTreeOrder(const std::string& path, OutputBuffer& output, bool lookahead,
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
  const CTreeCtrl& tree = frame.Tree();
  StreamedNode node;
  // The whole tree in pre-order, top-level nodes at depth 0.
  WalkBranch(tree, nullptr, -1, true, [&](HTREEITEM item, int depth) {
    TVITEM tv;
    tv.hItem = item;
    tv.mask = TVIF_IMAGE | TVIF_SELECTEDIMAGE | TVIF_PARAM;
    tree.GetItem(tv);
    node.label.assign(tree.GetItemText(item));
    node.depth = depth;
    node.stateImage = tree.GetStateImage(item);
    node.image = tv.iImage;
    node.selectedImage = tv.iSelectedImage;
    node.hasData = tv.lParam != nullptr;
    if (tv.lParam) CopyFileRecord(*tv.lParam, node.data);
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
