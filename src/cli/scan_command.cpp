// ztr-tool scan: the folders scanned straight into a tree file, the file
// File New of each folder and then Save As would give in the window.
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include "cli/commands.h"
#include "cli/flags.h"
#include "cli/terminal_progress.h"
#include "cli/tool_catalogue.h"
#include "files/atomic_file_writer.h"
#include "files/scan_to_file.h"
#include "platform/cp1252.h"
#include "platform/interrupt.h"

namespace {

constexpr Flag kFlags[] = {
    {"-o", "--output", "FILE", "the tree file to write (required)"},
    {"", "--quiet", "", "show no progress line"},
};
enum : size_t { kOutput, kQuiet };

constexpr CommandSyntax kSyntax{
    "scan",
    "Usage: ztr-tool scan -o FILE FOLDER...\n"
    "Catalogues each FOLDER's whole directory tree, the folders side by side in\n"
    "the order given, and saves the catalogue as the tree file FILE (replaced if\n"
    "it exists). A folder that cannot be entered is kept in the catalogue with\n"
    "the reason and reported on stderr. On a terminal, a line on stderr shows\n"
    "what has been found so far.\n"
    "\n",
    kFlags,
    "Exit status: 0 when FILE was written, 2 otherwise; 128 plus the signal's\n"
    "number (130 for Ctrl+C, 143 for SIGTERM) when interrupted, FILE unchanged.\n"};

void Say(const std::string& text) {
  std::string line;
  AppendDisplayText(text, line);  // a path from a Windows catalogue as the window shows it
  line += '\n';
  std::fwrite(line.data(), 1, line.size(), stderr);
}

}  // namespace

int RunScanCommand(std::span<char* const> args) {
  ParsedArguments parsed;
  if (const int status = ParseArguments(kSyntax, args, parsed); status >= 0) return status;
  const std::string output = parsed.Given(kOutput) ? parsed.Value(kOutput) : "";
  const bool quiet = parsed.Given(kQuiet);
  std::vector<std::string>& folders = parsed.operands;
  if (const int status = RefuseOutputOverInput(kSyntax, folders, output); status >= 0)
    return status;
  for (const std::string& folder : folders)
    if (folder.empty()) return UsageError(kSyntax, "a folder name is empty");
  if (output.empty()) return UsageError(kSyntax, "no tree file given (-o FILE)");
  if (folders.empty()) return UsageError(kSyntax, "no folder given");

  for (std::string& folder : folders) folder = DialogPath(folder);
  // The records go to a temporary file as the scan finds them; interrupted,
  // the tool removes it and the output stays as it was.
  EndCleanlyOnInterrupt(PendingTemporaryFile);
  ScanToFileOutcome outcome;
  {
    TerminalProgress progress(!quiet);
    outcome = ScanFoldersToFile(folders, DialogPath(output), progress);
  }
  for (const std::string& label : outcome.notEntered)
    Say("ztr-tool scan: could not enter " + label);
  if (outcome.failure) {
    Say("ztr-tool scan: " + FailureText(outcome.failure));
    return kExitFailure;
  }
  return kExitOk;
}
