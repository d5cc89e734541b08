// The tree control: the container of record for every node of the catalogue.
//
// Nodes are fixed-size records in blocks of contiguous storage, addressed by
// handle; labels live in an arena. Every operation is O(1) per node: the
// links (parent, first/last child, previous/next sibling) are kept on each
// node, so no insertion, deletion or navigation ever walks siblings.
//
// The control tells two listeners what happens: the frame (node deleted,
// selection changed) and the view adapter (structure and display changes).
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/win_types.h"
#include "tree/label_arena.h"
#include "tree/slab_store.h"

class CTreeItemData;

struct _TREEITEM;
using HTREEITEM = _TREEITEM*;

inline HTREEITEM const TVI_ROOT = reinterpret_cast<HTREEITEM>(uintptr_t{0xFFFF0000});
inline HTREEITEM const TVI_FIRST = reinterpret_cast<HTREEITEM>(uintptr_t{0xFFFF0001});
inline HTREEITEM const TVI_LAST = reinterpret_cast<HTREEITEM>(uintptr_t{0xFFFF0002});

// TVM_EXPAND codes.
constexpr UINT TVE_COLLAPSE = 0x1;
constexpr UINT TVE_EXPAND = 0x2;
constexpr UINT TVE_TOGGLE = 0x3;

// Item mask bits.
constexpr UINT TVIF_TEXT = 0x1;
constexpr UINT TVIF_IMAGE = 0x2;
constexpr UINT TVIF_PARAM = 0x4;
constexpr UINT TVIF_STATE = 0x8;
constexpr UINT TVIF_SELECTEDIMAGE = 0x20;
constexpr UINT TVIF_CHILDREN = 0x40;

// State bits.
constexpr UINT TVIS_SELECTED = 0x2;
constexpr UINT TVIS_EXPANDED = 0x20;
constexpr UINT TVIS_STATEIMAGEMASK = 0xF000;

constexpr UINT INDEXTOSTATEIMAGEMASK(UINT i) { return i << 12; }
constexpr UINT STATEIMAGEINDEX(UINT state) { return (state & TVIS_STATEIMAGEMASK) >> 12; }

// A node's state image: its check box, or the no-entry sign of a folder the
// scan could not enter. Tree files may give a node any index.
enum StateImage : int {
  kStateNone = 0,
  kStateUnmarked = 1,
  kStateMarked = 2,
  kStatePartlyMarked = 3,
  kStateUnreadable = 4,
};
// A file counts in the totals exactly while it shows the ticked box, so
// every change of the totals goes by this one test.
constexpr bool CountsAsMarked(int stateImage) { return stateImage == kStateMarked; }
// Marks and toggles pass over a node from the no-entry sign on (indexes a
// tree file may hold included): only check boxes change.
constexpr bool TakesMarks(int stateImage) { return stateImage < kStateUnreadable; }

// Hit-test flags.
constexpr UINT TVHT_NOWHERE = 0x1;
constexpr UINT TVHT_ONITEMICON = 0x2;
constexpr UINT TVHT_ONITEMLABEL = 0x4;
constexpr UINT TVHT_ONITEMINDENT = 0x8;
constexpr UINT TVHT_ONITEMBUTTON = 0x10;
constexpr UINT TVHT_ONITEMRIGHT = 0x20;
constexpr UINT TVHT_ONITEMSTATEICON = 0x40;

struct TVHITTESTINFO {
  POINT pt;
  UINT flags = TVHT_NOWHERE;
  HTREEITEM hItem = nullptr;
};

// One node's fields, as read from or given to the control. The label is held
// as a string (reading) or a view (inserting) instead of a caller's buffer.
struct TVITEM {
  UINT mask = 0;
  HTREEITEM hItem = nullptr;
  UINT state = 0;
  UINT stateMask = 0;
  std::string pszText;
  int iImage = 0;
  int iSelectedImage = 0;
  int cChildren = 0;
  CTreeItemData* lParam = nullptr;
};

struct TVINSERTSTRUCT {
  HTREEITEM hParent = nullptr;
  HTREEITEM hInsertAfter = nullptr;
  TVITEM item;
};

// What the frame hears from the control.
class TreeNotifyTarget {
 public:
  virtual ~TreeNotifyTarget() = default;
  // Called once for every node that leaves the control, before it goes; the
  // node can still be read.
  virtual void OnTreeDeleteItem(HTREEITEM item, CTreeItemData* data) = 0;
  virtual void OnTreeSelChanged(HTREEITEM newItem) = 0;
};

// What the view adapter hears: enough to keep a view in step, nothing more.
class TreeViewObserver {
 public:
  virtual ~TreeViewObserver() = default;
  virtual void ItemInserted(HTREEITEM parent, HTREEITEM item) = 0;
  virtual void ItemAboutToBeDeleted(HTREEITEM item) = 0;  // with its subtree
  virtual void ItemDeleted(HTREEITEM parent) = 0;
  virtual void ItemChanged(HTREEITEM item) = 0;
  // The expanded flag of the item, and maybe of nodes below it, changed.
  virtual void ExpansionChanged(HTREEITEM item) = 0;
  virtual void SelectionChanged(HTREEITEM item) = 0;
  virtual void EnsureVisible(HTREEITEM item) = 0;
  virtual void AllAboutToBeDeleted() = 0;
  virtual void AllDeleted() = 0;
};

class CTreeCtrl {
 public:
  CTreeCtrl();
  ~CTreeCtrl();  // deletes every node, reporting each
  CTreeCtrl(const CTreeCtrl&) = delete;
  CTreeCtrl& operator=(const CTreeCtrl&) = delete;

  void SetNotifyTarget(TreeNotifyTarget* target) { m_pNotify = target; }
  void SetViewObserver(TreeViewObserver* observer) { m_pView = observer; }

