// The help of ztr-tool and of each command.
#include <gtest/gtest.h>

#include "cli/tool_runner.h"

namespace cli_test {
namespace {

TEST(ToolHelp, EachCommandHasItsHelpOnStdout) {
  const struct {
    std::vector<std::string> args;
    std::string start;
  } cases[] = {
      {{"--help"}, "Usage: ztr-tool COMMAND"},
      {{"scan", "--help"}, "Usage: ztr-tool scan -o FILE FOLDER..."},
      {{"list", "--help"}, "Usage: ztr-tool list [--json] FILE"},
      {{"find", "--help"}, "Usage: ztr-tool find [--exact] [--match-case] TEXT FILE..."},
      // --help wins over whatever else is given.
      {{"find", "x", "--help", "missing.ztr"}, "Usage: ztr-tool find"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.args.size() > 1 ? c.args[0] : "ztr-tool");
    const ToolResult r = RunTool(c.args);
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out.rfind(c.start, 0), 0u) << r.out;
    EXPECT_EQ(r.err, "");
  }
}

// Made from flag tables like the others, search's help keeps its wider
// column and library's, which has no options of its own, lists none.
TEST(ToolHelp, SearchAndLibraryHelpKeepTheirLayout) {
  const std::string search = RunTool({"search", "--help"}).out;
  EXPECT_NE(search.find("\n  --json            one JSON object per match (catalogue, path, name, "
                        "kind,\n                    size, modified,"),
            std::string::npos);
  EXPECT_NE(search.find("\n  --help            show this help and exit\n\nIndexes are kept"),
            std::string::npos);
  const std::string library = RunTool({"library", "--help"}).out;
  EXPECT_NE(library.find("or what is wrong\n\nExit status: 0 on success"), std::string::npos);
  EXPECT_EQ(library.find("Options:"), std::string::npos);
}

TEST(ToolHelp, GeneralHelpNamesTheThreeCommands) {
  const std::string help = RunTool({"--help"}).out;
  for (const char* command : {"\n  scan -o FILE FOLDER...", "\n  list [--json] FILE",
                              "\n  find [--exact] [--match-case] TEXT FILE..."})
    EXPECT_NE(help.find(command), std::string::npos) << command;
}

TEST(ToolHelp, NoCommandOrAnUnknownOneIsAUsageError) {
  for (const std::vector<std::string>& args :
       {std::vector<std::string>{}, std::vector<std::string>{"grep"}}) {
    const ToolResult r = RunTool(args);
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.out, "");
    EXPECT_NE(r.err.find("Usage: ztr-tool COMMAND"), std::string::npos);
  }
}

}  // namespace
}  // namespace cli_test
