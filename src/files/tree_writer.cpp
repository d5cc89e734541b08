#include "files/tree_writer.h"

#include <string>

#include "files/tree_file_limits.h"
#include "platform/utf8.h"
#include "tree/tree_item.h"

namespace {

// Which members of a node a record carries: text, images, data, state,
// selected image, children flag.
constexpr UINT kSavedMembers =
    TVIF_TEXT | TVIF_IMAGE | TVIF_PARAM | TVIF_STATE | TVIF_SELECTEDIMAGE | TVIF_CHILDREN;
static_assert(kSavedMembers == 0x6F);

// Cuts a label to at most kMaxSavedLabel bytes. When the cut would split a
// UTF-8 character, the whole character goes, so the saved label stays valid
// UTF-8. A label in another encoding (an old Windows catalogue) is cut at
// the byte, as its bytes may look like anything.
void CutLabel(std::string& label) {
  if (label.size() <= kMaxSavedLabel) return;
  const auto* bytes = reinterpret_cast<const unsigned char*>(label.data());
  size_t cut = kMaxSavedLabel;
  for (size_t back = 1; back <= 3 && IsUtf8Continuation(bytes[kMaxSavedLabel - back + 1]); ++back) {
    const size_t lead = kMaxSavedLabel - back;
    if (IsUtf8Continuation(bytes[lead])) continue;
    const size_t length = Utf8SequenceLength(bytes[lead]);
    bool whole = length > back && lead + length <= label.size();
    for (size_t i = 1; whole && i < length; ++i) whole = IsUtf8Continuation(bytes[lead + i]);
    if (whole) cut = lead;
    break;
  }
  label.resize(cut);
}

}  // namespace

void WriteTreeRecord(const CTreeCtrl& tree, HTREEITEM node, int level, CArchive& ar) {
  TVITEM item;
  item.hItem = node;
  item.mask = kSavedMembers;
  tree.GetItem(item);
  WriteTreeRecord(item, level, ar);
}

void WriteTreeRecord(const TVITEM& item, int level, CArchive& ar) {
  CTreeItem record(item, level);
  record.m_tvis.item.mask = kSavedMembers;
  CutLabel(record.m_strText);
  record.Serialize(ar);
}
