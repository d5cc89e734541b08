#include "tree/tree_ctrl.h"

#include <memory>
#include <stdexcept>

static_assert(sizeof(void*) == 8 || sizeof(void*) == 4);

CTreeCtrl::CTreeCtrl() = default;

CTreeCtrl::~CTreeCtrl() { DeleteAllItems(); }

// A handle is a slot number, and a deleted node's slot is handed out again
// (Release, then Allocate): a handle kept after its node went may name a
// newer node, which this check cannot tell from the old one. Whoever keeps a
// handle across a deletion must drop it when told of the deletion.
uint32_t CTreeCtrl::Index(HTREEITEM h) const {
  const auto v = reinterpret_cast<uintptr_t>(h);
  if (v == kNone || v >= m_used) return kNone;
  return At(static_cast<uint32_t>(v)).live ? static_cast<uint32_t>(v) : kNone;
}

bool CTreeCtrl::IsValid(HTREEITEM item) const { return Index(item) != kNone; }

uint32_t CTreeCtrl::Allocate() {
  uint32_t i;
  if (m_freeList != kNone) {
    i = m_freeList;
    m_freeList = At(i).next;
  } else {
    // Handles above 0xFFFF0000 are the pseudo-handles.
    if (m_used >= 0xFFFF0000u) throw std::length_error("tree control is full");
    if ((m_used >> kBlockShift) >= m_blocks.size()) {
      auto* block = reinterpret_cast<Node*>(m_nodeSlabs.Take(kBlockSize * sizeof(Node)));
      std::uninitialized_default_construct_n(block, kBlockSize);
      m_blocks.push_back(block);
    }
    i = m_used++;
  }
  At(i) = Node{};
  At(i).live = true;
  return i;
}

void CTreeCtrl::Release(uint32_t i) {
  Node& n = At(i);
  m_labels.Release(n.label);
  n = Node{};
  n.next = m_freeList;
  m_freeList = i;
}

HTREEITEM CTreeCtrl::InsertItem(UINT mask, std::string_view text, int image, int selectedImage,
                                UINT state, UINT stateMask, CTreeItemData* lParam,
                                HTREEITEM hParent, HTREEITEM hInsertAfter, int cChildren) {
  uint32_t parent = kNone;
  if (hParent != nullptr && hParent != TVI_ROOT) {
    parent = Index(hParent);
    if (parent == kNone) return nullptr;
  }
  const LabelArena::Ref label = m_labels.Store((mask & TVIF_TEXT) ? text : std::string_view{});
  const uint32_t i = Allocate();
  Node& n = At(i);
  n.label = label;
  if (mask & TVIF_IMAGE) n.image = image;
  if (mask & TVIF_SELECTEDIMAGE) n.selectedImage = selectedImage;
  if (mask & TVIF_STATE) n.state = static_cast<uint16_t>(state & stateMask & ~TVIS_SELECTED);
  if (mask & TVIF_PARAM) n.lParam = lParam;
  if (mask & TVIF_CHILDREN) n.children = cChildren != 0 ? 1 : 0;
  Link(i, parent, hInsertAfter);
  ++m_count;
  if (m_pView) m_pView->ItemInserted(Handle(parent), Handle(i));
  return Handle(i);
}

void CTreeCtrl::Link(uint32_t i, uint32_t parent, HTREEITEM hInsertAfter) {
  uint32_t after = kNone;  // kNone: at the head
  bool atHead = hInsertAfter == TVI_FIRST;
  if (!atHead) {
    const uint32_t sibling = Index(hInsertAfter);
    if (sibling != kNone && sibling != i && At(sibling).parent == parent)
      after = sibling;
    else  // TVI_LAST, null, or a handle that is no sibling: at the end
      after = parent == kNone ? m_lastTop : At(parent).lastChild;
    atHead = after == kNone;
  }
  Node& n = At(i);
  n.parent = parent;
  n.prev = kNone;
  n.next = kNone;
  uint32_t& first = parent == kNone ? m_firstTop : At(parent).firstChild;
  uint32_t& last = parent == kNone ? m_lastTop : At(parent).lastChild;
  if (atHead) {
    n.next = first;
    if (first != kNone) At(first).prev = i;
    first = i;
    if (last == kNone) last = i;
  } else {
    Node& a = At(after);
    n.prev = after;
    n.next = a.next;
    if (a.next != kNone) At(a.next).prev = i;
    a.next = i;
    if (last == after) last = i;
  }
}

bool CTreeCtrl::MoveItem(HTREEITEM item, HTREEITEM hParent, HTREEITEM hInsertAfter) {
  const uint32_t i = Index(item);
  if (i == kNone) return false;
  uint32_t parent = kNone;
  if (hParent != nullptr && hParent != TVI_ROOT) {
    parent = Index(hParent);
    if (parent == kNone) return false;
  }
  // A branch cannot go inside itself.
  for (uint32_t p = parent; p != kNone; p = At(p).parent)
    if (p == i) return false;
  if (hInsertAfter == item) return true;  // already where it is asked to be
  const uint32_t oldParent = At(i).parent;
  if (m_pView) m_pView->ItemAboutToBeDeleted(item);
  Unlink(i);
  if (m_pView) m_pView->ItemDeleted(Handle(oldParent));
  Link(i, parent, hInsertAfter);
  if (m_pView) {
    // The view takes the node in as one closed row, then opens what it shows.
    m_pView->ItemInserted(Handle(parent), item);
    if (At(i).firstChild != kNone) m_pView->ExpansionChanged(item);
  }
  return true;
}

