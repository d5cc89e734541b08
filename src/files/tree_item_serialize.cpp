// How the two records read and write themselves in a tree file.
//
// A node record is its label (length-prefixed), its nest level (32-bit) and
// a 40-byte display part laid out as ten 32-bit words:
//   mask, hItem, state, stateMask, pszText, cchTextMax, iImage,
//   iSelectedImage, cChildren, lParam
// followed by the 36-byte data part exactly when the lParam word is not 0.
// hItem, pszText and cchTextMax belong to the program that wrote the file;
// they are written as 0 and ignored when read.
#include <cstdint>
#include <cstring>
#include <memory>

#include "files/archive.h"
#include "files/file_exception.h"
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
uint32_t GetU32(const unsigned char* at) {
  uint32_t v = 0;
  for (int i = 3; i >= 0; --i) v = (v << 8) | at[i];
  return v;
}
uint64_t GetU64(const unsigned char* at) {
  uint64_t v = 0;
  for (int i = 7; i >= 0; --i) v = (v << 8) | at[i];
  return v;
}

void EncodeDisplayPart(const TVITEM& item, unsigned char* out) {
  uint32_t words[kDisplayWords] = {};
  words[kMask] = item.mask;
  words[kState] = item.state;
  words[kStateMask] = item.stateMask;
  words[kImage] = static_cast<uint32_t>(item.iImage);
  words[kSelectedImage] = static_cast<uint32_t>(item.iSelectedImage);
  words[kChildren] = static_cast<uint32_t>(item.cChildren);
  words[kParam] = item.lParam != nullptr ? kHasDataPart : 0;
  for (size_t i = 0; i < kDisplayWords; ++i) PutU32(out + 4 * i, words[i]);
}

}  // namespace

void CTreeItemData::Serialize(CArchive& ar) {
  unsigned char part[kDataBytes] = {};
  if (ar.IsStoring()) {
    PutU32(part, m_dwAttributes);
    PutU64(part + 4, static_cast<uint64_t>(m_nFileSize));
    PutU64(part + 12, FileTimeToU64(m_ftCreation));
    PutU64(part + 20, FileTimeToU64(m_ftLastAccess));
    PutU64(part + 28, FileTimeToU64(m_ftLastWrite));
    ar.Write(part, sizeof part);
    return;
  }
  // A part cut short by the end of the file keeps the fields that are there
  // and zero for the missing bytes, unless not even the attributes are whole.
  const size_t got = ar.Read(part, sizeof part);
  if (got < 4) std::memset(part, 0, sizeof part);
  m_dwAttributes = GetU32(part);
  m_nFileSize = static_cast<int64_t>(GetU64(part + 4));
  m_ftCreation = U64ToFileTime(GetU64(part + 12));
  m_ftLastAccess = U64ToFileTime(GetU64(part + 20));
  m_ftLastWrite = U64ToFileTime(GetU64(part + 28));
}

void CTreeItem::Serialize(CArchive& ar) {
  TVITEM& item = m_tvis.item;
  unsigned char part[kDisplayBytes];
  if (ar.IsStoring()) {
    ar.WriteString(m_strText);
    ar.WriteInt32(m_nLevel);
    EncodeDisplayPart(item, part);
    ar.Write(part, sizeof part);
    if (item.lParam != nullptr) item.lParam->Serialize(ar);
    return;
  }

  try {
    ar.ReadString(m_strText);
    m_nLevel = ar.ReadInt32();
  } catch (const CArchiveException&) {
    // The end of the file before the level is whole: no record. The data
    // reference is dropped too (it belongs to the node made from the
    // previous record), so after any load GetData() is null or a record
    // the caller must take.
    m_nLevel = -1;
    item.lParam = nullptr;
    return;
  }

  // A display part cut short by the end of the file replaces only its start;
  // the rest keeps the previous record's values. The previous data reference
  // survives as the non-zero word the writer would store for it.
  const size_t got = ar.Read(part, sizeof part);
  if (got < sizeof part) {
    unsigned char previous[kDisplayBytes];
    EncodeDisplayPart(item, previous);
    std::memcpy(part + got, previous + got, sizeof part - got);
  }
  item.mask = GetU32(part + 4 * kMask);
  item.hItem = nullptr;
  item.state = GetU32(part + 4 * kState);
  item.stateMask = GetU32(part + 4 * kStateMask);
  item.pszText.clear();
  item.iImage = static_cast<int>(GetU32(part + 4 * kImage));
  item.iSelectedImage = static_cast<int>(GetU32(part + 4 * kSelectedImage));
  item.cChildren = static_cast<int>(GetU32(part + 4 * kChildren));
  item.lParam = nullptr;
  if (GetU32(part + 4 * kParam) != 0) {
    // Held here until it is whole: a read failure must not leak it.
    auto data = std::make_unique<CTreeItemData>();
    data->Serialize(ar);
    item.lParam = data.release();
  }
}
