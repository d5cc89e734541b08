// The table model's order while rows keep coming: appended batches take
// their places in the current sort, ties keep their arrival order, and the
// selection stays on its rows through every rearrangement.
#include "gui/row_table_model.h"

#include <gtest/gtest.h>

#include <QItemSelectionModel>
#include <vector>

namespace {

// One numeric column; the rows are the values themselves.
struct Numbers final : TableRows {
  std::vector<int> values;
  int ColumnCount() const override { return 1; }
  QString Header(int) const override { return "n"; }
  bool IsNumeric(int) const override { return true; }
  size_t RowCount() const override { return values.size(); }
  QVariant Data(size_t row, int, int role) const override {
    return role == Qt::DisplayRole ? QVariant(values[row]) : QVariant();
  }
  bool Less(size_t a, size_t b, int) const override { return values[a] < values[b]; }
};

std::vector<int> Shown(const RowTableModel& model) {
  std::vector<int> out;
  for (int r = 0; r < model.rowCount(); ++r) out.push_back(model.index(r, 0).data().toInt());
  return out;
}

TEST(RowTableModel, BatchesJoinTheSortAndTheSelectionFollowsItsRows) {
  struct Case {
    int column;  // -1: arrival order
    Qt::SortOrder order;
    std::vector<int> expected;
  };
  const Case cases[] = {
      {-1, Qt::AscendingOrder, {5, 1, 5, 9, 0, 7, 1}},
      {0, Qt::AscendingOrder, {0, 1, 1, 5, 5, 7, 9}},
      {0, Qt::DescendingOrder, {9, 7, 5, 5, 1, 1, 0}},
  };
  for (const Case& c : cases) {
    Numbers rows;
    RowTableModel model(rows);
    QItemSelectionModel selection(&model);
    model.sort(c.column, c.order);
    rows.values = {5, 1, 5};
    model.RowsAppended();
    // The second 5 (third to arrive) is selected and must stay selected.
    const int second5 = c.order == Qt::DescendingOrder ? 1 : 2;
    selection.select(model.index(second5, 0), QItemSelectionModel::Select);
    for (std::vector<int> batch : {std::vector<int>{9, 0}, std::vector<int>{7, 1}}) {
      rows.values.insert(rows.values.end(), batch.begin(), batch.end());
      model.RowsAppended();
    }
    EXPECT_EQ(Shown(model), c.expected) << "column " << c.column << " order " << c.order;
    const QModelIndexList selected = selection.selectedIndexes();
    ASSERT_EQ(selected.size(), 1);
    EXPECT_EQ(model.RowAt(selected[0].row()), 2u);  // arrived third
  }
}

}  // namespace
