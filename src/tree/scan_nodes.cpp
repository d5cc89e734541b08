#include "tree/scan_nodes.h"

#include <charconv>

#include "platform/local_time.h"
#include "tree/tree_item.h"

namespace {
// What separates a file's name from its size, and the size from its time.
constexpr std::string_view kNameGap = "   ";
constexpr std::string_view kBytesText = " bytes, ";
constexpr std::string_view kReasonOpen = " [";
}  // namespace

NodeImages FolderImages(DWORD attributes) {
  return (attributes & FILE_ATTRIBUTE_HIDDEN) ? NodeImages{3, 4} : NodeImages{1, 2};
}

void FillFileRecord(const FindData& entry, CTreeItemData& record) {
  record.m_dwAttributes = entry.dwFileAttributes;
  record.m_nFileSize = static_cast<int64_t>(entry.nFileSize);
  record.m_ftCreation = entry.ftCreationTime;
  record.m_ftLastAccess = entry.ftLastAccessTime;
  record.m_ftLastWrite = entry.ftLastWriteTime;
}

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

UnreadableLabel SplitUnreadableLabel(std::string_view label) {
  // System texts hold no " [", so the last one opens the reason.
  const size_t open = label.rfind(kReasonOpen);
  if (open == std::string_view::npos || label.empty() || label.back() != ']') return {label, {}};
  const size_t from = open + kReasonOpen.size();
  return {label.substr(0, open), label.substr(from, label.size() - 1 - from)};
}
