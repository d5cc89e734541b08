#include "gui/display_text.h"

#include <algorithm>

#include "platform/cp1252.h"

QString DisplayTextOf(std::string_view bytes) {
  const std::string text = DisplayText(bytes);
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// Escapes as in C source, which every font can draw: a line break shows as
// \n, other control characters as \t, \r or \xHH.
QString OneLineText(QString text) {
  for (qsizetype i = 0; i < text.size(); ++i) {
    const char16_t u = text[i].unicode();
    if (u >= 0x20 && u != 0x7F && (u < 0x80 || u >= 0xA0)) continue;
    const QString escape = u == '\n'   ? QStringLiteral("\\n")
                           : u == '\t' ? QStringLiteral("\\t")
                           : u == '\r'
                               ? QStringLiteral("\\r")
                               : "\\x" + QString::number(u, 16).toUpper().rightJustified(2, '0');
    text.replace(i, 1, escape);
    i += escape.size() - 1;
  }
  return text;
}

int CompareFolded(std::string_view a, std::string_view b) {
  const size_t n = std::min(a.size(), b.size());
  for (size_t i = 0; i < n; ++i) {
    unsigned char x = static_cast<unsigned char>(a[i]), y = static_cast<unsigned char>(b[i]);
    if (x >= 'A' && x <= 'Z') x += 32;
    if (y >= 'A' && y <= 'Z') y += 32;
    if (x != y) return x < y ? -1 : 1;
  }
  if (a.size() != b.size()) return a.size() < b.size() ? -1 : 1;
  return a.compare(b);
}
