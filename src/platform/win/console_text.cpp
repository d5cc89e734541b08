#include "platform/win/console_text.h"

#include <windows.h>
// after windows.h, which it needs
#include <shellapi.h>

#include "platform/win/wide_text.h"

std::vector<std::string> Utf8Arguments() {
  std::vector<std::string> args;
  int count = 0;
  wchar_t** wide = CommandLineToArgvW(GetCommandLineW(), &count);
  if (wide == nullptr) return args;
  for (int i = 0; i < count; ++i) args.push_back(Utf8FromWide(wide[i]));
  LocalFree(wide);
  return args;
}

void UseUtf8Console() { SetConsoleOutputCP(CP_UTF8); }
