#include "cli/tool.h"

#include <cstdio>
#include <span>
#include <string>
#include <string_view>

#include "cli/commands.h"
#include "cli/usage.h"

namespace {

constexpr std::string_view kUsage =
    "Usage: ztr-tool COMMAND [OPTIONS] ARGS...\n"
    "Scans, lists and searches ZTR directory tree files (.ztr) without a window.\n"
    "\n"
    "Commands:\n"
    "  scan -o FILE FOLDER...                   catalogue folders into a tree file\n"
    "  list [--json] FILE                       print every node of a tree file\n"
    "  find [--exact] [--match-case] TEXT FILE...\n"
    "                                           print the nodes whose names match\n"
    "  search [OPTIONS] QUERY [CATALOGUE|FOLDER...]\n"
    "                                           search many catalogues (the library's)\n"
    "  library add|remove PATH... | list        the catalogues search reads\n"
    "  diff [--json] [--no-moves] OLD NEW       compare two tree files or folders\n"
    "  update [--dry-run] [--json] CATALOGUE    scan a catalogue's folders again\n"
    "  export-ncdu FILE [-o OUT.json]           write a tree file as an ncdu export\n"
    "  import-ncdu IN.json -o FILE              make a tree file from an ncdu export\n"
    "\n"
    "Options:\n"
    "  --help       show this help and exit\n"
    "  --version    show the version and exit\n"
    "\n"
    "'ztr-tool COMMAND --help' describes a command.\n";

}  // namespace

int RunTool(int argc, char** argv) {
  if (argc < 2) {
    std::fputs(kUsage.data(), stderr);
    return kExitFailure;
  }
  const std::string_view command = argv[1];
  const std::span<char* const> args(argv + 2, static_cast<size_t>(argc - 2));
  if (command == "scan") return RunScanCommand(args);
  if (command == "list") return RunListCommand(args);
  if (command == "find") return RunFindCommand(args);
  if (command == "search") return RunSearchCommand(args);
  if (command == "library") return RunLibraryCommand(args);
  if (command == "diff") return RunDiffCommand(args);
  if (command == "update") return RunUpdateCommand(args);
  if (command == "export-ncdu") return RunExportNcduCommand(args);
  if (command == "import-ncdu") return RunImportNcduCommand(args);
  if (command == "--help" || command == "-h") return ShowHelp(kUsage);
  if (command == "--version") {
    std::printf("ztr-tool %s\n", ZTR_VERSION);
    return kExitOk;
  }
  const std::string text = "ztr-tool: unknown command '" + std::string(command) + "'\n\n";
  std::fputs(text.c_str(), stderr);
  std::fputs(kUsage.data(), stderr);
  return kExitFailure;
}
