// ztr-tool scan, checked through ztr-tool list of what it wrote.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <pty.h>
#include <sys/stat.h>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <utility>

#include "cli/tool_runner.h"

namespace cli_test {
namespace {

namespace fs = std::filesystem;

constexpr uint64_t kFileTimeOfUnixEpoch = 116444736000000000;
constexpr int64_t k2003_03_03_1405 = 1046700300;  // 03/03/2003 14:05 UTC
constexpr int64_t k2000_01_01_0000 = 946684800;
constexpr int64_t k2001_01_01_0000 = 978307200;

uint64_t FileTimeOf(int64_t unixSeconds) {
  return kFileTimeOfUnixEpoch + static_cast<uint64_t>(unixSeconds) * 10'000'000;
}

void MakeFile(const std::string& path, const std::string& content, int64_t lastWrite,
              int64_t lastAccess) {
  std::ofstream(path, std::ios::binary) << content;
  const timespec times[2] = {{lastAccess, 0}, {lastWrite, 0}};
  ASSERT_EQ(::utimensat(AT_FDCWD, path.c_str(), times, 0), 0);
}

// root/ holding docs/guide.txt and top.bin: one entry of each kind per
// folder, so the order does not depend on the file system's listing order.
class ScanCommand : public ::testing::Test {
 protected:
  void SetUp() override {
    root = temp / "root";
    fs::create_directories(root + "/docs");
    MakeFile(root + "/docs/guide.txt", "guide\n", k2003_03_03_1405, k2001_01_01_0000);
    MakeFile(root + "/top.bin", "12345", k2000_01_01_0000, k2000_01_01_0000);
    out = temp / "out.ztr";
  }

  std::vector<std::string> List(const std::vector<std::string>& extra = {}) {
    std::vector<std::string> args = {"list"};
    args.insert(args.end(), extra.begin(), extra.end());
    args.push_back(out);
    const ToolResult listed = RunTool(args);
    EXPECT_EQ(listed.status, 0) << listed.err;
    EXPECT_EQ(listed.err, "");
    return Lines(listed.out);
  }

