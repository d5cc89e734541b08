#include "gui/row_table_model.h"

#include <QHeaderView>
#include <QTableView>
#include <algorithm>
#include <numeric>

#include "gui/key_sort.h"
#include "platform/large_block.h"

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

bool RowTableModel::Keyed() const {
  int64_t key = 0;
  return m_sortColumn >= 0 && m_rows.RowCount() > 0 && m_rows.SortKey(0, m_sortColumn, key);
}

void RowTableModel::sort(int column, Qt::SortOrder order) {
  m_sortColumn = column;
  m_sortOrder = order;
  m_keys = std::vector<uint64_t>();
  if (Keyed()) {
    SortByKeys();
    return;
  }
  std::vector<uint32_t> sorted = m_order;
  std::sort(sorted.begin(), sorted.end(), [this](uint32_t a, uint32_t b) { return Before(a, b); });
  Rearrange(std::move(sorted));
}

// The rows shown are the rows 0 to n-1: taken in that order, a stable sort
// leaves equal rows in arrival order. Only the order is kept: the keys are
// asked again should rows arrive later.
void RowTableModel::SortByKeys() {
  const bool up = m_sortOrder == Qt::AscendingOrder;
  LargeArray<KeyedRow> keyed(m_order.size());
  LargeArray<KeyedRow> scratch(keyed.size());
  int64_t key = 0;
  for (uint32_t row = 0; row < keyed.size(); ++row) {
    m_rows.SortKey(row, m_sortColumn, key);
    keyed[row] = {OrderKey(key, up), row};
  }
  const KeyedRow* sorted =
      SortByKey({keyed.begin(), keyed.size()}, {scratch.begin(), keyed.size()});
  std::vector<uint32_t> order(keyed.size());
  for (size_t i = 0; i < order.size(); ++i) order[i] = sorted[i].row;
  Rearrange(std::move(order));
}

// The rows from `first` on are new: they are sorted by their keys and merged
// with the others, whose keys are kept from one merge to the next.
void RowTableModel::MergeByKeys(size_t first) {
  const bool up = m_sortOrder == Qt::AscendingOrder;
  int64_t key = 0;
  if (m_keys.size() != first) {
    m_keys.resize(first);
    for (size_t i = 0; i < first; ++i) {
      m_rows.SortKey(m_order[i], m_sortColumn, key);
      m_keys[i] = OrderKey(key, up);
    }
  }
  LargeArray<KeyedRow> added(m_rows.RowCount() - first);
  LargeArray<KeyedRow> scratch(added.size());
  for (size_t i = 0; i < added.size(); ++i) {
    const auto row = static_cast<uint32_t>(first + i);
    m_rows.SortKey(row, m_sortColumn, key);
    added[i] = {OrderKey(key, up), row};
  }
  const KeyedRow* sorted =
      SortByKey({added.begin(), added.size()}, {scratch.begin(), added.size()});
  std::vector<uint32_t> merged(first + added.size());
  std::vector<uint64_t> keys(merged.size());
  // On equal keys the rows shown before come first: they arrived first.
  size_t a = 0, b = 0, out = 0;
  while (a < first || b < added.size()) {
    if (b == added.size() || (a < first && m_keys[a] <= sorted[b].key)) {
      merged[out] = m_order[a];
      keys[out++] = m_keys[a++];
    } else {
      merged[out] = sorted[b].row;
      keys[out++] = sorted[b++].key;
    }
  }
  beginInsertRows({}, static_cast<int>(first), static_cast<int>(merged.size()) - 1);
  for (size_t i = 0; i < added.size(); ++i) m_order.push_back(sorted[i].row);
  endInsertRows();
  m_keys = std::move(keys);
  Rearrange(std::move(merged));
}

void RowTableModel::RowsAppended() {
  const size_t total = m_rows.RowCount();
  if (total <= m_order.size()) return;
  const size_t first = m_order.size();
  if (Keyed()) {
    MergeByKeys(first);
    return;
  }
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
  m_order = std::vector<uint32_t>();
  m_keys = std::vector<uint64_t>();
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
