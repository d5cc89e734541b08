#include "gui/scan_progress_panel.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>
#include <string>

#include "gui/tree_model.h"
#include "platform/number_text.h"

namespace {

constexpr int kTextWidth = 460;

QString ThousandsText(uint64_t value) { return QString::fromStdString(Thousands(value)); }

}  // namespace

ScanProgressPanel::ScanProgressPanel(QWidget* parent) : QFrame(parent) {
  setObjectName("scanProgress");
  setFrameStyle(QFrame::Panel | QFrame::Raised);
  setAutoFillBackground(true);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(new QLabel("Loading folder:", this));
  m_folder = new QLabel(this);
  m_folder->setTextFormat(Qt::PlainText);
  m_folder->setFixedWidth(kTextWidth);
  layout->addWidget(m_folder);
  m_counts = new QLabel(this);
  m_counts->setTextFormat(Qt::PlainText);
  layout->addWidget(m_counts);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Cancel, this);
  connect(buttons, &QDialogButtonBox::rejected, this, &ScanProgressPanel::reject);
  layout->addWidget(buttons);
  layout->setSizeConstraint(QLayout::SetFixedSize);
}

void ScanProgressPanel::Show(std::string_view path, const ScanCounts& counts) {
  // Long paths keep their start and their end, the parts that say where.
  const QString full = TreeItemModel::DisplayText(path);
  m_folder->setText(m_folder->fontMetrics().elidedText(full, Qt::ElideMiddle, kTextWidth));
  m_folder->setToolTip(full);
  if (!m_cancelRequested)
    m_counts->setText(QString("%1 folders, %2 files, %3 bytes")
                          .arg(ThousandsText(counts.folders), ThousandsText(counts.files),
                               ThousandsText(counts.bytes)));
  // Centred again each time: the panel takes its size from its texts, and
  // its layout settles only once it shows.
  layout()->activate();
  adjustSize();
  move(parentWidget()->rect().center() - rect().center());
  if (!isVisible()) {
    raise();
    show();
  }
}

QString ScanProgressPanel::FolderText() const { return m_folder->toolTip(); }

QString ScanProgressPanel::CountsText() const { return m_counts->text(); }

void ScanProgressPanel::reject() {
  if (m_cancelRequested) return;
  m_cancelRequested = true;
  m_counts->setText("Cancelling...");
  emit cancelRequested();
}
