// ztr-tool scan writes the catalogue while it scans; the file must be the one
// the window saves after File New of the same folder, byte for byte.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QFileDialog>
#include <QTest>
#include <cstdlib>
#include <ctime>
#include <utility>

#include "app/resource.h"
#include "gui_support.h"
#include "support/program_runner.h"
#include "support/scratch_folder.h"

namespace {

constexpr char kFixtureVariable[] = "ZTR_SAME_BYTES_FIXTURE";

// In `s`/tree: links of every kind, names that are not UTF-8, folders that
// refuse entry or search to an ordinary user, dot folders, and a chain deeper
// than a tree file can hold.
void MakeFixture(const ScratchFolder& s) {
  s.Dir("tree");
  for (const char* folder : {"tree/docs", "tree/.git", "tree/caf\xe9"}) s.Dir(folder);
  // Last read after their last change, so that a look into them or at the
  // links (the folder chooser's) leaves their times alone.
  const time_t later = std::time(nullptr) + 3600;
  for (const char* file :
       {"tree/docs/guide.txt", "tree/.profile", "tree/.git/config", "tree/caf\xe9/men\xfc.txt"})
    s.File(file, 6, 1046700000, later);
  const struct timespec readLater[2] = {{later, 0}, {0, UTIME_OMIT}};
  for (const auto& [target, link] : {std::pair{"docs", "tree/link-to-folder"},
                                     {"docs/guide.txt", "tree/link-to-file"},
                                     {"nowhere", "tree/dangling"}}) {
    s.Link(target, link);
    ::utimensat(AT_FDCWD, (s / link).c_str(), readLater, AT_SYMLINK_NOFOLLOW);
  }
  s.Dir("tree/locked", 0700);
  s.Dir("tree/read-only", 0744);
  s.File("tree/read-only/secret", 1);
  std::string chain = "tree/chain";
  s.Dir(chain);
  for (int depth = 1; depth < 300; ++depth) s.Dir(chain += "/d");
  s.File(chain + "/bottom", 1);
  s.Dir("out", 0777);
}

void ChooseInFileDialog(const std::string& path, bool folder) {
  WhenModal([=](QWidget* modal) {
    auto* dialog = qobject_cast<QFileDialog*>(modal);
    if (!dialog) return;
    if (folder) {
      dialog->setDirectory(QString::fromStdString(path));
    } else {  // yes, create the new file
      WhenModal([](QWidget* box) {
        if (auto* ask = qobject_cast<QMessageBox*>(box)) ask->button(QMessageBox::Yes)->click();
      });
      PickFile(dialog, QString::fromStdString(path));
    }
    static_cast<QDialog*>(dialog)->accept();
  });
}

// Run by the test below, as the user the refusing folders refuse.
TEST(ScanFileGui, ToolFileEqualsWindowFileNewAndSave) {
  const char* fixture = std::getenv(kFixtureVariable);
  if (fixture == nullptr) GTEST_SKIP() << "run by ToolWritesTheFileTheWindowSaves";
  const std::string folder = std::string(fixture) + "/tree";
  const std::string windowFile = std::string(fixture) + "/out/window.ztr";
  const std::string toolFile = std::string(fixture) + "/out/tool.ztr";

  WindowFixture f;
  f.w.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&f.w));
  ChooseInFileDialog(folder, true);
  f.w.MenuAction(ID_FILE_NEW)->trigger();
  ASSERT_GT(f.tree.GetCount(), 200u);  // the chain, down to the nest limit
  ChooseInFileDialog(windowFile, false);
  f.w.MenuAction(ID_FILE_SAVE)->trigger();

  const ProgramResult scanned = RunProgram(ZTR_TOOL_PATH, {"scan", "-o", toolFile, folder});
  EXPECT_EQ(scanned.status, 0) << scanned.err;
  const Bytes window = ReadWholeFile(windowFile), tool = ReadWholeFile(toolFile);
  ASSERT_GT(window.size(), 0u);
  const auto differ = std::mismatch(window.begin(), window.end(), tool.begin(), tool.end());
  EXPECT_TRUE(differ.first == window.end() && differ.second == tool.end())
      << "first difference at byte " << (differ.first - window.begin()) << " of " << window.size()
      << " / " << tool.size();
}

TEST(ScanFileGui, ToolWritesTheFileTheWindowSaves) {
  if (std::getenv(kFixtureVariable) != nullptr) GTEST_SKIP();
  ScratchFolder scratch;
  MakeFixture(scratch);
  ::setenv(kFixtureVariable, scratch.Path().c_str(), 1);
  RunOptions asUser;
  asUser.asNobody = true;
  const ProgramResult run = RunProgram(
      "/proc/self/exe", {"--gtest_filter=ScanFileGui.ToolFileEqualsWindowFileNewAndSave"}, asUser);
  ::unsetenv(kFixtureVariable);
  EXPECT_EQ(run.status, 0) << run.out << run.err;
  EXPECT_NE(run.out.find("[  PASSED  ] 1 test"), std::string::npos) << run.out;
}

}  // namespace
