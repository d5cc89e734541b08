#include "tree/scan_walker.h"

#include <fcntl.h>

#include <algorithm>
#include <cerrno>
#include <memory>

#include "platform/error_text.h"
#include "tree/scan_nodes.h"
#include "tree/tree_item.h"

namespace {
constexpr UINT kInsertMask = TVIF_TEXT | TVIF_IMAGE | TVIF_SELECTEDIMAGE | TVIF_STATE | TVIF_PARAM;
}  // namespace

namespace {
// How many entries of one folder are read between two looks at whether the
// scan should stop: often enough for a huge folder, rarely enough to cost
// nothing.
constexpr unsigned kEntriesBetweenChecks = 256;

// Puts the full path back to its parent's when a subfolder is done.
struct PathPart {
  PathPart(std::string& path, std::string_view name) : m_path(path), m_size(path.size()) {
    if (!m_path.ends_with('/')) m_path.push_back('/');
    m_path.append(name);
  }
  ~PathPart() { m_path.resize(m_size); }
  PathPart(const PathPart&) = delete;
  PathPart& operator=(const PathPart&) = delete;
  std::string& m_path;
  size_t m_size;
};
}  // namespace

void FolderScanner::Scan(const char* folder, HTREEITEM node) {
  m_counts = {};
  m_counts.folders = 1;
  m_path.assign(folder);
  ShowLoading(folder);
  int err = 0;
  // The chosen folder may be a link to a folder: that folder is scanned.
  FolderHandle dir = FolderHandle::OpenAt(AT_FDCWD, folder, err, true);
  if (!dir) {
    MarkUnreadable(node, SystemErrorText(err));
    return;
  }
  FolderId id{0, 0};  // inode 0 names no folder, so an unknown identity matches nothing
  dir.Identity(id.dev, id.ino);
  EnterAndList(std::move(dir), id, node, 0, true);
}

void FolderScanner::ShowLoading(std::string_view folder) {
  m_progress.FolderStarted(folder, m_path);
  CheckStop();
}

void FolderScanner::CheckStop() {
  if (m_progress.StopRequested(m_path, m_counts)) throw ScanCancelled{};
}

void FolderScanner::ScanSubfolder(int parentFd, const FindData& entry, HTREEITEM node, int depth) {
  PathPart part(m_path, entry.name);
  ShowLoading(entry.name);
  if (depth > kDeepestEnteredDepth) {
    MarkUnreadable(node, kNestLimitText);
    return;
  }
  // A bind mount of a folder we are inside would lead into the same folders
  // again and again.
  if (IsOnDescent(entry.dev, entry.ino)) {
    MarkUnreadable(node, SystemErrorText(ELOOP));
    return;
  }
  int err = 0;
  FolderHandle dir = FolderHandle::OpenAt(parentFd, entry.name.data(), err, false);
  if (!dir) {
    MarkUnreadable(node, SystemErrorText(err));
    return;
  }
  // Only a mount point can start another file system.
  const bool mountPoint = entry.dev != m_descent.back().dev;
  EnterAndList(std::move(dir), FolderId{entry.dev, entry.ino}, node, depth, mountPoint);
}

void FolderScanner::EnterAndList(FolderHandle dir, FolderId id, HTREEITEM node, int depth,
                                 bool checkFileSystem) {
  if (checkFileSystem && dir.OnKernelFileSystem()) {
    MarkUnreadable(node, kKernelFileSystem);
    return;
  }
  OnDescent on(m_descent, id);
  ListInto(std::move(dir), node, depth);
}

void FolderScanner::ListInto(FolderHandle dir, HTREEITEM node, int depth) {
  // Subfolders go after the last subfolder inserted, files after the last
  // file: so folders come first, each group in listing order, and no
  // insertion has to look for its place.
  HTREEITEM folderCursor = TVI_FIRST;
  HTREEITEM fileCursor = TVI_LAST;
  FolderListing listing(std::move(dir));
  FindData entry;
  unsigned sinceCheck = 0;
  while (listing.Next(entry)) {
    if (++sinceCheck == kEntriesBetweenChecks) {
      sinceCheck = 0;
      CheckStop();
    }
    if (entry.statusError != 0) {
      InsertUnreadable(entry, node, folderCursor, fileCursor);
      continue;
    }
    if (!(entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
      InsertFile(entry, node, fileCursor);
      continue;
    }
    // Folders whose names start with a dot are left out with all they hold.
    if (entry.name.front() == '.') continue;
    const NodeImages images = FolderImages(entry.dwFileAttributes);
    HTREEITEM child = m_tree.InsertItem(kInsertMask, entry.name, images.image, images.selectedImage,
                                        INDEXTOSTATEIMAGEMASK(kStateUnmarked), TVIS_STATEIMAGEMASK,
                                        nullptr, node, folderCursor);
    if (!child) continue;
    ++m_counts.folders;
    // Depth first: the subfolder is complete before the next entry is read.
    // The entry's name stays valid meanwhile: it lives in this listing's
    // buffer, which only Next() overwrites.
    ScanSubfolder(listing.fd(), entry, child, depth + 1);
    folderCursor = child;
  }
}

void FolderScanner::InsertUnreadable(const FindData& entry, HTREEITEM parent,
                                     HTREEITEM& folderCursor, HTREEITEM& fileCursor) {
  const bool folder = entry.listedAsFolder;
  if (folder && entry.name.front() == '.') return;  // left out like any dot folder
  const NodeImages images = folder ? FolderImages(FILE_ATTRIBUTE_DIRECTORY) : kFileImages;
  m_text.assign(entry.name);
  m_text.append(" [");
  m_text.append(SystemErrorText(entry.statusError));
  m_text.append("]");
  HTREEITEM& cursor = folder ? folderCursor : fileCursor;
  HTREEITEM child = m_tree.InsertItem(kInsertMask, m_text, images.image, images.selectedImage,
                                      INDEXTOSTATEIMAGEMASK(kStateUnreadable), TVIS_STATEIMAGEMASK,
                                      nullptr, parent, cursor);
  if (child) cursor = child;
}

void FolderScanner::InsertFile(const FindData& entry, HTREEITEM parent, HTREEITEM& fileCursor) {
  // Owned here until the node takes it, so a refused or failed insertion
  // cannot leak it.
  auto record = std::make_unique<CTreeItemData>();
  FillFileRecord(entry, *record);
  FormatFileLabel(entry.name, *record, m_text);
  HTREEITEM child = m_tree.InsertItem(
      kInsertMask, m_text, kFileImages.image, kFileImages.selectedImage,
      INDEXTOSTATEIMAGEMASK(kStateUnmarked), TVIS_STATEIMAGEMASK, record.get(), parent, fileCursor);
  if (!child) return;
  ++m_counts.files;
  m_counts.bytes += static_cast<uint64_t>(record->m_nFileSize);
  record.release();
  fileCursor = child;
}

void FolderScanner::MarkUnreadable(HTREEITEM node, std::string_view reason) {
  m_text.assign(m_tree.GetItemText(node));
  m_text.append(" [");
  m_text.append(reason);
  m_text.append("]");
  m_tree.SetItemText(node, m_text);
  m_tree.SetItemState(node, INDEXTOSTATEIMAGEMASK(kStateUnreadable), TVIS_STATEIMAGEMASK);
}

bool FolderScanner::IsOnDescent(uint64_t dev, uint64_t ino) const {
  return std::any_of(m_descent.begin(), m_descent.end(),
                     [&](const FolderId& id) { return id.dev == dev && id.ino == ino; });
}
