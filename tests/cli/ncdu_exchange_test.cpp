// Exchange with ncdu and gdu: ztr-tool export-ncdu and import-ncdu against
// the real peers, and what bad input leaves behind.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "cli/tool_runner.h"
#include "cli/tree_file_bytes.h"

namespace cli_test {
namespace {

namespace fs = std::filesystem;

std::string ReadText(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// A folder with a subfolder, sizes, a name that is not UTF-8 and holds a
// control character, a hidden file and a dot-folder a scan leaves out.
class NcduExchange : public ::testing::Test {
 protected:
  void SetUp() override {
    root = temp / "root";
    fs::create_directories(root + "/sub/deep");
    fs::create_directories(root + "/.cache");
    std::ofstream(root + "/a.txt") << "hello";
    std::ofstream(root + "/.profile") << "x";
    std::ofstream(root + "/sub/b.bin") << "12345678";
    std::ofstream(root + "/sub/we\xE9ird\x01") << "";
    std::ofstream(root + "/.cache/in") << "dropped";
    scanned = temp / "scan.ztr";
    ASSERT_EQ(RunTool({"scan", "-o", scanned, root}).status, 0);
  }
  std::string List(const std::string& file) {
    const ToolResult r = RunTool({"list", file});
    EXPECT_EQ(r.status, 0) << r.err;
    return r.out;
  }

  TempFolder temp;
  std::string root, scanned;
};

TEST_F(NcduExchange, ExportIsReadByNcduAndGduAndComesBackUnchanged) {
  const std::string json = temp / "out.json", again = temp / "again.json";
  ASSERT_EQ(RunTool({"export-ncdu", scanned, "-o", json}).status, 0);
  const ToolResult ncdu = RunProgram("ncdu", {"-0", "-e", "-f", json, "-o", again});
  ASSERT_EQ(ncdu.status, 0) << ncdu.err;
  const ToolResult gdu = RunProgram("gdu", {"-n", "-f", json});
  EXPECT_EQ(gdu.status, 0) << gdu.err;
  EXPECT_NE(gdu.out.find("/sub"), std::string::npos) << gdu.out;
  // ZTR -> ncdu -> ZTR: names, sizes and times (the labels) as scanned.
  const std::string back = temp / "back.ztr";
  ASSERT_EQ(RunTool({"import-ncdu", again, "-o", back}).status, 0);
  EXPECT_EQ(List(back), List(scanned));
}

TEST_F(NcduExchange, NcduScanImportedIsTheCatalogueTheScanGives) {
  const std::string imported = temp / "imported.ztr";
  // As on a NAS: ncdu's export piped straight in.
  const ToolResult r =
      RunProgram("sh", {"-c", "ncdu -0 -e -o- \"$0\" | \"$1\" import-ncdu - -o \"$2\"", root,
                        ZTR_TOOL_PATH, imported});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(List(imported), List(scanned));
  // gdu's export, without sizes of empty files, reads as well.
  const std::string gdu = temp / "gdu.json", fromGdu = temp / "gdu.ztr";
  ASSERT_EQ(RunProgram("gdu", {"-n", "-o", gdu, root}).status, 0);
  ASSERT_EQ(RunTool({"import-ncdu", gdu, "-o", fromGdu}).status, 0);
  EXPECT_NE(List(fromGdu).find("  .profile   1 bytes, "), std::string::npos);
}

// Far more than one read of the export; without times the labels end after
// the comma, as for a time the label cannot show.
TEST_F(NcduExchange, LargeExportWithoutTimesImportsEveryEntry) {
  constexpr int kFiles = 5000;
  std::string json = "[1,2,{},[{\"name\":\"/big\"}";
  for (int i = 0; i < kFiles; ++i)
    json += ",\n{\"name\":\"file-" + std::to_string(i) + "\",\"asize\":" + std::to_string(i) + "}";
  json += "]]";
  const std::string in = temp / "big.json", out = temp / "big.ztr";
  std::ofstream(in) << json;
  ASSERT_EQ(RunTool({"import-ncdu", in, "-o", out}).status, 0);
  const std::vector<std::string> lines = Lines(List(out));
  ASSERT_EQ(lines.size(), kFiles + 1u);
  for (int i = 0; i < kFiles; ++i)
    ASSERT_EQ(lines[i + 1], "  file-" + std::to_string(i) + "   " + std::to_string(i) + " bytes, ");
}

TEST_F(NcduExchange, BadInputIsNamedAndLeavesTheOutputAlone) {
  std::string deep = "[1,2,{},";
  for (int i = 0; i < 200; ++i) deep += std::string(i ? "," : "") + "[{\"name\":\"d\"}";
  deep += std::string(201, ']');
  const std::string whole = "[1,2,{\"progname\":\"ncdu\"},[{\"name\":\"/x\"},{\"name\":\"f\"}]]";
  const struct {
    std::string input, message;
  } cases[] = {
      {"hello", "line 1: not an ncdu export"},
      {whole.substr(0, whole.size() - 4), "line 1: the file ends too early"},
      {"[2,0,{},[{\"name\":\"/x\"}]]", "format version 2 is not supported"},
      {"[1,2,{},[{\"name\":\"/x\"},\n{\"name\":5}]]", "line 2: \"name\" is not a string"},
      {deep, "nested deeper than the 199 levels"},
  };
  const std::string in = temp / "in.json", out = temp / "out.ztr";
  for (const auto& c : cases) {
    SCOPED_TRACE(c.message);
    std::ofstream(in, std::ios::binary) << c.input;
    std::ofstream(out) << "keep";
    const ToolResult r = RunTool({"import-ncdu", in, "-o", out});
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.err.find("ztr-tool import-ncdu: " + in + ": "), 0u) << r.err;
    EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
    EXPECT_EQ(ReadText(out), "keep");
  }
  // A tree file that cannot be read whole is not exported.
  const std::string bad = temp / "bad.ztr", json = temp / "bad.json";
  TreeFileBytes().Record("/x", 1).Record("y", 200).WriteTo(bad);
  std::ofstream(json) << "keep";
  const ToolResult r = RunTool({"export-ncdu", bad, "-o", json});
  EXPECT_EQ(r.status, 2);
  EXPECT_EQ(r.err, "File Open: Maximum directory nest level exceeded!\n");
  EXPECT_EQ(ReadText(json), "keep");
}

TEST_F(NcduExchange, SeveralTopLevelFoldersShareOneRootNamedAfterTheFile) {
  const std::string two = temp / "two.ztr", json = temp / "two.json";
  ASSERT_EQ(RunTool({"scan", "-o", two, root + "/sub", root + "/sub/deep"}).status, 0);
  ASSERT_EQ(RunTool({"export-ncdu", two, "-o", json}).status, 0);
  const std::string back = temp / "back.ztr";
  ASSERT_EQ(RunProgram("ncdu", {"-0", "-f", json, "-o", temp / "again.json"}).status, 0);
  ASSERT_EQ(RunTool({"import-ncdu", temp / "again.json", "-o", back}).status, 0);
  const std::vector<std::string> lines = Lines(List(back));
  ASSERT_GE(lines.size(), 3u);
  EXPECT_EQ(lines[0], two);
  EXPECT_EQ(lines[1], "  " + root + "/sub");
}

}  // namespace
}  // namespace cli_test
