// The Qt item model over the tree control.
//
// The model is a flat list of the rows the window shows: every top-level
// node, and below each node the control has expanded, its children, in
// pre-order. Expansion lives in the control's own flags, so Qt's view keeps
// no expanded set: a QTreeView holds each expanded index as a persistent
// index, which it updates on every change and frees one by one on teardown,
// and it lays the whole tree out again after every row removal. A flat list
// makes expand-all, prune and close cost what their rows cost.
//
// Changes reach the view as what they are: a node opened or closed inserts
// or removes the rows below it, a deleted node removes its rows, a clear is a
// reset. Nodes nobody opened cost nothing.
//
// The model is consistent at every moment, also inside a long command, so
// the window may paint at any time. Between BeginBatch and EndBatch (the
// wait cursor's span) changes of labels, images and marks are not reported
// one by one: the batch ends with one repaint of the rows.
#pragma once

#include <QAbstractItemModel>
#include <vector>

#include "tree/tree_ctrl.h"

class TreeItemModel : public QAbstractItemModel, public TreeViewObserver {
  Q_OBJECT

 public:
  enum Role { StateImageRole = Qt::UserRole + 1, ImageRole, SelectedImageRole, DepthRole };

  explicit TreeItemModel(CTreeCtrl& tree, QObject* parent = nullptr);
  ~TreeItemModel() override;

  QModelIndex index(int row, int column, const QModelIndex& parent = {}) const override;
  QModelIndex parent(const QModelIndex& child) const override;
  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  bool hasChildren(const QModelIndex& parent = {}) const override;
  Qt::ItemFlags flags(const QModelIndex& index) const override;
  QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;

  // The row of a node; invalid while the node is hidden in a closed branch.
  QModelIndex IndexOf(HTREEITEM item) const;
  static HTREEITEM ItemOf(const QModelIndex& index) {
    return static_cast<HTREEITEM>(index.internalPointer());
  }
  HTREEITEM ParentOf(HTREEITEM item) const { return m_tree.GetParentItem(item); }

  // What the view draws left of a node: its depth, its expand button, and
  // for each level from the top down whether a line goes on below the row.
  struct Branch {
    int depth = 0;
    bool hasChildren = false;
    bool expanded = false;
    std::vector<bool> siblingBelow;  // [depth] is the node's own level
  };
  Branch BranchOf(const QModelIndex& index) const;

  // Opening and closing, as the user asks it of the control.
  void Expand(const QModelIndex& index, UINT code);
  void ExpandBranch(const QModelIndex& index);

  void BeginBatch();
  void EndBatch();
  // Reports the batch's display changes now (before a message box shows
  // the window, or while a scan lets it paint).
  void FlushBatch();

  // A node's label as the window shows it: UTF-8, or Windows-1252 for a
  // label that is not valid UTF-8 (catalogues written on Windows).
  static QString DisplayText(std::string_view label);

 signals:
  void selectRequested(const QModelIndex& index);
  void scrollRequested(const QModelIndex& index);

 private:
  // TreeViewObserver
  void ItemInserted(HTREEITEM parent, HTREEITEM item) override;
  void ItemAboutToBeDeleted(HTREEITEM item) override;
  void ItemDeleted(HTREEITEM parent) override;
  void ItemChanged(HTREEITEM item) override;
  void ExpansionChanged(HTREEITEM item) override;
  void SelectionChanged(HTREEITEM item) override;
  void EnsureVisible(HTREEITEM item) override;
  void AllAboutToBeDeleted() override;
  void AllDeleted() override;

  int RowOf(HTREEITEM item) const;
  bool Shown(HTREEITEM item) const { return RowOf(item) >= 0; }
  bool ChildrenShown(HTREEITEM parent) const;
  // The row where the node's shown rows end: that of the next node in
  // pre-order outside its branch, or the row count.
  int EndOfBranch(HTREEITEM item) const;
  void AppendShownBranch(HTREEITEM item, std::vector<HTREEITEM>& rows) const;
  void InsertRows(int row, const std::vector<HTREEITEM>& items);
  void RemoveRows(int first, int end);
  void Renumber(int from);
  void Changed(HTREEITEM item);

  CTreeCtrl& m_tree;
  std::vector<HTREEITEM> m_rows;  // the shown nodes, in pre-order
  // Row of each shown node by handle (the handles are small numbers); -1
  // or past the end for a node not shown.
  std::vector<int> m_rowOf;
  int m_batchDepth = 0;
  bool m_batchDirty = false;
  bool m_resetting = false;
};
