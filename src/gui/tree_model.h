// The Qt item model over the tree control.
//
// The control's nodes are linked lists; a view asks by row. Rows are kept
// only for the parents the view has opened (their child lists are cached on
// first request), so branches nobody has opened cost nothing.
//
// Long commands run in a batch (between BeginBatch and EndBatch, the wait
// cursor's span): the model then sends no per-node signals. A batch that
// changed the structure ends in one model reset, after which the expanded
// branches are opened again from the control's own expanded flags.
#pragma once

#include <QAbstractItemModel>
#include <QHash>
#include <QVector>

#include "tree/tree_ctrl.h"

class TreeItemModel : public QAbstractItemModel, public TreeViewObserver {
  Q_OBJECT

 public:
  enum Role { StateImageRole = Qt::UserRole + 1, ImageRole, SelectedImageRole };

  explicit TreeItemModel(CTreeCtrl& tree, QObject* parent = nullptr);
  ~TreeItemModel() override;

  QModelIndex index(int row, int column, const QModelIndex& parent = {}) const override;
  QModelIndex parent(const QModelIndex& child) const override;
  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  bool hasChildren(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;

  QModelIndex IndexOf(HTREEITEM item) const;
  static HTREEITEM ItemOf(const QModelIndex& index) {
    return static_cast<HTREEITEM>(index.internalPointer());
  }

  void BeginBatch();
  void EndBatch();
  // Ends the batch's reset early (before a message box shows the window).
  void FlushBatch();
  bool InBatch() const { return m_batchDepth > 0; }

  // A node's label as the window shows it: UTF-8, or Windows-1252 for a
  // label that is not valid UTF-8 (catalogues written on Windows).
  static QString DisplayText(std::string_view label);

 signals:
  void expandRequested(const QModelIndex& index, bool expanded);
  void selectRequested(const QModelIndex& index);
  void scrollRequested(const QModelIndex& index);
  // After a reset: the view should open these again.
  void restoreExpanded(const QModelIndexList& expanded);
  void repaintRequested();

 private:
  // TreeViewObserver
  void ItemInserted(HTREEITEM parent, HTREEITEM item) override;
  void ItemAboutToBeDeleted(HTREEITEM item) override;
  void ItemDeleted(HTREEITEM parent) override;
  void ItemChanged(HTREEITEM item) override;
  void ItemExpanded(HTREEITEM item, bool expanded) override;
  void SelectionChanged(HTREEITEM item) override;
  void EnsureVisible(HTREEITEM item) override;
  void AllAboutToBeDeleted() override;
  void AllDeleted() override;

  const QVector<HTREEITEM>& Children(HTREEITEM parent) const;
  int RowOf(HTREEITEM item) const;
  void ForgetSubtree(HTREEITEM item);
  void StartBatchReset();
  void FinishBatchReset();

  CTreeCtrl& m_tree;
  // Child lists of the parents the view asked about (null: the top level),
  // and each listed node's row.
  mutable QHash<HTREEITEM, QVector<HTREEITEM>> m_children;
  mutable QHash<HTREEITEM, int> m_rows;
  int m_batchDepth = 0;
  bool m_resetting = false;
  bool m_batchDirty = false;
};
