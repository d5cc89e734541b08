#include "gui/find_dialog.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>
#include <limits>

CFindDialog::CFindDialog(QWidget* parent) : QDialog(parent) {
  setObjectName("CFindDialog");
  setWindowTitle("Find");

  // The controls are created in their tab order.

  auto* findNext = new QPushButton("&Find Next", this);
  findNext->setObjectName("findNext");
  findNext->setDefault(true);
  auto* cancel = new QPushButton("Cancel", this);
  cancel->setObjectName("cancel");
  m_editFindWhat = new QLineEdit(this);
  m_editFindWhat->setObjectName("findWhat");
  m_editFindWhat->setMaxLength(std::numeric_limits<int>::max());  // no limit of its own
  // About 37 average characters, the width the edit is meant to show.
  m_editFindWhat->setMinimumWidth(37 * fontMetrics().averageCharWidth());
  auto* label = new QLabel("Fi&nd what:", this);
  label->setObjectName("findWhatLabel");
  label->setBuddy(m_editFindWhat);
  m_checkExactMatch = new QCheckBox("Exact &match", this);
  m_checkExactMatch->setObjectName("exactMatch");
  m_checkIgnoreCase = new QCheckBox("Ignore &case", this);
  m_checkIgnoreCase->setObjectName("ignoreCase");

  // The label and the edit on the first row, the check boxes under the edit,
  // the buttons in a column on the right.
  auto* fields = new QGridLayout;
  fields->addWidget(label, 0, 0);
  fields->addWidget(m_editFindWhat, 0, 1);
  fields->addWidget(m_checkExactMatch, 1, 1);
  fields->addWidget(m_checkIgnoreCase, 2, 1);
  fields->setRowStretch(3, 1);
  auto* buttons = new QVBoxLayout;
  buttons->addWidget(findNext);
  buttons->addWidget(cancel);
  buttons->addStretch(1);
  auto* layout = new QHBoxLayout(this);
  layout->addLayout(fields, 1);
  layout->addLayout(buttons);
  layout->setSizeConstraint(QLayout::SetFixedSize);  // a fixed frame, like any small dialog

  connect(findNext, &QPushButton::clicked, this, &QDialog::accept);
  connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
}

void CFindDialog::DoDataExchange(bool saveAndValidate) {
  if (saveAndValidate) {
    m_strFindWhat = m_editFindWhat->text();
    m_bExactMatch = m_checkExactMatch->isChecked() ? 1 : 0;
    m_bIgnoreCase = m_checkIgnoreCase->isChecked() ? 1 : 0;
  } else {
    m_editFindWhat->setText(m_strFindWhat);
    m_checkExactMatch->setChecked(m_bExactMatch != 0);
    m_checkIgnoreCase->setChecked(m_bIgnoreCase != 0);
  }
}

void CFindDialog::accept() {
  DoDataExchange(true);
  QDialog::accept();
}

void CFindDialog::showEvent(QShowEvent* event) {
  // The members are set between construction and exec(), so the controls
  // are filled when the dialog first shows.
  if (!m_bInitialized) {
    m_bInitialized = true;
    OnInitDialog();
  }
  QDialog::showEvent(event);
}

void CFindDialog::OnInitDialog() {
  DoDataExchange(false);
  m_editFindWhat->selectAll();
  // Typing replaces the text at once: the edit, not the first tab stop (the
  // Find Next button), has the focus.
  m_editFindWhat->setFocus();
}

int RunFindDialog(QWidget* parent, FindDialogData& data) {
  CFindDialog dialog(parent);
  dialog.m_strFindWhat = QString::fromStdString(data.m_strFindWhat);
  dialog.m_bExactMatch = data.m_bExactMatch;
  dialog.m_bIgnoreCase = data.m_bIgnoreCase;
  if (dialog.exec() != QDialog::Accepted) return IDCANCEL;
  data.m_strFindWhat = dialog.m_strFindWhat.toStdString();
  data.m_bExactMatch = dialog.m_bExactMatch;
  data.m_bIgnoreCase = dialog.m_bIgnoreCase;
  return IDOK;
}
