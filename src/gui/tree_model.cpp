#include "gui/tree_model.h"

#include <algorithm>

#include "gui/display_text.h"

namespace {

// The control's handles are node numbers, so they index a table directly.
size_t Slot(HTREEITEM item) { return reinterpret_cast<uintptr_t>(item); }

}  // namespace

TreeItemModel::TreeItemModel(CTreeCtrl& tree, QObject* parent)
    : QAbstractItemModel(parent), m_tree(tree) {
  for (HTREEITEM c = m_tree.GetRootItem(); c; c = m_tree.GetNextSiblingItem(c))
    AppendShownBranch(c, m_rows);
  Renumber(0);
  m_tree.SetViewObserver(this);
}

TreeItemModel::~TreeItemModel() { m_tree.SetViewObserver(nullptr); }

int TreeItemModel::RowOf(HTREEITEM item) const {
  const size_t slot = Slot(item);
  if (item == nullptr || slot >= m_rowOf.size()) return -1;
  const int row = m_rowOf[slot];
  return row >= 0 && row < static_cast<int>(m_rows.size()) && m_rows[row] == item ? row : -1;
}

bool TreeItemModel::ChildrenShown(HTREEITEM parent) const {
  return parent == nullptr || (m_tree.GetItemState(parent, TVIS_EXPANDED) && Shown(parent));
}

int TreeItemModel::EndOfBranch(HTREEITEM item) const {
  // The next node outside the branch is shown whenever the node is: it is a
  // sibling of the node or of one of its ancestors.
  for (HTREEITEM n = item; n; n = m_tree.GetParentItem(n))
    if (HTREEITEM next = m_tree.GetNextSiblingItem(n)) return RowOf(next);
  return static_cast<int>(m_rows.size());
}

void TreeItemModel::AppendShownBranch(HTREEITEM item, std::vector<HTREEITEM>& rows) const {
  // Pre-order without recursion, entering only expanded nodes.
  HTREEITEM n = item;
  for (;;) {
    rows.push_back(n);
    HTREEITEM child = m_tree.GetItemState(n, TVIS_EXPANDED) ? m_tree.GetChildItem(n) : nullptr;
    if (child) {
      n = child;
      continue;
    }
    while (n != item && !m_tree.GetNextSiblingItem(n)) n = m_tree.GetParentItem(n);
    if (n == item) return;
    n = m_tree.GetNextSiblingItem(n);
  }
}

void TreeItemModel::Renumber(int from) {
  size_t top = m_rowOf.size();
  for (size_t r = from; r < m_rows.size(); ++r) top = std::max(top, Slot(m_rows[r]) + 1);
  if (top > m_rowOf.size()) m_rowOf.resize(top, -1);
  for (size_t r = from; r < m_rows.size(); ++r) m_rowOf[Slot(m_rows[r])] = static_cast<int>(r);
}

void TreeItemModel::InsertRows(int row, const std::vector<HTREEITEM>& items) {
  if (items.empty()) return;
  beginInsertRows({}, row, row + static_cast<int>(items.size()) - 1);
  m_rows.insert(m_rows.begin() + row, items.begin(), items.end());
  Renumber(row);
  endInsertRows();
}

void TreeItemModel::RemoveRows(int first, int end) {
  if (end <= first) return;
  beginRemoveRows({}, first, end - 1);
  for (int r = first; r < end; ++r) m_rowOf[Slot(m_rows[r])] = -1;
  m_rows.erase(m_rows.begin() + first, m_rows.begin() + end);
  Renumber(first);
  endRemoveRows();
}

QModelIndex TreeItemModel::index(int row, int column, const QModelIndex& parent) const {
  if (parent.isValid() || column != 0 || row < 0 || row >= static_cast<int>(m_rows.size()))
    return {};
  return createIndex(row, 0, m_rows[row]);
}

QModelIndex TreeItemModel::IndexOf(HTREEITEM item) const {
  const int row = RowOf(item);
  return row < 0 ? QModelIndex() : createIndex(row, 0, item);
}

QModelIndex TreeItemModel::parent(const QModelIndex&) const { return {}; }

int TreeItemModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(m_rows.size());
}

int TreeItemModel::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : 1; }

bool TreeItemModel::hasChildren(const QModelIndex& parent) const {
  return !parent.isValid() && !m_rows.empty();
}

Qt::ItemFlags TreeItemModel::flags(const QModelIndex& index) const {
  if (!index.isValid()) return Qt::NoItemFlags;
  return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren;
}

QString TreeItemModel::DisplayText(std::string_view label) { return ::DisplayTextOf(label); }

