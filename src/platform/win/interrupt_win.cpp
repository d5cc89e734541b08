// Interruptions on Windows arrive as console events, on a thread of their
// own, where removing a file and ending the process are safe.
#include <windows.h>

#include "platform/interrupt.h"
#include "platform/win/wide_text.h"

namespace {

const char* (*g_pendingFile)() = nullptr;

BOOL WINAPI OnConsoleEvent(DWORD event) {
  if (const char* file = g_pendingFile()) DeleteFileW(WideFromUtf8(file).c_str());
  // The status a POSIX shell gives: 130 for SIGINT, 131 for SIGQUIT (Break),
  // 129 for SIGHUP (the console going away).
  const UINT status = event == CTRL_C_EVENT ? 130 : event == CTRL_BREAK_EVENT ? 131 : 129;
  ExitProcess(status);
}

}  // namespace

void EndCleanlyOnInterrupt(const char* (*pendingFile)()) {
  g_pendingFile = pendingFile;
  SetConsoleCtrlHandler(OnConsoleEvent, TRUE);
}
