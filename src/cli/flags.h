// Each command's options, declared once (names, argument, help line): the
// parser and the "Options:" part of the command's help are both made from
// that table, so the two cannot disagree.
#pragma once

#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

struct Flag {
  std::string_view shortName;  // "-o", or empty
  std::string_view longName;   // "--output"
  std::string_view argument;   // what follows it ("FILE"); empty for a switch
  std::string_view help;       // its help; a '\n' starts another line
};

struct CommandSyntax {
  std::string_view name;      // "scan"
  std::string_view synopsis;  // the help before the options, from "Usage:" on
  std::span<const Flag> flags;
  std::string_view epilogue;  // the help after the options (the exit statuses)
  // The column where the options' help starts; 0: three after the widest flag.
  size_t helpColumn = 0;
};

struct ParsedArguments {
  std::vector<std::optional<std::string>> values;  // by flag; a switch given holds ""
  std::vector<std::string> operands;               // the rest, in order

  bool Given(size_t flag) const { return values[flag].has_value(); }
  const std::string& Value(size_t flag) const { return *values[flag]; }
};

// The whole help text of the command; one without options of its own lists
// none (not even --help).
std::string HelpText(const CommandSyntax& syntax);

// Parses the arguments after the command's name: returns -1 when they parse,
// else the exit status (the help was shown, or a usage error reported). "--"
// ends the options; a flag's argument comes as "-o FILE", "-oFILE",
// "--output FILE" or "--output=FILE".
int ParseArguments(const CommandSyntax& syntax, std::span<char* const> args, ParsedArguments& out);

// "ztr-tool COMMAND: problem" and the help on stderr; the exit status for a
// usage error.
int UsageError(const CommandSyntax& syntax, std::string_view problem);

// Refuses an output that is one of the inputs, before anything is read:
// writing it would destroy what is to be read. Returns -1 when they differ,
// else the exit status, after saying so on stderr.
int RefuseOutputOverInput(const CommandSyntax& syntax, const std::vector<std::string>& inputs,
                          const std::string& output);
