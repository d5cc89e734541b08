// The Changes window: what differs between two catalogues, or what an
// update from the disk changed in a branch, in the results table; a
// double-click shows the node in the main window's tree.
#pragma once

#include <QWidget>

#include "gui/change_rows.h"

class MainWindow;
class QLabel;
class QTableView;
class RowTableModel;

class ChangesWindow : public QWidget {
  Q_OBJECT

 public:
  explicit ChangesWindow(MainWindow& main);
  ~ChangesWindow() override;

  // Shows the list in place of the one shown before.
  void Show(ChangeList changes, std::string_view title);
  // Selects the row's node (a removed node's parent) in the main window.
  void ShowInTree(int tableRow);

  QTableView* Table() const { return m_table; }
  QLabel* StatusLine() const { return m_status; }
  RowTableModel* Model() const { return m_model; }
  const ChangeRows& Rows() const { return m_rows; }

 protected:
  void keyPressEvent(QKeyEvent* event) override;

 private:
  MainWindow& m_main;
  ChangeRows m_rows;
  RowTableModel* m_model = nullptr;
  QTableView* m_table = nullptr;
  QLabel* m_status = nullptr;
};
