// ztr-tool search: a query over many catalogues at once, the library's when
// none are named, answered through each catalogue's index.
#include <atomic>
#include <cerrno>
#include <charconv>
#include <cstdio>
#include <cstring>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "cli/commands.h"
#include "cli/output_buffer.h"
#include "cli/search_output.h"
#include "cli/usage.h"
#include "files/file_exception.h"
#include "platform/user_folders.h"
#include "search/catalogue_search.h"
#include "search/library_file.h"
#include "search/query.h"

namespace {

constexpr std::string_view kHelp =
    "Usage: ztr-tool search [OPTIONS] QUERY [CATALOGUE|FOLDER...]\n"
    "Prints the nodes of the catalogues that match QUERY, one per line as\n"
    "\"catalogue: path\". A FOLDER stands for the .ztr files anywhere below it;\n"
    "without any, the library is searched ('ztr-tool library --help').\n"
    "\n"
    "Query (terms separated by spaces must all match):\n"
    "  report          'report' anywhere in the name, case ignored\n"
    "  IMG_20??_*.jpg  '*' and '?' match the whole name ('?' one character)\n"
    "  \"annual report\" quotes keep spaces      pdf|doc  either (binds tighter)\n"
    "  !tmp            not                     <a b>|c  '<' '>' group\n"
    "  case:README     case matters for this term ('case:' alone: for all)\n"
    "  path:src/main   the whole path          cat:usb  the catalogue's file name\n"
    "  ext:jpg;png     the extension           file: folder: (with a term or not)\n"
    "  size:>1gb  size:1mb..10mb  size:<=4096  (b kb mb gb tb, 1024-based)\n"
    "  dm:2019  dm:2019-06  dm:>=2023-01-15  dm:2019..2020   last written (local)\n"
    "  dc:2020         created                 depth:0  depth:1..3 (0: top node)\n"
    "  attrib:rh       attribute letters r h s d a l(ink) c e\n"
    "  dupe:           name and size occur more than once; sizedupe: the size\n"
    "size:, dm:, dc:, ext:, dupe:, sizedupe: and attrib: (but d) match files only.\n"
    "\n"
    "Options:\n"
    "  --json            one JSON object per match (catalogue, path, name, kind,\n"
    "                    size, modified, created, accessed, attributes)\n"
    "  --count           print only the number of matches and their bytes\n"
    "  --sort KEY        name, path, size, modified or catalogue\n"
    "  --reverse         the other way round\n"
    "  --limit N         at most N matches\n"
    "  --total           a last line with the number of matches and their bytes\n"
    "  --match-case      case matters in every term\n"
    "  --no-index        read every record instead of the cached indexes\n"
    "  --help            show this help and exit\n"
    "\n"
    "Indexes are kept in $XDG_CACHE_HOME/ZTR (made when missing or out of date).\n"
    "Exit status: 0 when a node matched, 1 when none did, 2 for a query that\n"
    "cannot be read or a catalogue that could not be read completely (the\n"
    "others are still searched).\n";

struct SearchCommandOptions {
  bool json = false;
  bool count = false;
  bool reverse = false;
  bool total = false;
  bool matchCase = false;
  bool noIndex = false;
  SearchSortKey sort = SearchSortKey::none;
  uint64_t limit = UINT64_MAX;
  const char* query = nullptr;
  std::vector<std::string> paths;
};

void Complain(const std::string& text) {
  std::fprintf(stderr, "ztr-tool search: %s\n", text.c_str());
}

// Takes "--name VALUE" or "--name=VALUE" at args[i]; false when it is not
// that option. An option without its value leaves value null.
bool TakeValue(std::span<char* const> args, size_t& i, std::string_view name, const char*& value) {
  const std::string_view a = args[i];
  if (a == name) {
    value = i + 1 < args.size() ? args[++i] : nullptr;
    return true;
  }
  if (a.size() > name.size() && a.starts_with(name) && a[name.size()] == '=') {
    value = args[i] + name.size() + 1;
    return true;
  }
  return false;
}

// -1 when the arguments parse, else the exit status.
int ParseArguments(std::span<char* const> args, SearchCommandOptions& options) {
  bool parsingOptions = true;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string_view a = args[i];
    const char* value = nullptr;
    if (parsingOptions && a == "--") {
      parsingOptions = false;
    } else if (parsingOptions && a == "--help") {
      return ShowHelp(kHelp);
    } else if (parsingOptions && a == "--json") {
      options.json = true;
    } else if (parsingOptions && a == "--count") {
      options.count = true;
    } else if (parsingOptions && a == "--reverse") {
      options.reverse = true;
    } else if (parsingOptions && a == "--total") {
      options.total = true;
    } else if (parsingOptions && a == "--match-case") {
      options.matchCase = true;
    } else if (parsingOptions && a == "--no-index") {
      options.noIndex = true;
    } else if (parsingOptions && TakeValue(args, i, "--sort", value)) {
      if (value == nullptr || !ParseSearchSortKey(value, options.sort))
        return UsageError("search", "--sort takes name, path, size, modified or catalogue", kHelp);
    } else if (parsingOptions && TakeValue(args, i, "--limit", value)) {
      const std::string_view text = value == nullptr ? "" : value;
      const auto [end, error] =
          std::from_chars(text.data(), text.data() + text.size(), options.limit);
      if (text.empty() || error != std::errc() || end != text.data() + text.size())
        return UsageError("search", "--limit takes a whole number", kHelp);
    } else if (parsingOptions && LooksLikeOption(a)) {
      return UsageError("search", "unknown option '" + std::string(a) + "'", kHelp);
    } else if (options.query == nullptr) {
      options.query = args[i];
    } else {
      options.paths.emplace_back(a);
    }
  }
  if (options.query == nullptr) return UsageError("search", "no query given", kHelp);
  return -1;
}

