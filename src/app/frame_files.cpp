// File Open, Save and Save As: the dialogs, the caption and the unsaved-changes
// flag; the records themselves are read and written by files/.
#include <string>
#include <vector>

#include "app/main_frame.h"
#include "files/archive.h"
#include "files/atomic_file_writer.h"
#include "files/file.h"
#include "files/tree_reader.h"
#include "files/tree_writer.h"
#include "interop/ncdu_to_catalogue.h"
#include "tree/tree_item.h"

namespace {

const std::vector<std::pair<std::string, std::string>> kTreeFileFilters = {
    {"Directory View Files, *.ztr", "*.ztr"},
    {"All files", "*.*"},
};

// File Open also reads ncdu's JSON exports, named by their extension.
const std::pair<std::string, std::string> kNcduExportFilter = {"ncdu exports, *.json", "*.json"};

bool IsNcduExportName(const std::string& path) { return path.ends_with(".json"); }

}  // namespace

bool CMainFrame::AskSaveFileName(std::string& path) {
  FileDialogOptions options;
  options.title = "Save the current Directory Tree";
  options.filters = kTreeFileFilters;
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
  CAtomicFileWriter writer(path);
  CWaitCursor wait(m_host);
  CArchive ar(writer.GetFile(), CArchive::store);
  if (start) {
    const int depth = NestLevel(*m_pTreeCtrl, start);
    WriteAncestors(start, depth - 1, ar);
    WalkTree(start, depth, &CMainFrame::WriteItem, &ar, true);
  } else {
    WalkTree(nullptr, 0, &CMainFrame::WriteItem, &ar, true);
  }
  ar.Close();
  writer.Commit();
  m_bModified = false;
}

// One record per ancestor of node, the top-level one first at level
// (level - number of ancestors + 1), the parent last at level. Collected
// first rather than recursing, so no depth of tree can exhaust the stack.
void CMainFrame::WriteAncestors(HTREEITEM node, int level, CArchive& ar) {
  std::vector<HTREEITEM> ancestors;
  for (HTREEITEM p = m_pTreeCtrl->GetParentItem(node); p; p = m_pTreeCtrl->GetParentItem(p))
    ancestors.push_back(p);
  int at = level - static_cast<int>(ancestors.size()) + 1;
  for (auto it = ancestors.rbegin(); it != ancestors.rend(); ++it) WriteItem(*it, at++, &ar);
}

void CMainFrame::WriteItem(HTREEITEM node, int level, CArchive* ar) {
  WriteTreeRecord(*m_pTreeCtrl, node, level, *ar);
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
  options.filters = kTreeFileFilters;
  options.filters.push_back(kNcduExportFilter);
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
  CArchive ar(file, CArchive::load);
  TreeReadEnd end;
  try {
    // Counted from the node as it shows, not from the record: the totals
    // must follow the state images exactly, whatever the file's mask said.
    end = ReadTree(ar, tree, TVI_ROOT, [&](HTREEITEM node) {
      const CTreeItemData* data = tree.GetItemData(node);
      if (data != nullptr && CountsAsMarked(tree.GetStateImage(node)))
        CountMarkedFile(data->m_nFileSize, 1);
    });
  } catch (...) {
    UpdateSelectionStatus();
    throw;
  }
  ar.Close();
  if (end == TreeReadEnd::endOfRecords) UpdateCaption(&path);
  if (HTREEITEM first = tree.GetRootItem()) tree.Expand(first, TVE_EXPAND);
  UpdateSelectionStatus();
  if (const std::string text = TreeReadEndText(end, path); !text.empty())
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
