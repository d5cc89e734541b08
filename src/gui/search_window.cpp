#include "gui/search_window.h"

#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QComboBox>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QShortcut>
#include <QTableView>
#include <QVBoxLayout>

#include "app/main_frame.h"
#include "app/resource.h"
#include "app/viewer_app.h"
#include "files/atomic_file_writer.h"
#include "files/file.h"
#include "files/file_exception.h"
#include "gui/display_text.h"
#include "gui/library_dialog.h"
#include "gui/main_window.h"
#include "gui/row_table_model.h"
#include "gui/search_run.h"
#include "platform/number_text.h"
#include "search/library_file.h"
#include "tree/tree_item.h"

namespace {

constexpr const char kSection[] = "Search Catalogues";
constexpr int kKeptQueries = 20;
// Rows that arrive while others are shown join the table at most this often,
// so a broad query does not spend its time re-sorting.
constexpr int kDrainIntervalMs = 100;

std::string Grouped(uint64_t n) {
  std::string text;
  FormatThousands(static_cast<int64_t>(n), text);
  return text;
}

std::string TotalsText(const ResultTotals& t) {
  return Grouped(t.items) + (t.items == 1 ? " item, " : " items, ") + Grouped(t.bytes) +
         " bytes in " + Grouped(t.files) + (t.files == 1 ? " file" : " files");
}

QString Text(std::string_view utf8) {
  return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
}

std::vector<std::string> LibraryEntries(std::string& error) {
  try {
    return LibraryFile::Load(LibraryFile::DefaultPath()).Paths();
  } catch (const CFileException& e) {
    error = e.GetErrorMessage();
    return {};
  }
}

}  // namespace

SearchWindow::SearchWindow(MainWindow& main, ProfileStore& profile)
    : QWidget(&main, Qt::Window), m_main(main), m_profile(profile) {
  setObjectName("searchWindow");
  setWindowTitle("Search Catalogues");
  m_query = new QComboBox(this);
  m_query->setObjectName("query");
  m_query->setEditable(true);
  m_query->setInsertPolicy(QComboBox::NoInsert);
  m_query->setMaxCount(kKeptQueries);
  m_query->lineEdit()->setPlaceholderText(
      "Names, wildcards and functions: report ext:pdf size:>1mb");
  m_query->lineEdit()->setClearButtonEnabled(true);
  m_lookIn = new QPushButton("Look in...", this);
  m_lookIn->setObjectName("lookIn");
  m_error = new QLabel(this);
  m_error->setObjectName("queryError");
  m_error->setTextFormat(Qt::PlainText);
  m_error->setStyleSheet("color: #b00020");
  m_error->hide();
  m_model = new RowTableModel(m_results, this);
  m_table = NewRowTable(m_model, this);
  m_table->setObjectName("results");
  m_table->setContextMenuPolicy(Qt::CustomContextMenu);
  m_status = new QLabel(this);
  m_status->setObjectName("searchStatus");
  m_status->setTextFormat(Qt::PlainText);
  m_failures = new QLabel(this);
  m_failures->setObjectName("searchFailures");
  m_failures->setTextFormat(Qt::PlainText);
  m_failures->setStyleSheet("color: #b00020");
  m_failures->hide();

  auto* top = new QHBoxLayout;
  top->addWidget(m_query, 1);
  top->addWidget(m_lookIn);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(top);
  layout->addWidget(m_error);
  layout->addWidget(m_table, 1);
  layout->addWidget(m_failures);
  layout->addWidget(m_status);

  m_typingTimer.setSingleShot(true);
  m_typingTimer.setInterval(kTypingPauseMs);
  m_drainTimer.setSingleShot(true);
  connect(&m_typingTimer, &QTimer::timeout, this, &SearchWindow::StartSearch);
  connect(&m_drainTimer, &QTimer::timeout, this, &SearchWindow::Drain);
  connect(m_query->lineEdit(), &QLineEdit::textEdited, this, [this] { m_typingTimer.start(); });
  connect(m_query, &QComboBox::activated, this, [this] { StartSearch(); });
  connect(m_query->lineEdit(), &QLineEdit::returnPressed, this, [this] {
    RememberQuery();
    if (m_typingTimer.isActive()) StartSearch();
  });
  connect(m_lookIn, &QPushButton::clicked, this, &SearchWindow::EditLibrary);
  connect(m_table, &QTableView::activated, this,
          [this](const QModelIndex& index) { OpenInTree(index.row()); });
  connect(m_table, &QTableView::customContextMenuRequested, this, &SearchWindow::ShowContextMenu);
  connect(m_table->selectionModel(), &QItemSelectionModel::selectionChanged, this,
          &SearchWindow::UpdateStatus);
  m_query->installEventFilter(this);
  m_query->lineEdit()->installEventFilter(this);
  // Ctrl+Shift+F here too puts the cursor back in the query line.
  auto* again = new QShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_F), this);
  connect(again, &QShortcut::activated, this, &SearchWindow::Summon);
  LoadSettings();
  std::string error;
  ShowLibrarySize(LibraryEntries(error).size());
  UpdateStatus();
}

