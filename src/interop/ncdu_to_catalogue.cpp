#include "interop/ncdu_to_catalogue.h"

#include <optional>
#include <string>
#include <vector>

#include "interop/ncdu_sizes.h"
#include "platform/file_attributes.h"
#include "platform/local_time.h"
#include "tree/file_label.h"
#include "tree/nest_limit.h"
#include "tree/scan_nodes.h"
#include "tree/tree_item.h"
#include "tree/tree_scan_sink.h"

namespace {

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

// One open folder of the export: its node until the sink has it, and its
// files until its subfolders are handed over.
struct OpenFolder {
  std::string name;  // as the export gives it, for the progress line's path
  std::string label;
  NodeImages images{};
  int state = kStateUnmarked;
  bool handedOver = false;  // once its first entry showed it has children
  std::vector<CTreeItemData> files;
  std::vector<size_t> labelEnds;  // of each file's label in `labels`
  std::string labels;
};

class Importer {
 public:
  Importer(JsonPullReader& json, ScanSink& sink, ScanProgress* progress)
      : m_json(json), m_sink(sink), m_progress(progress) {}

  void Run();
  // Hands every open folder over with what it holds so far.
  void CloseAll() {
    while (m_nOpen > 0) Close();
  }

 private:
  static constexpr unsigned kEntriesBetweenChecks = 512;

  void ReadHeader();
  void Open(NodeImages images);
  void Close();
  void HandOverParent();
  void AddFolderWithoutEntries();
  void HoldFile();
  void CheckProgress();
  // Entries below openFolders folders must fit a tree file's levels.
  void CheckNesting(size_t openFolders) const {
    if (openFolders + 1 >= kMaxNestLevels)
      m_json.Fail("folders nested deeper than the " + std::to_string(kMaxNestLevels - 1) +
                  " levels a catalogue can hold");
  }
  void SetFolderLabel(std::string& label, int& state) const;

