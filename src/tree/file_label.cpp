#include "tree/file_label.h"

#include <array>
#include <charconv>

#include "platform/local_time.h"
#include "tree/tree_item.h"

namespace {
// What separates a file's name from its size, and the size from its time.
constexpr std::string_view kNameGap = "   ";
constexpr std::string_view kBytesText = " bytes, ";
constexpr std::string_view kReasonOpen = " [";

bool IsTrailingSpace(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}
bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// The bytes of a time text, with a bit each for '/' and '-', looked up in a
// table: every file label is walked back over its time text.
enum : uint8_t { kTimeChar = 1, kSlash = 2, kDash = 4 };
constexpr auto kTimeTextBytes = [] {
  std::array<uint8_t, 256> table{};
  for (char c = '0'; c <= '9'; ++c) table[static_cast<unsigned char>(c)] = kTimeChar;
  table[':'] = kTimeChar;
  table['/'] = kTimeChar | kSlash;
  table['-'] = kTimeChar | kDash;
  return table;
}();

}  // namespace

void FormatFileLabel(std::string_view name, const CTreeItemData& record, std::string& label,
                     bool withTime) {
  char size[24];
  const auto sizeEnd = std::to_chars(size, size + sizeof size, record.m_nFileSize).ptr;
  char time[64];
  const size_t timeLength =
      withTime ? FormatFileTime(record.m_ftLastWrite, "%d/%m/%Y-%H:%M", time, sizeof time) : 0;

  label.assign(name);
  label.append(kNameGap);
  label.append(size, sizeEnd);
  label.append(kBytesText);
  label.append(time, timeLength);
}

std::string_view FileLabelName(std::string_view label, int64_t size) {
  // The time text holds no " bytes, ", so the last one ends the size.
  const size_t bytesAt = label.rfind(kBytesText);
  if (bytesAt == std::string_view::npos) return label;
  char digits[24];
  const std::string_view sizeText(digits,
                                  std::to_chars(digits, digits + sizeof digits, size).ptr - digits);
  if (bytesAt < kNameGap.size() + sizeText.size()) return label;
  const size_t sizeAt = bytesAt - sizeText.size();
  const size_t gapAt = sizeAt - kNameGap.size();
  if (label.substr(sizeAt, sizeText.size()) != sizeText ||
      label.substr(gapAt, kNameGap.size()) != kNameGap)
    return label;
  return label.substr(0, gapAt);
}

void FormatUnreadableLabel(std::string_view name, std::string_view reason, std::string& label) {
  label.assign(name);
  label.append(kReasonOpen);
  label.append(reason);
  label.push_back(']');
}

UnreadableLabel SplitUnreadableLabel(std::string_view label) {
  // System texts hold no " [", so the last one opens the reason.
  const size_t open = label.rfind(kReasonOpen);
  if (open == std::string_view::npos || label.empty() || label.back() != ']') return {label, {}};
  const size_t from = open + kReasonOpen.size();
  return {label.substr(0, open), label.substr(from, label.size() - 1 - from)};
}

// A file label is "<name>   <size> bytes, <time text>", the time text being
// "dd/mm/yyyy-HH:MM" or empty. Find takes the name out of a label that holds a
// '/' by cutting at the last '-', then three times at the last space followed
// by trimming trailing white space. On this system a '/' also occurs in every
// folder path (the top node's label) and may occur in the reason text of a
// folder that could not be entered, or anywhere in a label from a tree file;
// cutting those would mangle the name or cut nothing sensible. So the cuts are
// made only when the label has the file-label layout with a time text that
// holds the '/' and the '-': then they leave exactly the name before the three
// spaces, without its trailing white space, which is what is returned here.
// Every other label (folders, paths, failed folders, a file label with an
// empty time text, anything else) is taken whole as the name.
//
// The layout is checked on the label as it stands, so the name does not depend
// on the ignore-case option; lower-casing never creates or removes an ASCII
// '/', '-', digit or space, so the cuts fall at the same characters.
std::string_view ItemLabelName(std::string_view label) {
  size_t i = label.size();
  uint8_t seen = 0;
  while (i > 0) {
    const uint8_t bits = kTimeTextBytes[static_cast<unsigned char>(label[i - 1])];
    if (!bits) break;
    seen |= bits;
    --i;
  }
  if (!(seen & kSlash) || !(seen & kDash)) return label;

  if (i < kBytesText.size() || label.substr(i - kBytesText.size(), kBytesText.size()) != kBytesText)
    return label;
  i -= kBytesText.size();

  const size_t sizeEnd = i;
  while (i > 0 && IsDigit(label[i - 1])) --i;
  if (i == sizeEnd) return label;
  if (i > 0 && label[i - 1] == '-') --i;
  if (i == 0 || label[i - 1] != ' ') return label;

  // The three separating spaces and any white space the name itself ends in.
  while (i > 0 && IsTrailingSpace(label[i - 1])) --i;
  return label.substr(0, i);
}