  ScratchFolder temp;
  std::string root;
  std::string out;
};

TEST_F(ScanCommand, ScannedFolderListsAsTheWindowShowsIt) {
  const ToolResult scanned = RunTool({"scan", "-o", out, root});
  ASSERT_EQ(scanned.status, 0) << scanned.err;
  EXPECT_EQ(scanned.out, "");
  EXPECT_EQ(scanned.err, "");

  EXPECT_EQ(List(), (std::vector<std::string>{
                        root,
                        "  docs",
                        "    guide.txt   6 bytes, 03/03/2003-14:05",
                        "  top.bin   5 bytes, 01/01/2000-00:00",
                    }));

  // Creation times cannot be set from here; the rest is exact.
  std::vector<std::string> json = List({"--json"});
  for (std::string& line : json) {
    const size_t at = line.find("\"creation\":");
    if (at == std::string::npos) continue;
    const size_t from = at + 11;
    line.replace(from, line.find_first_not_of("0123456789", from) - from, "C");
  }
  const std::string guideTimes =
      "\"creation\":C,\"lastAccess\":" + std::to_string(FileTimeOf(k2001_01_01_0000)) +
      ",\"lastWrite\":" + std::to_string(FileTimeOf(k2003_03_03_1405));
  const std::string topTimes =
      "\"creation\":C,\"lastAccess\":" + std::to_string(FileTimeOf(k2000_01_01_0000)) +
      ",\"lastWrite\":" + std::to_string(FileTimeOf(k2000_01_01_0000));
  EXPECT_EQ(json, (std::vector<std::string>{
                      "{\"depth\":0,\"label\":\"" + root +
                          "\",\"state\":1,\"image\":0,\"selectedImage\":0,\"children\":1,"
                          "\"data\":null}",
                      "{\"depth\":1,\"label\":\"docs\",\"state\":1,\"image\":1,"
                      "\"selectedImage\":2,\"children\":1,\"data\":null}",
                      "{\"depth\":2,\"label\":\"guide.txt   6 bytes, 03/03/2003-14:05\","
                      "\"state\":1,\"image\":5,\"selectedImage\":5,\"children\":0,"
                      "\"data\":{\"attributes\":32,\"size\":6," +
                          guideTimes + "}}",
                      "{\"depth\":1,\"label\":\"top.bin   5 bytes, 01/01/2000-00:00\","
                      "\"state\":1,\"image\":5,\"selectedImage\":5,\"children\":0,"
                      "\"data\":{\"attributes\":32,\"size\":5," +
                          topTimes + "}}",
                  }));
}

TEST_F(ScanCommand, FoldersGoSideBySideInTheOrderGiven) {
  const ToolResult scanned = RunTool({"scan", "-o", out, root + "/docs", root, root + "/docs"});
  ASSERT_EQ(scanned.status, 0) << scanned.err;
  EXPECT_EQ(List(), (std::vector<std::string>{
                        root + "/docs",
                        "  guide.txt   6 bytes, 03/03/2003-14:05",
                        root,
                        "  docs",
                        "    guide.txt   6 bytes, 03/03/2003-14:05",
                        "  top.bin   5 bytes, 01/01/2000-00:00",
                        root + "/docs",
                        "  guide.txt   6 bytes, 03/03/2003-14:05",
                    }));
}

TEST_F(ScanCommand, RelativeFolderBecomesTheFullPathADialogGives) {
  const struct {
    std::string typed;
    std::string workingDir;
    std::string label;
  } cases[] = {
      {"root", temp.Path(), root},           {"./root/", temp.Path(), root},
      {"root//docs/..", temp.Path(), root},  {"root/docs/.", temp.Path(), root + "/docs"},
      {".", root + "/docs", root + "/docs"}, {"..", root + "/docs", root},
      {"../../root", root + "/docs", root},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.typed + " in " + c.workingDir);
    // The output name is relative too: it is taken from the same folder.
    const ToolResult scanned = RunTool({"scan", "-o", "rel.ztr", c.typed}, InFolder(c.workingDir));
    ASSERT_EQ(scanned.status, 0) << scanned.err;
    const ToolResult listed = RunTool({"list", c.workingDir + "/rel.ztr"});
    ASSERT_EQ(listed.status, 0) << listed.err;
    EXPECT_EQ(Lines(listed.out).at(0), c.label);
    fs::remove(c.workingDir + "/rel.ztr");
  }
}

TEST_F(ScanCommand, FolderThatCannotBeEnteredIsKeptWithItsReason) {
  const std::string ghost = temp / "ghost";
  const ToolResult scanned = RunTool({"scan", "-o", out, ghost, root + "/docs"});
  ASSERT_EQ(scanned.status, 0);
  const std::string label = ghost + " [No such file or directory]";
  EXPECT_EQ(scanned.err, "ztr-tool scan: could not enter " + label + "\n");
  EXPECT_EQ(List(), (std::vector<std::string>{label, root + "/docs",
                                              "  guide.txt   6 bytes, 03/03/2003-14:05"}));
  EXPECT_NE(List({"--json"}).at(0).find("\"state\":4"), std::string::npos);
}

TEST_F(ScanCommand, ExistingFileIsReplaced) {
  std::ofstream(out) << "old contents";
  ASSERT_EQ(RunTool({"scan", "-o", out, root + "/docs"}).status, 0);
  EXPECT_EQ(List().at(0), root + "/docs");
}

TEST_F(ScanCommand, FailuresAndUsageErrorsExitWithTwo) {
  fs::create_directory(temp / "a-folder");
  const struct {
    const char* what;
    std::vector<std::string> args;
    std::string errStart;   // stderr starts so
    std::string errHolds;   // and holds this
    std::string untouched;  // this path is not created (or stays a folder)
  } cases[] = {
      {"a place that does not exist",
       {"scan", "-o", "/nonexistent-dir/x.ztr", root},
       "ztr-tool scan: ",
       "/nonexistent-dir/x.ztr",
       "/nonexistent-dir"},
      {"a folder as the file",
       {"scan", "-o", temp / "a-folder", root},
       "ztr-tool scan: ",
       temp / "a-folder",
       ""},
      {"no -o", {"scan", root}, "ztr-tool scan: ", "Usage: ztr-tool scan", ""},
      {"-o without a name", {"scan", root, "-o"}, "ztr-tool scan: ", "Usage: ztr-tool scan", ""},
      {"no folder", {"scan", "-o", out}, "ztr-tool scan: ", "Usage: ztr-tool scan", out},
      {"an unknown option", {"scan", "-x", "-o", out, root}, "ztr-tool scan: ", "'-x'", out},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const ToolResult r = RunTool(c.args);
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err.substr(0, c.errStart.size()), c.errStart) << r.err;
    EXPECT_NE(r.err.find(c.errHolds), std::string::npos) << r.err;
    if (!c.untouched.empty()) {
      EXPECT_FALSE(fs::exists(c.untouched));
    }
  }
  EXPECT_TRUE(fs::is_directory(temp / "a-folder"));
  EXPECT_TRUE(fs::is_empty(temp / "a-folder"));
}

