// ztr-tool diff of two one-million-node catalogues that differ in 1% of
// their files, beside ztr-tool list of both (the time to read and print
// them) and GNU diff of those two listings; then diff of two catalogues
// where 10,000 files moved, with and without finding the moves. Best of 3;
// the peak memory of each run beside its time.
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "bench_support.h"
#include "files/catalogue_file.h"
#include "tree/scan_nodes.h"
#include "tree/tree_item.h"

namespace {

constexpr size_t kNodes = 1'000'000;
constexpr UINT kMask = TVIF_TEXT | TVIF_IMAGE | TVIF_SELECTEDIMAGE | TVIF_STATE;

// Of every 100 files, the second catalogue changes one: every third such
// file grows, every third is gone and every third has a new name. Apart from
// that, a pair of catalogues where 10,000 files moved to the folder made
// before their own.
enum class Variant { before, after, movesBefore, movesAfter };
constexpr size_t kMoveEvery = 95;  // of about 950,000 files: 10,000 moved

// Folders three deep under one top, 20 files each, labelled as a scan
// labels them; saved with the window's own Save. Returns the files changed.
size_t BuildCatalogue(const std::string& path, Variant variant) {
  FreeRecordsOnDelete records;
  CTreeCtrl tree;
  tree.SetNotifyTarget(&records);
  HTREEITEM top =
      tree.InsertItem(kMask, "/srv/archive", 0, 0, 0x1000, 0xF000, nullptr, TVI_ROOT, TVI_LAST);
  size_t count = 1, file = 0, changed = 0;
  std::string label;
  HTREEITEM previous = nullptr;  // the folder made before the current one
  for (int f = 0; count < kNodes; ++f) {
    HTREEITEM parent = top;
    for (int depth = 0; depth < 3 && count < kNodes; ++depth, ++count) {
      if (parent != top) previous = parent;
      parent = tree.InsertItem(kMask, "folder-" + std::to_string(f) + "-" + std::to_string(depth),
                               1, 2, 0x1000, 0xF000, nullptr, parent, TVI_LAST);
      for (int i = 0; i < bench::kFilesPerFolder && count + 1 < kNodes; ++i, ++count, ++file) {
        std::string name = "file-" + std::to_string(i) + ".dat";
        auto* data = new CTreeItemData;
        data->m_nFileSize = 1000 + static_cast<int64_t>(file % 977) * 131;
        data->m_dwAttributes = FILE_ATTRIBUTE_ARCHIVE;
        data->m_ftLastWrite = U64ToFileTime(0x01C2C9DCDF87C400 + file * 10'000'000);
        if (variant == Variant::after && file % 100 == 0) {
          ++changed;
          if (file % 300 == 0) data->m_nFileSize += 4096;
          if (file % 300 == 100) {
            delete data;
            continue;
          }
          if (file % 300 == 200) name = "renamed-" + name;
        }
        HTREEITEM into = parent;
        const bool moves = variant == Variant::movesBefore || variant == Variant::movesAfter;
        if (moves && file % kMoveEvery == 50) {
          name = "moved-" + std::to_string(file) + ".dat";  // no name twice in a folder
          if (variant == Variant::movesAfter && previous != nullptr) {
            into = previous;
            ++changed;
          }
        }
        FormatFileLabel(name, *data, label);
        tree.InsertItem(kMask | TVIF_PARAM, label, 5, 5, 0x1000, 0xF000, data, into, TVI_LAST);
      }
    }
  }
  if (SaveTreeFile(path, tree, nullptr)) return 0;
  return changed;
}

}  // namespace

int main() {
  namespace fs = std::filesystem;
  std::string folder = (fs::temp_directory_path() / "ztr-diff-bench-XXXXXX").string();
  if (::mkdtemp(folder.data()) == nullptr) return 1;
  const std::string a = folder + "/a.ztr", b = folder + "/b.ztr";
  const std::string listA = folder + "/a.txt", listB = folder + "/b.txt";
  BuildCatalogue(a, Variant::before);
  const size_t changed = BuildCatalogue(b, Variant::after);
  const std::string c = folder + "/c.ztr", d = folder + "/d.ztr";
  BuildCatalogue(c, Variant::movesBefore);
  const size_t moved = BuildCatalogue(d, Variant::movesAfter);

  const std::string tool = ZTR_TOOL_PATH;
  const bench::Run listedA = bench::RunProgram({tool, "list", a}, listA);
  const bench::Run listedB = bench::RunProgram({tool, "list", b}, listB);
  const bench::Run listOneA = bench::BestOf({tool, "list", a});
  const bench::Run listOneB = bench::BestOf({tool, "list", b});
  const bench::Run diff = bench::BestOf({tool, "diff", a, b});
  const bench::Run json = bench::BestOf({tool, "diff", "--json", a, b});
  const bench::Run peer = bench::BestOf({"diff", listA, listB});
  const bench::Run withMoves = bench::BestOf({tool, "diff", c, d});
  const bench::Run noMoves = bench::BestOf({tool, "diff", "--no-moves", c, d});

  const auto line = [](const char* what, double seconds, long kb) {
    std::printf("  %-40s %7.3f s  %7.1f MB peak\n", what, seconds, kb / 1024.0);
  };
  std::printf(
      "ztr-tool diff, two catalogues of %zu nodes (folders of %d files), %.1f MB each,\n"
      "%zu files differing (grown, gone, renamed)\n",
      kNodes, bench::kFilesPerFolder, fs::file_size(a) / 1e6, changed);
  const double listBoth = listOneA.seconds + listOneB.seconds;
  line("list A >/dev/null", listOneA.seconds, listOneA.peakKiB);
  line("list B >/dev/null", listOneB.seconds, listOneB.peakKiB);
  line("diff A B >/dev/null", diff.seconds, diff.peakKiB);
  line("diff --json A B >/dev/null", json.seconds, json.peakKiB);
  line("peer: GNU diff of the two listings", peer.seconds, peer.peakKiB);
  std::printf(
      "  diff against list of both: %.2fx the time (target at most 2x), %.2fx the memory of\n"
      "  list A and list B together (target at most 1x)\n",
      diff.seconds / listBoth,
      static_cast<double>(diff.peakKiB) / static_cast<double>(listOneA.peakKiB + listOneB.peakKiB));
  std::printf("  %s", diff.err.c_str());
  std::printf("two catalogues of %zu nodes where %zu files moved to another folder\n", kNodes,
              moved);
  line("diff C D (moves found)", withMoves.seconds, withMoves.peakKiB);
  line("diff --no-moves C D", noMoves.seconds, noMoves.peakKiB);
  std::printf("  finding moves adds %.0f%% to the time (target at most 20%%)\n  %s",
              100.0 * (withMoves.seconds / noMoves.seconds - 1), withMoves.err.c_str());

  fs::remove_all(folder);
  const bool ok = listedA.status == 0 && listedB.status == 0 && diff.status == 1 &&
                  json.status == 1 && peer.status == 1 && withMoves.status == 1 &&
                  noMoves.status == 1;
  if (!ok) std::fprintf(stderr, "diff_bench: a run failed\n");
  return ok ? 0 : 1;
}
