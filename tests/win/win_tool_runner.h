// Runs the real ztr-tool.exe and collects what it wrote and its exit status.
#pragma once

#include <windows.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "platform/utf8_path.h"
#include "platform/win/wide_text.h"

namespace win_test {

struct ToolResult {
  std::string out, err;
  DWORD status = 0xFFFFFFFF;
};

inline std::string ReadText(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

// Removes a folder and all it holds, read-only files too. Takes the long form
// (\\?\C:\...): the standard library's removal gives up past MAX_PATH under
// Wine, even given that form. Links to folders are removed, not entered.
inline void RemoveTree(const std::wstring& folder) {
  WIN32_FIND_DATAW found;
  HANDLE search = FindFirstFileW((folder + L"\\*").c_str(), &found);
  if (search != INVALID_HANDLE_VALUE) {
    do {
      const std::wstring name = found.cFileName, path = folder + L"\\" + name;
      if (name == L"." || name == L"..") continue;
      const DWORD a = found.dwFileAttributes;
      if ((a & FILE_ATTRIBUTE_DIRECTORY) && !(a & FILE_ATTRIBUTE_REPARSE_POINT)) {
        RemoveTree(path);
      } else if (a & FILE_ATTRIBUTE_DIRECTORY) {
        RemoveDirectoryW(path.c_str());
      } else {
        SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
        DeleteFileW(path.c_str());
      }
    } while (FindNextFileW(search, &found));
    FindClose(search);
  }
  RemoveDirectoryW(folder.c_str());
}

// Arguments are UTF-8; each is quoted, none may hold a quote.
inline ToolResult RunTool(const std::vector<std::string>& args,
                          const std::filesystem::path& scratch) {
  std::wstring line = L"\"" + WideFromUtf8(ZTR_TOOL_PATH) + L"\"";
  for (const std::string& arg : args) line += L" \"" + WideFromUtf8(arg) + L"\"";
  SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
  const auto outPath = scratch / "tool.out", errPath = scratch / "tool.err";
  HANDLE out = CreateFileW(outPath.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit, CREATE_ALWAYS,
                           0, nullptr);
  HANDLE err = CreateFileW(errPath.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit, CREATE_ALWAYS,
                           0, nullptr);
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdOutput = out;
  startup.hStdError = err;
  PROCESS_INFORMATION process{};
  ToolResult result;
  if (CreateProcessW(nullptr, line.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup,
                     &process)) {
    WaitForSingleObject(process.hProcess, INFINITE);
    GetExitCodeProcess(process.hProcess, &result.status);
    CloseHandle(process.hProcess);
    CloseHandle(process.hThread);
  }
  CloseHandle(out);
  CloseHandle(err);
  result.out = ReadText(outPath);
  result.err = ReadText(errPath);
  return result;
}

}  // namespace win_test
