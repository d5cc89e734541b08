#include "cli/tool_frame.h"

#include <filesystem>
#include <system_error>

#include "platform/utf8_path.h"

bool ToolFrame::Load(const std::string& path) {
  host.ResetNotices();
  frame.RunGuarded([&] { frame.LoadTree(path); }, CommandSource::Menu);
  return host.NoticesShown() == 0;
}

std::string DialogPath(const std::string& typed) {
  namespace fs = std::filesystem;
  const fs::path given = Utf8Path(typed);
  std::error_code error;
  fs::path full = fs::absolute(given, error);
  if (error) full = given;  // no current folder: the path goes as typed
  full = full.lexically_normal();
  // "/home/ann/" and "C:\Docs\" name the folder without the trailing
  // separator; a root ("/", "C:\") keeps its own.
  if (!full.has_filename() && full.has_relative_path()) full = full.parent_path();
  return Utf8Text(full);
}
