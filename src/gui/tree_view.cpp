#include "gui/tree_view.h"

#include <QContextMenuEvent>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QProxyStyle>
#include <QScrollBar>

#include "gui/artwork.h"
#include "gui/display_text.h"
#include "gui/tree_model.h"

TreeItemDelegate::Parts TreeItemDelegate::Layout(const QRect& row, int depth,
                                                 const QFontMetrics& fm, const QString& text,
                                                 int stateImage) {
  Parts p;
  int x = row.left() + Indentation(depth) + 1;
  const int cy = row.center().y();
  // The state column is kept for every node so labels line up; a node
  // without a state image has no state part to hit.
  if (stateImage > 0) p.state = QRect(x, cy - 7, kStateWidth, 14);
  x += kStateWidth + 1;
  p.image = QRect(x, cy - 8, kImageWidth, 16);
  x += kImageWidth + kGap;
  p.label = QRect(x, row.top(), fm.horizontalAdvance(text) + 4, row.height());
  return p;
}

QString TreeItemDelegate::ShownText(const QModelIndex& index) {
  return OneLineText(index.data(Qt::DisplayRole).toString());
}

void TreeItemDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                             const QModelIndex& index) const {
  const QString text = ShownText(index);
  const int state = index.data(TreeItemModel::StateImageRole).toInt();
  const bool selected = option.state & QStyle::State_Selected;
  const int image =
      index.data(selected ? TreeItemModel::SelectedImageRole : TreeItemModel::ImageRole).toInt();
  const int depth = index.data(TreeItemModel::DepthRole).toInt();
  const Parts parts = Layout(option.rect, depth, option.fontMetrics, text, state);
  const qreal dpr = painter->device()->devicePixelRatioF();

  painter->save();
  if (state > 0) painter->drawPixmap(parts.state.topLeft(), StateImage(state, dpr));
  painter->drawPixmap(parts.image.topLeft(), NodeImage(image, dpr));
  const QPalette& pal = option.palette;
  if (selected) {
    const bool active = option.state & QStyle::State_Active;
    painter->fillRect(parts.label, pal.brush(active ? QPalette::Active : QPalette::Inactive,
                                             QPalette::Highlight));
    painter->setPen(
        pal.color(active ? QPalette::Active : QPalette::Inactive, QPalette::HighlightedText));
  } else {
    painter->setPen(pal.color(QPalette::Text));
  }
  painter->setFont(option.font);
  painter->drawText(parts.label.adjusted(2, 0, 0, 0), Qt::AlignVCenter | Qt::AlignLeft, text);
  if (option.state & QStyle::State_HasFocus) {
    QPen pen(pal.color(QPalette::Text), 1, Qt::DotLine);
    painter->setPen(pen);
    painter->drawRect(parts.label.adjusted(0, 0, -1, -1));
  }
  painter->restore();
}

QSize TreeItemDelegate::sizeHint(const QStyleOptionViewItem& option,
                                 const QModelIndex& index) const {
  return QSize(RowWidth(option.fontMetrics, index), qMax(18, option.fontMetrics.height() + 2));
}

int TreeItemDelegate::RowWidth(const QFontMetrics& fm, const QModelIndex& index) {
  const int depth = index.data(TreeItemModel::DepthRole).toInt();
  return Indentation(depth) + kStateWidth + kImageWidth + kGap + 8 +
         fm.horizontalAdvance(ShownText(index));
}

namespace {

// Only the label shows the selection, as in a classic tree control; the
// indentation and the images stay unhighlighted.
class LabelOnlySelectionStyle : public QProxyStyle {
 public:
  int styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                QStyleHintReturn* returnData) const override {
    if (hint == SH_ItemView_ShowDecorationSelected) return 0;
    return QProxyStyle::styleHint(hint, option, widget, returnData);
  }
};

}  // namespace

