// Update from Disk and Compare with Tree File through the real window: real
// folders changed on disk, the branch menu, the file dialog, the Changes
// window's table and its double-click.
#define QTEST_QPA_MOUSE_HANDLING

#include <gtest/gtest.h>
#include <unistd.h>

#include <QLabel>
#include <QMenu>
#include <QTableView>
#include <QTest>
#include <set>

#include "app/resource.h"
#include "compare/change_list.h"
#include "gui/changes_window.h"
#include "gui/tree_model.h"
#include "gui/tree_view.h"
#include "gui_support.h"
#include "support/scratch_folder.h"
#include "tree/tree_item.h"
#include "tree/tree_scan_sink.h"

namespace {

struct NoProgress : ScanProgress {
  void FolderStarted(std::string_view, std::string_view) override {}
  bool StopRequested(std::string_view, const ScanCounts&) override { return false; }
};

// Picks `item` in the next branch menu once it shows.
void ChooseInBranchMenu(const QString& item) {
  auto* timer = new QTimer;
  QObject::connect(timer, &QTimer::timeout, [timer, item] {
    auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
    if (!menu || !menu->isVisible()) return;
    timer->deleteLater();
    timer->stop();
    for (QAction* a : menu->actions())
      if (a->text() == item)
        QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(a).center());
  });
  timer->start(5);
  QTimer::singleShot(30000, timer, [timer] { timer->deleteLater(); });
}

class ChangesGui : public ::testing::Test, protected WindowFixture {
 protected:
  void SetUp() override {
    disk.Dir("root");
    disk.File("root/grows.txt", 10);
    disk.Dir("root/keep");
    disk.File("root/keep/marked.txt", 20);
    disk.File("root/keep/plain.txt", 30);
    disk.Dir("root/gone");
    disk.File("root/gone/d.txt", 40);
    w.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
    top = tree.InsertItem(TVIF_TEXT, root, 0, 0, 0, 0, nullptr, TVI_ROOT, TVI_LAST);
    w.Frame().ScanFolder(root.c_str(), top);
    tree.Expand(top, TVE_EXPAND);
    w.Frame().ToggleSelect(Find("keep/marked.txt"));
    w.Frame().m_bModified = false;
  }

  HTREEITEM Find(const std::string& below) const {
    bool whole = false;
    HTREEITEM node = FindNodeByPath(tree, root + "/" + below, whole);
    return whole ? node : nullptr;
  }

  // The rows of the Changes window as "kind path" lines, in the table's order.
  std::vector<std::string> Rows() const {
    std::vector<std::string> rows;
    const ChangesWindow* window = w.Changes();
    if (window == nullptr) return rows;
    const QAbstractItemModel* model = window->Table()->model();
    for (int r = 0; r < model->rowCount(); ++r)
      rows.push_back(
          (model->index(r, 0).data().toString() + " " +
           model->index(r, 1).data().toString().remove(QString::fromStdString(root + "/")))
              .toStdString());
    return rows;
  }

  // Differences between the window's tree and a fresh scan of the folder.
  size_t DifferencesFromFreshScan() const {
    FreeRecordsOnDelete records;
    CTreeCtrl fresh;
    fresh.SetNotifyTarget(&records);
    NoProgress progress;
    ScanIntoTree(root, fresh, progress);
    return ListChanges(tree, nullptr, fresh, nullptr).entries.size();
  }

  void RightClickChoose(HTREEITEM node, const QString& item) {
    tree.EnsureVisible(node);
    QTest::qWait(20);
    const QModelIndex index = w.Model()->IndexOf(node);
    const auto parts = TreeItemDelegate::Layout(
        w.View()->visualRect(index), index.data(TreeItemModel::DepthRole).toInt(),
        w.View()->fontMetrics(), index.data().toString(), tree.GetStateImage(node));
    ChooseInBranchMenu(item);
    QTest::mouseClick(w.View()->viewport(), Qt::RightButton, {}, parts.label.center());
  }

  ScratchFolder disk;
  std::string root = disk / "root";
  HTREEITEM top = nullptr;
};

