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
#include "cli/flags.h"
#include "cli/output_buffer.h"
#include "cli/search_output.h"
#include "files/file_exception.h"
#include "platform/memory_reuse.h"
#include "platform/user_folders.h"
#include "search/catalogue_search.h"
#include "search/library_file.h"
#include "search/query.h"

namespace {

constexpr Flag kFlags[] = {
    {"", "--json", "",
     "one JSON object per match (catalogue, path, name, kind,\n"
     "size, modified, created, accessed, attributes)"},
    {"", "--count", "", "print only the number of matches and their bytes"},
    {"", "--sort", "KEY", "name, path, size, modified or catalogue"},
    {"", "--reverse", "", "the other way round"},
    {"", "--limit", "N", "at most N matches"},
    {"", "--total", "", "a last line with the number of matches and their bytes"},
    {"", "--match-case", "", "case matters in every term"},
    {"", "--no-index", "", "read every record instead of the cached indexes"},
};
enum : size_t { kJson, kCount, kSort, kReverse, kLimit, kTotal, kMatchCase, kNoIndex };

constexpr CommandSyntax kSyntax{
    "search",
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
    "\n",
    kFlags,
    "Indexes are kept in $XDG_CACHE_HOME/ZTR (made when missing or out of date).\n"
    "Exit status: 0 when a node matched, 1 when none did, 2 for a query that\n"
    "cannot be read or a catalogue that could not be read completely (the\n"
    "others are still searched).\n",
    20};

struct SearchCommandOptions {
  bool json = false;
  bool count = false;
  bool reverse = false;
  bool total = false;
  bool matchCase = false;
  bool noIndex = false;
  SearchSortKey sort = SearchSortKey::none;
  uint64_t limit = UINT64_MAX;
  std::string query;
  std::vector<std::string> paths;
};

void Complain(const std::string& text) {
  std::fprintf(stderr, "ztr-tool search: %s\n", text.c_str());
}

// -1 when the arguments parse, else the exit status.
int ReadOptions(std::span<char* const> args, SearchCommandOptions& options) {
  ParsedArguments parsed;
  if (const int status = ParseArguments(kSyntax, args, parsed); status >= 0) return status;
  options.json = parsed.Given(kJson);
  options.count = parsed.Given(kCount);
  options.reverse = parsed.Given(kReverse);
  options.total = parsed.Given(kTotal);
  options.matchCase = parsed.Given(kMatchCase);
  options.noIndex = parsed.Given(kNoIndex);
  if (parsed.Given(kSort) && !ParseSearchSortKey(parsed.Value(kSort), options.sort))
    return UsageError(kSyntax, "--sort takes name, path, size, modified or catalogue");
  if (parsed.Given(kLimit)) {
    const std::string& text = parsed.Value(kLimit);
    const auto [end, error] =
        std::from_chars(text.data(), text.data() + text.size(), options.limit);
    if (error != std::errc() || end != text.data() + text.size())
      return UsageError(kSyntax, "--limit takes a whole number");
  }
  if (parsed.operands.empty()) return UsageError(kSyntax, "no query given");
  options.query = parsed.operands.front();
  options.paths.assign(parsed.operands.begin() + 1, parsed.operands.end());
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
  ReuseFreedMemory();
  SearchCommandOptions options;
  if (const int status = ReadOptions(args, options); status >= 0) return status;

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
