#include "gui/library_dialog.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QStyle>
#include <QVBoxLayout>
#include <set>

#include "app/main_frame.h"
#include "files/file_exception.h"
#include "gui/display_text.h"
#include "platform/number_text.h"
#include "platform/user_folders.h"
#include "search/library_file.h"

namespace {

// An item that suggests a folder rather than naming an entry.
constexpr int kSuggestedRole = Qt::UserRole + 1;
constexpr int kPathRole = Qt::UserRole;

QString Text(const std::string& utf8) { return OneLineText(QString::fromStdString(utf8)); }

std::string Plural(uint64_t n, const char* word) {
  std::string text;
  FormatThousands(static_cast<int64_t>(n), text);
  return text + " " + word + (n == 1 ? "" : "s");
}

// "N catalogues, M nodes", or what is wrong with the entry.
QString EntryText(const std::string& path, bool& whole) {
  std::string error;
  const std::vector<std::string> catalogues = CataloguesUnder(path, error);
  whole = error.empty();
  if (catalogues.empty() && !error.empty()) return Text(path + "   missing: " + error);
  uint64_t total = 0;
  std::string unreadable;
  for (const std::string& catalogue : catalogues) {
    uint64_t nodes = 0;
    std::string why;
    if (!CountCatalogueNodes(catalogue, UserCacheFolder(), nodes, why)) {
      whole = false;
      unreadable += "\n  unreadable: " + catalogue + ": " + why;
    }
    total += nodes;
  }
  std::string text =
      path + "   " + Plural(catalogues.size(), "catalogue") + ", " + Plural(total, "node");
  if (!error.empty()) unreadable += "\n  " + error;
  return Text(text) + QString::fromStdString(unreadable).replace('\t', ' ');
}

}  // namespace

LibraryDialog::LibraryDialog(std::vector<std::string> recentFiles, QWidget* parent)
    : QDialog(parent), m_file(LibraryFile::DefaultPath()), m_recentFiles(std::move(recentFiles)) {
  setObjectName("libraryDialog");
  setWindowTitle("Look in: the Library");
  m_entries = new QListWidget(this);
  m_entries->setObjectName("libraryEntries");
  m_entries->setSelectionMode(QAbstractItemView::ExtendedSelection);
  auto* addFiles = new QPushButton("Add &Catalogues...", this);
  auto* addFolder = new QPushButton("Add &Folder...", this);
  m_remove = new QPushButton("&Remove", this);
  m_remove->setObjectName("removeEntry");
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
  for (QPushButton* b : {addFiles, addFolder, m_remove}) b->setAutoDefault(false);

  auto* side = new QVBoxLayout;
  side->addWidget(addFiles);
  side->addWidget(addFolder);
  side->addWidget(m_remove);
  side->addStretch();
  auto* row = new QHBoxLayout;
  row->addWidget(m_entries, 1);
  row->addLayout(side);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(
      new QLabel(Text("Catalogues and folders of catalogues searched, kept in " +
                      (m_file.empty() ? std::string("(no settings folder)") : m_file)),
                 this));
  layout->addLayout(row, 1);
  layout->addWidget(buttons);
  resize(640, 320);

  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  connect(addFiles, &QPushButton::clicked, this, [this] {
    AddPaths(QFileDialog::getOpenFileNames(this, "Add Catalogues", QString(),
                                           "Directory View Files (*.ztr);;All files (*)"));
  });
  connect(addFolder, &QPushButton::clicked, this, [this] {
    const QString folder = QFileDialog::getExistingDirectory(this, "Add a Folder of Catalogues");
    if (!folder.isEmpty()) AddPaths({folder});
  });
  connect(m_remove, &QPushButton::clicked, this, &LibraryDialog::RemoveSelected);
  // A suggested folder is added by a double-click.
  connect(m_entries, &QListWidget::itemActivated, this, [this](QListWidgetItem* item) {
    if (item->data(kSuggestedRole).toBool()) AddPaths({item->data(kPathRole).toString()});
  });
  connect(m_entries, &QListWidget::itemSelectionChanged, this, [this] {
    bool any = false;
    for (QListWidgetItem* item : m_entries->selectedItems())
      any = any || !item->data(kSuggestedRole).toBool();
    m_remove->setEnabled(any);
  });
  Reload();
}

void LibraryDialog::Reload() {
  QApplication::setOverrideCursor(Qt::WaitCursor);  // counting reads every catalogue's index
  m_entries->clear();
  std::vector<std::string> paths;
  try {
    paths = LibraryFile::Load(m_file).Paths();
  } catch (const CFileException& e) {
    m_entries->addItem(Text(e.GetErrorMessage()));
  }
  const QIcon warning = style()->standardIcon(QStyle::SP_MessageBoxWarning);
  for (const std::string& path : paths) {
    bool whole = true;
    auto* item = new QListWidgetItem(EntryText(path, whole), m_entries);
    item->setData(kPathRole, QString::fromStdString(path));
    if (!whole) item->setIcon(warning);
  }
  if (paths.empty()) {
    // Where the catalogues opened lately live: one double-click away.
    std::set<QString> folders;
    for (const std::string& file : m_recentFiles)
      if (!file.empty()) folders.insert(QFileInfo(QString::fromStdString(file)).absolutePath());
    for (const QString& folder : folders) {
      auto* item =
          new QListWidgetItem("Add " + folder + "   (a recent catalogue's folder)", m_entries);
      item->setData(kPathRole, folder);
      item->setData(kSuggestedRole, true);
      item->setForeground(palette().brush(QPalette::Disabled, QPalette::Text));
    }
  }
  m_remove->setEnabled(false);
  QApplication::restoreOverrideCursor();
}

template <class Edit>
void LibraryDialog::Change(Edit&& edit) {
  try {
    LibraryFile library = LibraryFile::Load(m_file);
    edit(library);
    library.Save(m_file);
  } catch (const CFileException& e) {
    QMessageBox::warning(this, windowTitle(), Text(e.GetErrorMessage()));
  }
  Reload();
}

void LibraryDialog::AddPaths(const QStringList& paths) {
  if (paths.isEmpty()) return;
  Change([&](LibraryFile& library) {
    for (const QString& path : paths)
      library.Add(QDir::toNativeSeparators(QDir::cleanPath(QFileInfo(path).absoluteFilePath()))
                      .toStdString());
  });
}

void LibraryDialog::RemoveSelected() {
  std::vector<std::string> paths;
  for (QListWidgetItem* item : m_entries->selectedItems())
    if (!item->data(kSuggestedRole).toBool())
      paths.push_back(item->data(kPathRole).toString().toStdString());
  if (paths.empty()) return;
  Change([&](LibraryFile& library) {
    for (const std::string& path : paths) library.Remove(path);
  });
}
