#include "tree/tree_item.h"

#include <new>

#include "tree/record_pool.h"

// Sanitizer builds give every record its own heap block, so that leaks and
// use after free are caught.
#if defined(__SANITIZE_ADDRESS__)
#define ZTR_NO_RECORD_POOL 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define ZTR_NO_RECORD_POOL 1
#endif
#endif

namespace {
RecordPool& DataPool() {
  static RecordPool pool(sizeof(CTreeItemData));
  return pool;
}
}  // namespace

void* CTreeItemData::operator new(size_t size) {
#ifdef ZTR_NO_RECORD_POOL
  return ::operator new(size);
#else
  (void)size;
  return DataPool().Allocate();
#endif
}

void CTreeItemData::operator delete(void* p) noexcept {
#ifdef ZTR_NO_RECORD_POOL
  ::operator delete(p);
#else
  DataPool().Free(p);
#endif
}

size_t CTreeItemData::PoolCapacityBytes() { return DataPool().CapacityBytes(); }

size_t CTreeItemData::LiveRecords() { return DataPool().LiveRecords(); }

CTreeItem::CTreeItem(const TVITEM& item, int level) : m_strText(item.pszText), m_nLevel(level) {
  TVITEM& it = m_tvis.item;
  it.mask = item.mask;
  it.state = item.state;
  it.stateMask = TVIS_STATEIMAGEMASK;
  it.iImage = item.iImage;
  it.iSelectedImage = item.iSelectedImage;
  it.cChildren = item.cChildren;
  it.lParam = item.lParam;
}

HTREEITEM CTreeItem::InsertInto(CTreeCtrl& tree, HTREEITEM parent) {
  m_tvis.hParent = parent;
  m_tvis.hInsertAfter = TVI_LAST;
  const TVITEM& it = m_tvis.item;
  return tree.InsertItem(it.mask, m_strText, it.iImage, it.iSelectedImage, it.state, it.stateMask,
                         it.lParam, parent, TVI_LAST, it.cChildren);
}
