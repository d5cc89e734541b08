// A table model over a growing array of rows that it does not own: the rows
// and their columns come from a TableRows, the model keeps only the order in
// which they show. Rows are appended in batches and take their places in the
// current sort at once, so a table can be sorted while a search still fills
// it. Nothing is held per row but its number, so a million rows cost four
// megabytes here and the view asks only for what it paints.
#pragma once

#include <QAbstractTableModel>
#include <cstdint>
#include <vector>

// What a table shows: its columns, and the data and order of its rows.
class TableRows {
 public:
  virtual ~TableRows() = default;
  virtual int ColumnCount() const = 0;
  virtual QString Header(int column) const = 0;
  // Columns whose values read as numbers stand right-aligned.
  virtual bool IsNumeric(int column) const = 0;
  virtual size_t RowCount() const = 0;
  // Qt::DisplayRole, Qt::DecorationRole, Qt::ToolTipRole.
  virtual QVariant Data(size_t row, int column, int role) const = 0;
  // The order of a column, ascending; equal rows keep their arrival order.
  virtual bool Less(size_t a, size_t b, int column) const = 0;
  // For a column ordered by a number (a size, a time): the row's number, in
  // the order Less gives. A whole sort then runs over the numbers alone.
  virtual bool SortKey(size_t /*row*/, int /*column*/, int64_t& /*key*/) const { return false; }
};

class QTableView;
class QWidget;

class RowTableModel : public QAbstractTableModel {
  Q_OBJECT

 public:
  explicit RowTableModel(const TableRows& rows, QObject* parent = nullptr);

  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
  void sort(int column, Qt::SortOrder order) override;

  // The rows' array grew to rows.RowCount(): the new rows take their places.
  void RowsAppended();
  // The rows' array was emptied (or replaced).
  void Reset();
  // The number in the array of the row shown at a table row.
  size_t RowAt(int tableRow) const { return m_order[static_cast<size_t>(tableRow)]; }

 private:
  bool Before(uint32_t a, uint32_t b) const;
  // Whether the sort column has keys (SortKey).
  bool Keyed() const;
  void SortByKeys();
  void MergeByKeys(size_t first);
  // Moves the rows into place, keeping the persistent indexes (the
  // selection, the current row) on their rows.
  void Rearrange(std::vector<uint32_t> order);

  const TableRows& m_rows;
  std::vector<uint32_t> m_order;  // row numbers, as shown
  std::vector<uint64_t> m_keys;   // the OrderKey of each shown row, while rows arrive
  int m_sortColumn = -1;          // -1: in arrival order
  Qt::SortOrder m_sortOrder = Qt::AscendingOrder;
};

// A table over the model as the results windows show one: whole rows
// selected, read-only, one line per row of a fixed height (the view then
// places a million rows without measuring any), sortable by a header click,
// in arrival order until then.
QTableView* NewRowTable(RowTableModel* model, QWidget* parent);
