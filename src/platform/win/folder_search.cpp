#include "platform/win/folder_search.h"

#include <windows.h>

#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/win/wide_text.h"

namespace win {
namespace {

struct OpenFolderState {
  std::wstring path;  // long form, without a trailing backslash except for a root
  HANDLE search = INVALID_HANDLE_VALUE;
  WIN32_FIND_DATAW data{};
  bool pending = false;  // `data` holds an entry not handed out yet
};

// Scans may run on worker threads, so the table is shared under a lock; each
// folder is used by one thread at a time.
std::mutex g_lock;
std::vector<std::unique_ptr<OpenFolderState>> g_folders;

OpenFolderState* Lookup(int folder) {
  std::lock_guard<std::mutex> hold(g_lock);
  if (folder < 0 || static_cast<size_t>(folder) >= g_folders.size()) return nullptr;
  return g_folders[static_cast<size_t>(folder)].get();
}

int Store(std::unique_ptr<OpenFolderState> state) {
  std::lock_guard<std::mutex> hold(g_lock);
  for (size_t i = 0; i < g_folders.size(); ++i) {
    if (!g_folders[i]) {
      g_folders[i] = std::move(state);
      return static_cast<int>(i);
    }
  }
  g_folders.push_back(std::move(state));
  return static_cast<int>(g_folders.size() - 1);
}

bool IsFullPath(std::wstring_view p) {
  return (p.size() >= 3 && p[1] == L':' && (p[2] == L'\\' || p[2] == L'/')) ||
         (p.size() >= 2 && (p[0] == L'\\' || p[0] == L'/') && (p[1] == L'\\' || p[1] == L'/'));
}

// The full path in the long form, which the system takes as it is: no
// 260-character limit, no trimming of trailing dots or spaces.
std::wstring LongForm(const std::wstring& path) {
  const DWORD n = GetFullPathNameW(path.c_str(), 0, nullptr, nullptr);
  if (n == 0) return path;
  std::wstring full(n, L'\0');
  full.resize(GetFullPathNameW(path.c_str(), n, full.data(), nullptr));
  if (full.starts_with(LR"(\\?\)") || full.starts_with(LR"(\\.\)")) return full;
  if (full.starts_with(LR"(\\)")) return LR"(\\?\UNC\)" + full.substr(2);
  return LR"(\\?\)" + full;
}

std::wstring Child(const std::wstring& folder, std::wstring_view name) {
  std::wstring path = folder;
  if (!path.ends_with(L'\\')) path += L'\\';
  path += name;
  return path;
}

uint64_t Ticks(const FILETIME& ft) {
  return (uint64_t{ft.dwHighDateTime} << 32) | ft.dwLowDateTime;
}

void Fill(const WIN32_FIND_DATAW& data, SearchEntry& out) {
  out.name = data.cFileName;
  out.attributes = data.dwFileAttributes;
  // A junction or symbolic link to a folder is listed as an entry of its own,
  // not as a folder to enter: the same rule as for links on Linux. Other
  // reparse points (cloud placeholders, deduplicated files) are real folders
  // and files and stay what they are. A point whose tag the listing does not
  // give (Wine's form of a Unix symbolic link) counts as a link.
  const DWORD tag = data.dwReserved0;
  if ((out.attributes & FILE_ATTRIBUTE_REPARSE_POINT) &&
      (tag == 0 || IsReparseTagNameSurrogate(tag)))
    out.attributes &= ~static_cast<uint32_t>(FILE_ATTRIBUTE_DIRECTORY);
  out.size = (uint64_t{data.nFileSizeHigh} << 32) | data.nFileSizeLow;
  out.creation = Ticks(data.ftCreationTime);
  out.lastAccess = Ticks(data.ftLastAccessTime);
  out.lastWrite = Ticks(data.ftLastWriteTime);
}

bool IsDotOrDotDot(const wchar_t* name) {
  return name[0] == L'.' && (name[1] == L'\0' || (name[1] == L'.' && name[2] == L'\0'));
}

}  // namespace

int OpenFolder(int parent, std::string_view name, uint32_t& err) {
  const std::wstring wide = WideFromUtf8(name);
  auto state = std::make_unique<OpenFolderState>();
  const OpenFolderState* base = IsFullPath(wide) ? nullptr : Lookup(parent);
  state->path = base ? Child(base->path, wide) : LongForm(wide);
  while (state->path.size() > 7 && state->path.ends_with(L'\\') && !state->path.ends_with(L":\\"))
    state->path.pop_back();
  state->search = FindFirstFileExW(Child(state->path, L"*").c_str(), FindExInfoBasic, &state->data,
                                   FindExSearchNameMatch, nullptr, FIND_FIRST_EX_LARGE_FETCH);
  if (state->search == INVALID_HANDLE_VALUE) {
    err = GetLastError();
    // Only a drive root lacks "." and "..": an empty one lists nothing at all.
    if (err != ERROR_FILE_NOT_FOUND) return -1;
  } else {
    state->pending = true;
  }
  err = 0;
  return Store(std::move(state));
}

void CloseFolder(int folder) {
  std::unique_ptr<OpenFolderState> state;
  {
    std::lock_guard<std::mutex> hold(g_lock);
    if (folder < 0 || static_cast<size_t>(folder) >= g_folders.size()) return;
    state = std::move(g_folders[static_cast<size_t>(folder)]);
  }
  if (state && state->search != INVALID_HANDLE_VALUE) FindClose(state->search);
}

bool NextEntry(int folder, SearchEntry& out, uint32_t& err) {
  err = 0;
  OpenFolderState* state = Lookup(folder);
  if (!state || state->search == INVALID_HANDLE_VALUE) return false;
  for (;;) {
    if (!state->pending && !FindNextFileW(state->search, &state->data)) {
      const DWORD error = GetLastError();
      if (error != ERROR_NO_MORE_FILES) err = error;
      FindClose(state->search);
      state->search = INVALID_HANDLE_VALUE;
      return false;
    }
    state->pending = false;
    if (IsDotOrDotDot(state->data.cFileName)) continue;
    Fill(state->data, out);
    return true;
  }
}

bool FindEntry(int folder, std::string_view name, SearchEntry& out) {
  OpenFolderState* state = Lookup(folder);
  if (!state) return false;
  // Per thread, so the name stays valid after the return, as NextEntry's does.
  static thread_local WIN32_FIND_DATAW data;
  const HANDLE search = FindFirstFileExW(Child(state->path, WideFromUtf8(name)).c_str(),
                                         FindExInfoBasic, &data, FindExSearchNameMatch, nullptr, 0);
  if (search == INVALID_HANDLE_VALUE) return false;
  FindClose(search);
  Fill(data, out);
  return true;
}

}  // namespace win
