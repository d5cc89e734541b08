// ztr-tool list of tree files written byte by byte.
#include <gtest/gtest.h>

#include <filesystem>

#include "cli/tool_runner.h"
#include "cli/tree_file_bytes.h"

namespace cli_test {
namespace {

class ListCommand : public ::testing::Test {
 protected:
  ToolResult List(const TreeFileBytes& bytes, bool json = false) {
    bytes.WriteTo(file);
    return json ? RunTool({"list", "--json", file}) : RunTool({"list", file});
  }

  ScratchFolder temp;
  std::string file = temp / "tree.ztr";
};

TEST_F(ListCommand, DepthFollowsTheLevels) {
  const ToolResult r = List(TreeFileBytes()
                                .Record("/top", 1, 0, 0, 1)
                                .Record("a", 2)
                                .Record("a1", 3)
                                .Record("a2", 3)
                                .Record("b", 2)
                                .Record("/second", 1, 0, 0, 1)
                                .Record("c", 2));
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.err, "");
  EXPECT_EQ(r.out, "/top\n  a\n    a1\n    a2\n  b\n/second\n  c\n");
}

TEST_F(ListCommand, JsonGivesEveryFieldOfTheRecord) {
  const RawData data{0x21, 5'000'000'000, 0xFFFFFFFFFFFFFFFF, 1, 0x01C2E1B27E4A0000};
  const ToolResult r =
      List(TreeFileBytes()
               .Record("/top", 1, 0, 0, 1, 3)
               .Record("big.iso   5000000000 bytes, 01/02/2003-04:05", 2, 5, 5, 0, 2, &data)
               .Record("no mark", 2, 3, 4, 7, 0),
           true);
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out,
            "{\"depth\":0,\"label\":\"/top\",\"state\":3,\"image\":0,\"selectedImage\":0,"
            "\"children\":1,\"data\":null}\n"
            "{\"depth\":1,\"label\":\"big.iso   5000000000 bytes, 01/02/2003-04:05\","
            "\"state\":2,\"image\":5,\"selectedImage\":5,\"children\":0,\"data\":{"
            "\"attributes\":33,\"size\":5000000000,\"creation\":18446744073709551615,"
            "\"lastAccess\":1,\"lastWrite\":126911896259002368}}\n"
            "{\"depth\":1,\"label\":\"no mark\",\"state\":0,\"image\":3,\"selectedImage\":4,"
            "\"children\":1,\"data\":null}\n");
}

TEST_F(ListCommand, LabelsComeOutAsValidUtf8) {
  const struct {
    const char* what;
    std::string label;
    std::string plain;
    std::string json;
  } cases[] = {
      {"Windows-1252", "caf\xe9", "caf\xc3\xa9", "\"caf\xc3\xa9\""},
      {"UTF-8 kept", "caf\xc3\xa9", "caf\xc3\xa9", "\"caf\xc3\xa9\""},
      {"cp1252 punctuation", "\x80 \x93q\x94 \x9f",
       "\xe2\x82\xac \xe2\x80\x9cq\xe2\x80\x9d \xc5\xb8",
       "\"\xe2\x82\xac \xe2\x80\x9cq\xe2\x80\x9d \xc5\xb8\""},
      {"a cut UTF-8 character", "ab\xc3", "ab\xc3\x83", "\"ab\xc3\x83\""},
      {"quotes and controls",
       "a\"b\\c\nd\te\x01"
       "f\x1f",
       "a\"b\\c\nd\te\x01"
       "f\x1f",
       "\"a\\\"b\\\\c\\nd\\te\\u0001f\\u001f\""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const TreeFileBytes bytes = TreeFileBytes().Record(c.label, 1);
    const ToolResult plain = List(bytes);
    EXPECT_EQ(plain.status, 0);
    EXPECT_EQ(plain.out, c.plain + "\n");
    const ToolResult json = List(bytes, true);
    EXPECT_EQ(json.out, "{\"depth\":0,\"label\":" + c.json +
                            ",\"state\":1,\"image\":1,\"selectedImage\":2,\"children\":0,"
                            "\"data\":null}\n");
  }
}

TEST_F(ListCommand, NestLimitIsReportedAfterTheNodesBeforeIt) {
  const ToolResult r =
      List(TreeFileBytes()
               .Record("/top", 1)
               .Record("inner", 199)  // deepest allowed; no node at 198, so at the top
               .Record("sub", 2)
               .Record("too deep", 200)
               .Record("never read", 1));
  EXPECT_EQ(r.out, "/top\n  sub\ninner\n");
  EXPECT_EQ(r.err, "File Open: Maximum directory nest level exceeded!\n");
  // The listing is not the whole file.
  EXPECT_EQ(r.status, 2);
}

TEST_F(ListCommand, EmptyFileListsNothing) {
  const ToolResult r = List(TreeFileBytes());
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, "");
  EXPECT_EQ(r.err, "");
}

TEST_F(ListCommand, FailuresExitWithTwo) {
  TreeFileBytes().Record("x", 1).WriteTo(file);
  const struct {
    const char* what;
    std::vector<std::string> args;
    std::string err;  // empty: only checked to name the command
    RunOptions options;
  } cases[] = {
      {"a missing file",
       {"list", temp / "missing.ztr"},
       "ZTR: " + (temp / "missing.ztr") + " was not found.\n",
       {}},
      {"a folder",
       {"list", temp.Path()},
       "ZTR: " + temp.Path() + " is a folder, not a file.\n",
       {}},
      {"no file", {"list"}, "", {}},
      {"two files", {"list", file, file}, "", {}},
      {"an unknown option", {"list", "--xml", file}, "", {}},
      {"a full disk for the listing", {"list", file}, "", StdoutTo("/dev/full")},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const ToolResult r = RunTool(c.args, c.options);
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.out, "");
    if (!c.err.empty()) {
      EXPECT_EQ(r.err, c.err);
    } else {
      EXPECT_EQ(r.err.rfind("ztr-tool list: ", 0), 0u) << r.err;
    }
  }
}

}  // namespace
}  // namespace cli_test
