#include "gui/tree_view.h"

#include <QContextMenuEvent>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QProxyStyle>

#include "gui/artwork.h"
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

void TreeItemDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                             const QModelIndex& index) const {
  const QString text = index.data(Qt::DisplayRole).toString();
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
    painter->setPen(pal.color(active ? QPalette::Active : QPalette::Inactive,
                              QPalette::HighlightedText));
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
  const QString text = index.data(Qt::DisplayRole).toString();
  const int depth = index.data(TreeItemModel::DepthRole).toInt();
  return QSize(Indentation(depth) + kStateWidth + kImageWidth + kGap + 8 +
                   option.fontMetrics.horizontalAdvance(text),
               qMax(18, option.fontMetrics.height() + 2));
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
  // The one column is at least as wide as the view and grows with long
  // labels; only a sample of rows is measured, so huge folders stay cheap.
  header()->setSectionResizeMode(QHeaderView::ResizeToContents);
  header()->setResizeContentsPrecision(256);
  header()->setStretchLastSection(true);
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
}

void TreeView::drawBranches(QPainter* painter, const QRect& rect, const QModelIndex& index) const {
  if (!m_model) return;
  const TreeItemModel::Branch branch = m_model->BranchOf(index);
  QStyleOption opt;
  opt.initFrom(this);
  for (int level = 0; level <= branch.depth; ++level) {
    opt.rect = QRect(rect.left() + level * indentation(), rect.top(), indentation(), rect.height());
    opt.state = QStyle::State_None;
    if (branch.siblingBelow[level]) opt.state |= QStyle::State_Sibling;
    if (level == branch.depth) {
      opt.state |= QStyle::State_Item;
      if (branch.hasChildren) opt.state |= QStyle::State_Children;
      if (branch.expanded) opt.state |= QStyle::State_Open;
    }
    style()->drawPrimitive(QStyle::PE_IndicatorBranch, &opt, painter, this);
  }
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
  const auto parts = TreeItemDelegate::Layout(row, depth, fontMetrics(), index.data().toString(),
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
  const QModelIndex current = currentIndex();
  if (!m_model || !current.isValid()) return QTreeView::keyPressEvent(event);
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
      return QTreeView::keyPressEvent(event);
  }
  event->accept();
}

void TreeView::mousePressEvent(QMouseEvent* event) {
  // A press on an expand button opens or closes the node and selects nothing.
  const QModelIndex index = indexAt(event->position().toPoint());
  if (m_model && index.isValid() && event->button() == Qt::LeftButton &&
      m_model->BranchOf(index).hasChildren &&
      ButtonRect(index).contains(event->position().toPoint())) {
    m_model->Expand(index, TVE_TOGGLE);
    event->accept();
    return;
  }
  // A right press leaves the selection alone: the context menu selects the
  // node it opens on, and only when it opens.
  if (event->button() == Qt::RightButton) {
    event->accept();
    return;
  }
  QTreeView::mousePressEvent(event);
}

void TreeView::mouseDoubleClickEvent(QMouseEvent* event) {
  QTreeView::mouseDoubleClickEvent(event);
  // A double click on a node opens or closes it, as the button does.
  const QModelIndex index = indexAt(event->position().toPoint());
  if (m_model && index.isValid() && event->button() == Qt::LeftButton)
    m_model->Expand(index, TVE_TOGGLE);
}

void TreeView::mouseReleaseEvent(QMouseEvent* event) {
  QTreeView::mouseReleaseEvent(event);
  if (event->button() == Qt::LeftButton) emit clicked(event->globalPosition().toPoint());
}

void TreeView::contextMenuEvent(QContextMenuEvent* event) {
  emit contextMenuAt(event->reason() == QContextMenuEvent::Keyboard ? QPoint(-1, -1)
                                                                    : event->globalPos());
  event->accept();
}

void TreeView::currentChanged(const QModelIndex& current, const QModelIndex& previous) {
  QTreeView::currentChanged(current, previous);
  if (!m_applyingSelection) emit selectedNode(current);
}
