// Search Catalogues through the real windows: catalogues written to disk,
// a library file naming them, typing in the query line, the results table,
// opening a result in the tree, the context menu's export.
#include <gtest/gtest.h>

#include <QClipboard>
#include <QComboBox>
#include <QFileDialog>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QTableView>
#include <QTest>

#include "app/resource.h"
#include "gui/row_table_model.h"
#include "gui/search_window.h"
#include "gui/tree_model.h"
#include "gui_support.h"
#include "platform/local_time.h"
#include "support/scripted_host.h"
#include "support/tree_builder.h"
#include "tree/display_path.h"

namespace {

FILETIME Time(uint64_t ticks) {
  return {static_cast<DWORD>(ticks), static_cast<DWORD>(ticks >> 32)};
}

constexpr uint64_t kDay = 864000000000ULL;
constexpr uint64_t kSpring2019 = 132000000000000000ULL;

// A file modified `days` days after a day in 2019.
void File(CTreeCtrl& tree, const char* label, int64_t size, uint64_t days, HTREEITEM parent) {
  tree.GetItemData(AddFile(tree, label, size, parent))->m_ftLastWrite =
      Time(kSpring2019 + days * kDay);
}

class SearchWindowGui : public ::testing::Test, protected WindowFixture {
 protected:
  void SetUp() override {
    qputenv("XDG_CONFIG_HOME", dir.filePath("config").toUtf8());
    qputenv("XDG_CACHE_HOME", dir.filePath("cache").toUtf8());
    alpha = Catalogue("alpha.ztr", [](CTreeCtrl& t) {
      HTREEITEM top = AddFolder(t, "/disk1", TVI_ROOT, 1, {0, 0});
      HTREEITEM docs = AddFolder(t, "docs", top);
      File(t, "report.txt   300 bytes, 01/02/2003-10:30", 300, 3, docs);
      File(t, "Notes.TXT   20 bytes, 01/02/2003-10:30", 20, 1, docs);
      File(t, "caf\xE9.txt   5 bytes, 01/02/2003-10:30", 5, 2, top);
    });
    beta = Catalogue("beta.ztr", [](CTreeCtrl& t) {
      HTREEITEM top = AddFolder(t, "/disk2", TVI_ROOT, 1, {0, 0});
      File(t, "zeta.txt   1000 bytes, 01/02/2003-10:30", 1000, 4, top);
      File(t, "other.bin   7 bytes, 01/02/2003-10:30", 7, 5, top);
    });
    Library({alpha, beta});
    w.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
  }

  template <class Build>
  std::string Catalogue(const char* name, Build build) {
    BasicScriptedFrame<> writer;
    build(writer.frame.Tree());
    const std::string path = dir.filePath(name).toStdString();
    writer.frame.SaveTree(path, nullptr);
    return path;
  }

  void Library(const std::vector<std::string>& paths) {
    QDir().mkpath(dir.filePath("config/ZTR"));
    QFile file(dir.filePath("config/ZTR/library"));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    for (const std::string& path : paths) file.write((path + "\n").c_str());
  }

  // Opens the window with Ctrl+Shift+F and types the query.
  SearchWindow& Search(const QString& query) {
    w.activateWindow();
    EXPECT_TRUE(QTest::qWaitForWindowActive(&w));
    QTest::keyClick(&w, Qt::Key_F, Qt::ControlModifier | Qt::ShiftModifier);
    SearchWindow* s = w.SearchCatalogues();
    EXPECT_TRUE(s && s->isVisible());
    s->QueryBox()->lineEdit()->clear();
    QTest::keyClicks(s->QueryBox()->lineEdit(), query);
    QTest::qWait(SearchWindow::kTypingPauseMs + 20);
    EXPECT_TRUE(QTest::qWaitFor([s] { return !s->Searching(); }, 5000));
    QTest::qWait(20);
    return *s;
  }

