#include "cli/console_host.h"

#include "app/resource.h"
#include "platform/cp1252.h"

namespace {

bool TakeAnswer(std::string& scripted, std::string& path) {
  if (scripted.empty()) return false;
  path = std::move(scripted);
  scripted.clear();
  return true;
}

}  // namespace

int ConsoleHost::MessageBox(std::string_view text, std::string_view caption, UINT type) {
  switch (type & MB_TYPEMASK) {
    case MB_YESNO:
      // The only yes/no question of the commands the tool runs is File New's
      // "Add to current tree?": yes puts each folder beside the ones before.
      return IDYES;
    case MB_YESNOCANCEL:
      // Nothing is saved or dropped unasked.
      return IDCANCEL;
    default:
      break;
  }
  ++m_notices;
  std::string line = m_prefix;
  line.append(caption == kAppName && !m_appCaption.empty() ? m_appCaption : caption).append(": ");
  AppendDisplayText(text, line);  // a path from a Windows catalogue as the window shows it
  line += '\n';
  std::fwrite(line.data(), 1, line.size(), m_messages);
  std::fflush(m_messages);
  return IDOK;
}

bool ConsoleHost::BrowseForFolder(std::string_view, std::string& path) {
  return TakeAnswer(m_folder, path);
}

bool ConsoleHost::GetSaveFileName(const FileDialogOptions&, std::string& path) {
  return TakeAnswer(m_saveName, path);
}

bool ConsoleHost::GetOpenFileName(const FileDialogOptions&, std::string& path) {
  return TakeAnswer(m_openName, path);
}
