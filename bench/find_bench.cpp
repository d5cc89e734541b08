// ztr-tool find on a one-million-node catalogue, timed against grep -c of
// the same text in the catalogue's listing (ztr-tool list, saved to a file).
// The tool's hidden --time switch splits its run into the load and the
// search, so the search can be set beside grep per label.
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "bench_process.h"
#include "cli/tool_frame.h"
#include "tree/tree_item.h"

namespace {

constexpr size_t kNodes = 1'000'000;
constexpr int kFilesPerFolder = 20;
constexpr int kRuns = 3;
constexpr const char kText[] = "zqxnomatch";
constexpr const char kAccentedText[] = "zqxn\xc3\xb6match";

using bench::BestOf;
using bench::Run;
using bench::RunProgram;
using bench::Seconds;

// The load and search seconds the tool reports with --time.
bool ParseTimes(const std::string& err, double& load, double& search) {
  const size_t at = err.find("load ");
  return at != std::string::npos &&
         std::sscanf(err.c_str() + at, "load %lf s, search %lf s", &load, &search) == 2;
}

// A disk's worth of labels: camera pictures, office files, source code, music.
class LabelMaker {
 public:
  std::string Folder(int n) {
    static const char* const kWords[] = {"Projects", "photos",   "Backup", "src",  "Music",
                                         "2019",     "invoices", "drafts", "Work", "old",
                                         "build",    "Holiday",  "scans",  "lib",  "Archive"};
    return std::string(kWords[m_random() % std::size(kWords)]) + "-" + std::to_string(n);
  }
  std::string File(int n) {
    static const char* const kStems[] = {"IMG_", "report-q", "main", "invoice_", "track ", "notes",
                                         "Scan ", "utils", "DSC0", "budget", "letter", "README",
                                         "index", "thesis-v", "config",
                                         // accented names, in UTF-8 and from an old Windows
                                         // catalogue (Windows-1252)
                                         "B\xc3\xbc"
                                         "cher ",
                                         "\xc4rger_"};
    static const char* const kExts[] = {".jpg", ".docx", ".cpp",  ".pdf", ".mp3",  ".txt",
                                        ".png", ".h",    ".xlsx", ".md",  ".html", ".json"};
    const unsigned day = 1 + m_random() % 28, month = 1 + m_random() % 12;
    const unsigned year = 1998 + m_random() % 26, hour = m_random() % 24, minute = m_random() % 60;
    char when[32];
    std::snprintf(when, sizeof when, "%02u/%02u/%04u-%02u:%02u", day, month, year, hour, minute);
    return std::string(kStems[m_random() % std::size(kStems)]) + std::to_string(n) +
           kExts[m_random() % std::size(kExts)] + "   " + std::to_string(m_random() % 90'000'000) +
           " bytes, " + when;
  }

 private:
  std::mt19937 m_random{20030415};
};

// Folders of 20 files, three levels below the top, written with the
// window's own Save.
size_t BuildCatalogue(const std::string& path) {
  ToolFrame tool;
  CTreeCtrl& tree = tool.frame.Tree();
  constexpr UINT kFolderMask = TVIF_TEXT | TVIF_IMAGE | TVIF_SELECTEDIMAGE | TVIF_STATE;
  HTREEITEM top = tree.InsertItem(kFolderMask, "/srv/archive", 0, 0, 0x1000, 0xF000, nullptr,
                                  TVI_ROOT, TVI_LAST);
  LabelMaker labels;
  size_t count = 1;
  for (int f = 0; count < kNodes; ++f) {
    HTREEITEM parent = top;
    for (int depth = 0; depth < 3 && count < kNodes; ++depth, ++count) {
      parent = tree.InsertItem(kFolderMask, labels.Folder(f), 1, 2, 0x1000, 0xF000, nullptr, parent,
                               TVI_LAST);
      for (int i = 0; i < kFilesPerFolder && count + 1 < kNodes; ++i, ++count) {
        auto* data = new CTreeItemData;
        data->m_nFileSize = 1000 + i;
        data->m_dwAttributes = FILE_ATTRIBUTE_ARCHIVE;
        tree.InsertItem(kFolderMask | TVIF_PARAM, labels.File(i), 5, 5, 0x1000, 0xF000, data,
                        parent, TVI_LAST);
      }
    }
  }
  tool.frame.SaveTree(path, nullptr);
  return tree.GetCount();
}

}  // namespace

