// File Open, Save and Save As: the dialogs, the caption and the unsaved-changes
// flag; the records themselves are read and written by files/.
#include <string>
#include <vector>

#include "app/main_frame.h"
#include "files/catalogue_file.h"
#include "files/file.h"
#include "interop/ncdu_to_catalogue.h"
#include "tree/tree_item.h"

std::vector<std::pair<std::string, std::string>> CMainFrame::TreeFileFilters(bool withNcdu) {
  std::vector<std::pair<std::string, std::string>> filters = {
      {"Directory View Files, *.ztr", "*.ztr"},
      {"All files", "*.*"},
  };
  // Reading also takes ncdu's JSON exports, named by their extension.
  if (withNcdu) filters.emplace_back("ncdu exports, *.json", "*.json");
  return filters;
}

bool CMainFrame::AskSaveFileName(std::string& path) {
  FileDialogOptions options;
  options.title = "Save the current Directory Tree";
  options.filters = TreeFileFilters(false);
  options.defaultExt = "ztr";
  options.flags = OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT | OFN_PATHMUSTEXIST | OFN_CREATEPROMPT;
  std::string chosen;
  if (!m_host.GetSaveFileName(options, chosen)) return false;
  path = std::move(chosen);
  return true;
}

// Failures throw CFileException with their cause, for the command to report.
// The file is replaced only once every byte is written, so a failed save
// leaves the previous file as it was and the unsaved-changes flag set.
void CMainFrame::SaveTree(const std::string& path, HTREEITEM start) {
  CWaitCursor wait(m_host);
  const WorkFailure failure = SaveTreeFile(path, *m_pTreeCtrl, start);
  if (failure) std::rethrow_exception(failure.exception);
  m_bModified = false;
}

void CMainFrame::OnFileSave() {
  if (m_strTreeFile.empty()) {
    OnFileSaveAs();
    return;
  }
  SaveTree(m_strTreeFile, nullptr);
}

// The tree takes the new name only once it is written there: after a failed
// save the next Save must not go to a file that holds nothing of it.
void CMainFrame::OnFileSaveAs() {
  std::string path;
  if (!AskSaveFileName(path)) return;
  SaveTree(path, nullptr);
  UpdateCaption(&path);
}

void CMainFrame::OnFileOpen() {
  if (!QuerySaveTree()) return;
  FileDialogOptions options;
  options.title = "Load a previously saved Directory Tree";
  options.filters = TreeFileFilters(true);
  options.flags = OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT | OFN_PATHMUSTEXIST | OFN_FILEMUSTEXIST;
  std::string path;
  if (!m_host.GetOpenFileName(options, path)) return;
  LoadTree(path);
}

void CMainFrame::LoadTree(const std::string& path) {
  // Opened before anything is cleared: a file that cannot be read is
  // reported (by the command, from the exception) and the tree, its name
  // and its unsaved changes stay as they were.
  CFile file;
  file.OpenRead(path);

  CTreeCtrl& tree = *m_pTreeCtrl;
  // Each deletion notice frees its record and takes a marked file out of the
  // totals, so they are 0 again without a reset.
  tree.DeleteItem(TVI_ROOT);
  m_bModified = false;
  // Untitled until the file is read to its end: after any failure only part
  // of it is in the tree, and Save must ask where to write that part rather
  // than write it over the file.
  UpdateCaption(nullptr);
  if (IsNcduExportName(path)) {
    ImportNcduExport(file, path);
    return;
  }

  CWaitCursor wait(m_host);
  // Counted from the node as it shows, not from the record: the totals
  // must follow the state images exactly, whatever the file's mask said.
  const TreeReadOutcome outcome = ReadTreeFile(file, tree, [&](HTREEITEM node) {
    const CTreeItemData* data = tree.GetItemData(node);
    if (data != nullptr && CountsAsMarked(tree.GetStateImage(node)))
      CountMarkedFile(data->m_nFileSize, 1);
  });
  if (outcome.failure) {
    UpdateSelectionStatus();
    std::rethrow_exception(outcome.failure.exception);
  }
  if (outcome.end == TreeReadEnd::endOfRecords) UpdateCaption(&path);
  if (HTREEITEM first = tree.GetRootItem()) tree.Expand(first, TVE_EXPAND);
  UpdateSelectionStatus();
  if (const std::string text = TreeReadEndText(outcome.end, path); !text.empty())
    m_host.MessageBox(text, "File Open", MB_OK | MB_ICONEXCLAMATION);
}

// An ncdu export becomes an untitled tree, as a fresh scan is: Save then
// asks for a tree file's name and never writes over the JSON file. A
// document that is not a readable export is reported; what was read of it
// stays.
void CMainFrame::ImportNcduExport(CFile& file, const std::string& path) {
  CWaitCursor wait(m_host);
  try {
    JsonPullReader json(file.GetHandle());
    ImportNcdu(json, *m_pTreeCtrl);
  } catch (const JsonFormatError& e) {
    m_host.MessageBox(path + ": " + e.what(), "File Open", MB_OK | MB_ICONEXCLAMATION);
  }
  if (HTREEITEM first = m_pTreeCtrl->GetRootItem()) m_pTreeCtrl->Expand(first, TVE_EXPAND);
  UpdateSelectionStatus();
}
