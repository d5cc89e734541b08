// Folder listing with FindFirstFileExW/FindNextFileW, behind plain types so
// that the listing's adapter need not see <windows.h> (whose names clash with
// the program's own Windows-shaped types).
//
// Open folders are numbered like POSIX descriptors, so the scan walks the
// same FolderHandle/FolderListing interface on both systems. Each number
// stands for the folder's full path in the long form ("\\?\C:\..."), which
// lifts the 260-character limit, and for its search, started when the folder
// is opened: opening and listing are one system call, as on Linux.
#pragma once

#include <cstdint>
#include <string_view>

namespace win {

// The number OpenFolder takes for "relative to the current folder".
constexpr int kCurrentFolder = -100;

struct SearchEntry {
  std::wstring_view name;  // valid until the folder's next NextEntry or CloseFolder
  uint32_t attributes = 0;
  uint64_t size = 0;
  uint64_t creation = 0, lastAccess = 0, lastWrite = 0;  // FILETIME ticks, UTC
};

// Opens and starts listing `name` (UTF-8), relative to the open folder
// `parent` unless it is a full path. Returns the folder's number, or -1 with
// the Win32 error code in `err`.
int OpenFolder(int parent, std::string_view name, uint32_t& err);
void CloseFolder(int folder);

// The next entry other than "." and ".."; false at the end (err 0) or on a
// failure (err the Win32 error code).
bool NextEntry(int folder, SearchEntry& out, uint32_t& err);

// Looks up one entry of an open folder by name.
bool FindEntry(int folder, std::string_view name, SearchEntry& out);

}  // namespace win
