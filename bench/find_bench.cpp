// ztr-tool find of a name that is nowhere in a one-million-node catalogue,
// timed against grep -c of the same text in the catalogue's listing
// (ztr-tool list, saved to a file), with the peak memory of each.
#include <cstdio>
#include <filesystem>
#include <string>

#include "bench_support.h"

namespace {

constexpr size_t kNodes = 1'000'000;
constexpr const char kText[] = "zqxnomatch";

}  // namespace

int main() {
  using namespace bench;
  namespace fs = std::filesystem;
  std::string folder = (fs::temp_directory_path() / "ztr-find-bench-XXXXXX").string();
  if (::mkdtemp(folder.data()) == nullptr) return 1;
  const std::string catalogue = folder + "/catalogue.ztr";
  const std::string listing = folder + "/list.txt";

  const auto start = std::chrono::steady_clock::now();
  const size_t nodes = BuildCatalogueApart(catalogue, kNodes) ? kNodes : 0;
  const double build = Seconds(start);
  const Run listed = RunProgram({ZTR_TOOL_PATH, "list", catalogue}, listing);

  const std::string tool = ZTR_TOOL_PATH;
  const Run find = BestOf({tool, "find", kText, catalogue});
  const Run grep = BestOf({"grep", "-c", "-i", kText, listing});
  const Run findCase = BestOf({tool, "find", "--match-case", kText, catalogue});
  const Run grepCase = BestOf({"grep", "-c", kText, listing});

  const bool ok = listed.status == 0 && find.status == 1 && grep.status == 1 &&
                  findCase.status == 1 && grepCase.status == 1;
  std::printf(
      "ztr-tool find, %zu nodes (folders of %d files), catalogue %.1f MB, listing %.1f MB\n", nodes,
      kFilesPerFolder, fs::file_size(catalogue) / 1e6, fs::file_size(listing) / 1e6);
  std::printf("  %-40s %7.3f s\n", "catalogue built and saved in-process", build);
  PrintRun("list > list.txt", listed);
  PrintRun("find (case ignored)", find);
  PrintRun("peer: grep -c -i on list.txt", grep);
  PrintRun("find --match-case", findCase);
  PrintRun("peer: grep -c on list.txt", grepCase);
  std::printf(
      "  find against grep, wall (cpu): %.2fx (%.2fx) case ignored, %.2fx (%.2fx) case matched;"
      " target within 4x, peak under 10 MiB\n",
      find.seconds / grep.seconds, find.cpuSeconds / grep.cpuSeconds,
      findCase.seconds / grepCase.seconds, findCase.cpuSeconds / grepCase.cpuSeconds);

  fs::remove_all(folder);
  if (!ok) std::fprintf(stderr, "find_bench: a run failed\n");
  return ok ? 0 : 1;
}