QVariant TreeItemModel::data(const QModelIndex& index, int role) const {
  HTREEITEM item = ItemOf(index);
  if (!index.isValid() || !m_tree.IsValid(item)) return {};
  switch (role) {
    case Qt::DisplayRole:
    case Qt::ToolTipRole:
      return DisplayText(m_tree.GetItemText(item));
    case StateImageRole:
      return m_tree.GetStateImage(item);
    case ImageRole:
    case SelectedImageRole: {
      int image = 0, selected = 0;
      m_tree.GetItemImage(item, image, selected);
      return role == ImageRole ? image : selected;
    }
    case DepthRole: {
      int depth = 0;
      for (HTREEITEM p = m_tree.GetParentItem(item); p; p = m_tree.GetParentItem(p)) ++depth;
      return depth;
    }
    default:
      return {};
  }
}

TreeItemModel::Branch TreeItemModel::BranchOf(const QModelIndex& index) const {
  Branch b;
  HTREEITEM item = ItemOf(index);
  if (!index.isValid() || !m_tree.IsValid(item)) return b;
  b.hasChildren = m_tree.GetChildItem(item) != nullptr;
  b.expanded = m_tree.GetItemState(item, TVIS_EXPANDED) != 0;
  for (HTREEITEM n = item; n; n = m_tree.GetParentItem(n))
    b.siblingBelow.push_back(m_tree.GetNextSiblingItem(n) != nullptr);
  std::reverse(b.siblingBelow.begin(), b.siblingBelow.end());
  b.depth = static_cast<int>(b.siblingBelow.size()) - 1;
  return b;
}

void TreeItemModel::Expand(const QModelIndex& index, UINT code) {
  if (index.isValid()) m_tree.Expand(ItemOf(index), code);
}

void TreeItemModel::ExpandBranch(const QModelIndex& index) {
  if (index.isValid()) m_tree.ExpandBranch(ItemOf(index));
}

void TreeItemModel::ItemInserted(HTREEITEM parent, HTREEITEM item) {
  if (ChildrenShown(parent)) {
    // The node has no children yet: its branch is its own row, placed where
    // the next node outside it now stands.
    InsertRows(EndOfBranch(item), {item});
    // A first child gives its parent an expand button.
    if (parent && !m_tree.GetPrevSiblingItem(item) && !m_tree.GetNextSiblingItem(item))
      Changed(parent);
  } else if (parent && Shown(parent)) {
    Changed(parent);  // its expand button may appear
  }
}

void TreeItemModel::ItemAboutToBeDeleted(HTREEITEM item) {
  const int row = RowOf(item);
  if (row >= 0) RemoveRows(row, EndOfBranch(item));
}

void TreeItemModel::ItemDeleted(HTREEITEM parent) {
  if (parent && Shown(parent)) Changed(parent);  // its expand button may go
}

void TreeItemModel::ItemChanged(HTREEITEM item) {
  if (Shown(item)) Changed(item);
}

void TreeItemModel::Changed(HTREEITEM item) {
  if (m_batchDepth > 0) {
    m_batchDirty = true;
    return;
  }
  const QModelIndex i = IndexOf(item);
  emit dataChanged(i, i);
}

void TreeItemModel::ExpansionChanged(HTREEITEM item) {
  const int row = RowOf(item);
  if (row < 0) return;  // inside a closed branch: nothing shown changes
  // The rows below the node go, and those it now shows come in, each as one
  // change however many rows it holds.
  RemoveRows(row + 1, EndOfBranch(item));
  std::vector<HTREEITEM> rows;
  AppendShownBranch(item, rows);
  InsertRows(row + 1, std::vector<HTREEITEM>(rows.begin() + 1, rows.end()));
  Changed(item);
  // The selected node may have come out of the closed branch.
  HTREEITEM caret = m_tree.GetSelectedItem();
  if (caret && caret != item && Shown(caret)) emit selectRequested(IndexOf(caret));
}

void TreeItemModel::SelectionChanged(HTREEITEM item) { emit selectRequested(IndexOf(item)); }

void TreeItemModel::EnsureVisible(HTREEITEM item) {
  const QModelIndex i = IndexOf(item);
  if (i.isValid()) emit scrollRequested(i);
}

void TreeItemModel::AllAboutToBeDeleted() {
  // One step for every row, however many: Qt drops its indexes at once.
  beginResetModel();
  m_resetting = true;
}

void TreeItemModel::AllDeleted() {
  m_rows.clear();
  m_rowOf.clear();
  if (!m_resetting) beginResetModel();
  m_resetting = false;
  endResetModel();
}

void TreeItemModel::BeginBatch() { ++m_batchDepth; }

void TreeItemModel::EndBatch() {
  if (m_batchDepth == 0 || --m_batchDepth > 0) return;
  FlushBatch();
}

void TreeItemModel::FlushBatch() {
  if (!m_batchDirty) return;
  m_batchDirty = false;
  if (!m_rows.empty()) emit dataChanged(index(0, 0), index(static_cast<int>(m_rows.size()) - 1, 0));
}
