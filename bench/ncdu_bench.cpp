// ztr-tool export-ncdu and import-ncdu on a one-million-node catalogue,
// beside ncdu reading the same export (ncdu -0 -f X.json -o /dev/null): wall
// and cpu time, and each program's own peak memory as /usr/bin/time gives it.
#include <cstdio>
#include <filesystem>
#include <string>

#include "bench_support.h"

namespace {

constexpr size_t kNodes = 1'000'000;
constexpr double kImportPeakMiB = 16;

}  // namespace

int main() {
  using namespace bench;
  namespace fs = std::filesystem;
  std::string folder = (fs::temp_directory_path() / "ztr-ncdu-bench-XXXXXX").string();
  if (::mkdtemp(folder.data()) == nullptr) return 1;
  const std::string catalogue = folder + "/catalogue.ztr";
  const std::string json = folder + "/export.json";
  const std::string back = folder + "/back.ztr";
  const size_t nodes = BuildCatalogueApart(catalogue, kNodes) ? kNodes : 0;

  const std::string tool = ZTR_TOOL_PATH;
  // Beside ncdu, our output also goes to /dev/null; a real file adds the
  // safe save's sync to the disk.
  const Run exportedToFile = BestOf({tool, "export-ncdu", catalogue, "-o", json});
  const Run exported = BestOf({tool, "export-ncdu", catalogue, "-o", "/dev/null"});
  const Run ncdu = BestOf({"ncdu", "-0", "-f", json, "-o", "/dev/null"});
  const Run importedToFile = BestOf({tool, "import-ncdu", json, "-o", back});
  const Run imported = BestOf({tool, "import-ncdu", json, "-o", "/dev/null"});
  const bool ok = exportedToFile.status == 0 && exported.status == 0 && ncdu.status == 0 &&
                  importedToFile.status == 0 && imported.status == 0;

  std::printf("ncdu exchange, %zu nodes: catalogue %.1f MB, export %.1f MB\n", nodes,
              fs::file_size(catalogue) / 1e6, ok ? fs::file_size(json) / 1e6 : 0.0);
  PrintRun("export-ncdu catalogue.ztr -o export.json", exportedToFile);
  PrintRun("export-ncdu catalogue.ztr -o /dev/null", exported);
  PrintRun("import-ncdu export.json -o back.ztr", importedToFile);
  PrintRun("import-ncdu export.json -o /dev/null", imported);
  PrintRun("peer: ncdu -0 -f export.json -o /dev/null", ncdu);
  std::printf(
      "  against ncdu (to /dev/null): export %.2fx wall %.2fx cpu, import %.2fx wall %.2fx cpu;"
      " target within 1.5x\n",
      exported.seconds / ncdu.seconds, exported.cpuSeconds / ncdu.cpuSeconds,
      imported.seconds / ncdu.seconds, imported.cpuSeconds / ncdu.cpuSeconds);
  // The import writes while it reads: its memory must not grow with the export.
  std::printf(
      "  import peak %.1f MiB to a file, %.1f MiB to /dev/null (ncdu %.1f MiB);"
      " target at most %.0f MiB\n",
      importedToFile.peakKiB / 1024.0, imported.peakKiB / 1024.0, ncdu.peakKiB / 1024.0,
      kImportPeakMiB);

  fs::remove_all(folder);
  if (!ok) std::fprintf(stderr, "ncdu_bench: a run failed\n");
  return ok ? 0 : 1;
}
