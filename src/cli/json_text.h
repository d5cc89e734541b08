// JSON string text for the one-object-per-line listings.
#pragma once

#include <charconv>
#include <string>
#include <string_view>

// Appends text (valid UTF-8) to out as a JSON string, quotes included: the
// quote, the backslash and every control character escaped.
void AppendJsonString(std::string_view text, std::string& out);

// Appends an integer's decimal digits to out.
template <class Number>
void AppendNumber(Number value, std::string& out) {
  char digits[24];
  out.append(digits, std::to_chars(digits, digits + sizeof digits, value).ptr);
}
