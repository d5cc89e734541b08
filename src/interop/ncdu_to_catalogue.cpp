#include "interop/ncdu_to_catalogue.h"

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "interop/ncdu_sizes.h"
#include "platform/file_attributes.h"
#include "platform/local_time.h"
#include "tree/nest_limit.h"
#include "tree/scan_nodes.h"
#include "tree/tree_item.h"

namespace {

constexpr UINT kInsertMask = TVIF_TEXT | TVIF_IMAGE | TVIF_SELECTEDIMAGE | TVIF_STATE | TVIF_PARAM;

// One info object of the export: what the catalogue can use of it.
struct NcduInfo {
  std::string name;
  int64_t asize = 0;
  int64_t dsize = 0;  // ncdu leaves out a dsize of 0
  std::optional<int64_t> mtime;
  std::optional<int64_t> mode;
  bool readError = false;
  bool notRegular = false;
  std::string excluded;  // ncdu's reason ("pattern", "otherfs", ...); empty if not excluded

  bool ModeSaysFolder() const { return mode && (*mode & kUnixTypeMask) == kUnixFolder; }
};

void ReadInfo(JsonPullReader& json, NcduInfo& info, std::string& key) {
  info = NcduInfo{};
  bool named = false;
  json.Expect('{');
  if (json.Peek() == '}') {
    json.Expect('}');
  } else {
    do {
      json.ReadString(key);
      json.Expect(':');
      if (key == "name") {
        if (json.Peek() != '"') json.Fail("\"name\" is not a string");
        json.ReadString(info.name);
        named = true;
      } else if (key == "asize") {
        info.asize = json.ReadInteger();
      } else if (key == "dsize") {
        info.dsize = json.ReadInteger();
      } else if (key == "mtime") {
        info.mtime = json.ReadInteger();
      } else if (key == "mode") {
        info.mode = json.ReadInteger();
        if (*info.mode == 0) info.mode.reset();  // ncdu writes 0 for a mode it never knew
      } else if (key == "read_error") {
        info.readError = json.ReadBool();
      } else if (key == "notreg") {
        info.notRegular = json.ReadBool();
      } else if (key == "excluded" && json.Peek() == '"') {
        json.ReadString(info.excluded);
        if (info.excluded.empty()) info.excluded = "pattern";
      } else {
        json.SkipValue();
      }
    } while (json.NextElement('}'));
  }
  if (!named) json.Fail("an entry has no \"name\"");
  if (info.asize < 0) info.asize = 0;
}

// The bracketed reason of a folder that could not be entered, or none.
std::optional<std::string> Unreadable(const NcduInfo& info) {
  if (info.excluded == "otherfs") return "Other file system, not scanned";
  if (info.excluded == "kernfs") return "Kernel file system, not scanned";
  if (info.excluded == "frmlink") return "Firmlink, not scanned";
  if (!info.excluded.empty()) return "Excluded from the scan";
  if (info.readError) return "Could not be read";
  return std::nullopt;
}

class Builder {
 public:
  Builder(JsonPullReader& json, CTreeCtrl& tree) : m_json(json), m_tree(tree) {}

  HTREEITEM Run();

 private:
  struct OpenFolder {
    HTREEITEM node;
    HTREEITEM folderCursor;  // subfolders go after it, files at the end
  };

  HTREEITEM InsertFolder(HTREEITEM parent, HTREEITEM after, NodeImages images);
  void InsertFile(HTREEITEM parent);
  // Entries below openFolders folders must fit a tree file's levels.
  void CheckNesting(size_t openFolders) const {
    if (openFolders + 1 >= kMaxNestLevels)
      m_json.Fail("folders nested deeper than the 199 levels a catalogue can hold");
  }

