#include <io.h>
#include <windows.h>

#include "platform/terminal.h"

bool IsTerminal(std::FILE* stream) { return ::_isatty(::_fileno(stream)) != 0; }

int TerminalColumns(std::FILE* stream) {
  CONSOLE_SCREEN_BUFFER_INFO info;
  const HANDLE console = reinterpret_cast<HANDLE>(::_get_osfhandle(::_fileno(stream)));
  if (!::GetConsoleScreenBufferInfo(console, &info)) return 80;
  return info.srWindow.Right - info.srWindow.Left + 1;
}
