// The reason texts on Windows: the system's own message for a Win32 error
// code, in the user's language, kept as the system gives it (line break and
// all).
#include <windows.h>

#include "platform/error_text.h"
#include "platform/win/wide_text.h"

std::string SystemErrorText(int err) {
  wchar_t* text = nullptr;
  const DWORD n = FormatMessageW(
      FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS | FORMAT_MESSAGE_ALLOCATE_BUFFER,
      nullptr, static_cast<DWORD>(err), MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT),
      reinterpret_cast<wchar_t*>(&text), 0, nullptr);
  if (n == 0 || text == nullptr) return "Unknown error " + std::to_string(err);
  std::string result = Utf8FromWide(std::wstring_view(text, n));
  LocalFree(text);
  return result;
}
