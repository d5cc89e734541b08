// ztr-tool update over real folders: a catalogue scanned and marked, the
// folder changed on disk, the catalogue brought up to date.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <map>
#include <regex>

#include "cli/tool_catalogue.h"
#include "cli/tool_runner.h"
#include "support/tree_builder.h"
#include "tree/display_path.h"
#include "tree/tree_walk.h"

namespace cli_test {
namespace {

namespace fs = std::filesystem;

constexpr int64_t k2000 = 946684800;  // 01/01/2000 00:00 UTC

void Write(const std::string& path, const std::string& content) {
  fs::create_directories(fs::path(path).parent_path());
  std::ofstream(path, std::ios::binary) << content;
  const timespec times[2] = {{k2000, 0}, {k2000, 0}};
  ASSERT_EQ(::utimensat(AT_FDCWD, path.c_str(), times, 0), 0);
}

// Each node of a catalogue as its path, by `list --json`, with its state.
std::vector<std::pair<std::string, int>> Nodes(const std::string& catalogue) {
  static const std::regex kLine(R"re(\{"depth":(\d+),"label":"([^"]*)","state":(\d+),.*)re");
  std::vector<std::pair<std::string, int>> nodes;
  std::vector<std::string> above;
  for (const std::string& line : Lines(RunTool({"list", "--json", catalogue}).out)) {
    std::smatch m;
    if (!std::regex_match(line, m, kLine)) continue;
    above.resize(std::stoul(m[1]));
    const std::string label = m[2].str().substr(0, m[2].str().find("   "));  // a file's name
    nodes.emplace_back((above.empty() ? "" : above.back() + "/") + label, std::stoi(m[3]));
    above.push_back(nodes.back().first);
  }
  return nodes;
}

// Rewrites a catalogue: `edit` changes its tree, then it is saved.
void Edit(const std::string& catalogue, const std::function<void(CTreeCtrl&)>& edit) {
  ToolCatalogue tool;
  if (fs::exists(catalogue)) {
    ASSERT_TRUE(tool.Load(catalogue));
  }
  edit(tool.Tree());
  ASSERT_FALSE(SaveTreeFile(catalogue, tool.Tree(), nullptr));
}

class UpdateCommand : public ::testing::Test {
 protected:
  void SetUp() override {
    ::chmod(temp.Path().c_str(), 0777);  // nobody writes the catalogue here
    for (const char* file : {"docs/guide.txt", "docs/old.txt", "movable/m.txt", "album/a.jpg",
                             "album/b.jpg", "secret/s.txt", "top.bin", "usb1/x"})
      Write(root + "/" + file, file);
    fs::create_directory(root + "/pics");
    fs::rename(root + "/usb1", usb);
    ASSERT_EQ(RunTool({"scan", "-o", catalogue, root, usb}).status, 0);
    ::chmod(catalogue.c_str(), 0666);
  }

  ScratchFolder temp;
  std::string root = temp / "root";
  std::string usb = temp / "usb1";
  std::string catalogue = temp / "c.ztr";
};

TEST_F(UpdateCommand, KeepsMarksAndMatchesAFreshScan) {
  const std::vector<std::string> marked = {"docs/guide.txt", "docs/old.txt", "movable/m.txt",
                                           "album/a.jpg", "secret/s.txt"};
  Edit(catalogue, [&](CTreeCtrl& tree) {
    for (HTREEITEM n = tree.GetRootItem(); n; n = NextInPreOrder(tree, n)) {
      const std::string path = DisplayPath(tree, n);
      for (const std::string& m : marked)
        if (path.starts_with(root + "/" + m + "   ")) tree.SetCheck(n, true);
    }
  });
  Write(root + "/docs/new.txt", "new!");
  fs::remove(root + "/docs/old.txt");
  Write(root + "/top.bin", "top.bin grown");
  fs::rename(root + "/movable/m.txt", root + "/docs/m.txt");
  fs::rename(root + "/album", root + "/pics/album");
  ::chmod((root + "/secret").c_str(), 0);
  fs::remove_all(usb);
  RunOptions asNobody;
  asNobody.asNobody = true;

  const std::string before = temp / "before.ztr";
  fs::copy_file(catalogue, before);
  const ToolResult dry = RunTool({"update", "--dry-run", catalogue}, asNobody);
  EXPECT_EQ(dry.status, 1) << dry.err;
  const ToolResult updated = RunTool({"update", catalogue}, asNobody);
  EXPECT_EQ(updated.status, 1) << updated.err;
  EXPECT_EQ(dry.out, updated.out);
  // diff of the catalogue before and after says the same, a move as such
  // in JSON too, and as a removal and an addition without moves.
  EXPECT_EQ(RunTool({"diff", before, catalogue}).out, updated.out);
  const std::string json = RunTool({"diff", "--json", before, catalogue}).out;
  EXPECT_NE(json.find(R"({"change":"moved","path":")" + root + R"(/docs/m.txt","from":")" + root +
                      R"(/movable/m.txt","kind":"file","old":{"size":13,)"),
            std::string::npos)
      << json;
  const std::string apart = RunTool({"diff", "--no-moves", before, catalogue}).out;
  EXPECT_NE(apart.find("+ " + root + "/docs/m.txt\n"), std::string::npos) << apart;
  EXPECT_NE(apart.find("- " + root + "/movable/m.txt\n"), std::string::npos) << apart;
  for (const std::string& line : Lines(apart)) EXPECT_NE(line[0], '>') << line;
  const std::string r = root;
  std::vector<std::string> expected = {
      "> " + r + "/movable/m.txt -> " + r + "/docs/m.txt",
      "+ " + r + "/docs/new.txt",
      "- " + r + "/docs/old.txt",
      "> " + r + "/album -> " + r + "/pics/album   folder, 2 files, 22 bytes",
      "! " + r + "/secret   unreadable in NEW [Permission denied]",
      "~ " + r + "/top.bin   7 bytes, 01/01/2000-00:00 -> 13 bytes, 01/01/2000-00:00",
  };
  std::vector<std::string> lines = Lines(updated.out);
  std::sort(lines.begin(), lines.end());
  std::sort(expected.begin(), expected.end());
  EXPECT_EQ(lines, expected);
  EXPECT_EQ(updated.err,
            "ztr-tool update: not attached, kept as it was: " + usb +
                "\nztr-tool update: 1 added (1 file, 4 bytes), 1 removed (1 file, 12 bytes), 1 "
                "changed (7 -> 13 bytes), 2 moved (3 files, 35 bytes), 1 unreadable on one "
                "side\n");

  // The catalogue is a fresh scan but for the marks, and the missing disk is kept.
  ASSERT_EQ(RunTool({"scan", "-o", temp / "fresh.ztr", root}, asNobody).status, 0);
  const auto nodes = Nodes(catalogue), fresh = Nodes(temp / "fresh.ztr");
  ASSERT_EQ(nodes.size(), fresh.size() + 2);
  for (size_t i = 0; i < fresh.size(); ++i) EXPECT_EQ(nodes[i].first, fresh[i].first);
  EXPECT_EQ(nodes[fresh.size()].first, usb);
  const std::map<std::string, int> states = {{"", 3},
                                             {"/docs", 3},
                                             {"/docs/guide.txt", 2},
                                             {"/docs/m.txt", 2},
                                             {"/docs/new.txt", 1},
                                             {"/movable", 1},
                                             {"/pics", 3},
                                             {"/pics/album", 3},
                                             {"/pics/album/a.jpg", 2},
                                             {"/pics/album/b.jpg", 1},
                                             {"/secret [Permission denied]", 4},
                                             {"/top.bin", 1}};
  for (const auto& [path, state] : nodes)
    if (path.starts_with(root)) {
      ASSERT_TRUE(states.contains(path.substr(root.size()))) << path;
      EXPECT_EQ(state, states.at(path.substr(root.size()))) << path;
    }

  // Again: nothing changed, nothing written.
  const auto written = fs::last_write_time(catalogue);
  const ToolResult again = RunTool({"update", catalogue}, asNobody);
  EXPECT_EQ(again.status, 0);
  EXPECT_EQ(again.out, "");
  EXPECT_EQ(fs::last_write_time(catalogue), written);
}

// Trouble before the scan leaves the file alone; tops that are no folder
// now are kept and named, and two of one path are both updated.
TEST_F(UpdateCommand, BadInputsAndOddTopNodes) {
  const std::string cut = temp / "cut.ztr";
  fs::copy_file(catalogue, cut);
  fs::resize_file(cut, fs::file_size(cut) - 5);
  const uintmax_t cutSize = fs::file_size(cut);
  const std::string ncduExport = temp / "export.json";
  Write(ncduExport, "[1,2,{},[{\"name\":\"" + root + "\"}]]");
  for (const std::string& bad : {cut, std::string(temp / "missing.ztr"), ncduExport}) {
    const ToolResult r = RunTool({"update", bad});
    EXPECT_EQ(r.status, 2) << bad;
    EXPECT_EQ(r.out, "");
    EXPECT_NE(r.err, "");
  }
  EXPECT_EQ(fs::file_size(cut), cutSize);
  EXPECT_EQ(ReadWholeText(ncduExport), "[1,2,{},[{\"name\":\"" + root + "\"}]]");
  EXPECT_FALSE(fs::exists(temp / "missing.ztr"));

  const std::string odd = temp / "odd.ztr";
  const std::string file = root + "/top.bin";
  ASSERT_EQ(RunTool({"scan", "-o", odd, root, root}).status, 0);
  Edit(odd, [&](CTreeCtrl& tree) {
    AddFolder(tree, "photos");
    AddFolder(tree, file);
  });
  Write(root + "/added.txt", "+");
  const ToolResult r = RunTool({"update", odd});
  EXPECT_EQ(r.status, 1) << r.err;
  EXPECT_EQ(r.out, "+ " + root + "/added.txt\n+ " + root + "/added.txt\n");
  EXPECT_EQ(r.err.substr(0, r.err.find("\nztr-tool update: 2 added")),
            "ztr-tool update: not a folder path, kept as it was: photos\n"
            "ztr-tool update: not a folder now, kept as it was: " +
                file);
  const auto nodes = Nodes(odd);
  EXPECT_EQ(std::count(nodes.begin(), nodes.end(), std::pair{root + "/added.txt", 1}), 2);
  EXPECT_EQ(nodes[nodes.size() - 2].first, "photos");
  EXPECT_EQ(nodes.back().first, file);
}

// Interrupted, the update leaves the old catalogue and no file beside it.
TEST_F(UpdateCommand, InterruptedUpdateLeavesTheOldFile) {
  const std::string big = temp / "big.ztr";
  Edit(big, [](CTreeCtrl& tree) { AddFolder(tree, "/usr"); });
  const std::string before = ReadWholeText(big);
  const pid_t tool = StartTool({"update", big});
  ::usleep(300'000);
  ::kill(tool, SIGTERM);
  EXPECT_EQ(WaitForChild(tool), 143);
  EXPECT_EQ(ReadWholeText(big), before);
  for (const auto& entry : fs::directory_iterator(temp.Path()))
    EXPECT_NE(entry.path().extension(), ".tmp");
}

}  // namespace
}  // namespace cli_test