TreeView::TreeView(QWidget* parent) : QTreeView(parent) {
  auto* style = new LabelOnlySelectionStyle;
  style->setParent(this);
  setStyle(style);
  setHeaderHidden(true);
  setUniformRowHeights(true);
  setSelectionMode(QAbstractItemView::SingleSelection);
  setEditTriggers(QAbstractItemView::NoEditTriggers);
  setItemDelegate(new TreeItemDelegate(this));
  // The rows come flat; drawBranches draws the tree's indentation and buttons.
  setRootIsDecorated(false);
  setItemsExpandable(false);
  setIndentation(TreeItemDelegate::kIndent);
  setAllColumnsShowFocus(false);
  // The one column is as wide as the widest row shown so far (at least as
  // wide as the view) and the view scrolls sideways over it; see GrowColumn.
  header()->setSectionResizeMode(QHeaderView::Fixed);
  header()->setStretchLastSection(false);
  setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
}

void TreeView::SetTreeModel(TreeItemModel* model) {
  m_model = model;
  setModel(model);
  connect(model, &TreeItemModel::scrollRequested, this,
          [this](const QModelIndex& i) { scrollTo(i); });
  connect(model, &TreeItemModel::selectRequested, this, [this](const QModelIndex& i) {
    m_applyingSelection = true;
    setCurrentIndex(i);
    m_applyingSelection = false;
  });
  connect(model, &QAbstractItemModel::modelReset, this, [this] {
    m_columnWidth = 0;
    FitColumn();
  });
}

// ---- Width and sideways scrolling --------------------------------------------

void TreeView::GrowColumn(int width) {
  if (width <= m_columnWidth) return;
  m_columnWidth = width;
  FitColumn();
}

void TreeView::FitColumn() {
  const int width = qMax(m_columnWidth, viewport()->width());
  if (header()->sectionSize(0) != width) header()->resizeSection(0, width);
}

// The rows on screen are measured before each paint, a screenful at a time:
// the column grows as opened branches (and long labels) come into view, and
// nothing off the screen is ever measured, however many rows an expand-all
// opens.
void TreeView::paintEvent(QPaintEvent* event) {
  int widest = 0;
  for (QModelIndex i = indexAt(QPoint(0, 0)); i.isValid(); i = indexBelow(i)) {
    const QRect rect = visualRect(i);
    if (rect.top() > viewport()->height()) break;
    widest = qMax(widest, TreeItemDelegate::RowWidth(fontMetrics(), i));
  }
  GrowColumn(widest);
  QTreeView::paintEvent(event);
}

void TreeView::resizeEvent(QResizeEvent* event) {
  QTreeView::resizeEvent(event);
  FitColumn();
}

// Besides the rows, the node itself comes into view sideways: its button,
// images and as much of its label as fits, whatever its depth.
void TreeView::scrollTo(const QModelIndex& index, ScrollHint hint) {
  // The column first, so that the scroll bars (and the rows left for the
  // view) are what they will be once the node is in view.
  if (index.isValid()) {
    GrowColumn(TreeItemDelegate::RowWidth(fontMetrics(), index));
    updateGeometries();
  }
  QTreeView::scrollTo(index, hint);
  if (!index.isValid()) return;
  const QRect row = visualRect(index);  // from the left edge of the tree
  if (row.isEmpty()) return;
  QScrollBar* bar = horizontalScrollBar();
  const int left = ButtonRect(index).left();
  const int right = row.left() + TreeItemDelegate::RowWidth(fontMetrics(), index);
  const int view = viewport()->width();
  if (left < 0 || right - left > view)
    bar->setValue(bar->value() + left);
  else if (right > view)
    bar->setValue(bar->value() + right - view);
}

QRect TreeView::ButtonRect(const QModelIndex& index) const {
  const QRect row = visualRect(index);
  const int depth = index.data(TreeItemModel::DepthRole).toInt();
  return QRect(row.left() + depth * indentation(), row.top(), indentation(), row.height());
}

