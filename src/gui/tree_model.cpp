#include "gui/tree_model.h"

#include "gui/display_text.h"

TreeItemModel::TreeItemModel(CTreeCtrl& tree, QObject* parent)
    : QAbstractItemModel(parent), m_tree(tree) {
  m_tree.SetViewObserver(this);
}

TreeItemModel::~TreeItemModel() { m_tree.SetViewObserver(nullptr); }

const QVector<HTREEITEM>& TreeItemModel::Children(HTREEITEM parent) const {
  auto it = m_children.find(parent);
  if (it != m_children.end()) return *it;
  QVector<HTREEITEM> list;
  for (HTREEITEM c = m_tree.GetChildItem(parent); c; c = m_tree.GetNextSiblingItem(c)) {
    m_rows.insert(c, list.size());
    list.push_back(c);
  }
  return *m_children.insert(parent, std::move(list));
}

int TreeItemModel::RowOf(HTREEITEM item) const {
  auto it = m_rows.find(item);
  if (it != m_rows.end()) return *it;
  Children(m_tree.GetParentItem(item));
  return m_rows.value(item, -1);
}

QModelIndex TreeItemModel::index(int row, int column, const QModelIndex& parent) const {
  if (m_resetting || column != 0 || row < 0) return {};
  const auto& list = Children(ItemOf(parent));
  return row < list.size() ? createIndex(row, 0, list[row]) : QModelIndex();
}

QModelIndex TreeItemModel::IndexOf(HTREEITEM item) const {
  if (m_resetting || !m_tree.IsValid(item)) return {};
  const int row = RowOf(item);
  return row < 0 ? QModelIndex() : createIndex(row, 0, item);
}

QModelIndex TreeItemModel::parent(const QModelIndex& child) const {
  if (m_resetting || !child.isValid()) return {};
  HTREEITEM p = m_tree.GetParentItem(ItemOf(child));
  return p ? IndexOf(p) : QModelIndex();
}

int TreeItemModel::rowCount(const QModelIndex& parent) const {
  if (m_resetting || parent.column() > 0) return 0;
  return Children(ItemOf(parent)).size();
}

int TreeItemModel::columnCount(const QModelIndex&) const { return 1; }

bool TreeItemModel::hasChildren(const QModelIndex& parent) const {
  if (m_resetting) return false;
  return m_tree.GetChildItem(ItemOf(parent)) != nullptr;
}

QString TreeItemModel::DisplayText(std::string_view label) { return ::DisplayTextOf(label); }

QVariant TreeItemModel::data(const QModelIndex& index, int role) const {
  HTREEITEM item = ItemOf(index);
  if (m_resetting || !index.isValid() || !m_tree.IsValid(item)) return {};
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
    default:
      return {};
  }
}

void TreeItemModel::ItemInserted(HTREEITEM parent, HTREEITEM item) {
  if (m_batchDepth > 0) {
    StartBatchReset();
    return;
  }
  auto it = m_children.find(parent);
  if (it == m_children.end()) {
    // An unopened parent: the view asks for its rows when it opens it. Only
    // a first child changes what the view shows (the expand button), so the
    // view is told of that one through a list that starts empty.
    const bool firstChild = !m_tree.GetPrevSiblingItem(item) && !m_tree.GetNextSiblingItem(item);
    if (!parent || !firstChild || !m_children.contains(m_tree.GetParentItem(parent))) return;
    it = m_children.insert(parent, {});
  }
  HTREEITEM prev = m_tree.GetPrevSiblingItem(item);
  const int row = prev ? m_rows.value(prev) + 1 : 0;
  beginInsertRows(parent ? IndexOf(parent) : QModelIndex(), row, row);
  QVector<HTREEITEM>& list = *it;
  list.insert(row, item);
  for (int r = row; r < list.size(); ++r) m_rows.insert(list[r], r);
  endInsertRows();
}