// The catalogues to search, as they will be named in the output; false when
// some path named nothing (reported).
bool GatherCatalogues(const SearchCommandOptions& options, std::vector<std::string>& catalogues,
                      bool& fromLibrary) {
  std::vector<std::string> paths = options.paths;
  fromLibrary = paths.empty();
  if (fromLibrary) {
    const std::string file = LibraryFile::DefaultPath();
    try {
      paths = LibraryFile::Load(file).Paths();
    } catch (const CFileException& failure) {
      Complain(failure.GetErrorMessage());
      return false;
    }
  }
  bool whole = true;
  for (const std::string& path : paths) {
    std::string error;
    const std::vector<std::string> found = CataloguesUnder(path, error);
    catalogues.insert(catalogues.end(), found.begin(), found.end());
    if (!error.empty()) {
      Complain(path + ": " + error);
      whole = false;
    }
  }
  return whole;
}

// Prints the rows as they come, unless they are to be sorted first; stops
// the search once --limit rows are printed and nothing else is wanted.
class PrintingSink : public SearchSink {
 public:
  PrintingSink(const SearchCommandOptions& options, const std::vector<std::string>& catalogues,
               bool prefix, OutputBuffer& output, std::atomic<bool>& stop)
      : m_options(options),
        m_catalogues(catalogues),
        m_bPrefix(prefix),
        m_output(output),
        m_stop(stop) {}

  void Found(size_t catalogue, std::vector<SearchRow>& rows) override {
    for (SearchRow& row : rows) {
      FoundRow found{&m_catalogues[catalogue], std::move(row)};
      if (m_options.sort != SearchSortKey::none || m_options.reverse) {
        m_held.push_back(std::move(found));
      } else if (m_nPrinted < m_options.limit) {
        Print(found);
      }
    }
    if (m_options.sort == SearchSortKey::none && !m_options.reverse && !m_options.total &&
        m_nPrinted >= m_options.limit)
      m_stop = true;
  }

  void Failed(size_t catalogue, const std::string& message) override {
    const std::string& name = m_catalogues[catalogue];
    Complain(message.starts_with(name) ? message : name + ": " + message);
  }

  void Indexing(size_t catalogue) override {
    Complain("indexing " + m_catalogues[catalogue] + " ...");
  }

  void PrintHeld() {
    SortFoundRows(m_held, m_options.sort, m_options.reverse);
    for (const FoundRow& found : m_held) {
      if (m_nPrinted >= m_options.limit) break;
      Print(found);
    }
  }

 private:
  void Print(const FoundRow& found) {
    AppendFoundRow(found, m_options.json, m_bPrefix, m_output.Text());
    m_output.Commit();
    ++m_nPrinted;
  }

  const SearchCommandOptions& m_options;
  const std::vector<std::string>& m_catalogues;
  bool m_bPrefix;
  OutputBuffer& m_output;
  std::atomic<bool>& m_stop;
  std::vector<FoundRow> m_held;
  uint64_t m_nPrinted = 0;
};

}  // namespace

int RunSearchCommand(std::span<char* const> args) {
  SearchCommandOptions options;
  if (const int status = ParseArguments(args, options); status >= 0) return status;

  // A query that cannot be read stops everything before any output.
  std::optional<Query> query;
  try {
    query.emplace(Query::Parse(options.query, options.matchCase));
  } catch (const QueryError& error) {
    Complain(error.what());
    return kExitFailure;
  }

  std::vector<std::string> catalogues;
  bool fromLibrary = false;
  bool failed = !GatherCatalogues(options, catalogues, fromLibrary);
  if (fromLibrary && catalogues.empty() && !failed) {
    Complain(
        "the library is empty: add catalogues with 'ztr-tool library add PATH...'"
        " or name them after the query");
    return kExitFailure;
  }

  OutputBuffer output;
  std::atomic<bool> stop = false;
  const bool prefix = fromLibrary || catalogues.size() != 1 || options.paths.size() != 1 ||
                      catalogues.front() != options.paths.front();
  PrintingSink sink(options, catalogues, prefix, output, stop);
  SearchOptions searchOptions;
  searchOptions.useIndex = !options.noIndex;
  searchOptions.cacheFolder = UserCacheFolder();
  searchOptions.withRows = !options.count;
  const SearchTotals totals = SearchLibrary(*query, catalogues, sink, &stop, searchOptions);
  sink.PrintHeld();
  if (options.count || options.total)
    AppendSearchTotal(totals.matches, totals.bytes, options.json, output.Text());
  if (!output.Finish()) {
    Complain(std::string("could not write the results: ") + std::strerror(errno));
    return kExitFailure;
  }
  if (failed || totals.failed > 0) return kExitFailure;
  return totals.matches > 0 ? kExitOk : kExitNoMatch;
}