  static std::vector<std::string> Column(const SearchWindow& s, int column) {
    std::vector<std::string> values;
    for (int r = 0; r < s.Model()->rowCount(); ++r)
      values.push_back(s.Model()->index(r, column).data().toString().toStdString());
    return values;
  }
  // Opens the context menu of a table row and chooses the entry.
  static void ChooseFromMenu(SearchWindow& s, int row, const QString& entry) {
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
      auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
      if (!menu || menu->objectName() != "resultMenu") return;
      poll.stop();
      menu->close();
      for (QAction* a : menu->actions())
        if (a->text() == entry) a->trigger();
    });
    poll.start(5);
    emit s.Table()->customContextMenuRequested(
        s.Table()->visualRect(s.Model()->index(row, 0)).center());
  }
  static std::string Status(const SearchWindow& s) { return s.StatusLine()->text().toStdString(); }

  std::string alpha, beta;
};

TEST_F(SearchWindowGui, TypingFillsTheTableAndEachColumnSorts) {
  SearchWindow& s = Search("txt");
  EXPECT_EQ(s.Model()->rowCount(), 4);
  // The Windows-1252 name reads as the tree shows it.
  EXPECT_EQ(std::ranges::count(Column(s, 0), "caf\xC3\xA9.txt"), 1);
  EXPECT_EQ(Status(s), "4 items, 1,325 bytes in 4 files");
  EXPECT_TRUE(s.ErrorLine()->isHidden());
  struct Case {
    int column;
    Qt::SortOrder order;
    std::vector<std::string> names;
  };
  const Case cases[] = {
      {SearchResults::NameColumn,
       Qt::AscendingOrder,
       {"café.txt", "Notes.TXT", "report.txt", "zeta.txt"}},
      {SearchResults::SizeColumn,
       Qt::DescendingOrder,
       {"zeta.txt", "report.txt", "Notes.TXT", "café.txt"}},
      {SearchResults::ModifiedColumn,
       Qt::AscendingOrder,
       {"Notes.TXT", "café.txt", "report.txt", "zeta.txt"}},
      {SearchResults::FolderColumn,
       Qt::AscendingOrder,
       {"café.txt", "report.txt", "Notes.TXT", "zeta.txt"}},
      {SearchResults::CatalogueColumn,
       Qt::DescendingOrder,
       {"zeta.txt", "report.txt", "Notes.TXT", "café.txt"}},
  };
  for (const Case& c : cases) {
    s.Table()->sortByColumn(c.column, c.order);
    EXPECT_EQ(Column(s, 0), c.names) << "column " << c.column;
  }
  // A multi-selection adds its own totals.
  s.Table()->selectAll();
  EXPECT_EQ(Status(s),
            "4 items, 1,325 bytes in 4 files; selected: 4 items, 1,325 bytes in 4 files");
}

TEST_F(SearchWindowGui, ABadQueryShowsItsMessageAndNoRows) {
  SearchWindow& s = Search("size:>abc");
  EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
  EXPECT_FALSE(s.ErrorLine()->isHidden());
  EXPECT_TRUE(s.ErrorLine()->text().contains("\"abc\" is not a size"))
      << s.ErrorLine()->text().toStdString();
  EXPECT_EQ(s.Model()->rowCount(), 0);
}

TEST_F(SearchWindowGui, ADamagedCatalogueIsNamedAndTheOthersSearched) {
  QFile whole(QString::fromStdString(alpha));
  ASSERT_TRUE(whole.open(QIODevice::ReadOnly));
  QByteArray bytes = whole.readAll();
  bytes.replace(0, 4, QByteArray("\xE8\x03\0\0", 4));  // the first record cut wrong
  QFile damaged(dir.filePath("damaged.ztr"));
  ASSERT_TRUE(damaged.open(QIODevice::WriteOnly));
  damaged.write(bytes);
  damaged.close();
  Library({damaged.fileName().toStdString(), beta});
  SearchWindow& s = Search("zeta|report");
  EXPECT_EQ(std::ranges::count(Column(s, 0), "zeta.txt"), 1);
  EXPECT_TRUE(s.FailureLine()->text().contains("damaged.ztr"))
      << s.FailureLine()->text().toStdString();
}

