// How the two records read and write themselves in a tree file.
//
// A node record is its label (length-prefixed), its nest level (32-bit) and
// a 40-byte display part laid out as ten 32-bit words:
//   mask, hItem, state, stateMask, pszText, cchTextMax, iImage,
//   iSelectedImage, cChildren, lParam
// followed by the 36-byte data part exactly when the lParam word is not 0.
// hItem, pszText and cchTextMax belong to the program that wrote the file;
// they are written as 0 and ignored when read.
#include <bit>
#include <cstdint>
#include <cstring>
#include <memory>

#include "files/archive.h"
#include "files/file_exception.h"
#include "files/node_record.h"
#include "tree/tree_item.h"

namespace {

constexpr size_t kDisplayWords = 10;
constexpr size_t kDisplayBytes = kDisplayWords * 4;
constexpr size_t kDataBytes = 36;

enum DisplayWord : size_t {
  kMask,
  kHItem,
  kState,
  kStateMask,
  kPszText,
  kCchTextMax,
  kImage,
  kSelectedImage,
  kChildren,
  kParam,
};

// What the writer stores in the lParam word: any non-zero value says "a data
// part follows"; the address of the record would mean nothing to a reader.
constexpr uint32_t kHasDataPart = 1;

void PutU32(unsigned char* at, uint32_t v) {
  for (int i = 0; i < 4; ++i) at[i] = static_cast<unsigned char>(v >> (8 * i));
}
void PutU64(unsigned char* at, uint64_t v) {
  for (int i = 0; i < 8; ++i) at[i] = static_cast<unsigned char>(v >> (8 * i));
}
template <typename T>
T GetLittleEndian(const unsigned char* at) {
  T v;
  std::memcpy(&v, at, sizeof v);
  if constexpr (std::endian::native == std::endian::big) {
    T swapped = 0;
    for (size_t i = 0; i < sizeof v; ++i, v >>= 8) swapped = (swapped << 8) | (v & 0xFF);
    v = swapped;
  }
  return v;
}
uint32_t GetU32(const unsigned char* at) { return GetLittleEndian<uint32_t>(at); }
uint64_t GetU64(const unsigned char* at) { return GetLittleEndian<uint64_t>(at); }

// A part of a record's bytes, in place when the stream has it buffered
// (which spares a copy for almost every record) or else copied here. A part
// cut short by the end of the file holds what the file had, then zeros.
template <size_t N>
class RecordPart {
 public:
  explicit RecordPart(CArchive& ar) : m_at(ar.TakeBuffered(N)) {
    if (m_at == nullptr) {
      m_got = ar.Read(m_copy, N);
      std::memset(m_copy + m_got, 0, N - m_got);
      m_at = m_copy;
    }
  }
  const unsigned char* Bytes() const { return m_at; }
  size_t Got() const { return m_got; }

 private:
  const unsigned char* m_at;
  size_t m_got = N;
  unsigned char m_copy[N];
};

// The head a record of this node would be written with.
NodeRecordHead HeadOf(const TVITEM& item) {
  NodeRecordHead head;
  head.mask = item.mask;
  head.state = item.state;
  head.stateMask = item.stateMask;
  head.image = item.iImage;
  head.selectedImage = item.iSelectedImage;
  head.children = item.cChildren;
  head.hasData = item.lParam != nullptr;
  return head;
}

void EncodeDisplayPart(const NodeRecordHead& head, unsigned char* out) {
  uint32_t words[kDisplayWords] = {};
  words[kMask] = head.mask;
  words[kState] = head.state;
  words[kStateMask] = head.stateMask;
  words[kImage] = static_cast<uint32_t>(head.image);
  words[kSelectedImage] = static_cast<uint32_t>(head.selectedImage);
  words[kChildren] = static_cast<uint32_t>(head.children);
  words[kParam] = head.hasData ? kHasDataPart : 0;
  for (size_t i = 0; i < kDisplayWords; ++i) PutU32(out + 4 * i, words[i]);
}

}  // namespace

