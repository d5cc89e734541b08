// ztr-tool diff compares catalogues read into flat form; the window compares
// its trees. Both must find the same differences, moves included, for any
// pair of catalogues: random pairs where one is the other with entries
// dropped, added, grown, touched, renamed, moved, turned into the other kind
// or made unreadable, at record levels that skip and climb back as files
// edited by hand have them.
#include <gtest/gtest.h>

#include <random>

#include "compare/tree_compare.h"
#include "core/tree_file_records.h"
#include "files/catalogue_file.h"
#include "files/file.h"
#include "files/tree_record_stream.h"
#include "tree/file_label.h"

namespace {

using namespace tree_file_test;

constexpr uint64_t kTime = 0x01C2C9DCDF87C400;  // a whole second
constexpr const char* kNames[] = {"a", "b", "m", "x y", "\xE9t\xE9", ""};

Record RandomRecord(std::mt19937& rng, int32_t level) {
  const auto pick = [&](uint32_t n) { return static_cast<uint32_t>(rng() % n); };
  const std::string name = kNames[pick(6)];
  const uint32_t kind = pick(10);
  if (kind >= 7) {  // a folder; one in three not entered, most with a reason
    const bool unreadable = kind == 9;
    return Folder(unreadable && pick(4) != 0 ? name + " [Permission denied]" : name, level,
                  unreadable ? 4 : 1);
  }
  CTreeItemData data;
  data.m_nFileSize = std::array<int64_t, 4>{0, 1, 2, 1000}[pick(4)];
  const uint64_t time = kTime + std::array<uint64_t, 3>{0, 10'000'000, 5'000'000}[pick(3)];
  data.m_ftLastWrite = U64ToFileTime(time);
  std::string label = name;  // now and then a label of another writer's form
  if (pick(8) != 0) FormatFileLabel(name, data, label);
  Record r = File(label, level, data.m_nFileSize);
  r.data->lastWrite = time;
  return r;
}

// Levels from 1 (the top), each at most one deeper than the one before, now
// and then two.
std::vector<Record> RandomCatalogue(std::mt19937& rng, int nodes) {
  std::vector<Record> records;
  int32_t level = 1;
  for (int i = 0; i < nodes; ++i) {
    records.push_back(RandomRecord(rng, level));
    level = 1 + static_cast<int32_t>(rng() % static_cast<uint32_t>(level + (i % 7 == 6 ? 2 : 1)));
  }
  return records;
}

std::vector<Record> Changed(std::vector<Record> records, std::mt19937& rng, uint32_t oneIn) {
  for (size_t i = 0; i < records.size(); ++i) {
    if (rng() % oneIn != 0) continue;
    Record& r = records[i];
    switch (rng() % 7) {
      case 0:
        records.erase(records.begin() + static_cast<ptrdiff_t>(i));
        break;
      case 1:
        if (r.data) r.data->size += 1;
        break;
      case 2:
        if (r.data) r.data->lastWrite += rng() % 2 ? 10'000'000 : 1;
        break;
      case 3:
        r = RandomRecord(rng, r.level);
        break;
      case 4:  // a branch moves elsewhere, its levels with it
      {
        size_t end = i + 1;
        while (end < records.size() && records[end].level > r.level) ++end;
        std::vector<Record> branch(records.begin() + static_cast<ptrdiff_t>(i),
                                   records.begin() + static_cast<ptrdiff_t>(end));
        records.erase(records.begin() + static_cast<ptrdiff_t>(i),
                      records.begin() + static_cast<ptrdiff_t>(end));
        const size_t at = 1 + rng() % records.size();
        const int32_t shift = records[at - 1].level + 1 - branch.front().level;
        for (Record& moved : branch) moved.level = std::clamp(moved.level + shift, 1, 150);
        records.insert(records.begin() + static_cast<ptrdiff_t>(at), branch.begin(), branch.end());
        break;
      }
      default:
        records.insert(records.begin() + static_cast<ptrdiff_t>(i) + 1,
                       RandomRecord(rng, r.level + static_cast<int32_t>(rng() % 2)));
    }
  }
  return records;
}

// All a difference tells, on one line.
std::string Line(const Difference& d) {
  const auto side = [](const ChangeSide& s) {
    return std::to_string(s.present) + std::to_string(s.unreadable) + ":" +
           std::to_string(s.files) + "," + std::to_string(s.bytes) + "," +
           std::to_string(FileTimeToU64(s.lastWrite));
  };
  return std::to_string(static_cast<int>(d.change)) + (d.folder ? "d " : "f ") +
         std::string(d.oldPath) + " -> " + std::string(d.path) + " " + side(d.oldSide) + " " +
         side(d.newSide) + " " + std::to_string(d.oldTotals.files) + "/" +
         std::to_string(d.oldTotals.bytes) + " " + std::to_string(d.newTotals.files) + "/" +
         std::to_string(d.newTotals.bytes) + " [" + std::string(d.reason) + "]";
}

struct Read {
  FreeRecordsOnDelete records;
  CTreeCtrl tree;
  FlatCatalogue flat;

  explicit Read(const std::string& path) {
    tree.SetNotifyTarget(&records);
    CFile file;
    EXPECT_FALSE(OpenTreeFile(path, file));
    EXPECT_FALSE(ReadTreeFile(file, tree, [](HTREEITEM) {}).failure);
    StreamTreeFile(path, [&](CTreeRecordStream& stream) {
      const StreamedNode& node = stream.Node();
      flat.Add(stream.Level(), node.label, node.stateImage, node.hasData ? &node.data : nullptr);
      return true;
    });
  }
};

TEST(FlatCompare, FindsWhatTheTreeComparisonFinds) {
  struct Case {
    int nodes;
    uint32_t changeOneIn;
  };
  const Case cases[] = {{12, 2}, {60, 4}, {300, 15}};
  ScratchFolder folder(ScratchFolder::Storage::Memory);
  size_t moves = 0;
  for (const Case& c : cases) {
    for (unsigned seed = 0; seed < 60; ++seed) {
      std::mt19937 rng(seed);
      const std::vector<Record> olds = RandomCatalogue(rng, c.nodes);
      WriteWholeFile(folder / "old.ztr", FileBytes(olds));
      WriteWholeFile(folder / "new.ztr", FileBytes(Changed(olds, rng, c.changeOneIn)));
      const Read oldSide(folder / "old.ztr"), newSide(folder / "new.ztr");
      for (const bool detectMoves : {true, false}) {
        std::vector<std::string> fromTrees, fromFlat;
        CompareTrees(oldSide.tree, newSide.tree,
                     [&](const TreeDifference& d) { fromTrees.push_back(Line(d)); },
                     {.detectMoves = detectMoves, .matched = {}});
        CompareCatalogues(oldSide.flat, newSide.flat,
                          [&](const FlatDifference& d) {
                            fromFlat.push_back(Line(d));
                            moves += d.change == TreeChange::moved;
                          },
                          {.detectMoves = detectMoves, .matched = {}});
        ASSERT_EQ(fromFlat, fromTrees) << c.nodes << " nodes, seed " << seed;
      }
    }
  }
  EXPECT_GT(moves, 20u);  // the cases do hold moves
}

}  // namespace
