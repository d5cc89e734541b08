#include "gui/row_table_model.h"

#include <QHeaderView>
#include <QTableView>
#include <algorithm>
#include <numeric>

RowTableModel::RowTableModel(const TableRows& rows, QObject* parent)
    : QAbstractTableModel(parent), m_rows(rows) {}

int RowTableModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(m_order.size());
}

int RowTableModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : m_rows.ColumnCount();
}

QVariant RowTableModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || static_cast<size_t>(index.row()) >= m_order.size()) return {};
  if (role == Qt::TextAlignmentRole)
    return m_rows.IsNumeric(index.column()) ? QVariant(Qt::AlignRight | Qt::AlignVCenter)
                                            : QVariant();
  return m_rows.Data(m_order[static_cast<size_t>(index.row())], index.column(), role);
}

QVariant RowTableModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation != Qt::Horizontal) return {};
  if (role == Qt::DisplayRole) return m_rows.Header(section);
  if (role == Qt::TextAlignmentRole && m_rows.IsNumeric(section))
    return QVariant(Qt::AlignRight | Qt::AlignVCenter);
  return {};
}

// Ties go by arrival, in either direction, so a sort is stable and the same
// rows always come out in the same order.
bool RowTableModel::Before(uint32_t a, uint32_t b) const {
  if (m_sortColumn < 0) return a < b;
  const bool less = m_sortOrder == Qt::AscendingOrder ? m_rows.Less(a, b, m_sortColumn)
                                                      : m_rows.Less(b, a, m_sortColumn);
  if (less) return true;
  const bool greater = m_sortOrder == Qt::AscendingOrder ? m_rows.Less(b, a, m_sortColumn)
                                                         : m_rows.Less(a, b, m_sortColumn);
  return !greater && a < b;
}

void RowTableModel::sort(int column, Qt::SortOrder order) {
  m_sortColumn = column;
  m_sortOrder = order;
  std::vector<uint32_t> sorted = m_order;
  int64_t key = 0;
  if (column >= 0 && !sorted.empty() && m_rows.SortKey(sorted[0], column, key)) {
    // The numbers side by side sort several times faster than rows reached
    // through their numbers.
    std::vector<std::pair<int64_t, uint32_t>> keyed(sorted.size());
    for (size_t i = 0; i < sorted.size(); ++i) {
      m_rows.SortKey(sorted[i], column, keyed[i].first);
      keyed[i].second = sorted[i];
    }
    const bool up = order == Qt::AscendingOrder;
    std::sort(keyed.begin(), keyed.end(), [up](const auto& a, const auto& b) {
      if (a.first != b.first) return up ? a.first < b.first : b.first < a.first;
      return a.second < b.second;
    });
    for (size_t i = 0; i < keyed.size(); ++i) sorted[i] = keyed[i].second;
  } else {
    std::sort(sorted.begin(), sorted.end(),
              [this](uint32_t a, uint32_t b) { return Before(a, b); });
  }
  Rearrange(std::move(sorted));
}

void RowTableModel::RowsAppended() {
  const size_t total = m_rows.RowCount();
  if (total <= m_order.size()) return;
  const size_t first = m_order.size();
  std::vector<uint32_t> added(total - first);
  std::iota(added.begin(), added.end(), static_cast<uint32_t>(first));
  if (m_sortColumn < 0) {
    // Arrival order: the new rows go below the others.
    beginInsertRows({}, static_cast<int>(first), static_cast<int>(total) - 1);
    m_order.insert(m_order.end(), added.begin(), added.end());
    endInsertRows();
    return;
  }
  std::sort(added.begin(), added.end(), [this](uint32_t a, uint32_t b) { return Before(a, b); });
  std::vector<uint32_t> merged(total);
  std::merge(m_order.begin(), m_order.end(), added.begin(), added.end(), merged.begin(),
             [this](uint32_t a, uint32_t b) { return Before(a, b); });
  // Rows only come in: the view learns their number first, then the order.
  beginInsertRows({}, static_cast<int>(first), static_cast<int>(total) - 1);
  m_order.insert(m_order.end(), added.begin(), added.end());
  endInsertRows();
  Rearrange(std::move(merged));
}

void RowTableModel::Reset() {
  beginResetModel();
  m_order.clear();
  m_order.shrink_to_fit();
  endResetModel();
}

void RowTableModel::Rearrange(std::vector<uint32_t> order) {
  emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
  const QModelIndexList before = persistentIndexList();
  if (!before.isEmpty()) {
    std::vector<uint32_t> placeOf(order.size());
    for (size_t i = 0; i < order.size(); ++i) placeOf[order[i]] = static_cast<uint32_t>(i);
    QModelIndexList after;
    after.reserve(before.size());
    for (const QModelIndex& index : before)
      after << createIndex(static_cast<int>(placeOf[m_order[static_cast<size_t>(index.row())]]),
                           index.column());
    m_order = std::move(order);
    changePersistentIndexList(before, after);
  } else {
    m_order = std::move(order);
  }
  emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

QTableView* NewRowTable(RowTableModel* model, QWidget* parent) {
  auto* table = new QTableView(parent);
  table->setModel(model);
  table->setSelectionBehavior(QAbstractItemView::SelectRows);
  table->setSelectionMode(QAbstractItemView::ExtendedSelection);
  table->setEditTriggers(QAbstractItemView::NoEditTriggers);
  table->setShowGrid(false);
  table->setWordWrap(false);
  QHeaderView* rows = table->verticalHeader();
  rows->hide();
  rows->setSectionResizeMode(QHeaderView::Fixed);
  rows->setDefaultSectionSize(table->fontMetrics().height() + 4);
  QHeaderView* columns = table->horizontalHeader();
  columns->setStretchLastSection(true);
  columns->setSortIndicator(-1, Qt::AscendingOrder);
  table->setSortingEnabled(true);
  return table;
}
