#include "tree/scan_walker.h"

#include <fcntl.h>

#include <algorithm>
#include <cerrno>

#include "platform/error_text.h"
#include "tree/file_label.h"
#include "tree/tree_ctrl.h"
#include "tree/tree_item.h"

namespace {
// How many entries of one folder are read between two looks at whether the
// scan should stop: often enough for a huge folder, rarely enough to cost
// nothing.
constexpr unsigned kEntriesBetweenChecks = 256;
// A listing buffer that grew past this many entries is given back once its
// folder is done, so one huge folder does not keep its memory for the rest.
constexpr size_t kEntriesKept = 4096;

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

bool ListedAsFolder(const FindData& entry) {
  return entry.statusError != 0 ? entry.listedAsFolder
                                : (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

// Folders whose names start with a dot are left out with all they hold.
bool LeftOut(const FindData& entry) { return ListedAsFolder(entry) && entry.name.front() == '.'; }

}  // namespace

struct FolderScanner::Contents {
  std::vector<FindData> entries;
  std::vector<size_t> nameAt;  // each name's start in `names`
  std::string names;           // the names, each followed by a zero byte

  void Clear() {
    if (entries.capacity() > kEntriesKept) {
      *this = Contents();
      return;
    }
    entries.clear();
    nameAt.clear();
    names.clear();
  }
};

FolderScanner::FolderScanner(ScanSink& sink, ScanProgress& progress)
    : m_sink(sink), m_progress(progress) {}

FolderScanner::~FolderScanner() = default;

void FolderScanner::Scan(const char* folder) {
  m_counts = {};
  m_counts.folders = 1;
  m_path.assign(folder);
  ShowLoading(folder);
  int err = 0;
  // The chosen folder may be a link to a folder: that folder is scanned.
  FolderHandle dir = FolderHandle::OpenAt(AT_FDCWD, folder, err, true);
  if (!dir) {
    AddUnreadableFolder(folder, kChosenFolderImages, SystemErrorText(err));
    return;
  }
  FolderId id{0, 0};  // inode 0 names no folder, so an unknown identity matches nothing
  dir.Identity(id.dev, id.ino);
  EnterAndList(std::move(dir), id, folder, kChosenFolderImages, 0, true);
}

void FolderScanner::ShowLoading(std::string_view folder) {
  m_progress.FolderStarted(folder, m_path);
  CheckStop();
}

void FolderScanner::CheckStop() {
  if (m_progress.StopRequested(m_path, m_counts)) throw ScanCancelled{};
}

void FolderScanner::ScanSubfolder(int parentFd, const FindData& entry, int depth) {
  PathPart part(m_path, entry.name);
  ++m_counts.folders;
  ShowLoading(entry.name);
  const NodeImages images = FolderImages(entry.dwFileAttributes);
  if (depth > kDeepestEnteredDepth) {
    AddUnreadableFolder(entry.name, images, kNestLimitText);
    return;
  }
  // A bind mount of a folder we are inside would lead into the same folders
  // again and again.
  if (IsOnDescent(entry.dev, entry.ino)) {
    AddUnreadableFolder(entry.name, images, SystemErrorText(ELOOP));
    return;
  }
  int err = 0;
  FolderHandle dir = FolderHandle::OpenAt(parentFd, entry.name.data(), err, false);
  if (!dir) {
    AddUnreadableFolder(entry.name, images, SystemErrorText(err));
    return;
  }
  // Only a mount point can start another file system.
  const bool mountPoint = entry.dev != m_descent.back().dev;
  EnterAndList(std::move(dir), FolderId{entry.dev, entry.ino}, entry.name, images, depth,
               mountPoint);
}

void FolderScanner::EnterAndList(FolderHandle dir, FolderId id, std::string_view label,
                                 NodeImages images, int depth, bool checkFileSystem) {
  if (checkFileSystem && dir.OnKernelFileSystem()) {
    AddUnreadableFolder(label, images, kKernelFileSystem);
    return;
  }
  OnDescent on(m_descent, id);
  FolderListing listing(std::move(dir));
  Contents& contents = ContentsAt(depth);
  // A listing that cannot even start leaves the folder empty and unmarked; one
  // cut short by a read error keeps what was read and says why.
  const bool started = listing.fd() >= 0;
  const int error = started ? ReadListing(listing, contents) : 0;
  const bool hasChildren = std::any_of(contents.entries.begin(), contents.entries.end(),
                                       [](const FindData& e) { return !LeftOut(e); });
  int state = kStateUnmarked;
  if (error != 0) {
    FormatUnreadableLabel(label, SystemErrorText(error), m_text);
    label = m_text;
    state = kStateUnreadable;
  }
  m_sink.Add({label, images, state, nullptr, hasChildren});
  if (!hasChildren) return;

  // Subfolders first, each with its whole branch, then the files; each group
  // in listing order. The entries' names live in this depth's contents,
  // which the subfolders' listings (one depth down) leave alone.
  for (const FindData& entry : contents.entries) {
    if (!ListedAsFolder(entry) || LeftOut(entry)) continue;
    if (entry.statusError != 0)
      AddUnreadableEntry(entry);
    else
      ScanSubfolder(listing.fd(), entry, depth + 1);
  }
  for (const FindData& entry : contents.entries) {
    if (ListedAsFolder(entry)) continue;
    if (entry.statusError != 0)
      AddUnreadableEntry(entry);
    else
      AddFile(entry);
  }
  m_sink.EndChildren();
  contents.Clear();
}

int FolderScanner::ReadListing(FolderListing& listing, Contents& contents) {
  contents.Clear();
  FindData entry;
  unsigned sinceCheck = 0;
  while (listing.Next(entry)) {
    if (++sinceCheck == kEntriesBetweenChecks) {
      sinceCheck = 0;
      CheckStop();
    }
    contents.nameAt.push_back(contents.names.size());
    contents.names.append(entry.name);
    contents.names.push_back('\0');  // subfolders are opened by their names
    contents.entries.push_back(entry);
    if (entry.statusError == 0 && !(entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
      ++m_counts.files;
      m_counts.bytes += entry.nFileSize;
    }
  }
  // The names have stopped moving: point the entries at them.
  for (size_t i = 0; i < contents.entries.size(); ++i) {
    FindData& e = contents.entries[i];
    e.name = std::string_view(contents.names.data() + contents.nameAt[i], e.name.size());
  }
  return listing.error();
}

void FolderScanner::AddUnreadableEntry(const FindData& entry) {
  const bool folder = entry.listedAsFolder;
  const NodeImages images = folder ? FolderImages(FILE_ATTRIBUTE_DIRECTORY) : kFileImages;
  FormatUnreadableLabel(entry.name, SystemErrorText(entry.statusError), m_text);
  m_sink.Add({m_text, images, kStateUnreadable, nullptr, false});
}

void FolderScanner::AddFile(const FindData& entry) {
  CTreeItemData record;
  FillFileRecord(entry, record);
  FormatFileLabel(entry.name, record, m_text);
  m_sink.Add({m_text, kFileImages, kStateUnmarked, &record, false});
}

void FolderScanner::AddUnreadableFolder(std::string_view label, NodeImages images,
                                        std::string_view reason) {
  FormatUnreadableLabel(label, reason, m_text);
  m_sink.Add({m_text, images, kStateUnreadable, nullptr, false});
}

bool FolderScanner::IsOnDescent(uint64_t dev, uint64_t ino) const {
  return std::any_of(m_descent.begin(), m_descent.end(),
                     [&](const FolderId& id) { return id.dev == dev && id.ino == ino; });
}

FolderScanner::Contents& FolderScanner::ContentsAt(int depth) {
  while (m_contents.size() <= static_cast<size_t>(depth))
    m_contents.push_back(std::make_unique<Contents>());
  return *m_contents[static_cast<size_t>(depth)];
}
