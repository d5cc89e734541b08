// The Search Catalogues window, offscreen, over a library of ten catalogues
// of a million nodes each (warm indexes): from the last key to the first
// rows in the table for a selective query, a broad query's million rows
// into the table, sorting them by size, scrolling to the end, the memory
// the rows take; then opening a result in a closed catalogue. Beside them,
// ztr-tool search --count over the same library (and for the broad query
// also ztr-tool search listing every match, as the window must).
//
// With --screenshots DIR CATALOGUE... it searches those catalogues instead,
// sorts by size and saves the window and the tree after opening a result.
#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QScrollBar>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "app/null_frame_host.h"
#include "bench_support.h"
#include "gui/main_window.h"
#include "gui/qt_profile_store.h"
#include "gui/row_table_model.h"
#include "gui/search_window.h"
#include "gui/tree_view.h"
#include "tree/file_label.h"

namespace {

constexpr int kCatalogues = 10;
constexpr size_t kNodes = 1'000'000;
constexpr UINT kMask = TVIF_TEXT | TVIF_IMAGE | TVIF_SELECTEDIMAGE | TVIF_STATE;

// /data/dir-D/ 99 files: one in ten a .dat (a million in the library), one
// in 100,000 named "annual report".
void WriteCatalogue(int k, const std::string& path) {
  NullFrameHost host;
  NullProfileStore profile;
  CMainFrame frame(host, profile);
  CTreeCtrl& tree = frame.Tree();
  HTREEITEM top = tree.InsertItem(kMask, "/data" + std::to_string(k), 0, 0, 0x1000, 0xF000, nullptr,
                                  TVI_ROOT, TVI_LAST);
  std::string label;
  for (size_t count = 1, d = 0; count < kNodes; ++d) {
    HTREEITEM dir = tree.InsertItem(kMask, "dir-" + std::to_string(d), 1, 2, 0x1000, 0xF000,
                                    nullptr, top, TVI_LAST);
    for (int i = 0; i < 99 && ++count < kNodes; ++i) {
      auto* data = new CTreeItemData;
      data->m_nFileSize = static_cast<int64_t>((count * 2654435761u) % 100'000'000);
      const char* ext = count % 10 == 0 ? ".dat" : ".txt";
      const std::string name =
          (count % 100'000 == 7 ? "annual report " : "file-") + std::to_string(count) + ext;
      FormatFileLabel(name, *data, label);
      tree.InsertItem(kMask | TVIF_PARAM, label, 5, 5, 0x1000, 0xF000, data, dir, TVI_LAST);
    }
  }
  frame.SaveTree(path, nullptr);
}

double Ms(const QElapsedTimer& t) { return static_cast<double>(t.nsecsElapsed()) / 1e6; }

long RssKiB() {
  std::ifstream status("/proc/self/status");
  for (std::string line; std::getline(status, line);)
    if (line.rfind("VmRSS:", 0) == 0) return std::stol(line.substr(6));
  return 0;
}

// Sleeps between events as the window's own event loop does: a loop that
// polled would take a core from the search's thread. A tick wakes it now
// and then, so a wait that never ends is reported.
void WaitFor(const std::function<bool()>& done) {
  QTimer tick;
  tick.start(100);
  QElapsedTimer waited;
  waited.start();
  while (!done()) {
    if (waited.elapsed() > 300'000) {
      std::fprintf(stderr, "no end after 300 s\n");
      std::exit(1);
    }
    QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
  }
}

// Types the query's last key; times from there, and from the moment the
// query starts after the typing pause, until the first rows are painted,
// then until all are in the table.
struct QueryTimes {
  double firstFromKey = 0, firstFromStart = 0, all = 0;
};
QueryTimes Query(SearchWindow& s, const QString& text) {
  QLineEdit* line = s.QueryBox()->lineEdit();
  line->setText(text.chopped(1));
  QElapsedTimer clock, started;
  const QMetaObject::Connection reset =
      QObject::connect(s.Model(), &QAbstractItemModel::modelReset, [&] { started.start(); });
  QTest::keyClick(line, text.back().toLatin1());
  clock.start();
  WaitFor([&] { return started.isValid() && (s.Model()->rowCount() > 0 || !s.Searching()); });
  QObject::disconnect(reset);
  s.Table()->viewport()->repaint();
  QueryTimes times{Ms(clock), Ms(started), 0};
  WaitFor([&] { return !s.Searching(); });
  times.all = Ms(started);
  return times;
}

void Library(const QTemporaryDir& dir, const std::vector<std::string>& catalogues) {
  std::filesystem::create_directories(dir.filePath("config/ZTR").toStdString());
  std::ofstream file(dir.filePath("config/ZTR/library").toStdString());
  for (const std::string& c : catalogues) file << c << '\n';
}

int Screenshots(const QString& folder, const std::vector<std::string>& catalogues) {
  QTemporaryDir dir;
  qputenv("XDG_CONFIG_HOME", dir.filePath("config").toUtf8());
  Library(dir, catalogues);
  QtProfileStore profile(dir.filePath("ZTR.conf"));
  MainWindow main(profile);
  main.resize(1200, 800);
  main.show();
  main.ShowSearchWindow();
  SearchWindow& s = *main.SearchCatalogues();
  s.resize(1400, 800);
  Query(s, "ext:so size:>1mb");
  s.Table()->sortByColumn(SearchResults::SizeColumn, Qt::DescendingOrder);
  s.Table()->selectRow(0);
  QTest::qWait(300);
  s.grab().save(folder + "/search_results.png");
  s.OpenInTree(0);
  QTest::qWait(300);
  main.grab().save(folder + "/tree_after_open.png");
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc > 2 && std::string(argv[1]) == "--screenshots") {
    QApplication app(argc, argv);
    return Screenshots(argv[2], std::vector<std::string>(argv + 3, argv + argc));
  }
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  QTemporaryDir dir;
  qputenv("XDG_CONFIG_HOME", dir.filePath("config").toUtf8());
  qputenv("XDG_CACHE_HOME", dir.filePath("cache").toUtf8());
  // ZTR_BENCH_CATALOGUES=N: a smaller library for a quick look.
  const int count = qEnvironmentVariableIsSet("ZTR_BENCH_CATALOGUES")
                        ? qEnvironmentVariableIntValue("ZTR_BENCH_CATALOGUES")
                        : kCatalogues;
  std::vector<std::string> catalogues;
  for (int k = 0; k < count; ++k) {
    catalogues.push_back(dir.filePath(QString("disk%1.ztr").arg(k)).toStdString());
    WriteCatalogue(k, catalogues.back());
  }
  Library(dir, catalogues);
  // Warm indexes, made by the command line, timed against it.
  const auto cli = [&](const char* query, bool count = true) {
    QElapsedTimer t;
    t.start();
    if (count)
      bench::RunProgram({ZTR_TOOL_PATH, "search", "--count", query});
    else
      bench::RunProgram({ZTR_TOOL_PATH, "search", query});  // every match, to /dev/null
    return Ms(t);
  };
  cli("annual");
  const double cliSelective = cli("\"annual report\"");
  const double cliBroad = cli("ext:dat");
  const double cliBroadListed = cli("ext:dat", false);

  QtProfileStore profile(dir.filePath("ZTR.conf"));
  MainWindow main(profile);
  main.show();
  main.ShowSearchWindow();
  SearchWindow& s = *main.SearchCatalogues();
  std::vector<double> fromKey, fromStart;
  for (int i = 0; i < 5; ++i) {
    const QueryTimes t = Query(s, i % 2 ? "\"annual report\"" : "annual report");
    fromKey.push_back(t.firstFromKey);
    fromStart.push_back(t.firstFromStart);
  }
  std::sort(fromKey.begin(), fromKey.end());
  std::sort(fromStart.begin(), fromStart.end());
  const long before = RssKiB();
  const QueryTimes broad = Query(s, "ext:dat");
  const long after = RssKiB();
  const int rows = s.Model()->rowCount();
  QElapsedTimer t;
  t.start();
  s.Table()->sortByColumn(SearchResults::SizeColumn, Qt::DescendingOrder);
  s.Table()->viewport()->repaint();
  const double sort = Ms(t);
  t.restart();
  s.Table()->scrollToBottom();
  s.Table()->viewport()->repaint();
  const double scroll = Ms(t);
  t.restart();
  s.OpenInTree(rows - 1);
  main.View()->viewport()->repaint();
  const double open = Ms(t);
  // Only showing it, the catalogue being open.
  int sameCatalogue = 0;  // a row of the catalogue now open
  while (sameCatalogue < rows - 1 &&
         s.Results().CatalogueOf(s.Results().Row(s.Model()->RowAt(sameCatalogue))) !=
             main.Frame().m_strTreeFile)
    ++sameCatalogue;
  t.restart();
  s.OpenInTree(sameCatalogue);
  main.View()->viewport()->repaint();
  const double show = Ms(t);
  // File Open's own part: reading the same catalogue again (into memory
  // the first reading left free).
  const std::string opened = main.Frame().m_strTreeFile;
  t.restart();
  main.OpenFile(opened);
  main.View()->viewport()->repaint();
  const double load = Ms(t);

  std::printf("library: %d catalogues x %zu nodes, warm indexes\n", count, kNodes);
  std::printf(
      "selective query, first rows painted: median %.1f ms from the last key (%d ms of it the "
      "typing pause), %.1f ms from the query's start (ztr-tool search --count: %.1f ms)\n",
      fromKey[2], SearchWindow::kTypingPauseMs, fromStart[2], cliSelective);
  std::printf(
      "broad query (%d rows): first rows %.1f ms after its start, all rows in the table %.1f ms "
      "(ztr-tool search --count: %.1f ms; listing every match: %.1f ms)\n",
      rows, broad.firstFromStart, broad.all, cliBroad, cliBroadListed);
  std::printf(
      "sort by size: %.1f ms; scroll to the end: %.1f ms; memory: the rows hold %.1f MiB, the "
      "process grew by %.1f MiB\n",
      sort, scroll, static_cast<double>(s.Results().Bytes() + 4 * rows) / 1048576.0,
      static_cast<double>(after - before) / 1024.0);
  std::printf(
      "open a result in a closed catalogue and show it: %.1f ms (File Open of it again: %.1f ms; "
      "a result of the open catalogue: %.1f ms)\n",
      open, load, show);
  return 0;
}