// Enter on a result: the unsaved-changes question comes first, as File Open
// asks it; Cancel keeps everything, No opens without saving.
TEST_F(SearchWindowGui, EnterOpensTheCatalogueAndSelectsTheNode) {
  struct Case {
    bool modified;
    QMessageBox::StandardButton answer;
    bool opens;
  };
  for (const Case c : {Case{false, QMessageBox::NoButton, true},
                       Case{true, QMessageBox::Cancel, false}, Case{true, QMessageBox::No, true}}) {
    w.Frame().LoadTree(beta);
    w.Frame().m_bModified = c.modified;
    const QByteArray betaBytes = [&] {
      QFile f(QString::fromStdString(beta));
      return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }();
    SearchWindow& s = Search("report");
    ASSERT_EQ(s.Model()->rowCount(), 1);
    QString question;
    if (c.modified) AnswerMessageBox(c.answer, &question);
    QTest::keyClick(s.QueryBox()->lineEdit(), Qt::Key_Down);
    QTest::keyClick(s.Table(), Qt::Key_Return);
    EXPECT_EQ(question, c.modified ? "Save current directory tree?" : "");
    EXPECT_EQ(w.Frame().m_strTreeFile, c.opens ? alpha : beta);
    EXPECT_EQ(w.Frame().m_bModified, !c.opens && c.modified);
    QFile after(QString::fromStdString(beta));
    ASSERT_TRUE(after.open(QIODevice::ReadOnly));
    EXPECT_EQ(after.readAll(), betaBytes);
    if (!c.opens) continue;
    HTREEITEM selected = tree.GetSelectedItem();
    ASSERT_NE(selected, nullptr);
    EXPECT_EQ(DisplayPath(tree, selected), "/disk1/docs/report.txt   300 bytes, 01/02/2003-10:30");
    EXPECT_TRUE(w.Model()->IndexOf(selected).isValid());  // expanded to it
    EXPECT_EQ(w.StatusPart(0)->text().toStdString(), DisplayPath(tree, selected));
  }
}

TEST_F(SearchWindowGui, ExportWritesTheSelectedRowsAsCsv) {
  SearchWindow& s = Search("txt");
  s.Table()->sortByColumn(SearchResults::NameColumn, Qt::AscendingOrder);
  s.Table()->selectAll();
  const QString csv = dir.filePath("out.csv");
  WhenModal([&](QWidget* modal) {
    if (auto* dialog = qobject_cast<QFileDialog*>(modal)) {
      PickFile(dialog, csv);
      static_cast<QDialog*>(dialog)->accept();
    }
  });
  ChooseFromMenu(s, 1, "Export...");
  QFile file(csv);
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  const QString local =
      QString::fromStdString(FormatFileTime(Time(kSpring2019 + kDay), "%Y-%m-%dT%H:%M:%S"));
  const QStringList lines = QString::fromUtf8(file.readAll()).split("\r\n");
  ASSERT_EQ(lines.size(), 6);
  EXPECT_EQ(lines[0], "name,folder,catalogue,size,modified,attributes");
  EXPECT_EQ(lines[2],
            "Notes.TXT,/disk1/docs/," + QString::fromStdString(alpha) + ",20," + local + ",");
}

