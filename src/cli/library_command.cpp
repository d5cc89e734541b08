// ztr-tool library: the list of catalogues and folders that search reads
// when no others are named.
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include "cli/commands.h"
#include "cli/flags.h"
#include "cli/tool_catalogue.h"
#include "files/file_exception.h"
#include "platform/user_folders.h"
#include "search/library_file.h"

namespace {

// No options but --help: the help lists the actions instead.
constexpr CommandSyntax kSyntax{
    "library",
    "Usage: ztr-tool library add PATH...\n"
    "       ztr-tool library remove PATH...\n"
    "       ztr-tool library list\n"
    "Keeps the catalogues (tree files) and folders of catalogues that\n"
    "'ztr-tool search' reads when it is given none; a folder stands for the\n"
    ".ztr files anywhere below it. The library is a text file of absolute\n"
    "paths, one per line ('#' starts a comment), that the window shares:\n"
    "$XDG_CONFIG_HOME/ZTR/library (~/.config/ZTR/library).\n"
    "\n"
    "  add       adds each path, made absolute (it must exist)\n"
    "  remove    takes each path out (also one that names nothing now)\n"
    "  list      each entry with its catalogues and nodes, or what is wrong\n",
    {},
    "Exit status: 0 on success, 2 when a path could not be added or removed,\n"
    "an entry names nothing or cannot be read, or the library cannot be\n"
    "written.\n"};

void Complain(const std::string& text) {
  std::fprintf(stderr, "ztr-tool library: %s\n", text.c_str());
}

int List(const LibraryFile& library) {
  bool whole = true;
  for (const std::string& path : library.Paths()) {
    std::string error;
    const std::vector<std::string> catalogues = CataloguesUnder(path, error);
    if (!error.empty() && catalogues.empty()) {
      std::printf("%s   missing: %s\n", path.c_str(), error.c_str());
      whole = false;
      continue;
    }
    uint64_t total = 0;
    std::vector<std::string> unreadable;
    for (const std::string& catalogue : catalogues) {
      uint64_t nodes = 0;
      std::string why;
      if (!CountCatalogueNodes(catalogue, UserCacheFolder(), nodes, why))
        unreadable.push_back(catalogue + ": " + why);
      total += nodes;
    }
    std::printf("%s   %zu catalogue%s, %llu nodes\n", path.c_str(), catalogues.size(),
                catalogues.size() == 1 ? "" : "s", static_cast<unsigned long long>(total));
    if (!error.empty()) unreadable.push_back(path + ": " + error);
    for (const std::string& line : unreadable) std::printf("  unreadable: %s\n", line.c_str());
    if (!unreadable.empty()) whole = false;
  }
  return whole ? kExitOk : kExitFailure;
}

}  // namespace

int RunLibraryCommand(std::span<char* const> args) {
  ParsedArguments parsed;
  if (const int status = ParseArguments(kSyntax, args, parsed); status >= 0) return status;
  if (parsed.operands.empty()) return UsageError(kSyntax, "add, remove or list?");
  const std::string action = parsed.operands.front();
  const std::vector<std::string> paths(parsed.operands.begin() + 1, parsed.operands.end());
  if (action != "add" && action != "remove" && action != "list")
    return UsageError(kSyntax, "unknown action '" + action + "'");
  if (action == "list" && !paths.empty()) return UsageError(kSyntax, "list takes no paths");
  if (action != "list" && paths.empty()) return UsageError(kSyntax, action + " needs a PATH");

  const std::string file = LibraryFile::DefaultPath();
  if (file.empty()) {
    Complain("no folder for settings (set HOME or XDG_CONFIG_HOME)");
    return kExitFailure;
  }
  try {
    LibraryFile library = LibraryFile::Load(file);
    if (action == "list") return List(library);
    bool whole = true;
    for (const std::string& arg : paths) {
      const std::string path = DialogPath(arg);
      if (action == "add") {
        // A folder that could be read only in part still holds catalogues.
        std::string error;
        if (!CataloguesUnder(path, error).empty()) error.clear();
        if (!error.empty()) {
          Complain(path + ": " + error + " (not added)");
          whole = false;
        } else if (!library.Add(path)) {
          Complain(path + ": already in the library");
        }
      } else if (!library.Remove(path)) {
        Complain(path + ": not in the library");
        whole = false;
      }
    }
    library.Save(file);
    return whole ? kExitOk : kExitFailure;
  } catch (const CFileException& failure) {
    Complain(failure.GetErrorMessage());
    return kExitFailure;
  }
}