// Interrupted while it scans into its temporary file, the tool leaves the
// old file as it was and nothing beside it.
TEST_F(ScanCommand, InterruptedScanLeavesTheOldFile) {
  auto tempFileShows = [&] {
    for (const auto& entry : fs::directory_iterator(temp.Path()))
      if (entry.path().extension() == ".tmp") return true;
    return false;
  };
  for (const auto& [signal, status] : {std::pair{SIGINT, 130}, {SIGTERM, 143}}) {
    SCOPED_TRACE(signal);
    std::ofstream(out) << "old contents";
    const pid_t tool = StartTool({"scan", "-o", out, "/usr"});
    for (int i = 0; i < 20000 && !tempFileShows(); ++i) ::usleep(500);
    EXPECT_TRUE(tempFileShows());
    ::kill(tool, signal);
    EXPECT_EQ(WaitForChild(tool), status);
    EXPECT_EQ(fs::file_size(out), 12u);
    EXPECT_FALSE(tempFileShows());
  }
}

TEST_F(ScanCommand, DoubleDashEndsTheOptions) {
  fs::create_directory(temp / "-dash");
  const ToolResult scanned = RunTool({"scan", "-o", out, "--", "-dash"}, InFolder(temp.Path()));
  ASSERT_EQ(scanned.status, 0) << scanned.err;
  EXPECT_EQ(List(), std::vector<std::string>{temp / "-dash"});
}

}  // namespace
}  // namespace cli_test

namespace cli_test {
namespace {

// On a terminal scan and import-ncdu draw one progress line on stderr, never
// wider than the terminal, and wipe it at the end; --quiet draws nothing.
TEST(ProgressLine, DrawnWithinTheTerminalAndWipedAtTheEnd) {
  ScratchFolder temp;
  // An export that comes in two parts a while apart, as from a slow ncdu.
  const std::string slowImport =
      "{ printf '[1,2,{},[{\"name\":\"/x\"}'; for p in 1 2; do seq -f ',{\"name\":\"%g\"}' "
      "2000; sleep 0.3; done; echo ']]'; } | \"$0\" import-ncdu - -o \"$1\" $2";
  const struct {
    bool quiet;
    std::vector<std::string> command;
  } cases[] = {
      {false, {ZTR_TOOL_PATH, "scan", "-o", temp / "x.ztr", "/usr/share"}},
      {true, {ZTR_TOOL_PATH, "scan", "-o", temp / "x.ztr", "--quiet", "/usr/include"}},
      {false, {"sh", "-c", slowImport, ZTR_TOOL_PATH, temp / "y.ztr"}},
      {true, {"sh", "-c", slowImport, ZTR_TOOL_PATH, temp / "y.ztr", "--quiet"}},
  };
  for (const auto& [quiet, command] : cases) {
    SCOPED_TRACE(command[1] + (quiet ? " quiet" : ""));
    struct winsize size {};
    size.ws_col = 50;
    size.ws_row = 24;
    int terminal = -1;
    const pid_t tool = ::forkpty(&terminal, nullptr, nullptr, &size);
    ASSERT_GE(tool, 0);
    if (tool == 0) ExecProgram(command[0], {command.begin() + 1, command.end()});
    std::string shown;
    char buffer[4096];
    pollfd ready{terminal, POLLIN, 0};
    for (ssize_t n; ::poll(&ready, 1, kChildSeconds * 1000) > 0 &&
                    (n = ::read(terminal, buffer, sizeof buffer)) > 0;)
      shown.append(buffer, static_cast<size_t>(n));
    ::close(terminal);
    EXPECT_EQ(WaitForChild(tool), 0);
    if (quiet) {
      EXPECT_EQ(shown, "");
      continue;
    }
    // Each drawing starts with a carriage return; the last one is blank.
    ASSERT_TRUE(shown.starts_with('\r') && shown.ends_with('\r')) << shown;
    std::vector<std::string> drawings;
    for (size_t at = 1, next; at < shown.size(); at = next + 1) {
      next = shown.find('\r', at);
      drawings.push_back(shown.substr(at, next - at));
    }
    ASSERT_GE(drawings.size(), 2u);
    EXPECT_NE(drawings.front().find(" folders, "), std::string::npos) << drawings.front();
    EXPECT_EQ(drawings.back().find_first_not_of(' '), std::string::npos);
    for (const std::string& line : drawings) {
      const auto characters =
          std::count_if(line.begin(), line.end(), [](char c) { return (c & 0xC0) != 0x80; });
      EXPECT_LT(characters, 50) << line;
    }
  }
}

}  // namespace
}  // namespace cli_test
