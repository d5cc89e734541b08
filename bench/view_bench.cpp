// The real window, offscreen, over a catalogue of one million nodes: open
// the tree file, `*` on the top node (expand everything), prune one file and
// one 2,001-node branch in the expanded tree, collapse the top node, close.
// Each time counts until the view has laid out and painted what changed,
// and is printed beside the time of opening the same catalogue.
#include <QApplication>
#include <QElapsedTimer>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

#include "app/main_frame.h"
#include "app/null_frame_host.h"
#include "gui/main_window.h"
#include "gui/qt_profile_store.h"
#include "gui/tree_model.h"
#include "gui/tree_view.h"
#include "tree/tree_item.h"

namespace {

constexpr UINT kMask = TVIF_TEXT | TVIF_IMAGE | TVIF_SELECTEDIMAGE | TVIF_STATE;
constexpr int kPartsPerProject = 100;
constexpr int kFilesPerPart = 19;

// /srv/data / project-P / part-Q / 19 files: a project is a branch of 2,001
// nodes. Written to a tree file by a frame of its own.
void WriteCatalogue(size_t nodes, const std::string& path) {
  NullFrameHost host;
  NullProfileStore profile;
  CMainFrame frame(host, profile);
  CTreeCtrl& tree = frame.Tree();
  HTREEITEM top =
      tree.InsertItem(kMask, "/srv/data", 0, 0, 0x1000, 0xF000, nullptr, TVI_ROOT, TVI_LAST);
  size_t count = 1;
  for (int p = 0; count < nodes; ++p) {
    HTREEITEM project = tree.InsertItem(kMask, "project-" + std::to_string(p), 1, 2, 0x1000, 0xF000,
                                        nullptr, top, TVI_LAST);
    ++count;
    for (int q = 0; q < kPartsPerProject && count < nodes; ++q) {
      HTREEITEM part = tree.InsertItem(kMask, "part-" + std::to_string(q), 1, 2, 0x1000, 0xF000,
                                       nullptr, project, TVI_LAST);
      ++count;
      for (int i = 0; i < kFilesPerPart && count < nodes; ++i, ++count) {
        auto* data = new CTreeItemData;
        data->m_nFileSize = 1000 + static_cast<int64_t>(count % 977) * 131;
        data->m_dwAttributes = 0x20;
        const std::string label = "report-" + std::to_string(i) + ".txt   " +
                                  std::to_string(data->m_nFileSize) + " bytes, 01/02/2003-10:30";
        tree.InsertItem(kMask | TVIF_PARAM, label, 5, 5, 0x1000, 0xF000, data, part, TVI_LAST);
      }
    }
  }
  frame.SaveTree(path, nullptr);  // a failure throws
}

// Until the view has handled every change: posted layouts, then a paint.
void Settle(TreeView* view) {
  QCoreApplication::processEvents();
  view->viewport()->repaint();
  QCoreApplication::processEvents();
}

double Seconds(const std::function<void()>& run) {
  QElapsedTimer clock;
  clock.start();
  run();
  return clock.nsecsElapsed() / 1e9;
}

HTREEITEM Child(const CTreeCtrl& tree, HTREEITEM parent, int n) {
  HTREEITEM c = tree.GetChildItem(parent);
  while (c && n-- > 0) c = tree.GetNextSiblingItem(c);
  return c;
}

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  const size_t nodes = argc > 1 ? std::strtoul(argv[1], nullptr, 10) : 1'000'000;
  QApplication app(argc, argv);
  QTemporaryDir dir;
  const std::string path = dir.filePath("catalogue.ztr").toStdString();
  const QString settings = dir.filePath("ZTR.conf");
  WriteCatalogue(nodes, path);

  auto profile = std::make_unique<QtProfileStore>(settings);
  auto window = std::make_unique<MainWindow>(*profile);
  window->show();
  TreeView* view = window->View();
  CTreeCtrl& tree = window->Frame().Tree();
  Settle(view);

  const double open = Seconds([&] {
    window->OpenFile(path);
    Settle(view);
  });
  HTREEITEM top = tree.GetRootItem();
  view->setFocus();
  tree.SelectItem(top);
  const double expand = Seconds([&] {
    QTest::keyClick(view, Qt::Key_Asterisk, Qt::KeypadModifier);
    Settle(view);
  });
  const int shownAfterExpand = window->Model()->rowCount();

  const int middle = static_cast<int>(nodes / 2001 / 2);
  HTREEITEM file = Child(tree, Child(tree, Child(tree, top, middle), 50), 9);
  const double pruneFile = Seconds([&] {
    window->Frame().PruneBranch(file);
    Settle(view);
  });
  HTREEITEM project = Child(tree, top, middle + 1);
  const double pruneBranch = Seconds([&] {
    window->Frame().PruneBranch(project);
    Settle(view);
  });
  const int shownAfterPrune = window->Model()->rowCount();

  tree.SelectItem(top);
  const double collapse = Seconds([&] {
    QTest::keyClick(view, Qt::Key_Left);
    Settle(view);
  });
  const int shownAfterCollapse = window->Model()->rowCount();

  // Closing asks nothing: the prunes are taken as saved.
  window->Frame().m_bModified = false;
  tree.Expand(top, TVE_EXPAND);
  Settle(view);
  const double close = Seconds([&] {
    window->close();
    window.reset();
    profile.reset();
  });
  const bool settingsWritten =
      QSettings(settings, QSettings::IniFormat).contains("Find/IgnoreCase");
  size_t recordsLeft = CTreeItemData::LiveRecords();

  // The same catalogue opened again and closed with only the top node open.
  profile = std::make_unique<QtProfileStore>(settings);
  window = std::make_unique<MainWindow>(*profile);
  window->show();
  window->OpenFile(path);
  Settle(window->View());
  const double closeCollapsed = Seconds([&] {
    window->close();
    window.reset();
    profile.reset();
  });
  recordsLeft += CTreeItemData::LiveRecords();

  std::printf("the window (offscreen) over a catalogue of %zu nodes, projects of 2,001 nodes\n",
              nodes);
  auto row = [&](const char* what, double s, const char* target) {
    std::printf("  %-40s %8.3f s  %7.2f x open  %s\n", what, s, s / open, target);
  };
  std::printf("  %-40s %8.3f s\n", "open (the reference)", open);
  row("expand all (* on the top node)", expand, "target < 5 s, moonshot < 2 s");
  row("prune one file, all expanded", pruneFile, "target < 0.05 s");
  row("prune a 2,001-node branch, all expanded", pruneBranch, "target < 0.05 s");
  row("collapse the top node", collapse, "");
  row("close, everything expanded", close, "target < 0.5 s");
  row("close, only the top node expanded", closeCollapsed, "");
  std::printf("  rows shown: %d after expand all, %d after the prunes, %d collapsed\n",
              shownAfterExpand, shownAfterPrune, shownAfterCollapse);
  const bool ok = shownAfterExpand == static_cast<int>(nodes) &&
                  shownAfterPrune == shownAfterExpand - 2002 && shownAfterCollapse == 1 &&
                  settingsWritten && recordsLeft == 0;
  if (!ok)
    std::printf("  FAILED: settings written %d, records left %zu\n", settingsWritten, recordsLeft);
  return ok ? 0 : 1;
}
