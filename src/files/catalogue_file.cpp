#include "files/catalogue_file.h"

#include <vector>

#include "files/archive.h"
#include "files/atomic_file_writer.h"
#include "files/file.h"
#include "files/tree_record_stream.h"
#include "files/tree_writer.h"
#include "tree/tree_walk.h"

namespace {

// One record per ancestor of node, the top-level one first at level
// (level - number of ancestors + 1), the parent last at level. Collected
// first rather than recursing, so no depth of tree can exhaust the stack.
void WriteAncestors(const CTreeCtrl& tree, HTREEITEM node, int level, CArchive& ar) {
  std::vector<HTREEITEM> ancestors;
  for (HTREEITEM p = tree.GetParentItem(node); p; p = tree.GetParentItem(p)) ancestors.push_back(p);
  int at = level - static_cast<int>(ancestors.size()) + 1;
  for (auto it = ancestors.rbegin(); it != ancestors.rend(); ++it)
    WriteTreeRecord(tree, *it, at++, ar);
}

}  // namespace

WorkFailure OpenTreeFile(const std::string& path, CFile& file) {
  return RunWork([&] { file.OpenRead(path); });
}

TreeReadOutcome ReadTreeFile(CFile& file, CTreeCtrl& tree,
                             const std::function<void(HTREEITEM)>& added) {
  TreeReadOutcome outcome;
  outcome.failure = RunWork([&] {
    CArchive ar(file, CArchive::load);
    outcome.end = ReadTree(ar, tree, TVI_ROOT, added);
    ar.Close();
  });
  return outcome;
}

TreeReadOutcome StreamTreeFile(const std::string& path,
                               const std::function<bool(CTreeRecordStream&)>& perRecord) {
  TreeReadOutcome outcome;
  outcome.failure = RunWork([&] {
    CFile file;
    file.OpenRead(path);
    CArchive ar(file, CArchive::load, CArchive::kLargeBufferSize);
    CTreeRecordStream records(ar);
    while (records.Next())
      if (!perRecord(records)) return;
    outcome.end = records.End();
  });
  return outcome;
}

WorkFailure SaveTreeFile(const std::string& path, const CTreeCtrl& tree, HTREEITEM start) {
  return RunWork([&] {
    CAtomicFileWriter writer(path);
    CArchive ar(writer.GetFile(), CArchive::store);
    // Top-level nodes at level 1; a branch's ancestors come first.
    const int depth = start ? NestLevel(tree, start) : 0;
    if (start) WriteAncestors(tree, start, depth - 1, ar);
    WalkBranch(tree, start, depth, true,
               [&](HTREEITEM node, int level) { WriteTreeRecord(tree, node, level, ar); });
    ar.Close();
    writer.Commit();
  });
}
