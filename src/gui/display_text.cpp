#include "gui/display_text.h"

#include "platform/cp1252.h"

QString DisplayTextOf(std::string_view bytes) {
  const std::string text = DisplayText(bytes);
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

QString OneLineText(QString text) {
  for (QChar& c : text) {
    const char16_t u = c.unicode();
    if (u < 0x20)
      c = QChar(char16_t(0x2400 + u));  // the Control Pictures block: ␀ … ␟
    else if (u == 0x7F)
      c = QChar(char16_t(0x2421));  // ␡
    else if (u >= 0x80 && u < 0xA0)
      c = QChar(char16_t(0xFFFD));  // C1 controls have no pictures of their own
  }
  return text;
}
