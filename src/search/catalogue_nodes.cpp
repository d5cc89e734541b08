#include "search/catalogue_nodes.h"

#include <algorithm>

#include "files/archive.h"
#include "files/file.h"
#include "files/file_exception.h"
#include "files/tree_reader.h"
#include "tree/file_label.h"
#include "tree/tree_walk.h"

namespace {

// Reads the file again into a whole tree and walks it in pre-order.
CatalogueWalkEnd WalkAsTree(const std::string& path,
                            const std::function<bool(const CatalogueNode&)>& visit) {
  CatalogueWalkEnd end;
  end.streamed = false;
  CTreeCtrl tree;
  try {
    CFile file;
    file.OpenRead(path);
    CArchive ar(file, CArchive::load, CArchive::kLargeBufferSize);
    end.message = TreeReadEndText(ReadTree(ar, tree, nullptr, [](HTREEITEM) {}), path);
    end.complete = end.message.empty();
  } catch (const std::exception& failure) {
    end.complete = false;
    end.message = ReadFailureText(failure);
  }
  StreamedNode node;
  CatalogueNode visited;
  visited.node = &node;
  HTREEITEM current = nullptr;
  visited.ancestors = [&](std::vector<std::string_view>& labels) {
    labels.clear();
    for (HTREEITEM p = tree.GetParentItem(current); p; p = tree.GetParentItem(p))
      labels.push_back(tree.GetItemText(p));
    std::reverse(labels.begin(), labels.end());
  };
  WalkBranch(tree, nullptr, -1, true, [&](HTREEITEM item, int depth) {
    if (end.stopped) return;
    node.ReadFrom(tree, item, depth);
    current = item;
    if (!visit(visited)) end.stopped = true;
    ++visited.index;
  });
  return end;
}

}  // namespace

CatalogueWalkEnd WalkCatalogue(const std::string& path,
                               const std::function<bool(const CatalogueNode&)>& visit) {
  CatalogueWalkEnd end;
  bool outOfOrder = false;
  try {
    CFile file;
    file.OpenRead(path);
    CArchive ar(file, CArchive::load, CArchive::kLargeBufferSize);
    CTreeRecordStream records(ar);
    CatalogueNode visited;
    visited.node = &records.Node();
    visited.ancestors = [&](std::vector<std::string_view>& labels) {
      records.GetAncestorLabels(labels);
    };
    for (;;) {
      visited.offset = ar.GetLoadPosition();
      if (!records.Next()) break;
      if (!records.InTreeOrder()) {
        outOfOrder = true;
        break;
      }
      if (!visit(visited)) {
        end.stopped = true;
        return end;
      }
      ++visited.index;
    }
    end.message = TreeReadEndText(records.End(), path);
    end.complete = end.message.empty();
  } catch (const std::exception& failure) {
    end.complete = false;
    end.message = ReadFailureText(failure);
  }
  // Nothing has been handed on for the nodes after the first out of order;
  // the walk starts again over the whole tree, which repeats the ones before.
  if (outOfOrder) return WalkAsTree(path, visit);
  return end;
}

std::string_view NodeStoredName(const StreamedNode& node, int depth) {
  if (node.hasData) return FileLabelName(node.label, node.data.m_nFileSize);
  if (depth > 0 && node.stateImage == kStateUnreadable)
    return SplitUnreadableLabel(node.label).name;
  return node.label;
}

std::string ReadFailureText(const std::exception& failure) {
  if (const auto* file = dynamic_cast<const CFileException*>(&failure))
    return file->GetErrorMessage();
  return failure.what();
}

CatalogueRecordReader::CatalogueRecordReader(const std::string& path)
    : m_file(std::make_unique<CFile>()) {
  m_file->OpenRead(path);
  // Candidates come in pre-order, mostly close together: a large buffer
  // reads many of them at once.
  m_archive = std::make_unique<CArchive>(*m_file, CArchive::load, CArchive::kLargeBufferSize);
  m_stream = std::make_unique<CTreeRecordStream>(*m_archive);
}

CatalogueRecordReader::~CatalogueRecordReader() = default;

const StreamedNode& CatalogueRecordReader::ReadAt(uint64_t offset) {
  m_archive->SeekLoad(offset);
  if (!m_stream->Next()) throw CArchiveException(CArchiveException::endOfFile);
  return m_stream->Node();
}