SearchWindow::~SearchWindow() {
  SaveSettings();
  // The searches end here: each notices its flag within a few thousand nodes.
  m_run.reset();
  m_stopped.clear();
  // The model reads m_results, which goes before the child widgets do: the
  // table must not ask it for headers while it is being torn down.
  delete m_table;
  delete m_model;
}

void SearchWindow::Summon() {
  show();
  raise();
  activateWindow();
  m_query->setFocus();
  m_query->lineEdit()->selectAll();
  if (m_interrupted) StartSearch();  // the search closing stopped is run again
}

bool SearchWindow::Searching() const { return m_typingTimer.isActive() || (m_run && !m_done); }

void SearchWindow::StopSearch() {
  m_typingTimer.stop();
  if (!m_run) return;
  m_run->Cancel();
  Drain();  // what it found so far stays
  if (!m_done) m_interrupted = true;
  m_done = true;
  m_stopped.push_back(std::move(m_run));
  ++m_generation;
  UpdateStatus();
}

void SearchWindow::StartSearch() {
  m_typingTimer.stop();
  m_interrupted = false;
  if (m_run) {
    m_run->Cancel();
    m_stopped.push_back(std::move(m_run));
  }
  // Those that have ended are let go; the others end on their own soon.
  std::erase_if(m_stopped, [](const auto& run) { return run->Finished(); });
  const int generation = ++m_generation;
  m_model->Reset();  // the view lets go of the rows before they go
  m_results.Clear();
  m_failureTexts.clear();
  m_indexing.clear();
  m_error->hide();

  const std::string text = m_query->currentText().trimmed().toStdString();
  std::string problem;
  std::optional<Query> query;
  if (!text.empty()) {
    try {
      query = Query::Parse(text);
    } catch (const QueryError& e) {
      problem = e.what();
    }
  }
  std::string libraryProblem;
  std::vector<std::string> entries = LibraryEntries(libraryProblem);
  ShowLibrarySize(entries.size());
  if (query) {
    problem = libraryProblem;
    if (entries.empty() && problem.empty())
      problem = "The library is empty: add catalogues or folders of catalogues with Look in.";
  }
  if (!problem.empty()) {
    m_error->setText(OneLineText(Text(problem)));
    m_error->show();
  }
  m_done = true;
  if (query && !entries.empty()) {
    m_done = false;
    m_sinceDrain.invalidate();
    m_run = std::make_unique<SearchRun>(std::move(*query), std::move(entries), [this, generation] {
      QMetaObject::invokeMethod(
          this, [this, generation] { Arrived(generation); }, Qt::QueuedConnection);
    });
  }
  UpdateStatus();
}

void SearchWindow::Arrived(int generation) {
  if (generation != m_generation) return;
  // The first rows show at once, and the last; others gather for a moment.
  if (m_run->Finished()) {
    Drain();
    return;
  }
  if (m_drainTimer.isActive()) return;
  if (m_model->rowCount() == 0 || !m_sinceDrain.isValid() ||
      m_sinceDrain.elapsed() >= kDrainIntervalMs)
    Drain();
  else
    m_drainTimer.start(kDrainIntervalMs - static_cast<int>(m_sinceDrain.elapsed()));
}

