// ztr-tool reports a damaged catalogue and never writes over its input.
#include <gtest/gtest.h>
#include <unistd.h>

#include "cli/tool_runner.h"
#include "cli/tree_file_bytes.h"

namespace cli_test {
namespace {

const std::string kCut = " ends inside a record, so the directory tree may be incomplete.\n";

// C:\Docs as written on Windows; its records end at 52, 100 and 214.
TreeFileBytes WindowsCatalogue(bool withSub = true) {
  const RawData a{0x20, 5, 0x01C2C9DCDF87C400, 0x01C2C9DCDF87C400, 0x01C2C9DCDF87C400};
  TreeFileBytes bytes;
  bytes.Record("C:\\Docs", 1, 0, 0, 1);
  if (withSub) bytes.Record("Sub", 2);
  return bytes.Record("a.txt   5 bytes, 01/02/2003-10:30", 2, 5, 5, 0, 1, &a);
}

TEST(FileSafety, CutInsideARecordIsReportedAndWindowsPathsUseBackslashes) {
  ScratchFolder temp;
  const std::string whole = temp / "whole.ztr", cut = temp / "cut.ztr", noSub = temp / "n.ztr";
  const std::string bytes = WindowsCatalogue().Bytes();
  WriteWholeFile(whole, bytes);
  for (size_t length = 0; length <= bytes.size(); ++length) {
    WriteWholeFile(cut, bytes.substr(0, length));
    const bool between = length == 0 || length == 52 || length == 100 || length == 214;
    const ToolResult r = RunTool({"list", cut});
    EXPECT_EQ(std::to_string(r.status) + r.err, between ? "0" : "2File Open: " + cut + kCut)
        << length;
  }
  WriteWholeFile(cut, bytes.substr(0, 150));  // inside a.txt's display part
  for (const auto& args : std::vector<std::vector<std::string>>{
           {"find", "a", cut}, {"export-ncdu", cut}, {"diff", whole, cut}, {"list", cut}}) {
    const ToolResult r = RunTool(args);
    EXPECT_EQ(r.status, 2) << args[0];
    EXPECT_NE(r.err.find(cut + kCut), std::string::npos) << r.err;
  }
  EXPECT_EQ(RunTool({"find", "a.txt", cut}).out.rfind("C:\\Docs\\a.txt   5 bytes", 0), 0u);
  WindowsCatalogue(false).WriteTo(noSub);
  EXPECT_EQ(RunTool({"diff", noSub, whole}).out.rfind("+ C:\\Docs\\Sub   folder", 0), 0u);
}

// An output that is one of the inputs, by any name, is refused untouched.
TEST(FileSafety, OutputOverInputIsRefused) {
  ScratchFolder temp;
  const std::string cat = temp / "cat.ztr", json = temp / "x.json", link = temp / "link.ztr";
  WindowsCatalogue().WriteTo(cat);
  WriteWholeFile(json, R"([1,2,{"progname":"t","progver":"1","timestamp":1},[{"name":"/r"}]])");
  ASSERT_EQ(::link(cat.c_str(), link.c_str()), 0);
  const std::string before = ReadWholeText(cat) + ReadWholeText(json);
  for (const auto& args :
       std::vector<std::vector<std::string>>{{"export-ncdu", cat, "-o", cat},
                                             {"export-ncdu", cat, "-o", link},
                                             {"export-ncdu", cat, "-o", temp / "./cat.ztr"},
                                             {"import-ncdu", json, "-o", json}}) {
    const ToolResult r = RunTool(args);
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.err,
              "ztr-tool " + args[0] + ": " + args[3] + ": the output would replace the input\n");
  }
  EXPECT_EQ(ReadWholeText(cat) + ReadWholeText(json), before);
  temp.Dir("in");
  EXPECT_EQ(RunTool({"scan", "-o", temp.Path(), temp / "in"}).err,
            "ztr-tool scan: " + temp.Path() + " is a folder, not a file.\n");
}

}  // namespace
}  // namespace cli_test
