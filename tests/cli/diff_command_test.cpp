// ztr-tool diff over real folders: a scan, changes on disk, then the
// catalogues and the live folder compared.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <filesystem>
#include <fstream>

#include "cli/tool_runner.h"

namespace cli_test {
namespace {

namespace fs = std::filesystem;

constexpr int64_t k2000 = 946684800;  // 01/01/2000 00:00 UTC
constexpr int64_t k2001 = 978307200;  // 01/01/2001 00:00 UTC
constexpr uint64_t k2000FileTime = 125911584000000000;
constexpr uint64_t k2001FileTime = 126227808000000000;

void Write(const std::string& path, const std::string& content, int64_t lastWrite = k2000) {
  fs::create_directories(fs::path(path).parent_path());
  std::ofstream(path, std::ios::binary) << content;
  const timespec times[2] = {{lastWrite, 0}, {lastWrite, 0}};
  ASSERT_EQ(::utimensat(AT_FDCWD, path.c_str(), times, 0), 0);
}

std::vector<std::string> SortedLines(const std::string& text) {
  std::vector<std::string> lines = Lines(text);
  std::sort(lines.begin(), lines.end());
  return lines;
}

class DiffCommand : public ::testing::Test {
 protected:
  void SetUp() override {
    root = temp / "root";
    Write(root + "/docs/guide.txt", "guide\n");
    Write(root + "/docs/old.txt", "old");
    Write(root + "/top.bin", "12345");
    Write(root + "/touched.txt", "same");
    Write(root + "/gone/sub/x", "xx");
    Write(root + "/gone/y", "yyy");
    Write(root + "/kind", "a file, then a folder");
    Scan(before);
  }

  // What a user does between two scans.
  void ChangeFolder() {
    Write(root + "/docs/new.txt", "new!");
    fs::remove(root + "/docs/old.txt");
    Write(root + "/top.bin", "1234567");
    Write(root + "/touched.txt", "same", k2001);
    fs::remove_all(root + "/gone");
    Write(root + "/fresh/inner/deep.txt", "deep");
    Write(root + "/fresh/f.txt", "f");
    fs::remove(root + "/kind");
    Write(root + "/kind/in", "in");
  }

  void Scan(const std::string& out, const RunOptions& options = {}) {
    const ToolResult scanned = RunTool({"scan", "-o", out, root}, options);
    ASSERT_EQ(scanned.status, 0) << scanned.err;
  }

  // Sorted lines with T0 and T1 made the raw times of 2000 and 2001 and @ the root.
  std::vector<std::string> Expand(std::vector<std::string> lines) const {
    for (std::string& line : lines) {
      for (const auto& [from, to] : {std::pair{"T0", k2000FileTime}, {"T1", k2001FileTime}}) {
        for (size_t at; (at = line.find(from)) != std::string::npos;)
          line.replace(at, 2, std::to_string(to));
      }
      line.replace(line.find('@'), 1, root);
    }
    std::sort(lines.begin(), lines.end());
    return lines;
  }

