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

void FolderScanner::Scan(const char* folder, HTREEITEM node) {
  ShowLoading(folder);
  int err = 0;
  FolderHandle dir = FolderHandle::OpenAt(AT_FDCWD, folder, err);
  if (!dir) {
    MarkUnreadable(node, SystemErrorText(err));
    return;
  }
  FolderId id{0, 0};  // inode 0 names no folder, so an unknown identity matches nothing
  dir.Identity(id.dev, id.ino);
  OnDescent on(m_descent, id);
  ListInto(std::move(dir), node, 0);
}

void FolderScanner::ShowLoading(std::string_view folder) {
  m_text.assign("Loading folder: ");
  m_text.append(folder);
  m_host.SetStatusText(0, m_text, SBT_NOBORDERS);
  m_host.ShowProgress();
}

void FolderScanner::ScanSubfolder(int parentFd, const FindData& entry, HTREEITEM node, int depth) {
  ShowLoading(entry.name);
  if (depth > kDeepestEnteredDepth) {
    MarkUnreadable(node, kNestLevelExceeded);
    return;
  }
  // A link (or bind mount) back to a folder we are inside would lead into
  // the same folders again and again.
  if (IsOnDescent(entry.dev, entry.ino)) {
    MarkUnreadable(node, SystemErrorText(ELOOP));
    return;
  }
  int err = 0;
  FolderHandle dir = FolderHandle::OpenAt(parentFd, entry.name.data(), err);
  if (!dir) {
    MarkUnreadable(node, SystemErrorText(err));
    return;
  }
  OnDescent on(m_descent, FolderId{entry.dev, entry.ino});
  ListInto(std::move(dir), node, depth);
}

void FolderScanner::ListInto(FolderHandle dir, HTREEITEM node, int depth) {
  // Subfolders go after the last subfolder inserted, files after the last
  // file: so folders come first, each group in listing order, and no
  // insertion has to look for its place.
  HTREEITEM folderCursor = TVI_FIRST;
  HTREEITEM fileCursor = TVI_LAST;
  FolderListing listing(dir.fd());
  FindData entry;
  while (listing.Next(entry)) {
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
    // Depth first: the subfolder is complete before the next entry is read.
    // The entry's name stays valid meanwhile: it lives in this listing's
    // buffer, which only Next() overwrites.
    ScanSubfolder(dir.fd(), entry, child, depth + 1);
    folderCursor = child;
  }
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