void CTreeItemData::Serialize(CArchive& ar) {
  if (ar.IsStoring()) {
    unsigned char part[kDataBytes];
    PutU32(part, m_dwAttributes);
    PutU64(part + 4, static_cast<uint64_t>(m_nFileSize));
    PutU64(part + 12, FileTimeToU64(m_ftCreation));
    PutU64(part + 20, FileTimeToU64(m_ftLastAccess));
    PutU64(part + 28, FileTimeToU64(m_ftLastWrite));
    ar.Write(part, sizeof part);
    return;
  }
  ReadDataPart(ar, *this);
}

bool ReadDataPart(CArchive& ar, CTreeItemData& data) {
  // A part cut short by the end of the file keeps the fields that are there
  // and zero for the missing bytes, unless not even the attributes are whole.
  const RecordPart<kDataBytes> read(ar);
  static constexpr unsigned char kNone[kDataBytes] = {};
  const unsigned char* in = read.Got() < 4 ? kNone : read.Bytes();
  data.m_dwAttributes = GetU32(in);
  data.m_nFileSize = static_cast<int64_t>(GetU64(in + 4));
  data.m_ftCreation = U64ToFileTime(GetU64(in + 12));
  data.m_ftLastAccess = U64ToFileTime(GetU64(in + 20));
  data.m_ftLastWrite = U64ToFileTime(GetU64(in + 28));
  return read.Got() == kDataBytes;
}

bool ReadNodeRecordHead(CArchive& ar, std::string& label, NodeRecordHead& head) {
  head.cutShort = false;
  if (ar.AtEnd()) {
    head.level = -1;
    return false;
  }
  try {
    ar.ReadString(label);
    head.level = ar.ReadInt32();
  } catch (const CArchiveException&) {
    // The end of the file before the level is whole: no record.
    head.level = -1;
    head.cutShort = true;
    return false;
  }

  // A display part cut short by the end of the file replaces only its start;
  // the rest keeps the previous record's values, its data flag included.
  const RecordPart<kDisplayBytes> read(ar);
  const unsigned char* part = read.Bytes();
  unsigned char joined[kDisplayBytes];
  if (read.Got() < kDisplayBytes) {
    head.cutShort = true;
    EncodeDisplayPart(head, joined);
    std::memcpy(joined, part, read.Got());
    part = joined;
  }
  head.mask = GetU32(part + 4 * kMask);
  head.state = GetU32(part + 4 * kState);
  head.stateMask = GetU32(part + 4 * kStateMask);
  head.image = static_cast<int>(GetU32(part + 4 * kImage));
  head.selectedImage = static_cast<int>(GetU32(part + 4 * kSelectedImage));
  head.children = static_cast<int>(GetU32(part + 4 * kChildren));
  head.hasData = GetU32(part + 4 * kParam) != 0;
  return true;
}

void CTreeItem::Serialize(CArchive& ar) {
  TVITEM& item = m_tvis.item;
  if (ar.IsStoring()) {
    ar.WriteString(m_strText);
    ar.WriteInt32(m_nLevel);
    unsigned char part[kDisplayBytes];
    EncodeDisplayPart(HeadOf(item), part);
    ar.Write(part, sizeof part);
    if (item.lParam != nullptr) item.lParam->Serialize(ar);
    return;
  }

  // The previous record's members stand in for a display part cut short.
  // The data reference is dropped in any case (it belongs to the node made
  // from the previous record), so after any load GetData() is null or a
  // record the caller must take.
  NodeRecordHead head = HeadOf(item);
  const bool whole = ReadNodeRecordHead(ar, m_strText, head);
  m_nLevel = head.level;
  m_bCutShort = head.cutShort;
  item.lParam = nullptr;
  if (!whole) return;
  item.mask = head.mask;
  item.hItem = nullptr;
  item.state = head.state;
  item.stateMask = head.stateMask;
  item.pszText.clear();
  item.iImage = head.image;
  item.iSelectedImage = head.selectedImage;
  item.cChildren = head.children;
  if (head.hasData) {
    // Held here until it is whole: a read failure must not leak it.
    auto data = std::make_unique<CTreeItemData>();
    if (!ReadDataPart(ar, *data)) m_bCutShort = true;
    item.lParam = data.release();
  }
}