void SearchWindow::Drain() {
  m_drainTimer.stop();
  if (!m_run) return;
  SearchProgress progress = m_run->Take();
  m_sinceDrain.start();
  if (!progress.catalogues.empty()) m_results.SetCatalogues(std::move(progress.catalogues));
  if (!progress.rows.empty()) {
    m_results.Append(m_run->Store(), progress.rows);
    m_model->RowsAppended();
  }
  for (std::string& failure : progress.failures) m_failureTexts.push_back(std::move(failure));
  if (progress.finished) m_done = true;
  if (!progress.indexing.empty() || m_done) m_indexing = progress.indexing;
  UpdateStatus();
}

std::vector<size_t> SearchWindow::SelectedRows() const {
  std::vector<size_t> rows;
  for (const QItemSelectionRange& range : m_table->selectionModel()->selection())
    for (int r = range.top(); r <= range.bottom(); ++r) rows.push_back(m_model->RowAt(r));
  return rows;
}

void SearchWindow::UpdateStatus() {
  std::string text = TotalsText(m_results.Totals());
  const std::vector<size_t> selected = SelectedRows();
  if (selected.size() > 1) {
    ResultTotals totals;
    for (size_t row : selected) SearchResults::Count(m_results.Row(row), totals);
    text += "; selected: " + TotalsText(totals);
  }
  if (Searching())
    text = (m_indexing.empty() ? "Searching... " : "Indexing " + m_indexing + "... ") + text;
  m_status->setText(OneLineText(Text(text)));
  QString failed;
  for (const std::string& failure : m_failureTexts)
    failed += (failed.isEmpty() ? "" : "\n") + OneLineText("Could not read " + Text(failure));
  m_failures->setText(failed);
  m_failures->setVisible(!failed.isEmpty());
}

void SearchWindow::ShowLibrarySize(size_t entries) {
  m_lookIn->setText(
      QString("Look in: %1 %2...").arg(entries).arg(entries == 1 ? "entry" : "entries"));
}

void SearchWindow::OpenInTree(int tableRow) {
  if (tableRow < 0 || tableRow >= m_model->rowCount()) return;
  const ResultRow& row = m_results.Row(m_model->RowAt(tableRow));
  RememberQuery();
  if (m_main.ShowCatalogueNode(m_results.CatalogueOf(row), row.nodeIndex, row.Path())) {
    m_main.raise();
    m_main.activateWindow();
  }
}

void SearchWindow::CopyPaths(const std::vector<size_t>& rows) const {
  QString text;
  for (size_t row : rows) text += Text(m_results.Row(row).Path()) + '\n';
  if (rows.size() == 1) text.chop(1);
  QApplication::clipboard()->setText(text);
}

void SearchWindow::CopyName(size_t row) const {
  QApplication::clipboard()->setText(Text(m_results.Row(row).Name()));
}

void SearchWindow::ShowFileInfo(size_t index) {
  const ResultRow& row = m_results.Row(index);
  if (!row.isFile) return;
  CTreeItemData record;
  record.m_nFileSize = row.size;
  record.m_dwAttributes = row.attributes;
  record.m_ftCreation = row.created;
  record.m_ftLastWrite = row.modified;
  record.m_ftLastAccess = row.accessed;
  m_main.MessageBox(record.GetInfoText(), "Extra File Info", MB_OK | MB_ICONINFORMATION);
}

void SearchWindow::Export(const std::vector<size_t>& rows) {
  FileDialogOptions options;
  options.title = "Export the Selected Results";
  options.filters = {{"Comma-separated values, *.csv", "*.csv"}, {"All files", "*.*"}};
  options.defaultExt = "csv";
  options.flags = OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT | OFN_PATHMUSTEXIST;
  std::string path;
  if (!m_main.GetSaveFileName(options, path)) return;
  const std::string csv = ResultsCsv(m_results, rows);
  try {
    CAtomicFileWriter writer(path);
    writer.GetFile().Write(csv.data(), csv.size());
    writer.Commit();
  } catch (const CFileException& e) {
    m_main.MessageBox(e.GetErrorMessage(), kAppName, MB_OK | MB_ICONSTOP);
  }
}

