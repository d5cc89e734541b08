#include "platform/lower_case.h"

#include <locale.h>
#include <wctype.h>

#include <initializer_list>

namespace {

// The case mapping is that of a UTF-8 locale, whatever the process locale is.
// Created once and kept for the life of the process.
locale_t Utf8Locale() {
  static const locale_t locale = [] {
    for (const char* name : {"C.UTF-8", "C.utf8", "en_US.UTF-8"}) {
      if (locale_t l = newlocale(LC_CTYPE_MASK, name, locale_t{})) return l;
    }
    return locale_t{};
  }();
  return locale;
}

}  // namespace

char32_t LowerCodePoint(char32_t cp) {
  const locale_t locale = Utf8Locale();
  if (!locale) return cp;
  const auto lower = static_cast<char32_t>(towlower_l(static_cast<wint_t>(cp), locale));
  if (lower > 0x10FFFF || (lower >= 0xD800 && lower <= 0xDFFF)) return cp;
  return lower;
}