  ScratchFolder temp;
  std::string root;
  std::string before = temp / "before.ztr";
  std::string after = temp / "after.ztr";
};

TEST_F(DiffCommand, ReportsEachChangeOnceAgainstCatalogueAndLiveFolder) {
  ChangeFolder();
  Scan(after);
  const std::vector<std::string> plain = Expand({
      "+ @/docs/new.txt",
      "+ @/fresh   folder, 2 files, 5 bytes",
      "+ @/kind   folder, 1 file, 2 bytes",
      "- @/docs/old.txt",
      "- @/gone   folder, 2 files, 5 bytes",
      "- @/kind",
      "~ @/top.bin   5 bytes, 01/01/2000-00:00 -> 7 bytes, 01/01/2000-00:00",
      "~ @/touched.txt   4 bytes, 01/01/2000-00:00 -> 4 bytes, 01/01/2001-00:00",
  });
  const std::vector<std::string> json = Expand({
      R"({"change":"added","path":"@/docs/new.txt","kind":"file","new":{"size":4,"lastWrite":T0}})",
      R"({"change":"added","path":"@/fresh","kind":"folder","new":{"files":2,"bytes":5}})",
      R"({"change":"added","path":"@/kind","kind":"folder","new":{"files":1,"bytes":2}})",
      R"({"change":"removed","path":"@/docs/old.txt","kind":"file","old":{"size":3,"lastWrite":T0}})",
      R"({"change":"removed","path":"@/gone","kind":"folder","old":{"files":2,"bytes":5}})",
      R"({"change":"removed","path":"@/kind","kind":"file","old":{"size":21,"lastWrite":T0}})",
      R"({"change":"changed","path":"@/top.bin","kind":"file",)"
      R"("old":{"size":5,"lastWrite":T0},"new":{"size":7,"lastWrite":T0}})",
      R"({"change":"changed","path":"@/touched.txt","kind":"file",)"
      R"("old":{"size":4,"lastWrite":T0},"new":{"size":4,"lastWrite":T1}})",
  });
  for (const std::string& newSide : {after, root}) {
    for (const bool asJson : {false, true}) {
      SCOPED_TRACE(newSide + (asJson ? " --json" : ""));
      const ToolResult diff = asJson ? RunTool({"diff", "--json", before, newSide})
                                     : RunTool({"diff", before, newSide});
      EXPECT_EQ(diff.status, 1);
      EXPECT_EQ(SortedLines(diff.out), asJson ? json : plain);
      EXPECT_EQ(diff.err,
                "ztr-tool diff: 3 added (4 files, 11 bytes), 3 removed (4 files, 29 bytes), "
                "2 changed (9 -> 11 bytes)\n");
      // Pre-order of the new tree: a folder's entries follow it, files after folders.
      const std::vector<std::string> lines = Lines(diff.out);
      EXPECT_LT(std::find_if(lines.begin(), lines.end(),
                             [](auto& l) { return l.find("fresh") != l.npos; }),
                std::find_if(lines.begin(), lines.end(),
                             [](auto& l) { return l.find("top.bin") != l.npos; }));
    }
  }
}

TEST_F(DiffCommand, SameTreeAnywhereIsNoDifference) {
  // A copy elsewhere: the single top-level folders are matched whatever their paths.
  fs::copy(root, temp / "copy", fs::copy_options::recursive);
  for (const fs::path& p : fs::recursive_directory_iterator(temp / "copy")) {
    if (fs::is_regular_file(p))
      fs::last_write_time(p, fs::last_write_time(root / fs::relative(p, temp / "copy")));
  }
  for (const std::string& other : {before, root, temp / "copy"}) {
    const ToolResult diff = RunTool({"diff", before, other});
    EXPECT_EQ(diff.status, 0) << other << diff.err;
    EXPECT_EQ(diff.out + diff.err, "") << other;
  }
}

TEST_F(DiffCommand, TroubleIsStatusTwoWithoutComparing) {
  for (const auto& args : std::vector<std::vector<std::string>>{
           {"diff", before, temp / "missing.ztr"},
           {"diff", temp / "missing.ztr", before},
           {"diff", before},
       }) {
    const ToolResult diff = RunTool(args);
    EXPECT_EQ(diff.status, 2) << args.back();
    EXPECT_EQ(diff.out, "");
    EXPECT_NE(diff.err, "");
  }
}

TEST_F(DiffCommand, FolderNotEnteredOnOneSideIsOneLine) {
  ::chmod(temp.Path().c_str(), 0777);  // nobody writes its catalogue here
  ::chmod((root + "/gone").c_str(), 0);
  const std::string locked = temp / "locked.ztr";
  RunOptions asNobody;
  asNobody.asNobody = true;
  Scan(locked, asNobody);
  const ToolResult notScanned = RunTool({"diff", before, root + "/gone"}, asNobody);
  EXPECT_EQ(notScanned.status, 2);
  EXPECT_EQ(notScanned.err,
            "ztr-tool diff: could not enter " + root + "/gone [Permission denied]\n");
  ::chmod((root + "/gone").c_str(), 0755);
  const std::string line = root + "/gone   unreadable in OLD [Permission denied]\n";
  EXPECT_EQ(RunTool({"diff", locked, before}).out, "! " + line);
  EXPECT_EQ(
      RunTool({"diff", "--json", before, locked}).out,
      R"({"change":"unreadable","path":")" + root +
          R"(/gone","kind":"folder","old":{"files":2,"bytes":5},"new":{"unreadable":"Permission denied"}})"
          "\n");
}

}  // namespace
}  // namespace cli_test
