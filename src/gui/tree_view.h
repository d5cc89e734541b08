// The tree view: shows each node as [state image][node image][label] and
// answers the hit tests the frame asks (which part of which node lies under
// a point).
#pragma once

#include <QStyledItemDelegate>
#include <QTreeView>

#include "tree/tree_ctrl.h"

class TreeItemModel;

class TreeItemDelegate : public QStyledItemDelegate {
 public:
  using QStyledItemDelegate::QStyledItemDelegate;
  static constexpr int kStateWidth = 15;
  static constexpr int kImageWidth = 17;
  static constexpr int kGap = 3;

  struct Parts {
    QRect state, image, label;
  };
  // Where the parts of a node lie within its row rectangle.
  static Parts Layout(const QRect& row, const QFontMetrics& fm, const QString& text,
                      int stateImage);

  void paint(QPainter* painter, const QStyleOptionViewItem& option,
             const QModelIndex& index) const override;
  QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;

  // A node's label as drawn: on one line, control characters made visible.
  static QString ShownText(const QModelIndex& index);
};

class TreeView : public QTreeView {
  Q_OBJECT

 public:
  explicit TreeView(QWidget* parent = nullptr);
  void SetTreeModel(TreeItemModel* model);

  // Hit test at a point in viewport coordinates.
  TVHITTESTINFO HitTest(QPoint point) const;
  void scrollTo(const QModelIndex& index, ScrollHint hint = EnsureVisible) override;

 signals:
  void clicked(QPoint globalPos);        // a left click anywhere in the tree
  void contextMenuAt(QPoint globalPos);  // (-1, -1) from the keyboard
  void selectedNode(const QModelIndex& index);

 protected:
  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void focusInEvent(QFocusEvent* event) override;
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void drawBranches(QPainter* painter, const QRect& rect, const QModelIndex& index) const override;
  void contextMenuEvent(QContextMenuEvent* event) override;
  void currentChanged(const QModelIndex& current, const QModelIndex& previous) override;

 private:
  int RowWidth(const QModelIndex& index, int depth) const;
  static int Depth(const QModelIndex& index);
  void GrowColumn(int width);
  void FitColumn();

  TreeItemModel* m_model = nullptr;
  bool m_applyingSelection = false;
  bool m_userInput = false;  // inside the handling of a key or a mouse press
  bool m_pressed = false;    // a left press waits for its release
  TVHITTESTINFO m_press;     // where it was
  int m_columnWidth = 0;     // the widest row shown so far
};
