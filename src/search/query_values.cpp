#include "search/query_values.h"

#include <charconv>
#include <cmath>
#include <ctime>
#include <functional>
#include <string>

#include "platform/local_calendar.h"

namespace {

// A single value as the half-open stretch [start, end) it stands for.
struct Stretch {
  int64_t start;
  int64_t end;
};
using ValueReader = std::function<std::optional<Stretch>(std::string_view)>;

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

std::optional<int64_t> ReadWholeNumber(std::string_view text) {
  if (text.empty() || !IsDigit(text.front())) return std::nullopt;
  int64_t value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc() || end != text.data() + text.size()) return std::nullopt;
  return value;
}

// The comparison around the values: an operator before one, or "..".
std::optional<ValueRange> ReadComparison(std::string_view text, const ValueReader& read) {
  ValueRange range;
  if (const size_t dots = text.find(".."); dots != std::string_view::npos) {
    const std::string_view from = text.substr(0, dots);
    const std::string_view to = text.substr(dots + 2);
    if (from.empty() && to.empty()) return std::nullopt;
    if (!from.empty()) {
      const auto a = read(from);
      if (!a) return std::nullopt;
      range.low = a->start;
    }
    if (!to.empty()) {
      const auto b = read(to);
      if (!b) return std::nullopt;
      range.high = b->end - 1;
    }
    return range;
  }
  std::string_view op;
  for (const std::string_view candidate : {">=", "<=", ">", "<", "="}) {
    if (text.starts_with(candidate)) {
      op = candidate;
      break;
    }
  }
  const auto value = read(text.substr(op.size()));
  if (!value) return std::nullopt;
  if (op == ">") range.low = value->end;
  if (op == ">=") range.low = value->start;
  if (op == "<") range.high = value->start - 1;
  if (op == "<=") range.high = value->end - 1;
  if (op.empty() || op == "=") range = {value->start, value->end - 1};
  return range;
}

std::optional<Stretch> ReadSize(std::string_view text) {
  size_t digits = 0;
  while (digits < text.size() && (IsDigit(text[digits]) || text[digits] == '.')) ++digits;
  std::string_view number = text.substr(0, digits);
  std::string unit(text.substr(digits));
  for (char& c : unit) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c + 32 : c);
  if (number.empty() || !IsDigit(number.front()) || !IsDigit(number.back()) ||
      number.find('.') != number.rfind('.'))
    return std::nullopt;
  static constexpr std::string_view kUnits[] = {"b", "kb", "mb", "gb", "tb"};
  int power = -1;
  for (int i = 0; i < 5; ++i)
    if (unit == kUnits[i] || (i > 0 && unit == kUnits[i].substr(0, 1))) power = i;
  if (unit.empty()) power = 0;
  if (power < 0) return std::nullopt;
  double value = 0;
  const auto [end, error] = std::from_chars(number.data(), number.data() + number.size(), value);
  if (error != std::errc() || end != number.data() + number.size()) return std::nullopt;
  const double bytes = std::floor(value * std::pow(1024.0, power));
  if (!(bytes < 9.2e18)) return std::nullopt;
  const auto whole = static_cast<int64_t>(bytes);
  return Stretch{whole, whole + 1};
}

int DaysInMonth(int64_t year, int64_t month) {
  static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
  return month == 2 && leap ? 29 : kDays[month - 1];
}

std::optional<Stretch> ReadDate(std::string_view text) {
  int64_t parts[3] = {0, 0, 0};
  int count = 0;
  while (count < 3) {
    const size_t dash = text.find('-');
    const auto part = ReadWholeNumber(text.substr(0, dash));
    if (!part) return std::nullopt;
    parts[count++] = *part;
    if (dash == std::string_view::npos) break;
    text.remove_prefix(dash + 1);
    if (count == 3) return std::nullopt;
  }
  const int64_t year = parts[0], month = parts[1], day = parts[2];
  if (year < 1601 || year > 30827) return std::nullopt;
  if (count >= 2 && (month < 1 || month > 12)) return std::nullopt;
  if (count == 3 && (day < 1 || day > DaysInMonth(year, month))) return std::nullopt;
  const int64_t key = year * 10000 + (count >= 2 ? month : 1) * 100 + (count == 3 ? day : 1);
  // The next period's first key; a day's successor may be no real date,
  // which does not matter since no real date falls between.
  if (count == 1) return Stretch{key, key + 10000};
  if (count == 2) return Stretch{key, month == 12 ? (year + 1) * 10000 + 101 : key + 100};
  return Stretch{key, key + 1};
}

std::optional<Stretch> ReadCount(std::string_view text) {
  const auto value = ReadWholeNumber(text);
  if (!value) return std::nullopt;
  return Stretch{*value, *value + 1};
}

}  // namespace

std::optional<ValueRange> ParseSizeRange(std::string_view text) {
  return ReadComparison(text, ReadSize);
}

std::optional<ValueRange> ParseDateRange(std::string_view text) {
  return ReadComparison(text, ReadDate);
}

std::optional<ValueRange> ParseCountRange(std::string_view text) {
  return ReadComparison(text, ReadCount);
}

std::optional<int64_t> DayKey(FILETIME time) {
  const uint64_t ticks = FileTimeToU64(time);
  constexpr uint64_t kTicksPerSecond = 10000000;
  constexpr int64_t kSecondsFrom1601To1970 = 11644473600;
  if (ticks > static_cast<uint64_t>(std::numeric_limits<int64_t>::max())) return std::nullopt;
  const int64_t sec = static_cast<int64_t>(ticks / kTicksPerSecond) - kSecondsFrom1601To1970;
  struct tm local {};
  if (!LocalCalendar(sec, local)) return std::nullopt;
  return (local.tm_year + 1900LL) * 10000 + (local.tm_mon + 1) * 100 + local.tm_mday;
}
