// JSON string text for the one-object-per-line listings.
#pragma once

#include <string>
#include <string_view>

// Appends text (valid UTF-8) to out as a JSON string, quotes included: the
// quote, the backslash and every control character escaped.
void AppendJsonString(std::string_view text, std::string& out);
