#include "files/utf16_text.h"

#include "platform/utf8.h"

namespace {

constexpr char32_t kReplacement = 0xFFFD;

}  // namespace

std::string Utf16LeToUtf8(const unsigned char* bytes, size_t units) {
  auto unit = [bytes](size_t i) -> char32_t { return bytes[2 * i] | (bytes[2 * i + 1] << 8); };
  std::string out;
  out.reserve(units);
  for (size_t i = 0; i < units; ++i) {
    const char32_t u = unit(i);
    if (IsHighSurrogate(u) && i + 1 < units && IsLowSurrogate(unit(i + 1))) {
      AppendUtf8(CombineSurrogates(u, unit(i + 1)), out);
      ++i;
    } else if (IsHighSurrogate(u) || IsLowSurrogate(u)) {
      AppendUtf8(kReplacement, out);
    } else {
      AppendUtf8(u, out);
    }
  }
  return out;
}
