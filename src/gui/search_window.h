// The Search Catalogues window: a query over every catalogue of the library,
// answered as you type. The query runs a moment after the last key, on a
// thread of its own; a newer query stops the older one at once, and rows
// show as they are found. A result opens in the main window's tree.
#pragma once

#include <QElapsedTimer>
#include <QTimer>
#include <QWidget>
#include <memory>
#include <string>
#include <vector>

#include "gui/search_results.h"

class MainWindow;
class ProfileStore;
class QComboBox;
class QLabel;
class QPushButton;
class QTableView;
class RowTableModel;
class SearchRun;

class SearchWindow : public QWidget {
  Q_OBJECT

 public:
  // How long typing must pause before the query runs.
  static constexpr int kTypingPauseMs = 150;

  SearchWindow(MainWindow& main, ProfileStore& profile);
  ~SearchWindow() override;

  // Shows the window (again, with its query and results) and puts the
  // cursor in the query line.
  void Summon();
  // Stops a running search; what was found stays.
  void StopSearch();
  // A query waits for the typing to pause, or runs.
  bool Searching() const;

  QComboBox* QueryBox() const { return m_query; }
  QTableView* Table() const { return m_table; }
  QLabel* ErrorLine() const { return m_error; }
  QLabel* StatusLine() const { return m_status; }
  QLabel* FailureLine() const { return m_failures; }
  RowTableModel* Model() const { return m_model; }
  const SearchResults& Results() const { return m_results; }

  // The selected rows' numbers in the results, in the table's order.
  std::vector<size_t> SelectedRows() const;
  // The actions of a result's context menu.
  void OpenInTree(int tableRow);
  void CopyPaths(const std::vector<size_t>& rows) const;
  void CopyName(size_t row) const;
  void ShowFileInfo(size_t row);
  void Export(const std::vector<size_t>& rows);

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void StartSearch();
  void Arrived(int generation);
  void Drain();
  void UpdateStatus();
  void ShowLibrarySize(size_t entries);
  void ShowContextMenu(QPoint at);
  void EditLibrary();
  void RememberQuery();
  void LoadSettings();
  void SaveSettings();

  MainWindow& m_main;
  ProfileStore& m_profile;
  QComboBox* m_query = nullptr;
  QPushButton* m_lookIn = nullptr;
  QLabel* m_error = nullptr;
  QTableView* m_table = nullptr;
  QLabel* m_status = nullptr;
  QLabel* m_failures = nullptr;
  SearchResults m_results;
  RowTableModel* m_model = nullptr;

  std::unique_ptr<SearchRun> m_run;
  std::vector<std::unique_ptr<SearchRun>> m_stopped;  // cancelled, ending on their own
  int m_generation = 0;
  bool m_interrupted = false;  // the window closed while its search ran
  bool m_done = false;         // the search's last rows are in the table
  std::vector<std::string> m_failureTexts;
  std::string m_indexing;
  QTimer m_typingTimer;
  QTimer m_drainTimer;
  QElapsedTimer m_sinceDrain;
};
