// Numbers as the user reads them.
#pragma once

#include <cstdint>
#include <string>

// Decimal text of a value with commas between groups of three digits,
// appended to `text`.
void FormatThousands(int64_t value, std::string& text);
// The same for a count or a byte total.
std::string Thousands(uint64_t value);
