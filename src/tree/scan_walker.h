// The depth-first walk behind File New and ztr-tool scan: lists a folder and
// everything below it, handing each node to a sink in the catalogue's order.
//
// Folders are entered by descriptor, each relative to its parent's, so the
// process's current directory never moves. One descriptor is open per level
// of the descent. Each folder's listing is read whole before its node is
// handed over: only then are its final label (a listing that fails half-way
// gives the folder its reason) and whether it has children known, and the
// files, which come after the subfolders, must wait anyway. So memory grows
// with the depth times the width of the tree, never with the tree.
//
// Symbolic links are listed as files, never followed (only the chosen folder
// may be one); folders on the kernel's virtual file systems are shown but not
// entered; an entry whose status cannot be read is listed with the reason.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/folder_listing.h"
#include "tree/nest_limit.h"
#include "tree/scan_progress.h"
#include "tree/scan_sink.h"

// The children of a folder at this depth are the last that can be saved and
// read back; a folder one level deeper is not entered.
constexpr int kDeepestEnteredDepth = kDeepestSavedDepth - 1;

constexpr char kKernelFileSystem[] = "system information, not stored files";

class FolderScanner {
 public:
  FolderScanner(ScanSink& sink, ScanProgress& progress);
  ~FolderScanner();
  FolderScanner(const FolderScanner&) = delete;
  FolderScanner& operator=(const FolderScanner&) = delete;

  // Hands `folder` (a path, as the folder browser gave it) and everything
  // below it to the sink. Throws ScanCancelled when asked to stop.
  void Scan(const char* folder);
  const ScanCounts& Counts() const { return m_counts; }

 private:
  struct FolderId {
    uint64_t dev;
    uint64_t ino;
  };
  // One folder's entries, read whole; one per depth, reused.
  struct Contents;
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
  // Enters the subfolder `entry` of the open folder `parentFd`; its node
  // lies at `depth`.
  void ScanSubfolder(int parentFd, const FindData& entry, int depth);
  // Lists the opened folder `dir` and hands it over with its branch, unless
  // it is a kernel file system (then marked so, when `checkFileSystem`).
  void EnterAndList(FolderHandle dir, FolderId id, std::string_view label, NodeImages images,
                    int depth, bool checkFileSystem);
  // Reads the whole listing into `contents`; the errno value of a read error
  // that cut it short, else 0.
  int ReadListing(FolderListing& listing, Contents& contents);
  void AddFile(const FindData& entry);
  // An entry whose status could not be read: its name and why.
  void AddUnreadableEntry(const FindData& entry);
  // A folder that cannot be entered: the reason goes into its label.
  void AddUnreadableFolder(std::string_view label, NodeImages images, std::string_view reason);
  bool IsOnDescent(uint64_t dev, uint64_t ino) const;
  Contents& ContentsAt(int depth);

  ScanSink& m_sink;
  ScanProgress& m_progress;
  ScanCounts m_counts;
  std::string m_path;  // full path of the folder being listed
  // The folders entered on the way down to the one being listed, so that a
  // bind mount of one of them is not entered round and round.
  std::vector<FolderId> m_descent;
  std::vector<std::unique_ptr<Contents>> m_contents;  // by depth
  std::string m_text;                                 // reused for every label
};