  JsonPullReader& m_json;
  CTreeCtrl& m_tree;
  NcduInfo m_info;
  std::string m_key;
  std::string m_label;
};

HTREEITEM Builder::InsertFolder(HTREEITEM parent, HTREEITEM after, NodeImages images) {
  const std::optional<std::string> reason = Unreadable(m_info);
  m_label = m_info.name;
  if (reason) m_label.append(" [").append(*reason).append("]");
  const unsigned state = reason ? kStateUnreadable : kStateUnmarked;
  return m_tree.InsertItem(kInsertMask, m_label, images.image, images.selectedImage,
                           INDEXTOSTATEIMAGEMASK(state), TVIS_STATEIMAGEMASK, nullptr, parent,
                           after);
}

void Builder::InsertFile(HTREEITEM parent) {
  auto record = std::make_unique<CTreeItemData>();
  // The attributes a scan gives, from the entry's mode where the export has
  // it; without one, a regular file or (notreg) a device.
  UnixStatus st;
  st.mode = static_cast<uint16_t>(m_info.mode ? *m_info.mode
                                              : (m_info.notRegular ? kUnixCharDevice : kUnixFile) |
                                                    kUnixOwnerWrite);
  st.size = static_cast<uint64_t>(m_info.asize);
  // Of the blocks a scan counts only whether the file is sparse matters.
  if (NcduSaysSparse(m_info.asize, m_info.dsize)) st.blocks = 0;
  record->m_dwAttributes =
      FileAttributesFromUnix(st, m_info.name, (st.mode & kUnixTypeMask) == kUnixLink);
  record->m_nFileSize = m_info.asize;
  if (m_info.mtime) {
    const FILETIME time = UnixToFileTime(*m_info.mtime, 0);
    record->m_ftCreation = record->m_ftLastAccess = record->m_ftLastWrite = time;
  }
  FormatFileLabel(m_info.name, *record, m_label, m_info.mtime.has_value());
  if (m_tree.InsertItem(kInsertMask, m_label, kFileImages.image, kFileImages.selectedImage,
                        INDEXTOSTATEIMAGEMASK(kStateUnmarked), TVIS_STATEIMAGEMASK, record.get(),
                        parent, TVI_LAST))
    record.release();  // the node's now
}

HTREEITEM Builder::Run() {
  if (m_json.Peek() != '[') m_json.Fail("not an ncdu export: it does not start with '['");
  m_json.Expect('[');
  const int64_t major = m_json.ReadInteger();
  if (major != 1)
    m_json.Fail("ncdu export format version " + std::to_string(major) +
                " is not supported (only version 1 is)");
  m_json.Expect(',');
  m_json.ReadInteger();  // minor version: later ones only add fields
  m_json.Expect(',');
  m_json.SkipValue();  // metadata
  m_json.Expect(',');
  if (m_json.Peek() != '[') m_json.Fail("the root folder is not an array");
  m_json.Expect('[');
  ReadInfo(m_json, m_info, m_key);
  const HTREEITEM root = InsertFolder(TVI_ROOT, TVI_LAST, kChosenFolderImages);

  // The open folders, root first; a node of null stands for a folder left
  // out (a name starting with '.'), whose contents are read and dropped.
  std::vector<OpenFolder> open{{root, TVI_FIRST}};
  size_t leftOut = 0;
  while (!open.empty()) {
    if (!m_json.NextElement(']')) {
      if (leftOut > 0) {
        --leftOut;
      } else {
        open.pop_back();
      }
      continue;
    }
    const char next = m_json.Peek();
    if (next != '[' && next != '{') m_json.FailExpected("a folder ('[') or a file ('{')");
    if (next == '[') m_json.Expect('[');
    ReadInfo(m_json, m_info, m_key);
    if (leftOut > 0 || (next == '[' && m_info.name.starts_with('.'))) {
      if (next == '[') ++leftOut;
      continue;
    }
    CheckNesting(open.size());
    OpenFolder& parent = open.back();
    // An excluded entry is written as an object; unless its mode says it is
    // not a folder, it is a folder the scan was kept out of.
    const bool folder =
        next == '[' || m_info.ModeSaysFolder() || (!m_info.excluded.empty() && !m_info.mode);
    if (!folder) {
      InsertFile(parent.node);
      continue;
    }
    if (m_info.name.starts_with('.')) continue;
    const HTREEITEM node = InsertFolder(parent.node, parent.folderCursor, FolderImages(0));
    parent.folderCursor = node;
    if (next == '[') open.push_back({node, TVI_FIRST});
  }
  m_json.Expect(']');
  if (!m_json.AtEnd()) m_json.Fail("more text follows the export");
  return root;
}

}  // namespace

HTREEITEM ImportNcdu(JsonPullReader& json, CTreeCtrl& tree) { return Builder(json, tree).Run(); }
