// ztr-tool find over catalogues with known labels.
#include <gtest/gtest.h>

#include "cli/tool_runner.h"
#include "cli/tree_file_bytes.h"

namespace cli_test {
namespace {

const std::string kReadme = "readme.txt   1234 bytes, 15/03/2003-10:22";
const std::string kReadmeUpper = "README.TXT   10 bytes, 15/03/2003-10:22";
const std::string kBackup = "notes.txt.bak   3 bytes, 01/02/2003-04:05";
const std::string kBread = "bread.doc   7 bytes, 01/02/2003-04:05";
const std::string kMakefile = "Makefile   9 bytes, 01/02/2003-04:05";
const std::string kMenu = "menu.txt   1 bytes, 01/02/2003-04:05";
const std::string kHosts = "hosts   4 bytes, 01/02/2003-04:05";

class FindCommand : public ::testing::Test {
 protected:
  void SetUp() override {
    const RawData file{0x20, 1, 0, 0, 0};
    TreeFileBytes()
        .Record("/data", 1, 0, 0, 1)
        .Record("docs", 2, 1, 2, 1)
        .Record(kReadme, 3, 5, 5, 0, 1, &file)
        .Record(kReadmeUpper, 3, 5, 5, 0, 1, &file)
        .Record(kBackup, 3, 5, 5, 0, 1, &file)
        .Record("Caf\xe9", 3, 1, 2, 1)  // a folder named on a Western Windows system
        .Record(kMenu, 4, 5, 5, 0, 1, &file)
        .Record(kBread, 2, 5, 5, 0, 1, &file)
        .Record(kMakefile, 2, 5, 5, 0, 1, &file)
        .WriteTo(temp / "one.ztr");
    TreeFileBytes()
        .Record("/", 1, 0, 0, 1)
        .Record("etc", 2, 1, 2, 1)
        .Record(kHosts, 3, 5, 5, 0, 1, &file)
        .Record("readme.txt", 2)
        .WriteTo(temp / "two.ztr");
    TreeFileBytes()
        .Record("/deep", 1)
        .Record("etc", 2)
        .Record("beyond", 200)
        .Record("etc", 1)
        .WriteTo(temp / "deep.ztr");
  }

  ToolResult Find(std::vector<std::string> args) {
    args.insert(args.begin(), "find");
    return RunTool(args, InFolder(temp.Path()));
  }