  // Insertion. hParent null or TVI_ROOT: top level. hInsertAfter TVI_FIRST,
  // TVI_LAST (or null), or a sibling handle. Returns null when refused.
  HTREEITEM InsertItem(UINT mask, std::string_view text, int image, int selectedImage, UINT state,
                       UINT stateMask, CTreeItemData* lParam, HTREEITEM hParent,
                       HTREEITEM hInsertAfter, int cChildren = 0);

  // Moves the node with its branch to hParent's children, after
  // hInsertAfter as InsertItem places it; marks, labels and handles stay.
  // False when the node or the parent is no live node, or the parent lies in
  // the node's own branch.
  bool MoveItem(HTREEITEM item, HTREEITEM hParent, HTREEITEM hInsertAfter);

  // Deletes the node and its subtree; TVI_ROOT (or null) empties the control.
  bool DeleteItem(HTREEITEM item);
  bool DeleteAllItems() { return DeleteItem(TVI_ROOT); }

  HTREEITEM GetRootItem() const { return Handle(m_firstTop); }
  HTREEITEM GetChildItem(HTREEITEM item) const;  // null: first top-level node
  HTREEITEM GetNextSiblingItem(HTREEITEM item) const;
  HTREEITEM GetPrevSiblingItem(HTREEITEM item) const;
  HTREEITEM GetParentItem(HTREEITEM item) const;
  HTREEITEM GetSelectedItem() const { return Handle(m_caret); }

  bool SelectItem(HTREEITEM item);  // null clears the selection
  // Collapsing a node that holds the selected node selects the collapsed node.
  bool Expand(HTREEITEM item, UINT code);
  // Expands the node and every node below it that has children (the `*`
  // key), telling the view once.
  bool ExpandBranch(HTREEITEM item);
  bool EnsureVisible(HTREEITEM item);

  bool GetItem(TVITEM& item) const;  // item.hItem and item.mask say what
  std::string_view GetItemText(HTREEITEM item) const;
  UINT GetItemState(HTREEITEM item, UINT stateMask) const;
  CTreeItemData* GetItemData(HTREEITEM item) const;
  bool GetItemImage(HTREEITEM item, int& image, int& selectedImage) const;
  bool ItemHasChildren(HTREEITEM item) const;  // the has-children flag
  int GetStateImage(HTREEITEM item) const {
    return STATEIMAGEINDEX(GetItemState(item, TVIS_STATEIMAGEMASK));
  }

  bool SetItemText(HTREEITEM item, std::string_view text);
  bool SetItemState(HTREEITEM item, UINT state, UINT stateMask);

  size_t GetCount() const { return m_count; }

  // Check state: the state-image index minus 1 (0 unmarked, 1 marked).
  int GetCheck(HTREEITEM item) const { return GetStateImage(item) - 1; }
  bool SetCheck(HTREEITEM item, bool checked) {
    return SetItemState(item, INDEXTOSTATEIMAGEMASK(checked ? kStateMarked : kStateUnmarked),
                        TVIS_STATEIMAGEMASK);
  }

  // Used by the view adapter: is the handle a live node?
  bool IsValid(HTREEITEM item) const;
  // Bytes the model holds beyond the label text (node records, arena slack).
  size_t MemoryUsage() const;

 private:
  static constexpr uint32_t kNone = 0;  // node index 0 is never used
  static constexpr int kBlockShift = 12;
  static constexpr uint32_t kBlockSize = 1u << kBlockShift;
  static constexpr size_t kLargestSlabBytes = size_t{32} << 20;

  struct Node {
    LabelArena::Ref label = 0;
    CTreeItemData* lParam = nullptr;
    uint32_t parent = kNone;
    uint32_t firstChild = kNone;
    uint32_t lastChild = kNone;
    uint32_t prev = kNone;
    uint32_t next = kNone;  // also the free-list link of a free slot
    int32_t image = 0;
    int32_t selectedImage = 0;
    uint16_t state = 0;    // TVIS_SELECTED is not kept here: the caret says it
    int8_t children = -1;  // -1: not set, the control reports whether it has children
    bool live = false;
  };

  Node& At(uint32_t i) { return m_blocks[i >> kBlockShift][i & (kBlockSize - 1)]; }
  const Node& At(uint32_t i) const { return m_blocks[i >> kBlockShift][i & (kBlockSize - 1)]; }
  static HTREEITEM Handle(uint32_t i) {
    return i == kNone ? nullptr : reinterpret_cast<HTREEITEM>(uintptr_t{i});
  }
  uint32_t Index(HTREEITEM h) const;  // kNone when not a live node
  uint32_t Allocate();
  void Release(uint32_t i);
  // Puts node i among parent's children after hInsertAfter (InsertItem's
  // placing rules).
  void Link(uint32_t i, uint32_t parent, HTREEITEM hInsertAfter);
  void Unlink(uint32_t i);
  void DeleteSubtree(uint32_t i);
  bool CaretWithin(uint32_t i) const;
  void MoveCaret(uint32_t i);

  std::vector<Node*> m_blocks;  // of kBlockSize nodes, from m_nodeSlabs
  SlabStore m_nodeSlabs{kBlockSize * sizeof(Node), kLargestSlabBytes};
  uint32_t m_used = 1;  // slots handed out so far, slot 0 included
  uint32_t m_freeList = kNone;
  uint32_t m_firstTop = kNone;
  uint32_t m_lastTop = kNone;
  uint32_t m_caret = kNone;
  size_t m_count = 0;
  LabelArena m_labels;
  TreeNotifyTarget* m_pNotify = nullptr;
  TreeViewObserver* m_pView = nullptr;
};
