// The window as a new user meets it: deep branches, clicks, labels from
// Windows catalogues, message boxes, settings and the end of a session.
#include <gtest/gtest.h>

#include <QFileDialog>
#include <QLabel>
#include <QScrollBar>
#include <QSettings>
#include <QTest>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextLayout>
#include <filesystem>
#include <tuple>

#include "app/resource.h"
#include "app/viewer_app.h"
#include "cli/tree_file_bytes.h"
#include "gui/tree_model.h"
#include "gui/tree_view.h"
#include "gui_support.h"
#include "support/scratch_folder.h"
#include "support/tree_builder.h"
#include "tree/nest_limit.h"

namespace {

class NewUserGui : public ::testing::Test, protected WindowFixture {
 protected:
  void SetUp() override {
    w.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
  }
  // Find Next with a stored text and options; the texts of the boxes shown,
  // each answered No or OK.
  QStringList FindNext(const std::string& text, bool ignoreCase) {
    QStringList boxes;
    QTimer answer;
    QObject::connect(&answer, &QTimer::timeout, [&] {
      auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
      if (!box || !box->isVisible()) return;
      boxes << (box->textFormat() == Qt::PlainText ? "" : "markup: ") + box->text();
      box->button(box->button(QMessageBox::No) ? QMessageBox::No : QMessageBox::Ok)->click();
    });
    answer.start(5);
    w.Frame().m_strFindWhat = text;
    w.Frame().m_bIgnoreCase = ignoreCase;
    w.MenuAction(ID_FIND_NEXT)->trigger();
    return boxes;
  }
  QRect Row(HTREEITEM item) { return w.View()->visualRect(w.Model()->IndexOf(item)); }
};

TEST_F(NewUserGui, NodeFoundAtLevel150IsInViewSideways) {
  HTREEITEM node = AddFolder(tree, "/deep");
  for (int level = 1; level < 150; ++level)
    node = AddFolder(tree, "level " + std::to_string(level), node);
  HTREEITEM target = AddFile(tree, "target.txt   9 bytes, 01/02/2003-10:30", 9, node);
  FindNext("target", true);
  ASSERT_EQ(tree.GetSelectedItem(), target);
  const int nodeLeft = Row(target).left() + TreeItemDelegate::Indentation(150);
  EXPECT_GT(w.View()->horizontalScrollBar()->value(), 0);
  EXPECT_GE(nodeLeft, 0);
  EXPECT_LE(nodeLeft + 40, w.View()->viewport()->width()) << "images and label start in view";
}

// Bytes C4 52 47 45 52 2E 54 58 54: "ÄRGER.TXT" from a Windows catalogue.
TEST_F(NewUserGui, WindowsLabelsAreShownAndFoundAsTheirText) {
  HTREEITEM top = AddFolder(tree, "/caf\xE9");
  HTREEITEM file = AddFile(tree, "\xC4RGER.TXT   9 bytes, 01/02/2003-10:30", 9, top);
  const struct {
    const char* text;
    bool ignoreCase, found;
  } cases[] = {{"\xC3\xA4rger", true, true}, {"\xC3\xA4rger", false, false}};
  for (const auto& c : cases) {
    tree.SelectItem(top);
    const QStringList boxes = FindNext(c.text, c.ignoreCase);
    EXPECT_EQ(tree.GetSelectedItem() == file, c.found) << c.text;
    EXPECT_EQ(boxes.isEmpty(), c.found) << c.text;
  }
  tree.SelectItem(file);
  EXPECT_EQ(w.StatusPart(0)->text(),
            QString::fromUtf8("/café/ÄRGER.TXT   9 bytes, 01/02/2003-10:30"));
  tree.SelectItem(
      AddFolder(tree, "line\nbreak", top));  // on one line, its control character visible
  EXPECT_EQ(w.StatusPart(0)->text(), QString::fromUtf8("/café/line\\nbreak"));
  const std::string path = "/tmp/\xE9t\xE9.ztr";
  w.Frame().UpdateCaption(&path);
  EXPECT_TRUE(w.windowTitle().endsWith(QString::fromUtf8("[/tmp/été.ztr]")));
  // A search text is quoted as typed, never read as markup.
  EXPECT_EQ(FindNext("<b>x</b>", false).value(1), "Item \"<b>x</b>\" not found ...");
}

TEST_F(NewUserGui, ClickIsPressAndReleaseOnTheBox) {
  HTREEITEM top = AddFolder(tree, "/data");
  HTREEITEM file = AddFile(tree, "a.txt   9 bytes, 01/02/2003-10:30", 9, top);
  tree.Expand(top, TVE_EXPAND);
  QTest::qWait(20);
  const auto parts =
      TreeItemDelegate::Layout(Row(file), 1, w.View()->fontMetrics(),
                               TreeItemDelegate::ShownText(w.Model()->IndexOf(file)), 1);
  QWidget* port = w.View()->viewport();
  const QPoint box = parts.state.center();
  QTest::mousePress(port, Qt::LeftButton, {}, box);  // a double-click as the system sends it
  QTest::mouseRelease(port, Qt::LeftButton, {}, box);
  QTest::mouseDClick(port, Qt::LeftButton, {}, box);
  QTest::mouseRelease(port, Qt::LeftButton, {}, box);
  EXPECT_EQ(w.Frame().m_nMarkedFiles, 1) << "a double-click toggles once";
  QTest::mousePress(port, Qt::LeftButton, {}, parts.label.center());
  QTest::mouseMove(port, box);
  QTest::mouseRelease(port, Qt::LeftButton, {}, box);
  EXPECT_EQ(w.Frame().m_nMarkedFiles, 1) << "pressed on the label: no click";
}

// After File New, nothing is selected and the status says Ready, also once
// the view has the focus back from the folder dialog.
TEST_F(NewUserGui, FileNewLeavesNoNodeSelected) {
  QTemporaryDir folder;
  w.activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&w));
  WhenModal([&](QWidget* d) {
    qobject_cast<QFileDialog*>(d)->setDirectory(folder.path());
    QMetaObject::invokeMethod(d, "accept");
  });
  w.MenuAction(ID_FILE_NEW)->trigger();
  w.View()->clearFocus();  // as the dialog took it
  w.View()->setFocus(Qt::ActiveWindowFocusReason);
  QTest::qWait(20);
  ASSERT_EQ(tree.GetCount(), 1u);
  EXPECT_EQ(tree.GetSelectedItem(), nullptr);
  EXPECT_EQ(w.StatusPart(0)->text(), "Ready");
}