void TreeItemModel::ForgetSubtree(HTREEITEM item) {
  auto it = m_children.find(item);
  if (it == m_children.end()) return;
  const QVector<HTREEITEM> list = *it;
  m_children.erase(it);
  for (HTREEITEM c : list) {
    m_rows.remove(c);
    ForgetSubtree(c);
  }
}

void TreeItemModel::ItemAboutToBeDeleted(HTREEITEM item) {
  if (m_batchDepth > 0) {
    StartBatchReset();
    return;
  }
  HTREEITEM parent = m_tree.GetParentItem(item);
  auto it = m_children.find(parent);
  if (it == m_children.end()) {
    ForgetSubtree(item);
    return;
  }
  const int row = m_rows.value(item);
  beginRemoveRows(parent ? IndexOf(parent) : QModelIndex(), row, row);
  ForgetSubtree(item);
  m_rows.remove(item);
  QVector<HTREEITEM>& list = *m_children.find(parent);
  list.remove(row);
  for (int r = row; r < list.size(); ++r) m_rows.insert(list[r], r);
  endRemoveRows();
}

void TreeItemModel::ItemDeleted(HTREEITEM) {}

void TreeItemModel::ItemChanged(HTREEITEM item) {
  if (m_batchDepth > 0) {
    m_batchDirty = true;
    return;
  }
  if (!m_children.contains(m_tree.GetParentItem(item))) return;  // not on screen
  const QModelIndex i = IndexOf(item);
  if (i.isValid()) emit dataChanged(i, i);
}

void TreeItemModel::ItemExpanded(HTREEITEM item, bool expanded) {
  if (m_resetting) return;  // the reset's end opens what is expanded
  const QModelIndex i = IndexOf(item);
  if (i.isValid()) emit expandRequested(i, expanded);
}

void TreeItemModel::SelectionChanged(HTREEITEM item) {
  if (m_resetting) return;
  emit selectRequested(item ? IndexOf(item) : QModelIndex());
}

void TreeItemModel::EnsureVisible(HTREEITEM item) {
  if (m_resetting) FlushBatch();
  const QModelIndex i = IndexOf(item);
  if (i.isValid()) emit scrollRequested(i);
}

void TreeItemModel::AllAboutToBeDeleted() {
  if (m_batchDepth > 0) {
    StartBatchReset();
    return;
  }
  beginResetModel();
  m_resetting = true;
}

void TreeItemModel::AllDeleted() {
  if (m_batchDepth > 0) return;
  FinishBatchReset();
}

void TreeItemModel::BeginBatch() { ++m_batchDepth; }

void TreeItemModel::EndBatch() {
  if (m_batchDepth == 0 || --m_batchDepth > 0) return;
  FlushBatch();
}

void TreeItemModel::FlushBatch() {
  if (m_resetting) FinishBatchReset();
  if (m_batchDirty) {
    m_batchDirty = false;
    emit repaintRequested();
  }
}

void TreeItemModel::StartBatchReset() {
  if (m_resetting) return;
  beginResetModel();
  m_resetting = true;
}

void TreeItemModel::FinishBatchReset() {
  if (!m_resetting) return;
  m_children.clear();
  m_rows.clear();
  m_resetting = false;
  endResetModel();
  // Open again what the control says is expanded, walking only into open
  // branches, and put the selection back.
  QModelIndexList expanded;
  QVector<HTREEITEM> stack;
  for (HTREEITEM c = m_tree.GetRootItem(); c; c = m_tree.GetNextSiblingItem(c)) stack.push_back(c);
  while (!stack.isEmpty()) {
    HTREEITEM n = stack.takeLast();
    if (!m_tree.GetItemState(n, TVIS_EXPANDED)) continue;
    expanded.push_back(IndexOf(n));
    for (HTREEITEM c = m_tree.GetChildItem(n); c; c = m_tree.GetNextSiblingItem(c))
      stack.push_back(c);
  }
  emit restoreExpanded(expanded);
  if (HTREEITEM sel = m_tree.GetSelectedItem()) emit selectRequested(IndexOf(sel));
}
