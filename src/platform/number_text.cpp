#include "platform/number_text.h"

#include <cstdio>

void FormatThousands(int64_t value, std::string& text) {
  // The totals never go negative; should one, it reads as a minus sign and
  // the digits of its size.
  uint64_t magnitude = value < 0 ? 0 - static_cast<uint64_t>(value) : static_cast<uint64_t>(value);
  std::string digits;
  char group[8];
  for (;;) {
    std::snprintf(group, sizeof group, "%03u", static_cast<unsigned>(magnitude % 1000));
    digits.insert(0, group);
    magnitude /= 1000;
    if (magnitude == 0) break;
    digits.insert(0, ",");
  }
  const size_t firstDigit = digits.find_first_not_of('0');
  digits.erase(0, firstDigit == std::string::npos ? digits.size() : firstDigit);
  if (digits.empty()) digits = "0";
  if (value < 0) text.push_back('-');
  text.append(digits);
}

std::string Thousands(uint64_t value) {
  std::string text;
  FormatThousands(static_cast<int64_t>(value), text);
  return text;
}
