// File New on a large folder through the real window: while it scans, the
// window paints and shows progress, and Esc cancels the whole branch.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <QFileDialog>
#include <QLabel>
#include <QPainter>
#include <QTest>

#include "app/resource.h"
#include "gui/scan_progress_window.h"
#include "gui/tree_view.h"
#include "gui_support.h"
#include "tree/tree_item.h"

namespace {

// Counts the paint events a widget receives.
struct PaintCounter : QObject {
  int paints = 0;
  bool eventFilter(QObject*, QEvent* e) override {
    if (e->type() == QEvent::Paint) ++paints;
    return false;
  }
};

// folders × files empty files, made in memory where it can be.
void MakeLargeFolder(const QString& root, int folders, int files) {
  for (int d = 0; d < folders; ++d) {
    const QByteArray dir = (root + QString("/folder-%1").arg(d)).toUtf8();
    ASSERT_EQ(::mkdir(dir.constData(), 0755), 0);
    const int fd = ::open(dir.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    for (int f = 0; f < files; ++f)
      ::close(::openat(fd, QByteArray::number(f).constData(), O_WRONLY | O_CREAT, 0644));
    ::close(fd);
  }
}

// Answers "Add to current tree?" with Yes and picks `folder` in the chooser.
void AnswerFileNew(const QString& folder) {
  auto* timer = new QTimer;
  QObject::connect(timer, &QTimer::timeout, [timer, folder] {
    QWidget* modal = QApplication::activeModalWidget();
    if (auto* box = qobject_cast<QMessageBox*>(modal)) box->button(QMessageBox::Yes)->click();
    if (auto* chooser = qobject_cast<QFileDialog*>(modal)) {
      chooser->setDirectory(folder);             // nothing selected in it: the folder itself
      static_cast<QDialog*>(chooser)->accept();  // as its Choose button does
      timer->stop();
      timer->deleteLater();
    }
  });
  timer->start(10);
}

TEST(ScanProgressGui, WindowPaintsShowsProgressAndEscCancelsTheBranch) {
  QTemporaryDir big(::access("/dev/shm", W_OK) == 0 ? "/dev/shm/ztr-gui-XXXXXX" : "");
  MakeLargeFolder(big.path(), 300, 1000);
  WindowFixture f;
  MainWindow& w = *f.window;
  w.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
  // The tree as File New's question leaves it: one marked file, saved
  // under a name, with unsaved changes.
  CTreeCtrl& tree = w.Frame().Tree();
  HTREEITEM top = tree.InsertItem(TVIF_TEXT | TVIF_STATE, "/before", 0, 0, INDEXTOSTATEIMAGEMASK(1),
                                  TVIS_STATEIMAGEMASK, nullptr, TVI_ROOT, TVI_LAST);
  auto* record = new CTreeItemData;
  record->m_nFileSize = 42;
  tree.InsertItem(TVIF_TEXT | TVIF_STATE | TVIF_PARAM, "a", 5, 5, INDEXTOSTATEIMAGEMASK(1),
                  TVIS_STATEIMAGEMASK, record, top, TVI_LAST);
  w.Frame().ToggleSelect(top);
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
    ScanProgressWindow* progress = w.ProgressWindow();
    if (!progress || sinceEsc.isValid() || statuses.size() < 4) return;
    counts = progress->CountsText();
    QPixmap shot = w.grab();
    QPainter(&shot).drawPixmap(shot.rect().center() - progress->rect().center(), progress->grab());
    shot.save(qEnvironmentVariable("ZTR_PROGRESS_SCREENSHOT", "/tmp/ztr-progress.png"));
    paintsDuringScan = painted.paints;
    QCoreApplication::postEvent(progress, new QKeyEvent(QEvent::KeyPress, Qt::Key_Escape, {}));
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
  EXPECT_GT(statuses.filter("Loading folder: folder-").size(), 2)
      << statuses.join("\n").toStdString();
  EXPECT_TRUE(counts.contains(" folders, ") && counts.contains(" files, ")) << counts.toStdString();
  EXPECT_EQ(tree.GetCount(), 2u);
  EXPECT_EQ(w.Frame().m_nMarkedFiles, 1);
  EXPECT_EQ(w.Frame().m_nMarkedBytes, 42);
  EXPECT_TRUE(w.Frame().m_bModified);
  EXPECT_EQ(w.windowTitle(), caption);
  EXPECT_EQ(w.StatusPart(1)->text(), totals);
  EXPECT_EQ(w.StatusPart(0)->text(), "Ready");
  EXPECT_EQ(w.ProgressWindow(), nullptr);

  // File New works again at once.
  AnswerFileNew(big.path() + "/folder-7");
  w.MenuAction(ID_FILE_NEW)->trigger();
  EXPECT_EQ(tree.GetCount(), 2u + 1 + 1000);
}

}  // namespace
