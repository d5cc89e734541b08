// ztr-tool diff: what changed between two catalogues, or between a
// catalogue and the folder it was made from.
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "cli/commands.h"
#include "cli/diff_printer.h"
#include "cli/flags.h"
#include "cli/output_buffer.h"
#include "cli/terminal_progress.h"
#include "cli/tool_catalogue.h"
#include "compare/tree_compare.h"
#include "platform/cp1252.h"
#include "platform/utf8_path.h"
#include "tree/scan_nodes.h"
#include "tree/tree_item.h"
#include "tree/tree_scan_sink.h"

namespace {

constexpr Flag kFlags[] = {
    {"", "--json", "",
     "one JSON object per line instead:\n"
     "{\"change\":\"added|removed|changed|unreadable|moved\",\"path\":\"...\",\n"
     " \"kind\":\"file|folder\",\"old\":{...},\"new\":{...}}\n"
     "where old and new hold, for a file, \"size\" and \"lastWrite\" (raw,\n"
     "100 ns units since 1601, UTC); for a folder, \"files\" and \"bytes\"\n"
     "below it; for a folder not entered, \"unreadable\" with the reason;\n"
     "a move also has \"from\", the path in OLD"},
    {"", "--no-moves", "", "report a move as a removal and an addition"},
};
enum : size_t { kJson, kNoMoves };

constexpr CommandSyntax kSyntax{
    "diff",
    "Usage: ztr-tool diff [--json] [--no-moves] OLD NEW\n"
    "Compares two catalogues and prints what NEW holds that OLD does not, what\n"
    "OLD held that NEW does not, and the files whose size or last-write time\n"
    "changed. OLD and NEW are each a tree file or a folder; a folder is scanned\n"
    "first as 'ztr-tool scan' would (nothing is written).\n"
    "\n"
    "Top-level nodes are matched by their paths; when each side has exactly one,\n"
    "the two are matched whatever their paths, so a disk mounted elsewhere\n"
    "compares cleanly. Below them entries are matched by name within their\n"
    "folder. Marks are not compared.\n"
    "\n"
    "One line per difference, in the order of NEW (a removed entry where it\n"
    "stood in OLD), with paths as 'ztr-tool find' prints them:\n"
    "  + PATH                       only in NEW\n"
    "  - PATH                       only in OLD\n"
    "  ~ PATH   OLD SIZE AND DATE -> NEW SIZE AND DATE\n"
    "                               a file that changed\n"
    "  ! PATH   unreadable in OLD [REASON]  (or NEW)\n"
    "                               a folder that was not entered on one side\n"
    "  > OLD PATH -> NEW PATH       a file or a whole folder that moved\n"
    "A folder only on one side is one line, ending in '   folder, N files,\n"
    "B bytes' for what it holds. A file on one side that is a folder on the\n"
    "other is removed and added. A file that left one folder for another with\n"
    "the same name, size and last-write time is moved, not removed and added;\n"
    "so is a folder with all it holds (its line ends in its counts). A summary\n"
    "goes to stderr.\n"
    "\n",
    kFlags,
    "Exit status: 0 when there is no difference, 1 when there are differences,\n"
    "2 when a tree file could not be read completely or a folder could not be\n"
    "scanned at all (nothing is compared then).\n"};

// Reads one side into flat form: a folder is scanned as File New does,
// anything else is read as a tree file. False (and a message on stderr) when
// the side cannot be compared as a whole.
bool LoadSide(const std::string& arg, FlatCatalogue& side) {
  ToolCatalogue tool;
  std::error_code error;
  if (!std::filesystem::is_directory(Utf8Path(arg), error)) return tool.LoadFlat(arg, side);
  TerminalProgress noProgress(false);
  if (!tool.Report(RunWork([&] { ScanIntoTree(DialogPath(arg), tool.Tree(), noProgress); })))
    return false;
  const CTreeCtrl& tree = tool.Tree();
  const HTREEITEM top = tree.GetRootItem();
  if (top != nullptr && IsUnreadableFolder(tree, top)) {
    std::fprintf(stderr, "ztr-tool diff: could not enter %s\n",
                 std::string(tree.GetItemText(top)).c_str());
    return false;
  }
  if (top == nullptr) return false;
  side.AddTree(tree);
  return true;
}

}  // namespace

int RunDiffCommand(std::span<char* const> args) {
  ParsedArguments parsed;
  if (const int status = ParseArguments(kSyntax, args, parsed); status >= 0) return status;
  const bool json = parsed.Given(kJson);
  const std::vector<std::string>& sides = parsed.operands;
  for (const std::string& side : sides)
    if (side.empty()) return UsageError(kSyntax, "a name is empty");
  if (sides.size() != 2) return UsageError(kSyntax, "give exactly two: OLD and NEW");

  FlatCatalogue oldSide, newSide;
  if (!LoadSide(sides[0], oldSide) || !LoadSide(sides[1], newSide)) return kExitFailure;

  OutputBuffer output;
  DiffPrinter printer(json, output);
  CompareCatalogues(oldSide, newSide, [&](const FlatDifference& d) { printer.Print(d); },
                    {.detectMoves = !parsed.Given(kNoMoves), .matched = {}});
  if (!output.Finish()) {
    std::fprintf(stderr, "ztr-tool diff: could not write the differences: %s\n",
                 std::strerror(errno));
    return kExitFailure;
  }
  if (!printer.Any()) return kExitOk;
  printer.WriteSummary("ztr-tool diff");
  return kExitDifferences;
}
