#include "gui/changes_window.h"

#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QTableView>
#include <QVBoxLayout>

#include "gui/display_text.h"
#include "gui/main_window.h"
#include "gui/row_table_model.h"

ChangesWindow::ChangesWindow(MainWindow& main) : QWidget(&main, Qt::Window), m_main(main) {
  setObjectName("changesWindow");
  m_model = new RowTableModel(m_rows, this);
  m_table = NewRowTable(m_model, this);
  m_table->setObjectName("changes");
  // A long path keeps both its ends in sight: where it starts and its name.
  m_table->setTextElideMode(Qt::ElideMiddle);
  m_status = new QLabel(this);
  m_status->setObjectName("changesStatus");
  m_status->setTextFormat(Qt::PlainText);
  m_status->setWordWrap(true);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(m_table, 1);
  layout->addWidget(m_status);
  connect(m_table, &QTableView::activated, this,
          [this](const QModelIndex& index) { ShowInTree(index.row()); });
  const QFontMetrics metrics = fontMetrics();
  QHeaderView* columns = m_table->horizontalHeader();
  columns->resizeSection(ChangeRows::ChangeColumn, metrics.horizontalAdvance("unreadable") + 30);
  columns->resizeSection(ChangeRows::PathColumn, metrics.averageCharWidth() * 60);
  columns->resizeSection(ChangeRows::OldColumn, metrics.averageCharWidth() * 34);
  resize(metrics.averageCharWidth() * 150, metrics.height() * 30);
}

ChangesWindow::~ChangesWindow() {
  // The table reads the rows: it goes before them.
  delete m_table;
  delete m_model;
}

void ChangesWindow::Show(ChangeList changes, std::string_view title) {
  m_model->Reset();  // the view lets go of the rows before they go
  m_rows.Set(std::move(changes));
  m_model->RowsAppended();
  const Qt::SortOrder order = m_table->horizontalHeader()->sortIndicatorOrder();
  const int column = m_table->horizontalHeader()->sortIndicatorSection();
  if (column >= 0) m_model->sort(column, order);
  setWindowTitle("Changes - " + DisplayTextOf(title));
  m_status->setText(DisplayTextOf(ChangeSummary(m_rows.List())));
  show();
  raise();
  activateWindow();
}

void ChangesWindow::ShowInTree(int tableRow) {
  if (tableRow < 0 || tableRow >= m_model->rowCount()) return;
  const ChangeEntry& entry = m_rows.Row(m_model->RowAt(tableRow));
  m_main.ShowChangedNode(entry.path, entry.kind == ChangeKind::removed);
}

void ChangesWindow::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
    close();
    return;
  }
  QWidget::keyPressEvent(event);
}
