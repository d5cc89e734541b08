// The tree view: shows each node as [state image][node image][label] and
// answers the hit tests the frame asks (which part of which node lies under
// a point).
//
// The model hands the view a flat list of the rows on show; the view draws
// each row indented by its depth, with its expand button, and opens and
// closes nodes through the tree control, whose flags say what is expanded.
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
  static constexpr int kIndent = 19;  // one level of the tree

  // Left of a node: one indentation step for each level, the last holding
  // its expand button.
  static int Indentation(int depth) { return (depth + 1) * kIndent; }

  struct Parts {
    QRect state, image, label;
  };
  // Where the parts of a node lie within its row rectangle (the row as Qt
  // lays it out, from the left edge of the tree).
  static Parts Layout(const QRect& row, int depth, const QFontMetrics& fm, const QString& text,
                      int stateImage);
  // The width a node needs, from the left edge of the tree to the end of its
  // label.
  static int RowWidth(const QFontMetrics& fm, const QModelIndex& index);

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
  // The keys that open and close nodes (*, +, -, Left, Right); false for
  // any other key.
  bool OpenOrCloseByKey(QKeyEvent* event);
  void GrowColumn(int width);
  void FitColumn();
  // The rectangle of a row's expand button, in viewport coordinates.
  QRect ButtonRect(const QModelIndex& index) const;

  TreeItemModel* m_model = nullptr;
  bool m_applyingSelection = false;
  bool m_userInput = false;  // inside the handling of a key or a mouse press
  bool m_pressed = false;    // a left press waits for its release
  TVHITTESTINFO m_press;     // where it was
  int m_columnWidth = 0;     // the widest row shown so far
};