void SearchWindow::ShowContextMenu(QPoint at) {
  const QModelIndex index = m_table->indexAt(at);
  if (!index.isValid()) return;
  if (!m_table->selectionModel()->isRowSelected(index.row(), {}))
    m_table->selectionModel()->select(
        index, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
  const std::vector<size_t> rows = SelectedRows();
  const size_t row = m_model->RowAt(index.row());
  QMenu menu(this);
  menu.setObjectName("resultMenu");
  if (rows.size() > 1) {
    menu.addAction("Copy Paths", this, [this, rows] { CopyPaths(rows); });
    menu.addAction("Export...", this, [this, rows] { Export(rows); });
  } else {
    menu.addAction("Open in Tree", this, [this, index] { OpenInTree(index.row()); });
    menu.addAction("Copy Path", this, [this, row] { CopyPaths({row}); });
    menu.addAction("Copy Name", this, [this, row] { CopyName(row); });
    menu.addAction("File Info", this, [this, row] { ShowFileInfo(row); })
        ->setEnabled(m_results.Row(row).isFile);
  }
  menu.exec(m_table->viewport()->mapToGlobal(at));
}

void SearchWindow::EditLibrary() {
  CViewerApp app(m_profile);
  app.LoadStdProfileSettings();
  LibraryDialog dialog({app.m_recentFiles.begin(), app.m_recentFiles.end()}, this);
  dialog.exec();
  StartSearch();  // over the library as it now is
}

void SearchWindow::RememberQuery() {
  const QString text = m_query->currentText().trimmed();
  if (text.isEmpty() || !m_error->isHidden()) return;
  const int at = m_query->findText(text);
  if (at == 0) return;
  if (at > 0) m_query->removeItem(at);
  m_query->insertItem(0, text);
  m_query->setCurrentIndex(0);
}

void SearchWindow::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
    close();
    return;
  }
  QWidget::keyPressEvent(event);
}

// Down in the query line goes on to the results (the drop-down of earlier
// queries opens with its arrow or Alt+Down).
bool SearchWindow::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::KeyPress) {
    auto* key = static_cast<QKeyEvent*>(event);
    if (key->key() == Qt::Key_Down && key->modifiers() == Qt::NoModifier &&
        m_model->rowCount() > 0) {
      m_table->setFocus();
      if (!m_table->currentIndex().isValid())
        m_table->selectionModel()->setCurrentIndex(
            m_model->index(0, 0), QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
      return true;
    }
  }
  return QWidget::eventFilter(watched, event);
}

void SearchWindow::closeEvent(QCloseEvent* event) {
  StopSearch();
  RememberQuery();
  SaveSettings();
  QWidget::closeEvent(event);
}

void SearchWindow::LoadSettings() {
  const int width = m_profile.GetProfileInt(kSection, "Width", 900);
  const int height = m_profile.GetProfileInt(kSection, "Height", 560);
  resize(std::max(width, 300), std::max(height, 200));
  const QStringList widths = Text(m_profile.GetProfileString(kSection, "Columns")).split(' ');
  for (int c = 0; c < widths.size() && c < m_model->columnCount(); ++c)
    if (const int w = widths[c].toInt(); w > 0) m_table->setColumnWidth(c, w);
  if (widths.size() < m_model->columnCount()) {
    for (int c = 0; c < m_model->columnCount(); ++c)
      m_table->setColumnWidth(c, c == SearchResults::FolderColumn ? 320 : c == 0 ? 220 : 110);
  }
  for (int i = 0; i < kKeptQueries; ++i) {
    bool found = false;
    const std::string query =
        m_profile.GetProfileString(kSection, "Query" + std::to_string(i + 1), &found);
    if (found && !query.empty()) m_query->addItem(Text(query));
  }
  m_query->setCurrentIndex(-1);
  m_query->setEditText(QString());
}

void SearchWindow::SaveSettings() {
  m_profile.WriteProfileInt(kSection, "Width", width());
  m_profile.WriteProfileInt(kSection, "Height", height());
  QStringList widths;
  for (int c = 0; c < m_model->columnCount(); ++c)
    widths << QString::number(m_table->columnWidth(c));
  m_profile.WriteProfileString(kSection, "Columns", widths.join(' ').toStdString());
  for (int i = 0; i < kKeptQueries; ++i)
    m_profile.WriteProfileString(kSection, "Query" + std::to_string(i + 1),
                                 i < m_query->count() ? m_query->itemText(i).toStdString() : "");
}