TEST_F(ChangesGui, UpdateFromDiskReplacesTheBranchAndListsWhatChanged) {
  disk.File("root/grows.txt", 15);
  disk.File("root/new.txt", 5);
  ASSERT_EQ(::unlink((disk / "root/gone/d.txt").c_str()), 0);
  ASSERT_EQ(::rmdir((disk / "root/gone").c_str()), 0);
  disk.Dir("root/keep/added");
  disk.File("root/keep/added/e.txt", 7);
  ASSERT_EQ(::rename((disk / "root/keep/marked.txt").c_str(), (disk / "root/marked.txt").c_str()),
            0);
  const size_t before = tree.GetCount();

  RightClickChoose(top, "&Update from Disk");

  ASSERT_NE(w.Changes(), nullptr);
  EXPECT_TRUE(w.Changes()->isVisible());
  const std::vector<std::string> listed = Rows();
  const std::set<std::string> rows(listed.begin(), listed.end());
  EXPECT_EQ(rows,
            (std::set<std::string>{"changed grows.txt", "added new.txt", "removed gone",
                                   "added keep/added", "moved keep/marked.txt -> marked.txt"}));
  EXPECT_EQ(w.Changes()->StatusLine()->text(),
            "2 added (2 files, 12 bytes), 1 removed (1 file, 40 bytes), 1 changed (10 -> 15 "
            "bytes), 1 moved (1 file, 20 bytes)");
  // The moved file keeps its mark; the folder it left has none now.
  EXPECT_EQ(tree.GetStateImage(Find("marked.txt")), kStateMarked);
  EXPECT_EQ(tree.GetStateImage(Find("keep")), kStateUnmarked);
  EXPECT_EQ(tree.GetStateImage(tree.GetRootItem()), kStatePartlyMarked);
  EXPECT_EQ(w.StatusPart(1)->text(), "Selected: 20 bytes (1 files)");
  EXPECT_EQ(DifferencesFromFreshScan(), 0u);
  EXPECT_EQ(tree.GetCount(), before + 1);
  EXPECT_EQ(tree.GetItemText(tree.GetRootItem()), root) << "the top keeps its label";
  EXPECT_TRUE(tree.GetItemState(tree.GetRootItem(), TVIS_EXPANDED)) << "open as before";
  EXPECT_TRUE(w.Frame().m_bModified);
  EXPECT_EQ(w.StatusPart(0)->text().toStdString(), root) << "the selected top's path";

  // A nested folder updates alone, under its own name.
  disk.File("root/keep/plain.txt", 31);
  RightClickChoose(Find("keep"), "&Update from Disk");
  EXPECT_EQ(Rows(), std::vector<std::string>{"changed keep/plain.txt"});
  ASSERT_NE(Find("keep/plain.txt"), nullptr);
  EXPECT_EQ(tree.GetParentItem(Find("keep")), tree.GetRootItem());
  EXPECT_EQ(DifferencesFromFreshScan(), 0u);
}

// Whatever stops an update, the branch, the totals and the unsaved-changes
// flag stay as they were and no list of changes shows.
TEST_F(ChangesGui, AnUpdateThatChangesNothingLeavesTheTreeAlone) {
  const struct {
    const char* what;
    const char* folder;
    bool escape;
    bool moveAway;
    const char* message;  // the one message box, if any
  } cases[] = {
      {"nothing changed", "keep", false, false, ""},  // its marked file stays counted once
      {"Esc", "keep", true, false, ""},
      {"folder gone", "keep", false, true, "The folder cannot be read now"},
  };
  for (const auto& c : cases) {
    if (c.escape) disk.File("root/keep/new.txt", 1);  // a change, from here on
    HTREEITEM node = Find(c.folder);
    const size_t count = tree.GetCount();
    const QString totals = w.StatusPart(1)->text();
    if (c.moveAway) {
      ASSERT_EQ(::rename(root.c_str(), (root + ".away").c_str()), 0);
    }
    DialogAnswers answers({}, QMessageBox::Ok);
    if (c.escape)
      QCoreApplication::postEvent(w.View(), new QKeyEvent(QEvent::KeyPress, Qt::Key_Escape, {}));
    w.Frame().UpdateFromDisk(node);
    if (c.moveAway) {
      ASSERT_EQ(::rename((root + ".away").c_str(), root.c_str()), 0);
    }
    EXPECT_EQ(tree.GetCount(), count) << c.what;
    EXPECT_EQ(Find(c.folder), node) << c.what;
    EXPECT_EQ(w.StatusPart(1)->text(), totals) << c.what;
    EXPECT_EQ(tree.GetStateImage(Find("keep/marked.txt")), kStateMarked) << c.what;
    EXPECT_FALSE(w.Frame().m_bModified) << c.what;
    EXPECT_EQ(w.Changes(), nullptr) << c.what;
    EXPECT_EQ(answers.seen.size(), *c.message ? 1 : 0) << c.what;
    EXPECT_TRUE(answers.seen.value(0).contains(c.message)) << c.what;
  }
}

TEST_F(ChangesGui, CompareWithTreeFileListsTheChangesAndShowsThemInTheTree) {
  const std::string saved = disk / "saved.ztr";
  w.Frame().SaveTree(saved, nullptr);
  HTREEITEM keep = Find("keep");
  w.Frame().PruneBranch(Find("keep/plain.txt"));
  w.Frame().PruneBranch(Find("gone"));

  DialogAnswers answers(QString::fromStdString(saved));
  w.MenuAction(ID_COMPARE_TREE_FILE)->trigger();
  ASSERT_NE(w.Changes(), nullptr) << answers.seen.join("\n").toStdString();
  EXPECT_EQ(Rows(), (std::vector<std::string>{"removed gone", "removed keep/plain.txt"}));
  EXPECT_EQ(w.Changes()->StatusLine()->text(), "2 removed (2 files, 70 bytes)");
  EXPECT_TRUE(w.Changes()->windowTitle().endsWith("saved.ztr"));

  // Sorted by the old side's size, then a double-click on the larger: the
  // removed node's parent is selected.
  QTableView* table = w.Changes()->Table();
  table->sortByColumn(ChangeRows::OldColumn, Qt::DescendingOrder);
  EXPECT_EQ(Rows().front(), "removed gone");
  const QRect cell = table->visualRect(table->model()->index(1, 1));
  // The first click of a double-click, as the mouse sends it: the table takes
  // the double-click as one only on the row a press went to.
  QTest::mouseClick(table->viewport(), Qt::LeftButton, {}, cell.center());
  QTest::mouseDClick(table->viewport(), Qt::LeftButton, {}, cell.center());
  EXPECT_EQ(tree.GetSelectedItem(), keep);
  if (const char* shot = std::getenv("ZTR_CHANGES_SCREENSHOT")) w.Changes()->grab().save(shot);
}

}  // namespace
