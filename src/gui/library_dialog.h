// "Look in": the library of catalogues that Search Catalogues reads (the
// same file ztr-tool library edits), each entry with its catalogue and node
// counts or, marked, what is wrong with it. Entries are added as catalogue
// files or folders and removed; every change is saved at once. An empty
// library offers the folders of the recently opened catalogues.
#pragma once

#include <QDialog>
#include <string>
#include <vector>

class QListWidget;
class QPushButton;

class LibraryDialog : public QDialog {
  Q_OBJECT

 public:
  // recentFiles: the Recent File List, whose folders an empty library offers.
  LibraryDialog(std::vector<std::string> recentFiles, QWidget* parent);

 private:
  void Reload();
  void AddPaths(const QStringList& paths);
  void RemoveSelected();
  // Saves the edited library; a failure is shown and the file stays as it was.
  template <class Edit>
  void Change(Edit&& edit);

  std::string m_file;
  std::vector<std::string> m_recentFiles;
  QListWidget* m_entries = nullptr;
  QPushButton* m_remove = nullptr;
};