void CTreeCtrl::Unlink(uint32_t i) {
  Node& n = At(i);
  uint32_t& first = n.parent == kNone ? m_firstTop : At(n.parent).firstChild;
  uint32_t& last = n.parent == kNone ? m_lastTop : At(n.parent).lastChild;
  if (n.prev != kNone)
    At(n.prev).next = n.next;
  else
    first = n.next;
  if (n.next != kNone)
    At(n.next).prev = n.prev;
  else
    last = n.prev;
}

bool CTreeCtrl::CaretWithin(uint32_t i) const {
  for (uint32_t c = m_caret; c != kNone; c = At(c).parent)
    if (c == i) return true;
  return false;
}

// Post-order without recursion, so no depth of tree can exhaust the stack:
// go down to a leaf, report and free it, and climb back to its parent.
void CTreeCtrl::DeleteSubtree(uint32_t top) {
  uint32_t cur = top;
  for (;;) {
    while (At(cur).firstChild != kNone) cur = At(cur).firstChild;
    const uint32_t parent = At(cur).parent;
    if (m_pNotify) m_pNotify->OnTreeDeleteItem(Handle(cur), At(cur).lParam);
    Unlink(cur);
    Release(cur);
    --m_count;
    if (cur == top) return;
    cur = parent;
  }
}

bool CTreeCtrl::DeleteItem(HTREEITEM item) {
  if (item == nullptr || item == TVI_ROOT) {
    if (m_pView) m_pView->AllAboutToBeDeleted();
    const bool hadCaret = m_caret != kNone;
    m_caret = kNone;
    while (m_firstTop != kNone) DeleteSubtree(m_firstTop);
    // The memory stays for the next tree (most often the next file opened).
    m_labels.Clear();
    m_blocks.clear();
    m_nodeSlabs.Reuse();
    m_used = 1;
    m_freeList = kNone;
    if (m_pView) m_pView->AllDeleted();
    if (hadCaret && m_pNotify) m_pNotify->OnTreeSelChanged(nullptr);
    return true;
  }
  const uint32_t i = Index(item);
  if (i == kNone) return false;
  // The control chooses the next selection when the selected node goes:
  // the next sibling, else the previous one, else the parent.
  uint32_t newCaret = kNone;
  const bool caretGoes = CaretWithin(i);
  if (caretGoes) {
    const Node& n = At(i);
    newCaret = n.next != kNone ? n.next : n.prev != kNone ? n.prev : n.parent;
    m_caret = kNone;
  }
  const uint32_t parent = At(i).parent;
  if (m_pView) m_pView->ItemAboutToBeDeleted(item);
  DeleteSubtree(i);
  if (m_pView) m_pView->ItemDeleted(Handle(parent));
  if (caretGoes) MoveCaret(newCaret);
  return true;
}

HTREEITEM CTreeCtrl::GetChildItem(HTREEITEM item) const {
  if (item == nullptr || item == TVI_ROOT) return Handle(m_firstTop);
  const uint32_t i = Index(item);
  return i == kNone ? nullptr : Handle(At(i).firstChild);
}

HTREEITEM CTreeCtrl::GetNextSiblingItem(HTREEITEM item) const {
  const uint32_t i = Index(item);
  return i == kNone ? nullptr : Handle(At(i).next);
}

HTREEITEM CTreeCtrl::GetPrevSiblingItem(HTREEITEM item) const {
  const uint32_t i = Index(item);
  return i == kNone ? nullptr : Handle(At(i).prev);
}

HTREEITEM CTreeCtrl::GetParentItem(HTREEITEM item) const {
  const uint32_t i = Index(item);
  return i == kNone ? nullptr : Handle(At(i).parent);
}

void CTreeCtrl::MoveCaret(uint32_t i) {
  if (i == m_caret) return;
  m_caret = i;
  if (m_pView) m_pView->SelectionChanged(Handle(i));
  if (m_pNotify) m_pNotify->OnTreeSelChanged(Handle(i));
}

bool CTreeCtrl::SelectItem(HTREEITEM item) {
  const uint32_t i = Index(item);
  if (i == kNone && item != nullptr) return false;
  MoveCaret(i);
  return true;
}

