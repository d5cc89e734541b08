// ztr-tool update: each top-level folder of a catalogue scanned again where
// it is now, the marks kept, and what changed printed as diff prints it.
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
#include "compare/carry_marks.h"
#include "files/atomic_file_writer.h"
#include "interop/ncdu_to_catalogue.h"
#include "platform/cp1252.h"
#include "platform/interrupt.h"
#include "platform/utf8_path.h"
#include "tree/file_label.h"
#include "tree/tree_scan_sink.h"

namespace {

constexpr Flag kFlags[] = {
    {"", "--dry-run", "", "print the changes and write nothing"},
    {"", "--json", "", "the changes as 'ztr-tool diff --json' gives them"},
};
enum : size_t { kDryRun, kJson };

constexpr CommandSyntax kSyntax{
    "update",
    "Usage: ztr-tool update [--dry-run] [--json] CATALOGUE\n"
    "Scans each top-level folder of the tree file CATALOGUE again where it is\n"
    "now, as 'ztr-tool scan' would, and puts the new branch in the old one's\n"
    "place. Marks stay with their files and folders (also with a file that\n"
    "moved); new nodes are unmarked. Prints what changed as 'ztr-tool diff'\n"
    "does, and writes the catalogue, replacing it only once it is complete.\n"
    "\n"
    "A top-level node whose folder is not there now (a disk not attached), or\n"
    "whose label is no folder path, or names a file now, or a folder that\n"
    "cannot be entered now, is kept as it was and named on stderr. An ncdu\n"
    "export (*.json) is not updated: import it into a tree file first.\n"
    "\n",
    kFlags,
    "Exit status: 0 when nothing changed (nothing is written), 1 when something\n"
    "changed (and CATALOGUE was written, but with --dry-run), 2 when CATALOGUE\n"
    "could not be read completely (before anything is scanned) or written, or a\n"
    "scan failed; CATALOGUE is then as it was. 128 plus the signal's number\n"
    "(130 for Ctrl+C, 143 for SIGTERM) when interrupted, CATALOGUE unchanged.\n"};

constexpr std::string_view kCaption = "ztr-tool update";

void Say(std::string_view text, std::string_view label) {
  std::string line(kCaption);
  line.append(": ").append(text).append(": ");
  AppendDisplayText(label, line);  // a label from a Windows catalogue as the window shows it
  line += '\n';
  std::fwrite(line.data(), 1, line.size(), stderr);
}

// Why the folder a top-level label names cannot be scanned now; empty when
// it can.
std::string_view WhyKept(std::string_view folder) {
  const std::filesystem::path path = Utf8Path(std::string(folder));
  if (folder.empty() || !path.is_absolute()) return "not a folder path, kept as it was";
  std::error_code error;
  const std::filesystem::file_status status = std::filesystem::status(path, error);
  if (!std::filesystem::exists(status)) return "not attached, kept as it was";
  if (!std::filesystem::is_directory(status)) return "not a folder now, kept as it was";
  return {};
}

struct Rescanned {
  HTREEITEM old;
  HTREEITEM fresh;
};

}  // namespace

int RunUpdateCommand(std::span<char* const> args) {
  ParsedArguments parsed;
  if (const int status = ParseArguments(kSyntax, args, parsed); status >= 0) return status;
  const std::vector<std::string>& operands = parsed.operands;
  if (operands.size() != 1 || operands[0].empty())
    return UsageError(kSyntax, "give exactly one catalogue");
  const std::string& catalogue = operands[0];
  // Written back as a tree file, an export would be lost to ncdu.
  if (IsNcduExportName(catalogue))
    return UsageError(kSyntax, "an ncdu export is not updated in place; import it first");

  // Interrupted, the catalogue stays as it was (and the temporary file of a
  // write under way goes).
  EndCleanlyOnInterrupt(PendingTemporaryFile);
  ToolCatalogue tool;
  tool.SetFailureCaption(std::string(kCaption));
  if (!tool.Load(catalogue)) return kExitFailure;
  CTreeCtrl& tree = tool.Tree();
  std::vector<HTREEITEM> tops;
  for (HTREEITEM top = tree.GetRootItem(); top != nullptr; top = tree.GetNextSiblingItem(top))
    tops.push_back(top);

  // Each new branch is scanned beside the old ones, which stay until all
  // are compared.
  std::vector<Rescanned> rescanned;
  for (HTREEITEM top : tops) {
    const std::string label(tree.GetItemText(top));
    const std::string_view folder =
        tree.GetItemData(top) != nullptr ? std::string_view() : SplitUnreadableLabel(label).name;
    if (const std::string_view why = WhyKept(folder); !why.empty()) {
      Say(why, label);
      continue;
    }
    HTREEITEM fresh = nullptr;
    {
      TerminalProgress progress(true);
      if (!tool.Report(RunWork([&] { fresh = ScanIntoTree(std::string(folder), tree, progress); })))
        return kExitFailure;
    }
    if (fresh == nullptr) continue;
    if (IsUnreadableFolder(tree, fresh)) {
      Say("could not enter, kept as it was", tree.GetItemText(fresh));
      tree.DeleteItem(fresh);
      continue;
    }
    rescanned.push_back({top, fresh});
  }

  OutputBuffer output;
  DiffPrinter printer(parsed.Given(kJson), output);
  for (const Rescanned& r : rescanned)
    CarryMarks(tree, r.old, tree, r.fresh, [&](const TreeDifference& d) { printer.Print(d); });
  if (!output.Finish()) {
    std::fprintf(stderr, "%s: could not write the changes: %s\n", kCaption.data(),
                 std::strerror(errno));
    return kExitFailure;
  }
  if (!printer.Any()) return kExitOk;
  printer.WriteSummary(kCaption);
  if (parsed.Given(kDryRun)) return kExitDifferences;

  for (const Rescanned& r : rescanned) ReplaceBranch(tree, r.old, r.fresh);
  if (!tool.Report(SaveTreeFile(DialogPath(catalogue), tree, nullptr))) return kExitFailure;
  return kExitDifferences;
}
