// The small panel a long scan shows over the tree: the folder being read,
// what has been found so far, and a Cancel button (Esc does the same). It is
// a child of the main window, not a window of its own, so it paints whenever
// the main window does while the scan lets the window system in.
#pragma once

#include <QFrame>
#include <string_view>

#include "tree/scan_progress.h"

class QLabel;

class ScanProgressPanel : public QFrame {
  Q_OBJECT

 public:
  explicit ScanProgressPanel(QWidget* parent);

  void Show(std::string_view path, const ScanCounts& counts);
  QString FolderText() const;
  QString CountsText() const;

 public slots:
  // Cancel: asks the scan to stop; the panel goes when the scan has ended.
  void reject();

 signals:
  void cancelRequested();

 private:
  QLabel* m_folder = nullptr;
  QLabel* m_counts = nullptr;
  bool m_cancelRequested = false;
};