bool CTreeCtrl::Expand(HTREEITEM item, UINT code) {
  const uint32_t i = Index(item);
  if (i == kNone) return false;
  Node& n = At(i);
  const bool wasOpen = (n.state & TVIS_EXPANDED) != 0;
  bool open = wasOpen;
  if (code == TVE_EXPAND)
    open = true;
  else if (code == TVE_COLLAPSE)
    open = false;
  else if (code == TVE_TOGGLE)
    open = !wasOpen;
  else
    return false;
  if (open == wasOpen) return true;
  // The selection never hides inside a closed branch; it moves before the
  // branch's rows leave the view.
  if (!open && m_caret != i && CaretWithin(i)) MoveCaret(i);
  if (open)
    n.state |= TVIS_EXPANDED;
  else
    n.state &= ~TVIS_EXPANDED;
  if (m_pView) m_pView->ExpansionChanged(item);
  return true;
}

bool CTreeCtrl::ExpandBranch(HTREEITEM item) {
  const uint32_t top = Index(item);
  if (top == kNone) return false;
  At(top).state |= TVIS_EXPANDED;
  // Pre-order without recursion: down to the first child, else across to the
  // next sibling of the nearest node below the top that has one.
  for (uint32_t cur = At(top).firstChild; cur != kNone;) {
    Node& n = At(cur);
    if (n.firstChild != kNone) {
      n.state |= TVIS_EXPANDED;
      cur = n.firstChild;
      continue;
    }
    while (cur != top && At(cur).next == kNone) cur = At(cur).parent;
    cur = cur == top ? kNone : At(cur).next;
  }
  if (m_pView) m_pView->ExpansionChanged(item);
  return true;
}

bool CTreeCtrl::EnsureVisible(HTREEITEM item) {
  const uint32_t i = Index(item);
  if (i == kNone) return false;
  for (uint32_t p = At(i).parent; p != kNone; p = At(p).parent) Expand(Handle(p), TVE_EXPAND);
  if (m_pView) m_pView->EnsureVisible(item);
  return true;
}

bool CTreeCtrl::GetItem(TVITEM& item) const {
  const uint32_t i = Index(item.hItem);
  if (i == kNone) return false;
  const Node& n = At(i);
  if (item.mask & TVIF_TEXT) item.pszText.assign(m_labels.View(n.label));
  if (item.mask & TVIF_IMAGE) item.iImage = n.image;
  if (item.mask & TVIF_SELECTEDIMAGE) item.iSelectedImage = n.selectedImage;
  if (item.mask & TVIF_STATE)
    item.state = GetItemState(item.hItem, item.stateMask ? item.stateMask : 0xFFFF);
  if (item.mask & TVIF_PARAM) item.lParam = n.lParam;
  if (item.mask & TVIF_CHILDREN) item.cChildren = ItemHasChildren(item.hItem) ? 1 : 0;
  return true;
}

std::string_view CTreeCtrl::GetItemText(HTREEITEM item) const {
  const uint32_t i = Index(item);
  return i == kNone ? std::string_view{} : m_labels.View(At(i).label);
}

UINT CTreeCtrl::GetItemState(HTREEITEM item, UINT stateMask) const {
  const uint32_t i = Index(item);
  if (i == kNone) return 0;
  UINT state = At(i).state;
  if (i == m_caret) state |= TVIS_SELECTED;
  return state & stateMask;
}

CTreeItemData* CTreeCtrl::GetItemData(HTREEITEM item) const {
  const uint32_t i = Index(item);
  return i == kNone ? nullptr : At(i).lParam;
}

bool CTreeCtrl::GetItemImage(HTREEITEM item, int& image, int& selectedImage) const {
  const uint32_t i = Index(item);
  if (i == kNone) return false;
  image = At(i).image;
  selectedImage = At(i).selectedImage;
  return true;
}

// A flag given at insertion is kept (a node read from a tree file may claim
// children it no longer has); otherwise the control reports real children.
bool CTreeCtrl::ItemHasChildren(HTREEITEM item) const {
  const uint32_t i = Index(item);
  if (i == kNone) return false;
  const Node& n = At(i);
  return n.firstChild != kNone || n.children == 1;
}

bool CTreeCtrl::SetItemText(HTREEITEM item, std::string_view text) {
  const uint32_t i = Index(item);
  if (i == kNone) return false;
  m_labels.Release(At(i).label);
  At(i).label = m_labels.Store(text);
  if (m_pView) m_pView->ItemChanged(item);
  return true;
}

bool CTreeCtrl::SetItemState(HTREEITEM item, UINT state, UINT stateMask) {
  const uint32_t i = Index(item);
  if (i == kNone) return false;
  // The expanded flag changes only through Expand, which tells the view.
  if (stateMask & TVIS_EXPANDED) Expand(item, (state & TVIS_EXPANDED) ? TVE_EXPAND : TVE_COLLAPSE);
  Node& n = At(i);
  const UINT mask = stateMask & ~(TVIS_SELECTED | TVIS_EXPANDED) & 0xFFFF;
  const uint16_t old = n.state;
  n.state = static_cast<uint16_t>((n.state & ~mask) | (state & mask));
  if (n.state != old && m_pView) m_pView->ItemChanged(item);
  return true;
}

size_t CTreeCtrl::MemoryUsage() const {
  return m_blocks.capacity() * sizeof(void*) + m_blocks.size() * kBlockSize * sizeof(Node) +
         m_labels.CapacityBytes() - m_labels.LiveTextBytes();
}
