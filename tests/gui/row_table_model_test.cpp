// The table model's order while rows keep coming: appended batches take
// their places in the current sort, ties keep their arrival order, and the
// selection stays on its rows through every rearrangement.
#include "gui/row_table_model.h"

#include <gtest/gtest.h>

#include <QItemSelectionModel>
#include <vector>

namespace {

// One numeric column; the rows are the values themselves, sorted through
// Less or, when keyed, through their keys.
struct Numbers final : TableRows {
  std::vector<int> values;
  bool keyed = false;
  int ColumnCount() const override { return 1; }
  QString Header(int) const override { return "n"; }
  bool IsNumeric(int) const override { return true; }
  size_t RowCount() const override { return values.size(); }
  QVariant Data(size_t row, int, int role) const override {
    return role == Qt::DisplayRole ? QVariant(values[row]) : QVariant();
  }
  bool Less(size_t a, size_t b, int) const override { return values[a] < values[b]; }
  bool SortKey(size_t row, int, int64_t& key) const override {
    key = values[row];
    return keyed;
  }
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
    bool keyed;
    std::vector<int> expected;
  };
  const Case cases[] = {
      {-1, Qt::AscendingOrder, false, {5, 1, 5, 9, -3, 7, 1}},
      {0, Qt::AscendingOrder, false, {-3, 1, 1, 5, 5, 7, 9}},
      {0, Qt::DescendingOrder, false, {9, 7, 5, 5, 1, 1, -3}},
      {0, Qt::AscendingOrder, true, {-3, 1, 1, 5, 5, 7, 9}},
      {0, Qt::DescendingOrder, true, {9, 7, 5, 5, 1, 1, -3}},
  };
  for (const Case& c : cases) {
    Numbers rows;
    rows.keyed = c.keyed;
    RowTableModel model(rows);
    QItemSelectionModel selection(&model);
    model.sort(c.column, c.order);
    rows.values = {5, 1, 5};
    model.RowsAppended();
    // The second 5 (third to arrive) is selected and must stay selected.
    const int second5 = c.order == Qt::DescendingOrder ? 1 : 2;
    selection.select(model.index(second5, 0), QItemSelectionModel::Select);
    for (std::vector<int> batch : {std::vector<int>{9, -3}, std::vector<int>{7, 1}}) {
      rows.values.insert(rows.values.end(), batch.begin(), batch.end());
      model.RowsAppended();
    }
    // Then the same sort over the whole again.
    for (int pass = 0; pass < 2; ++pass) {
      EXPECT_EQ(Shown(model), c.expected) << "column " << c.column << " order " << c.order
                                          << " keyed " << c.keyed << " pass " << pass;
      const QModelIndexList selected = selection.selectedIndexes();
      ASSERT_EQ(selected.size(), 1);
      EXPECT_EQ(model.RowAt(selected[0].row()), 2u);  // arrived third
      model.sort(c.column, c.order);
    }
  }
}

}  // namespace
