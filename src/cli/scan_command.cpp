// ztr-tool scan: File New for each folder, then Save As, as in the window.
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include "app/resource.h"
#include "cli/commands.h"
#include "cli/tool_frame.h"
#include "cli/usage.h"
#include "files/atomic_file_writer.h"
#include "platform/interrupt.h"

namespace {

constexpr std::string_view kHelp =
    "Usage: ztr-tool scan -o FILE FOLDER...\n"
    "Catalogues each FOLDER's whole directory tree, the folders side by side in\n"
    "the order given, and saves the catalogue as the tree file FILE (replaced if\n"
    "it exists). A folder that cannot be entered is kept in the catalogue with\n"
    "the reason and reported on stderr.\n"
    "\n"
    "Options:\n"
    "  -o, --output FILE   the tree file to write (required)\n"
    "  --help              show this help and exit\n"
    "\n"
    "Exit status: 0 when FILE was written, 2 otherwise; 128 plus the signal's\n"
    "number (130 for Ctrl+C, 143 for SIGTERM) when interrupted, FILE unchanged.\n";

HTREEITEM LastTopLevelItem(const CTreeCtrl& tree) {
  HTREEITEM last = tree.GetRootItem();
  if (last == nullptr) return nullptr;
  while (HTREEITEM next = tree.GetNextSiblingItem(last)) last = next;
  return last;
}

}  // namespace

int RunScanCommand(std::span<char* const> args) {
  std::string output;
  std::vector<std::string> folders;
  if (const int status = ParseInputsAndOutput("scan", args, kHelp, folders, output); status >= 0)
    return status;
  for (const std::string& folder : folders)
    if (folder.empty()) return UsageError("scan", "a folder name is empty", kHelp);
  if (output.empty()) return UsageError("scan", "no tree file given (-o FILE)", kHelp);
  if (folders.empty()) return UsageError("scan", "no folder given", kHelp);

  // Interrupted: nothing is written before the scan ends, so only a save under
  // way leaves something behind, its temporary file; the output stays as it was.
  EndCleanlyOnInterrupt(PendingTemporaryFile);
  ToolFrame tool;
  CMainFrame& frame = tool.frame;
  for (const std::string& folder : folders) {
    tool.host.SetNextFolder(DialogPath(folder));
    tool.host.ResetNotices();
    frame.OnCommand(ID_FILE_NEW);
    // The frame has shown why; a catalogue with a folder missing is not saved.
    if (tool.host.NoticesShown() > 0) return kExitFailure;
    HTREEITEM top = LastTopLevelItem(frame.Tree());
    if (top != nullptr && frame.Tree().GetStateImage(top) == kStateUnreadable) {
      const std::string note =
          "ztr-tool scan: could not enter " + std::string(frame.Tree().GetItemText(top)) + "\n";
      std::fwrite(note.data(), 1, note.size(), stderr);
    }
  }

  // Saving clears the flag only once the file is written, so a save that
  // ends without writing shows even if it reported nothing.
  frame.m_bModified = true;
  const std::string target = DialogPath(output);
  tool.host.SetNextSaveName(target);
  tool.host.ResetNotices();
  tool.host.SetApplicationCaption("ztr-tool scan");
  frame.OnCommand(ID_FILE_SAVE_AS);
  if (tool.host.NoticesShown() > 0) return kExitFailure;
  if (frame.m_bModified) {
    const std::string note = "ztr-tool scan: " + target + " was not written\n";
    std::fwrite(note.data(), 1, note.size(), stderr);
    return kExitFailure;
  }
  return kExitOk;
}