  ScratchFolder temp;
};

TEST_F(FindCommand, PrintsEachMatchWithItsPathInPreOrder) {
  const struct {
    std::vector<std::string> args;
    std::vector<std::string> lines;
  } cases[] = {
      // Substring, case ignored: the text is lower-cased as Find stores it.
      {{"read", "one.ztr"},
       {"/data/docs/" + kReadme, "/data/docs/" + kReadmeUpper, "/data/" + kBread}},
      {{"README", "one.ztr"}, {"/data/docs/" + kReadme, "/data/docs/" + kReadmeUpper}},
      {{"--match-case", "read", "one.ztr"}, {"/data/docs/" + kReadme, "/data/" + kBread}},
      {{"--match-case", "README", "one.ztr"}, {"/data/docs/" + kReadmeUpper}},
      // Only the name counts, not the size or the date.
      {{"1234", "one.ztr"}, {}},
      // Whole names.
      {{"--exact", "readme.txt", "one.ztr"},
       {"/data/docs/" + kReadme, "/data/docs/" + kReadmeUpper}},
      {{"--exact", "--match-case", "README.TXT", "one.ztr"}, {"/data/docs/" + kReadmeUpper}},
      {{"--exact", "readme", "one.ztr"}, {}},
      {{"--exact", "notes.txt", "one.ztr"}, {}},
      {{"notes.txt", "one.ztr"}, {"/data/docs/" + kBackup}},
      // Patterns: the stem and the extension each against their half.
      {{"*.txt", "one.ztr"},
       {"/data/docs/" + kReadme, "/data/docs/" + kReadmeUpper, "/data/docs/Caf\xc3\xa9/" + kMenu}},
      {{"--match-case", "*.TXT", "one.ztr"}, {"/data/docs/" + kReadmeUpper}},
      {{"--exact", "*.bak", "one.ztr"}, {"/data/docs/" + kBackup}},
      {{"*", "one.ztr"}, {"/data", "/data/docs", "/data/docs/Caf\xc3\xa9", "/data/" + kMakefile}},
      {{"read*", "one.ztr"}, {}},
      {{"?ake*.*", "one.ztr"}, {"/data/" + kMakefile}},
      // Under the root folder the path has one slash.
      {{"etc", "two.ztr"}, {"/etc"}},
      {{"hosts", "two.ztr"}, {"/etc/" + kHosts}},
  };
  for (const auto& c : cases) {
    std::string trace;
    for (const std::string& a : c.args) trace += a + " ";
    SCOPED_TRACE(trace);
    const ToolResult r = Find(c.args);
    EXPECT_EQ(r.status, c.lines.empty() ? 1 : 0);
    EXPECT_EQ(Lines(r.out), c.lines);
    EXPECT_EQ(r.err, "");
  }
}

TEST_F(FindCommand, SeveralFilesPrefixTheirNamesAndErrorsWinTheStatus) {
  const struct {
    std::vector<std::string> args;
    std::vector<std::string> lines;
    std::string err;
    int status;
  } cases[] = {
      {{"readme.txt", "one.ztr", "two.ztr"},
       {"one.ztr: /data/docs/" + kReadme, "one.ztr: /data/docs/" + kReadmeUpper,
        "two.ztr: /readme.txt"},
       "",
       0},
      {{"zqxnomatch", "one.ztr", "two.ztr"}, {}, "", 1},
      // An error in one file: the others are still searched, the status is 2.
      {{"etc", "missing.ztr", "two.ztr"},
       {"two.ztr: /etc"},
       "missing.ztr: ZTR: missing.ztr was not found.\n",
       2},
      {{"zqxnomatch", "one.ztr", "missing.ztr"},
       {},
       "missing.ztr: ZTR: missing.ztr was not found.\n",
       2},
      {{"etc", "missing.ztr"}, {}, "ZTR: missing.ztr was not found.\n", 2},
      // A file read only in part: what was read is searched.
      {{"etc", "deep.ztr"},
       {"/deep/etc"},
       "File Open: Maximum directory nest level exceeded!\n",
       2},
      {{"etc", "deep.ztr", "two.ztr"},
       {"deep.ztr: /deep/etc", "two.ztr: /etc"},
       "deep.ztr: File Open: Maximum directory nest level exceeded!\n",
       2},
  };
  for (const auto& c : cases) {
    std::string trace;
    for (const std::string& a : c.args) trace += a + " ";
    SCOPED_TRACE(trace);
    const ToolResult r = Find(c.args);
    EXPECT_EQ(r.status, c.status);
    EXPECT_EQ(Lines(r.out), c.lines);
    EXPECT_EQ(r.err, c.err);
  }
}

TEST_F(FindCommand, UsageErrorsExitWithTwo) {
  const std::vector<std::vector<std::string>> cases = {
      {}, {"text"}, {"", "one.ztr"}, {"--regex", "x", "one.ztr"}};
  for (const auto& args : cases) {
    const ToolResult r = Find(args);
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err.rfind("ztr-tool find: ", 0), 0u) << r.err;
    EXPECT_NE(r.err.find("Usage: ztr-tool find"), std::string::npos);
  }
}

TEST_F(FindCommand, TextStartingWithADashAfterDoubleDash) {
  TreeFileBytes().Record("/x", 1).Record("-rf", 2).WriteTo(temp / "dash.ztr");
  const ToolResult r = Find({"--exact", "--", "-rf", "dash.ztr"});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, "/x/-rf\n");
}

}  // namespace
}  // namespace cli_test