int main() {
  namespace fs = std::filesystem;
  std::string folder = (fs::temp_directory_path() / "ztr-find-bench-XXXXXX").string();
  if (::mkdtemp(folder.data()) == nullptr) return 1;
  const std::string catalogue = folder + "/catalogue.ztr";
  const std::string listing = folder + "/list.txt";

  auto start = std::chrono::steady_clock::now();
  const size_t nodes = BuildCatalogue(catalogue);
  const double build = Seconds(start);
  const Run listed = RunProgram({ZTR_TOOL_PATH, "list", catalogue}, listing);
  const auto listBytes = fs::file_size(listing);

  const std::string tool = ZTR_TOOL_PATH;
  const Run find = BestOf(kRuns, {tool, "find", kText, catalogue});
  const Run grep = BestOf(kRuns, {"grep", "-c", kText, listing});
  const Run findCase = BestOf(kRuns, {tool, "find", "--match-case", kText, catalogue});
  const Run grepCase = BestOf(kRuns, {"grep", "-c", "-i", kText, listing});

  // Best of three for the search part, reported by the tool itself.
  double load = 1e9, search = 1e9, searchCase = 1e9, accented = 1e9, accentedCase = 1e9;
  for (int i = 0; i < kRuns; ++i) {
    double l, s;
    if (ParseTimes(RunProgram({tool, "find", "--time", kText, catalogue}).err, l, s))
      load = std::min(load, l), search = std::min(search, s);
    if (ParseTimes(RunProgram({tool, "find", "--time", "--match-case", kText, catalogue}).err, l,
                   s))
      searchCase = std::min(searchCase, s);
    if (ParseTimes(RunProgram({tool, "find", "--time", kAccentedText, catalogue}).err, l, s))
      accented = std::min(accented, s);
    if (ParseTimes(
            RunProgram({tool, "find", "--time", "--match-case", kAccentedText, catalogue}).err, l,
            s))
      accentedCase = std::min(accentedCase, s);
  }

  const bool ok = listed.status == 0 && find.status == 1 && grep.status == 1 &&
                  findCase.status == 1 && grepCase.status == 1 && search < 1e9;
  const double perNode = 1e9 / static_cast<double>(nodes);
  const auto line = [](const char* what, double seconds) {
    std::printf("  %-44s %7.3f s\n", what, seconds);
  };
  const auto perLabel = [&](const char* what, double seconds) {
    std::printf("  %-44s %7.3f s  %6.1f ns/label\n", what, seconds, seconds * perNode);
  };
  std::printf(
      "ztr-tool find, %zu nodes (folders of %d files), catalogue %.1f MB, listing %.1f MB\n", nodes,
      kFilesPerFolder, fs::file_size(catalogue) / 1e6, listBytes / 1e6);
  line("catalogue built and saved in-process", build);
  line("list > list.txt, whole run", listed.seconds);
  line("find (case ignored), whole run", find.seconds);
  line("  of which load", load);
  perLabel("  of which search", search);
  perLabel("peer: grep -c -i on list.txt", grepCase.seconds);
  line("find --match-case, whole run", findCase.seconds);
  perLabel("  of which search", searchCase);
  perLabel("peer: grep -c on list.txt", grep.seconds);
  perLabel("non-ASCII text (case ignored), search", accented);
  perLabel("non-ASCII text --match-case, search", accentedCase);
  std::printf(
      "  search speed against grep -c: %.2fx (case ignored), %.2fx (case matched);"
      " target at least 0.5x\n",
      grep.seconds / search, grep.seconds / searchCase);

  fs::remove_all(folder);
  if (!ok) std::fprintf(stderr, "find_bench: a run failed\n");
  return ok ? 0 : 1;
}
