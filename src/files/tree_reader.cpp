#include "files/tree_reader.h"

#include <array>
#include <memory>

#include "tree/tree_item.h"

TreeReadEnd ReadTree(CArchive& ar, CTreeCtrl& tree, HTREEITEM topParent,
                     const std::function<void(HTREEITEM)>& perNode) {
  // The last node read at each level. Deeper entries are left as they are
  // when the records climb back up: a later record at that depth still finds
  // its parent there, as files of this format have always been read.
  std::array<HTREEITEM, kMaxNestLevels> lastAtLevel{};
  CTreeItem record;  // reused for every record; it never owns a data record
  for (;;) {
    record.Serialize(ar);
    // Whatever the file holds, the record that came with it ends up owned by
    // a node or freed here.
    std::unique_ptr<CTreeItemData> data(record.GetData());
    const int level = record.GetLevel();
    if (level >= kMaxNestLevels) return TreeReadEnd::nestLimit;
    if (level < 0) return record.m_bCutShort ? TreeReadEnd::cutShort : TreeReadEnd::endOfRecords;

    HTREEITEM parent = topParent;
    if (level > 0 && lastAtLevel[level - 1] != nullptr) parent = lastAtLevel[level - 1];

    // Adjusted for the insertion only: a display part cut short by the end
    // of the file takes its missing bytes from the record as it was read.
    TVITEM& item = record.m_tvis.item;
    const UINT mask = item.mask;
    const UINT stateMask = item.stateMask;
    // The file says which members apply, but a data record is kept whatever
    // the mask: without it the record would belong to nobody.
    if (data) item.mask |= TVIF_PARAM;
    // Only the mark is taken from the state word. The rest are display flags
    // of the program that wrote the file (expanded, selected, ...), which
    // would leave this control and its view disagreeing.
    item.stateMask &= TVIS_STATEIMAGEMASK;
    HTREEITEM node = record.InsertInto(tree, parent);
    item.mask = mask;
    item.stateMask = stateMask;
    if (node == nullptr) return TreeReadEnd::refused;
    data.release();  // the node's now
    lastAtLevel[level] = node;
    perNode(node);
    if (record.m_bCutShort) return TreeReadEnd::cutShort;
  }
}

std::string TreeReadEndText(TreeReadEnd end, const std::string& path) {
  switch (end) {
    case TreeReadEnd::nestLimit:
      return kNestLimitText;
    case TreeReadEnd::cutShort:
      return path + " ends inside a record, so the directory tree may be incomplete.";
    case TreeReadEnd::endOfRecords:
    case TreeReadEnd::refused:
      break;
  }
  return {};
}
