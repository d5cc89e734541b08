#include "cli/flags.h"

#include <algorithm>
#include <cstdio>

#include "cli/commands.h"
#include "cli/usage.h"
#include "platform/same_file.h"

namespace {

constexpr Flag kHelpFlag{"", "--help", "", "show this help and exit"};

// "  -o, --output FILE" as the help's left column shows it.
std::string FlagColumn(const Flag& flag) {
  std::string text = "  ";
  if (!flag.shortName.empty()) text.append(flag.shortName).append(", ");
  text.append(flag.longName);
  if (!flag.argument.empty()) text.append(" ").append(flag.argument);
  return text;
}

// The flag's argument when `arg` (at args[i]) is that flag in one of its
// spellings; moves i past a separate argument. Null when it is not the flag.
std::optional<std::string> Match(const Flag& flag, std::span<char* const> args, size_t& i) {
  const std::string_view arg = args[i];
  const bool named = arg == flag.longName || (!flag.shortName.empty() && arg == flag.shortName);
  if (flag.argument.empty()) return named ? std::optional<std::string>("") : std::nullopt;
  if (named) return i + 1 < args.size() ? std::string(args[++i]) : std::string();
  if (arg.starts_with(flag.longName) && arg.size() > flag.longName.size() &&
      arg[flag.longName.size()] == '=')
    return std::string(arg.substr(flag.longName.size() + 1));
  if (!flag.shortName.empty() && arg.starts_with(flag.shortName) && !arg.starts_with("--"))
    return std::string(arg.substr(flag.shortName.size()));
  return std::nullopt;
}

// "Options:" and a line for each flag, --help last.
void AppendOptions(const CommandSyntax& syntax, std::string& text) {
  std::vector<Flag> flags(syntax.flags.begin(), syntax.flags.end());
  flags.push_back(kHelpFlag);
  size_t width = syntax.helpColumn;
  for (const Flag& flag : flags) width = std::max(width, FlagColumn(flag).size() + 3);
  const std::string indent(width, ' ');
  text.append("Options:\n");
  for (const Flag& flag : flags) {
    std::string column = FlagColumn(flag);
    column.resize(width, ' ');
    text.append(column);
    for (size_t from = 0;;) {
      const size_t end = flag.help.find('\n', from);
      text.append(flag.help.substr(from, end - from)).append("\n");
      if (end == std::string_view::npos) break;
      text.append(indent);
      from = end + 1;
    }
  }
}

}  // namespace

std::string HelpText(const CommandSyntax& syntax) {
  std::string text(syntax.synopsis);
  if (!syntax.flags.empty()) AppendOptions(syntax, text);
  if (!syntax.epilogue.empty()) text.append("\n").append(syntax.epilogue);
  return text;
}

int UsageError(const CommandSyntax& syntax, std::string_view problem) {
  return UsageError(syntax.name, problem, HelpText(syntax));
}

int ParseArguments(const CommandSyntax& syntax, std::span<char* const> args, ParsedArguments& out) {
  out.values.assign(syntax.flags.size(), std::nullopt);
  bool options = true;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string_view arg = args[i];
    if (!options || !LooksLikeOption(arg)) {
      out.operands.emplace_back(arg);
      continue;
    }
    if (arg == "--") {
      options = false;
      continue;
    }
    if (arg == kHelpFlag.longName) return ShowHelp(HelpText(syntax));
    size_t f = 0;
    std::optional<std::string> value;
    for (; f < syntax.flags.size() && !(value = Match(syntax.flags[f], args, i)); ++f) {
    }
    if (f == syntax.flags.size())
      return UsageError(syntax, "unknown option '" + std::string(arg) + "'");
    const Flag& flag = syntax.flags[f];
    if (!flag.argument.empty() && value->empty())
      return UsageError(
          syntax, std::string(flag.shortName.empty() ? flag.longName : flag.shortName) + " needs " +
                      std::string(flag.argument));
    out.values[f] = std::move(value);
  }
  return -1;
}

int RefuseOutputOverInput(const CommandSyntax& syntax, const std::vector<std::string>& inputs,
                          const std::string& output) {
  if (output.empty() || output == "-") return -1;
  for (const std::string& input : inputs) {
    if (input == "-" || !IsSameFile(input, output)) continue;
    std::string text = "ztr-tool ";
    text.append(syntax.name)
        .append(": ")
        .append(output)
        .append(": the output would replace the input\n");
    std::fwrite(text.data(), 1, text.size(), stderr);
    return kExitFailure;
  }
  return -1;
}