  JsonPullReader& m_json;
  ScanSink& m_sink;
  ScanProgress* m_progress;
  NcduInfo m_info;
  std::string m_key;
  std::string m_label;
  std::string m_path;
  // The open folders, root first: m_open[0, m_nOpen). Entries past the end
  // keep their buffers for the next folder at that depth.
  std::vector<OpenFolder> m_open;
  size_t m_nOpen = 0;
  ScanCounts m_counts;
  unsigned m_nSinceCheck = 0;
};

void Importer::SetFolderLabel(std::string& label, int& state) const {
  const std::optional<std::string> reason = Unreadable(m_info);
  if (reason)
    FormatUnreadableLabel(m_info.name, *reason, label);
  else
    label = m_info.name;
  state = reason ? kStateUnreadable : kStateUnmarked;
}

void Importer::Open(NodeImages images) {
  if (m_nOpen == m_open.size()) m_open.emplace_back();
  OpenFolder& folder = m_open[m_nOpen++];
  folder.name = m_info.name;
  SetFolderLabel(folder.label, folder.state);
  folder.images = images;
  folder.handedOver = false;
  folder.files.clear();
  folder.labelEnds.clear();
  folder.labels.clear();
  ++m_counts.folders;
}

// The innermost open folder has an entry: the sink gets the folder now,
// knowing it has children.
void Importer::HandOverParent() {
  OpenFolder& parent = m_open[m_nOpen - 1];
  if (parent.handedOver) return;
  parent.handedOver = true;
  m_sink.Add({parent.label, parent.images, parent.state, nullptr, true});
}

void Importer::Close() {
  OpenFolder& folder = m_open[--m_nOpen];
  if (!folder.handedOver) {
    m_sink.Add({folder.label, folder.images, folder.state, nullptr, false});
    return;
  }
  size_t from = 0;
  for (size_t i = 0; i < folder.files.size(); ++i) {
    const std::string_view label(folder.labels.data() + from, folder.labelEnds[i] - from);
    m_sink.Add({label, kFileImages, kStateUnmarked, &folder.files[i], false});
    from = folder.labelEnds[i];
  }
  m_sink.EndChildren();
}

// An excluded folder, written as an object: a folder with nothing in it.
void Importer::AddFolderWithoutEntries() {
  HandOverParent();
  int state = kStateUnmarked;
  SetFolderLabel(m_label, state);
  m_sink.Add({m_label, FolderImages(0), state, nullptr, false});
  ++m_counts.folders;
}

void Importer::HoldFile() {
  HandOverParent();
  OpenFolder& parent = m_open[m_nOpen - 1];
  CTreeItemData& record = parent.files.emplace_back();
  // The attributes a scan gives, from the entry's mode where the export has
  // it; without one, a regular file or (notreg) a device.
  UnixStatus st;
  st.mode = static_cast<uint16_t>(m_info.mode ? *m_info.mode
                                              : (m_info.notRegular ? kUnixCharDevice : kUnixFile) |
                                                    kUnixOwnerWrite);
  st.size = static_cast<uint64_t>(m_info.asize);
  // Of the blocks a scan counts only whether the file is sparse matters.
  if (NcduSaysSparse(m_info.asize, m_info.dsize)) st.blocks = 0;
  record.m_dwAttributes =
      FileAttributesFromUnix(st, m_info.name, (st.mode & kUnixTypeMask) == kUnixLink);
  record.m_nFileSize = m_info.asize;
  if (m_info.mtime) {
    const FILETIME time = UnixToFileTime(*m_info.mtime, 0);
    record.m_ftCreation = record.m_ftLastAccess = record.m_ftLastWrite = time;
  }
  FormatFileLabel(m_info.name, record, m_label, m_info.mtime.has_value());
  parent.labels += m_label;
  parent.labelEnds.push_back(parent.labels.size());
  ++m_counts.files;
  m_counts.bytes += static_cast<uint64_t>(m_info.asize);
}

// Every few hundred entries the watcher sees the counts and the path of the
// folder being read.
void Importer::CheckProgress() {
  if (m_progress == nullptr || ++m_nSinceCheck < kEntriesBetweenChecks) return;
  m_nSinceCheck = 0;
  m_path.clear();
  for (size_t i = 0; i < m_nOpen; ++i) {
    if (i > 0 && !m_path.ends_with('/')) m_path += '/';
    m_path += m_open[i].name;
  }
  if (m_progress->StopRequested(m_path, m_counts)) throw ScanCancelled{};
}

void Importer::ReadHeader() {
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
}

void Importer::Run() {
  ReadHeader();
  ReadInfo(m_json, m_info, m_key);
  Open(kChosenFolderImages);

  // Folders left out (names starting with '.') still open: their contents
  // are read and dropped.
  size_t leftOut = 0;
  while (m_nOpen > 0) {
    if (!m_json.NextElement(']')) {
      if (leftOut > 0)
        --leftOut;
      else
        Close();
      continue;
    }
    const char next = m_json.Peek();
    if (next != '[' && next != '{') m_json.FailExpected("a folder ('[') or a file ('{')");
    if (next == '[') m_json.Expect('[');
    ReadInfo(m_json, m_info, m_key);
    CheckProgress();
    if (leftOut > 0 || (next == '[' && m_info.name.starts_with('.'))) {
      if (next == '[') ++leftOut;
      continue;
    }
    CheckNesting(m_nOpen);
    // An excluded entry is written as an object; unless its mode says it is
    // not a folder, it is a folder the scan was kept out of.
    const bool folder =
        next == '[' || m_info.ModeSaysFolder() || (!m_info.excluded.empty() && !m_info.mode);
    if (!folder) {
      HoldFile();
    } else if (m_info.name.starts_with('.')) {
      continue;
    } else if (next == '[') {
      HandOverParent();
      Open(FolderImages(0));
    } else {
      AddFolderWithoutEntries();
    }
  }
  m_json.Expect(']');
  if (!m_json.AtEnd()) m_json.Fail("more text follows the export");
}

}  // namespace

void ImportNcdu(JsonPullReader& json, ScanSink& sink, ScanProgress* progress) {
  Importer importer(json, sink, progress);
  try {
    importer.Run();
  } catch (const JsonFormatError&) {
    importer.CloseAll();
    throw;
  }
}

void ImportNcdu(JsonPullReader& json, CTreeCtrl& tree) {
  TreeScanSink sink(tree);
  ImportNcdu(json, sink);
}
