#include "cli/tool_frame.h"

#include <filesystem>
#include <system_error>

bool ToolFrame::Load(const std::string& path) {
  host.ResetNotices();
  frame.RunGuarded([&] { frame.LoadTree(path); }, CommandSource::Menu);
  return host.NoticesShown() == 0;
}

std::string DialogPath(const std::string& typed) {
  namespace fs = std::filesystem;
  std::error_code error;
  fs::path full = fs::absolute(typed, error);
  if (error) full = typed;  // no current folder: the path goes as typed
  std::string text = full.lexically_normal().string();
  while (text.size() > 1 && text.back() == '/') text.pop_back();
  return text;
}