TEST_F(NewUserGui, FileInfoValuesShareOneColumn) {
  HTREEITEM file = AddFile(tree, "a.txt   9 bytes, 01/02/2003-10:30", 9, AddFolder(tree, "/data"));
  tree.GetItemData(file)->m_dwAttributes = FILE_ATTRIBUTE_ARCHIVE;
  QList<qreal> valueX, labelEnd;
  WhenModal([&](QWidget* m) {
    auto* label = m->findChild<QLabel*>("qt_msgbox_label");
    QTextDocument* doc = label->findChild<QTextDocument*>();
    for (QTextBlock b = doc->begin(); b.isValid(); b = b.next()) {
      const int tab = b.text().indexOf('\t');
      if (tab < 0 || !b.layout() || b.layout()->lineCount() == 0) continue;
      labelEnd << b.layout()->lineAt(0).cursorToX(tab);
      valueX << b.layout()->lineAt(0).cursorToX(tab + 1);
    }
    qobject_cast<QMessageBox*>(m)->button(QMessageBox::Ok)->click();
  });
  w.Frame().ShowFileInfo(file);
  ASSERT_EQ(valueX.size(), 4);
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(valueX[i], valueX[0]) << i;
    EXPECT_GE(valueX[i] - labelEnd[i], 4) << "a gap between label and value, line " << i;
  }
}

// Logging off that is cancelled: the next close asks again.
// A file that did not open whole leaves the window untitled: Ctrl+S asks for
// a name and never writes over it. Each case opens in a fresh window: a second
// open dialog in the same window sometimes does not take the picked name.
static void ExpectNeverWrittenOver(MainWindow& w, CTreeCtrl& tree, const std::string& path,
                                   const std::string& message, unsigned nodes) {
  const std::string before = ReadWholeText(path);
  DialogAnswers answers(QString::fromStdString(path), QMessageBox::Ok);
  w.MenuAction(ID_FILE_OPEN)->trigger();
  EXPECT_EQ(answers.seen.value(1).toStdString(), message);
  EXPECT_EQ(tree.GetCount(), nodes);
  answers.path.clear();
  w.activateWindow();  // the offscreen platform does not give it back after a box
  ASSERT_TRUE(QTest::qWaitForWindowActive(&w));
  QTest::keyClick(&w, Qt::Key_S, Qt::ControlModifier);
  EXPECT_EQ(answers.seen.value(2), "Save the current Directory Tree");
  EXPECT_EQ(w.windowTitle(), "Directory Listing Viewer - ZTR Project");
  EXPECT_EQ(ReadWholeText(path), before);
}

TEST_F(NewUserGui, FileThatDidNotOpenWholeIsNeverWrittenOver) {
  const std::string passwd = dir.filePath("passwd.ztr").toStdString();
  WriteWholeFile(passwd, ReadWholeText("/etc/passwd"));
  ExpectNeverWrittenOver(w, tree, passwd, std::string(kNestLimitText), 0u);
}

TEST_F(NewUserGui, CutCatalogueIsNeverWrittenOver) {
  const std::string cut = dir.filePath("cut.ztr").toStdString();
  cli_test::TreeFileBytes()
      .Record("/data", 1, 0, 0, 1)
      .Record("sub", 2)
      .Record("x", 2)
      .WriteTo(cut);
  std::filesystem::resize_file(cut, 110);  // inside the last record's display part
  ExpectNeverWrittenOver(
      w, tree, cut, cut + " ends inside a record, so the directory tree may be incomplete.", 3u);
}

TEST_F(NewUserGui, CancelledLogOffAsksAgainOnClose) {
  w.Frame().m_bModified = true;
  w.SessionEnding();
  QTest::keyClick(w.View(), Qt::Key_Down);  // the user is back
  QString question;
  AnswerMessageBox(QMessageBox::Cancel, &question);
  EXPECT_FALSE(w.close());
  EXPECT_EQ(question, "Save current directory tree?");
  w.SessionEnding();
  EXPECT_TRUE(w.close()) << "while the session ends, no question";
}

// The user's settings file, where the README says, keeps a recent file
// whose name holds a comma.
TEST(SettingsGui, NativeFileKeepsRecentFilesWithCommas) {
  QTemporaryDir home;
  QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, home.path());
  const QString path = home.filePath("Local AppWizard-Generated Applications/ZTR.conf");
  QDir().mkpath(QFileInfo(path).path());
  QFile file(path);
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  file.write("[Recent File List]\nFile1=/home/ann/a, b.ztr\n");
  file.close();
  {
    QtProfileStore profile;
    EXPECT_EQ(profile.FileName(), path);
    CViewerApp app(profile);
    app.LoadStdProfileSettings();
    app.SaveStdProfileSettings();
  }
  QtProfileStore again;
  EXPECT_EQ(again.GetProfileString("Recent File List", "File1", nullptr), "/home/ann/a, b.ztr");
}

}  // namespace
