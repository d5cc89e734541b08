// File New on a large folder through the real window: while it scans, the
// window paints and shows progress, and Esc cancels the whole branch.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <QDialogButtonBox>
#include <QFileDialog>
#include <QLabel>
#include <QPainter>
#include <QTest>
#include <QThread>

#include "app/resource.h"
#include "gui/scan_progress_window.h"
#include "gui/tree_view.h"
#include "gui_support.h"

namespace {

struct PaintCounter : QObject {
  int paints = 0;
  bool eventFilter(QObject*, QEvent* e) override {
    return (paints += e->type() == QEvent::Paint) < 0;
  }
};

// Answers "Add to current tree?" with Yes and picks `folder` in the chooser.
void AnswerFileNew(const QString& folder) {
  auto* timer = new QTimer;
  QObject::connect(timer, &QTimer::timeout, [timer, folder] {
    QWidget* modal = QApplication::activeModalWidget();
    if (auto* box = qobject_cast<QMessageBox*>(modal)) box->button(QMessageBox::Yes)->click();
    if (auto* chooser = qobject_cast<QFileDialog*>(modal)) {
      timer->stop();
      timer->deleteLater();
      chooser->setDirectory(folder);             // nothing selected in it: the folder itself
      static_cast<QDialog*>(chooser)->accept();  // as its Choose button does
    }
  });
  timer->start(10);
}

TEST(ScanProgressGui, WindowPaintsShowsProgressAndEscCancelsTheBranch) {
  QTemporaryDir big(::access("/dev/shm", W_OK) == 0 ? "/dev/shm/ztr-gui-XXXXXX" : "");
  for (int d = 0; d < 300; ++d) {  // 300,000 empty files
    ASSERT_TRUE(QDir(big.path()).mkdir(QString::number(d)));
    const int fd = ::open(big.filePath(QString::number(d)).toUtf8(), O_RDONLY | O_DIRECTORY);
    for (int f = 0; f < 1000; ++f) ::close(::openat(fd, QByteArray::number(f), O_CREAT, 0644));
    ::close(fd);
  }
  WindowFixture f;
  MainWindow& w = *f.window;
  w.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
  // The tree as File New's question leaves it: marked, named, changed.
  AnswerFileNew(big.filePath("7"));
  w.MenuAction(ID_FILE_NEW)->trigger();
  CTreeCtrl& tree = w.Frame().Tree();
  w.Frame().ToggleSelect(tree.GetRootItem());
  tree.SelectItem(tree.GetRootItem());
  const std::string file = "/saved/tree.ztr";
  w.Frame().UpdateCaption(&file);
  const QString caption = w.windowTitle(), totals = w.StatusPart(1)->text();

  PaintCounter painted;
  w.View()->viewport()->installEventFilter(&painted);
  QStringList statuses;
  QString counts;
  QElapsedTimer sinceEsc;
  int paintsDuringScan = 0;
  QTimer watch;
  QObject::connect(&watch, &QTimer::timeout, [&] {
    if (statuses.value(statuses.size() - 1) != w.StatusPart(0)->text())
      statuses << w.StatusPart(0)->text();
    if (sinceEsc.isValid()) return;
    // The scan waits inside its progress call while this runs: holding it
    // there keeps a fast machine's scan going until Esc comes.
    QThread::msleep(60);
    ScanProgressWindow* progress = w.ProgressWindow();
    if (!progress || statuses.size() < 4) return;
    counts = progress->CountsText();
    QPixmap shot = w.grab();
    QPainter(&shot).drawPixmap(shot.rect().center() - progress->rect().center(), progress->grab());
    shot.save(qEnvironmentVariable("ZTR_PROGRESS_SCREENSHOT", "/tmp/ztr-progress.png"));
    paintsDuringScan = painted.paints;
    QTest::keyClick(w.View(), Qt::Key_Space);  // Toggle Select, were it acted on
    QCoreApplication::postEvent(w.View(), new QKeyEvent(QEvent::KeyPress, Qt::Key_Escape, {}));
    sinceEsc.start();
  });
  watch.start(20);
  AnswerFileNew(big.path());
  painted.paints = 0;
  w.MenuAction(ID_FILE_NEW)->trigger();
  const qint64 cancelMs = sinceEsc.elapsed();

  ASSERT_TRUE(sinceEsc.isValid()) << "the scan ended before it could be cancelled";
  EXPECT_LT(cancelMs, 200);
  EXPECT_GT(paintsDuringScan, 0) << "the tree view painted while the scan ran";
  EXPECT_GT(statuses.filter("Loading folder: ").size(), 2) << statuses.join("\n").toStdString();
  EXPECT_TRUE(counts.contains(" folders, ") && counts.contains(" files, ")) << counts.toStdString();
  EXPECT_EQ(tree.GetCount(), 1001u);
  EXPECT_EQ(w.Frame().m_nMarkedFiles, 1000);
  EXPECT_TRUE(w.Frame().m_bModified);
  EXPECT_EQ(w.windowTitle(), caption);
  EXPECT_EQ(w.StatusPart(1)->text(), totals);
  EXPECT_EQ(w.StatusPart(0)->text(), "Ready");
  EXPECT_EQ(w.ProgressWindow(), nullptr);

  AnswerFileNew(big.filePath("7"));  // File New works again at once
  w.MenuAction(ID_FILE_NEW)->trigger();
  EXPECT_EQ(tree.GetCount(), 2002u);

  // A click on Cancel instead: the tree has the keys again at once.
  tree.SelectItem(tree.GetRootItem());
  QTimer clicker;
  QObject::connect(&clicker, &QTimer::timeout, [&] {
    if (QThread::msleep(60), w.ProgressWindow())
      QTest::mouseClick(w.ProgressWindow()->findChild<QDialogButtonBox*>()->buttons()[0],
                        Qt::LeftButton);
  });
  clicker.start(20);
  AnswerFileNew(big.path());
  w.MenuAction(ID_FILE_NEW)->trigger();
  EXPECT_EQ(w.focusWidget(), w.View());
  QTest::keyClick(w.View(), Qt::Key_Down);
  EXPECT_EQ(tree.GetSelectedItem(), tree.GetChildItem(tree.GetRootItem()));
}

}  // namespace