TVHITTESTINFO TreeView::HitTest(QPoint point) const {
  TVHITTESTINFO hit;
  hit.pt = {point.x(), point.y()};
  const QModelIndex index = indexAt(point);
  if (!index.isValid()) {
    hit.flags = TVHT_NOWHERE;
    return hit;
  }
  hit.hItem = TreeItemModel::ItemOf(index);
  const QRect row = visualRect(index);
  const int depth = index.data(TreeItemModel::DepthRole).toInt();
  if (point.x() < row.left() + TreeItemDelegate::Indentation(depth)) {
    // Left of the node: its expand button sits in the last indentation step.
    const bool onButton = m_model->BranchOf(index).hasChildren && ButtonRect(index).contains(point);
    hit.flags = onButton ? TVHT_ONITEMBUTTON : TVHT_ONITEMINDENT;
    return hit;
  }
  const auto parts =
      TreeItemDelegate::Layout(row, depth, fontMetrics(), TreeItemDelegate::ShownText(index),
                               index.data(TreeItemModel::StateImageRole).toInt());
  if (parts.state.contains(point))
    hit.flags = TVHT_ONITEMSTATEICON;
  else if (parts.image.contains(point))
    hit.flags = TVHT_ONITEMICON;
  else if (parts.label.contains(point))
    hit.flags = TVHT_ONITEMLABEL;
  else
    hit.flags = TVHT_ONITEMRIGHT;
  return hit;
}

void TreeView::keyPressEvent(QKeyEvent* event) {
  m_userInput = true;
  if (!OpenOrCloseByKey(event)) QTreeView::keyPressEvent(event);
  m_userInput = false;
}

bool TreeView::OpenOrCloseByKey(QKeyEvent* event) {
  const QModelIndex current = currentIndex();
  if (!m_model || !current.isValid()) return false;
  const TreeItemModel::Branch branch = m_model->BranchOf(current);
  switch (event->key()) {
    case Qt::Key_Asterisk:  // the main keyboard's and the keypad's
      m_model->ExpandBranch(current);
      break;
    case Qt::Key_Plus:
      m_model->Expand(current, TVE_EXPAND);
      break;
    case Qt::Key_Minus:
      m_model->Expand(current, TVE_COLLAPSE);
      break;
    case Qt::Key_Right:
      // Opens a closed node, else steps to its first child.
      if (branch.hasChildren && !branch.expanded)
        m_model->Expand(current, TVE_EXPAND);
      else if (branch.hasChildren)
        setCurrentIndex(m_model->index(current.row() + 1, 0));
      break;
    case Qt::Key_Left:
      // Closes an open node, else steps to its parent.
      if (branch.hasChildren && branch.expanded)
        m_model->Expand(current, TVE_COLLAPSE);
      else if (branch.depth > 0)
        setCurrentIndex(m_model->IndexOf(m_model->ParentOf(TreeItemModel::ItemOf(current))));
      break;
    default:
      return false;
  }
  event->accept();
  return true;
}

void TreeView::mousePressEvent(QMouseEvent* event) {
  // A press on an expand button opens or closes the node and selects nothing.
  if (m_model && event->button() == Qt::LeftButton &&
      HitTest(event->position().toPoint()).flags == TVHT_ONITEMBUTTON) {
    m_model->Expand(indexAt(event->position().toPoint()), TVE_TOGGLE);
    event->accept();
    return;
  }
  // A right press leaves the selection alone: the context menu selects the
  // node it opens on, and only when it opens.
  if (event->button() == Qt::RightButton) {
    event->accept();
    return;
  }
  if (event->button() == Qt::LeftButton) {
    m_press = HitTest(event->position().toPoint());
    m_pressed = true;
  }
  m_userInput = true;
  QTreeView::mousePressEvent(event);
  m_userInput = false;
}