TEST_F(SearchWindowGui, EscapeClosesAndTheQueryIsKeptInTheSettings) {
  SearchWindow& s = Search("zeta");
  s.resize(700, 400);
  QTest::keyClick(s.QueryBox()->lineEdit(), Qt::Key_Return);  // remembered
  QTest::keyClick(s.Table(), Qt::Key_Escape);
  EXPECT_FALSE(s.isVisible());
  w.activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&w));
  QTest::keyClick(&w, Qt::Key_F, Qt::ControlModifier | Qt::ShiftModifier);
  EXPECT_TRUE(s.isVisible());
  EXPECT_EQ(s.QueryBox()->currentText(), "zeta");
  EXPECT_EQ(s.Model()->rowCount(), 1);
  s.close();
  window.reset();
  profile.reset();  // the settings file is written
  QtProfileStore again(path);
  MainWindow next(again);
  next.ShowSearchWindow();
  SearchWindow* t = next.SearchCatalogues();
  EXPECT_EQ(t->size(), QSize(700, 400));
  EXPECT_EQ(t->QueryBox()->itemText(0), "zeta");
}

}  // namespace

namespace {

// Look in: each entry with its counts, a missing one marked; an empty
// library offers the recent catalogues' folders, added by a double-click.
TEST_F(SearchWindowGui, LookInShowsTheLibraryAndOffersRecentFolders) {
  struct Case {
    std::vector<std::string> library;
    std::vector<std::string> shown;  // the start of each line, in order
    std::vector<bool> marked;
  };
  const std::string gone = dir.filePath("gone.ztr").toStdString();
  const std::string folder = dir.path().toStdString();
  const Case cases[] = {
      {{alpha, gone}, {alpha + "   1 catalogue, 5 nodes", gone + "   missing: "}, {false, true}},
      {{}, {"Add " + folder + "   (a recent catalogue's folder)"}, {false}},
  };
  profile->WriteProfileString("Recent File List", "File1", alpha);
  for (const Case& c : cases) {
    Library(c.library);
    SearchWindow& s = Search("zeta");
    std::vector<std::string> lines;
    std::vector<bool> marks;
    WhenModal([&](QWidget* dialog) {
      auto* list = dialog->findChild<QListWidget*>("libraryEntries");
      for (int i = 0; list && i < list->count(); ++i) {
        lines.push_back(list->item(i)->text().toStdString());
        marks.push_back(!list->item(i)->icon().isNull());
      }
      if (c.library.empty()) emit list->itemActivated(list->item(0));
      static_cast<QDialog*>(dialog)->reject();
    });
    QTest::mouseClick(s.findChild<QPushButton*>("lookIn"), Qt::LeftButton);
    ASSERT_EQ(lines.size(), c.shown.size());
    for (size_t i = 0; i < lines.size(); ++i) {
      EXPECT_TRUE(lines[i].starts_with(c.shown[i])) << lines[i];
      EXPECT_EQ(marks[i], c.marked[i]) << lines[i];
    }
  }
  // The suggested folder went into the library: its catalogues are searched.
  SearchWindow& s = Search("zeta");
  EXPECT_EQ(s.Model()->rowCount(), 1);
}

}  // namespace

namespace {

// The menu of one result: each entry and what it leaves behind.
TEST_F(SearchWindowGui, TheMenuOfOneResultCopiesAndShowsFileInfo) {
  SearchWindow& s = Search("report");
  ASSERT_EQ(s.Model()->rowCount(), 1);
  struct Case {
    QString entry;
    QString clipboard;
    QString boxStart;  // empty: no message box
  };
  const Case cases[] = {
      {"Copy Path", "/disk1/docs/report.txt", ""},
      {"Copy Name", "report.txt", ""},
      {"File Info", "", "Created:"},
  };
  for (const Case& c : cases) {
    QApplication::clipboard()->clear();
    QString box;
    if (!c.boxStart.isEmpty()) AnswerMessageBox(QMessageBox::Ok, &box);
    ChooseFromMenu(s, 0, c.entry);
    EXPECT_EQ(QApplication::clipboard()->text(), c.clipboard) << c.entry.toStdString();
    EXPECT_EQ(box.left(c.boxStart.size()), c.boxStart) << c.entry.toStdString();
  }
}

}  // namespace
