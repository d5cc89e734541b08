// The depth-first walk behind File New: lists a folder and everything below
// it into a tree node.
//
// Folders are entered by descriptor, each relative to its parent's, so the
// process's current directory never moves. One descriptor is open per level
// of the descent, and each is closed as soon as its folder's listing is done.
//
// Symbolic links are listed as files, never followed (only the chosen folder
// may be one); folders on the kernel's virtual file systems are shown but not
// entered; an entry whose status cannot be read is listed with the reason.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/folder_listing.h"
#include "tree/nest_limit.h"
#include "tree/scan_progress.h"
#include "tree/tree_ctrl.h"

// The children of a folder at this depth are the last that can be saved and
// read back; a folder one level deeper is not entered.
constexpr int kDeepestEnteredDepth = kDeepestSavedDepth - 1;

constexpr char kKernelFileSystem[] = "system information, not stored files";

class FolderScanner {
 public:
  FolderScanner(CTreeCtrl& tree, ScanProgress& progress) : m_tree(tree), m_progress(progress) {}

  // Fills the top-level `node` with the contents of `folder` (a path, as the
  // folder browser gave it). Throws ScanCancelled when asked to stop.
  void Scan(const char* folder, HTREEITEM node);

 private:
  struct FolderId {
    uint64_t dev;
    uint64_t ino;
  };
  // Keeps a folder on the descent while it is being listed, also when a
  // failure unwinds the walk.
  struct OnDescent {
    OnDescent(std::vector<FolderId>& descent, FolderId id) : m_descent(descent) {
      m_descent.push_back(id);
    }
    ~OnDescent() { m_descent.pop_back(); }
    OnDescent(const OnDescent&) = delete;
    OnDescent& operator=(const OnDescent&) = delete;
    std::vector<FolderId>& m_descent;
  };

  // Tells which folder is being loaded; throws ScanCancelled when asked to.
  void ShowLoading(std::string_view folder);
  void CheckStop();
  // Enters the subfolder `entry` of the open folder `parentFd`, whose node
  // `node` lies at `depth`, and fills it.
  void ScanSubfolder(int parentFd, const FindData& entry, HTREEITEM node, int depth);
  // Lists the open folder `dir` into `node`; closes `dir` when done.
  void ListInto(FolderHandle dir, HTREEITEM node, int depth);
  // Lists the opened folder `dir` into `node` unless it is a kernel file
  // system (then marked so, when `checkFileSystem`).
  void EnterAndList(FolderHandle dir, FolderId id, HTREEITEM node, int depth, bool checkFileSystem);
  void InsertFile(const FindData& entry, HTREEITEM parent, HTREEITEM& fileCursor);
  // An entry whose status could not be read: its name and why.
  void InsertUnreadable(const FindData& entry, HTREEITEM parent, HTREEITEM& folderCursor,
                        HTREEITEM& fileCursor);
  // A folder that cannot be entered: the reason goes into its label.
  void MarkUnreadable(HTREEITEM node, std::string_view reason);
  bool IsOnDescent(uint64_t dev, uint64_t ino) const;

  CTreeCtrl& m_tree;
  ScanProgress& m_progress;
  ScanCounts m_counts;
  std::string m_path;  // full path of the folder being listed
  // The folders entered on the way down to the one being listed, so that a
  // bind mount of one of them is not entered round and round.
  std::vector<FolderId> m_descent;
  std::string m_text;  // reused for every label and status text
};