// The second press of a double-click is no click of its own: the first one
// has toggled already. A double-click on a node opens or closes it, as its
// button does, except on the check box, where quick clicks are for marking.
void TreeView::mouseDoubleClickEvent(QMouseEvent* event) {
  m_pressed = false;
  m_userInput = true;
  QTreeView::mouseDoubleClickEvent(event);
  m_userInput = false;
  const QModelIndex index = indexAt(event->position().toPoint());
  if (m_model && index.isValid() && event->button() == Qt::LeftButton &&
      HitTest(event->position().toPoint()).flags != TVHT_ONITEMSTATEICON)
    m_model->Expand(index, TVE_TOGGLE);
}

// A click is a press and a release on the same part of the same node, as the
// tree control reports clicks; a press that moves off before its release
// clicks nothing.
void TreeView::mouseReleaseEvent(QMouseEvent* event) {
  QTreeView::mouseReleaseEvent(event);
  if (event->button() != Qt::LeftButton || !m_pressed) return;
  m_pressed = false;
  const TVHITTESTINFO release = HitTest(event->position().toPoint());
  if (release.hItem == m_press.hItem && release.flags == m_press.flags)
    emit clicked(event->globalPosition().toPoint());
}

// Getting the focus with nothing current would make the first row current:
// the view never picks a node by itself.
void TreeView::focusInEvent(QFocusEvent* event) {
  const bool hadCurrent = currentIndex().isValid();
  QTreeView::focusInEvent(event);
  if (!hadCurrent && currentIndex().isValid()) {
    m_applyingSelection = true;
    selectionModel()->clearCurrentIndex();
    m_applyingSelection = false;
  }
}

void TreeView::contextMenuEvent(QContextMenuEvent* event) {
  emit contextMenuAt(event->reason() == QContextMenuEvent::Keyboard ? QPoint(-1, -1)
                                                                    : event->globalPos());
  event->accept();
}

// Only the user's own moves reach the frame; the rows the view makes current
// by itself (after a removal, an insertion or a reset) do not, so the
// selection changes only by the user or by a command.
void TreeView::currentChanged(const QModelIndex& current, const QModelIndex& previous) {
  QTreeView::currentChanged(current, previous);
  if (!m_applyingSelection && m_userInput) emit selectedNode(current);
}

// ---- Lines between the nodes -------------------------------------------------

// Dotted lines join each node to its parent and its siblings, with a box
// holding + or - on a node that has children, as in a classic tree control.
// The rows are flat: the model says for each level whether a line goes on
// below the row.
void TreeView::drawBranches(QPainter* painter, const QRect& rect, const QModelIndex& index) const {
  const int step = indentation();
  if (step <= 0 || !m_model) return;
  const TreeItemModel::Branch branch = m_model->BranchOf(index);
  if (branch.siblingBelow.empty()) return;
  painter->save();
  painter->setPen(QPen(palette().color(QPalette::Dark), 1, Qt::DotLine));
  const int cy = rect.center().y();
  // The ancestors' columns: a line passes on where an ancestor has a sibling
  // below.
  for (int level = 0; level < branch.depth; ++level)
    if (branch.siblingBelow[level]) {
      const int ax = rect.left() + level * step + step / 2;
      painter->drawLine(ax, rect.top(), ax, rect.bottom());
    }
  // The node's own column: from its parent (the very first row has none) down
  // to its next sibling, and across to the node.
  const int x = rect.left() + branch.depth * step + step / 2;
  painter->drawLine(x, index.row() == 0 ? cy : rect.top(), x,
                    branch.siblingBelow[branch.depth] ? rect.bottom() : cy);
  painter->drawLine(x, cy, rect.left() + (branch.depth + 1) * step - 1, cy);
  if (branch.hasChildren) {
    const QRect box(x - 4, cy - 4, 8, 8);
    painter->setPen(palette().color(QPalette::Dark));
    painter->fillRect(box, palette().color(QPalette::Base));
    painter->drawRect(box);
    painter->setPen(palette().color(QPalette::Text));
    painter->drawLine(x - 2, cy, x + 2, cy);
    if (!branch.expanded) painter->drawLine(x, cy - 2, x, cy + 2);
  }
  painter->restore();
}
