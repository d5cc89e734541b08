// Lower case on Windows: the system's invariant-locale mapping, the same on
// every Windows whatever its language.
#include <windows.h>

#include "platform/lower_case.h"
#include "platform/utf8.h"

// Linguistic casing also maps the letter-like signs (Kelvin, Angstrom) as
// Unicode does; plain LCMAP_LOWERCASE leaves them on some systems (Wine).
constexpr DWORD kLowerCase = LCMAP_LOWERCASE | LCMAP_LINGUISTIC_CASING;

char32_t LowerCodePoint(char32_t cp) {
  if (cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return cp;
  wchar_t in[2], out[4];
  int n = 1;
  if (cp < 0x10000) {
    in[0] = static_cast<wchar_t>(cp);
  } else {
    in[0] = static_cast<wchar_t>(0xD800 + ((cp - 0x10000) >> 10));
    in[1] = static_cast<wchar_t>(0xDC00 + ((cp - 0x10000) & 0x3FF));
    n = 2;
  }
  const int got =
      LCMapStringEx(LOCALE_NAME_INVARIANT, kLowerCase, in, n, out, 4, nullptr, nullptr, 0);
  if (got == 1 && (out[0] < 0xD800 || out[0] > 0xDFFF)) return out[0];
  if (got == 2 && IsHighSurrogate(out[0]) && IsLowSurrogate(out[1]))
    return CombineSurrogates(out[0], out[1]);
  return cp;
}
