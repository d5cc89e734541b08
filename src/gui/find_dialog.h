// The Find dialog: the search text and the two options of Find and Find Next.
#pragma once

#include <QDialog>
#include <QString>

#include "app/frame_host.h"

class QCheckBox;
class QLineEdit;

class CFindDialog : public QDialog {
  Q_OBJECT

 public:
  explicit CFindDialog(QWidget* parent = nullptr);

  // Moves the members into the controls, or (saving) the controls into the
  // members.
  void DoDataExchange(bool saveAndValidate);

  QLineEdit* m_editFindWhat = nullptr;  // owned by the dialog
  QString m_strFindWhat;
  int m_bExactMatch = 0;
  int m_bIgnoreCase = 0;

  // Find Next (also Enter) keeps what the controls hold; Cancel, Esc and the
  // close box leave the members as they were.
  void accept() override;

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  // Fills the controls and leaves the whole text selected and focused.
  void OnInitDialog();

  QCheckBox* m_checkExactMatch = nullptr;
  QCheckBox* m_checkIgnoreCase = nullptr;
  bool m_bInitialized = false;
};

// Runs the Find dialog modally over parent with data's text and options;
// IDOK (data updated) or IDCANCEL (data untouched).
int RunFindDialog(QWidget* parent, FindDialogData& data);
