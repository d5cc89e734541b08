// ztr-tool find: the nodes of tree files whose names match, as Find
// compares them, each printed with its path.
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "cli/commands.h"
#include "cli/flags.h"
#include "cli/output_buffer.h"
#include "cli/tool_catalogue.h"
#include "platform/cp1252.h"
#include "search/name_match.h"
#include "tree/display_path.h"

namespace {

constexpr Flag kFlags[] = {
    {"", "--exact", "", "the whole name must equal TEXT (no effect on patterns)"},
    {"", "--match-case", "", "upper and lower case differ (they do not by default)"},
    {"", "--time", "", "tell on stderr how long each file took to read and search"},
};
enum : size_t { kExact, kMatchCase, kTime };

constexpr CommandSyntax kSyntax{
    "find",
    "Usage: ztr-tool find [--exact] [--match-case] TEXT FILE...\n"
    "Prints every node of the tree files whose name matches TEXT, as the\n"
    "window's Find compares names, in pre-order, one per line as its path\n"
    "(the folders above it, then its label). With more than one FILE each line\n"
    "starts with the file's name and \": \".\n"
    "\n"
    "TEXT holding '*' or '?' is a pattern: its part before the last '.' is\n"
    "matched against the name's part before its last '.', the rest against the\n"
    "extension ('*' any run of bytes, '?' one byte), so '*.txt' finds text\n"
    "files and '*' only names without an extension. Other TEXT is found\n"
    "anywhere in the name, or must be the whole name with --exact.\n"
    "\n",
    kFlags,
    "Exit status: 0 when a node matched, 1 when none did, 2 when a file could\n"
    "not be read completely (the other files are still searched).\n"};

double SecondsSince(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

struct FindOptions {
  bool exactMatch = false;
  bool ignoreCase = true;
  bool showTimes = false;  // undocumented: load and search times on stderr
};

// Searches one tree file as it is read; adds the matches to matches.
// False when the file could not be read to its end.
bool PrintMatches(ToolCatalogue& tool, const char* file, NameMatcher& matcher,
                  std::string_view prefix, OutputBuffer& output, size_t& matches) {
  std::vector<std::string_view> ancestors;
  return tool.WalkInTreeOrder(file, output, false, [&](const WalkedNode& walked) {
    const std::string_view label = walked.node.label;
    if (!matcher.Matches(label)) return;
    ++matches;
    std::string& out = output.Text();
    out.append(prefix);
    walked.GetAncestorLabels(ancestors);
    AppendDisplayParentPath(ancestors, out);
    AppendDisplayText(label, out);
    out += '\n';
    output.Commit();
  });
}

}  // namespace

int RunFindCommand(std::span<char* const> args) {
  ParsedArguments parsed;
  if (const int status = ParseArguments(kSyntax, args, parsed); status >= 0) return status;
  FindOptions options;
  options.exactMatch = parsed.Given(kExact);
  options.ignoreCase = !parsed.Given(kMatchCase);
  options.showTimes = parsed.Given(kTime);
  const char* text = parsed.operands.empty() ? nullptr : parsed.operands[0].c_str();
  std::vector<const char*> files;
  for (size_t i = 1; i < parsed.operands.size(); ++i) files.push_back(parsed.operands[i].c_str());
  if (text == nullptr) return UsageError(kSyntax, "no search text given");
  // Find never searches for an empty text (it asks for one instead).
  if (*text == '\0') return UsageError(kSyntax, "the search text is empty");
  if (files.empty()) return UsageError(kSyntax, "no tree file given");

  // The options and the text as Find keeps them: lower-cased once when case
  // is ignored, since the names are compared lower-cased too.
  std::string findWhat = text;
  if (options.ignoreCase) LowerCaseText(findWhat);
  NameMatcher matcher(findWhat, options.exactMatch, options.ignoreCase);

  ToolCatalogue tool;
  OutputBuffer output;
  bool failed = false;
  size_t matches = 0;
  const bool named = files.size() > 1;
  for (const char* file : files) {
    const std::string prefix = named ? std::string(file) + ": " : std::string();
    tool.SetMessagePrefix(prefix);
    const auto start = std::chrono::steady_clock::now();
    const size_t before = matches;
    if (!PrintMatches(tool, file, matcher, prefix, output, matches)) failed = true;
    if (options.showTimes) {
      // Written at once so it cannot be held up behind the listing.
      std::fprintf(stderr, "ztr-tool find: %s%zu matches, read and searched in %.6f s\n",
                   prefix.c_str(), matches - before, SecondsSince(start));
    }
  }
  if (!output.Finish()) {
    std::fprintf(stderr, "ztr-tool find: could not write the results: %s\n", std::strerror(errno));
    return kExitFailure;
  }
  if (failed) return kExitFailure;
  return matches > 0 ? kExitOk : kExitNoMatch;
}
