// The rows of the Changes window: a list of differences as the results
// table shows it, with columns Change, Path, Old and New.
#pragma once

#include <QIcon>
#include <vector>

#include "compare/change_list.h"
#include "gui/row_table_model.h"

class ChangeRows : public TableRows {
 public:
  enum Column { ChangeColumn, PathColumn, OldColumn, NewColumn, ColumnCount_ };

  ChangeRows();

  void Set(ChangeList list) { m_list = std::move(list); }
  const ChangeList& List() const { return m_list; }
  const ChangeEntry& Row(size_t row) const { return m_list.entries[row]; }

  // TableRows
  int ColumnCount() const override { return ColumnCount_; }
  QString Header(int column) const override;
  bool IsNumeric(int column) const override;
  size_t RowCount() const override { return m_list.entries.size(); }
  QVariant Data(size_t row, int column, int role) const override;
  bool Less(size_t a, size_t b, int column) const override;
  bool SortKey(size_t row, int column, int64_t& key) const override;

 private:
  ChangeList m_list;
  QIcon m_fileImage;
  QIcon m_folderImage;
};
