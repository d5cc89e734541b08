// The small window a long scan shows over the main window: the folder being
// read, what has been found so far, and a Cancel button (Esc does the same).
// It is window-modal, so while it shows the main window takes no input.
#pragma once

#include <QDialog>
#include <string_view>

#include "tree/scan_progress.h"

class QLabel;

class ScanProgressWindow : public QDialog {
  Q_OBJECT

 public:
  explicit ScanProgressWindow(QWidget* parent);

  void Show(std::string_view path, const ScanCounts& counts);
  QString FolderText() const;
  QString CountsText() const;

 public slots:
  // Cancel, Esc or the close button: asks the scan to stop; the window goes
  // when the scan has ended.
  void reject() override;

 signals:
  void cancelRequested();

 private:
  QLabel* m_folder = nullptr;
  QLabel* m_counts = nullptr;
  bool m_cancelRequested = false;
};
