#include "cli/usage.h"

#include <cstdio>
#include <string>

#include "cli/commands.h"
#include "platform/same_file.h"

int ShowHelp(std::string_view help) {
  std::fwrite(help.data(), 1, help.size(), stdout);
  return kExitOk;
}

int UsageError(std::string_view command, std::string_view problem, std::string_view help) {
  std::string text = "ztr-tool ";
  text.append(command).append(": ").append(problem).append("\n\n").append(help);
  std::fwrite(text.data(), 1, text.size(), stderr);
  return kExitFailure;
}

bool LooksLikeOption(std::string_view arg) { return arg.size() > 1 && arg[0] == '-'; }

bool TakeOutputOption(std::span<char* const> args, size_t& i, std::string& output) {
  const std::string_view arg = args[i];
  if (arg == "-o" || arg == "--output") {
    output = i + 1 < args.size() ? args[++i] : "";
  } else if (arg.starts_with("--output=")) {
    output = arg.substr(9);
  } else if (arg.starts_with("-o") && arg.size() > 2 && !arg.starts_with("--")) {
    output = arg.substr(2);
  } else {
    return false;
  }
  return true;
}

int ParseInputsAndOutput(std::string_view command, std::span<char* const> args,
                         std::string_view help, std::vector<std::string>& inputs,
                         std::string& output) {
  bool options = true;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string_view arg = args[i];
    if (options && arg == "--") {
      options = false;
    } else if (options && arg == "--help") {
      return ShowHelp(help);
    } else if (options && TakeOutputOption(args, i, output)) {
      if (output.empty()) return UsageError(command, "-o needs a file name", help);
    } else if (options && LooksLikeOption(arg)) {
      return UsageError(command, "unknown option '" + std::string(arg) + "'", help);
    } else {
      inputs.emplace_back(arg);
    }
  }
  // Checked before anything is read: writing would destroy what is to be read.
  if (!output.empty() && output != "-") {
    for (const std::string& input : inputs) {
      if (input != "-" && IsSameFile(input, output)) {
        std::string text = "ztr-tool ";
        text.append(command).append(": ").append(output).append(
            ": the output would replace the input\n");
        std::fwrite(text.data(), 1, text.size(), stderr);
        return kExitFailure;
      }
    }
  }
  return -1;
}

int ParseNamesAndSwitch(std::string_view command, std::span<char* const> args,
                        std::string_view help, std::string_view switchName, bool& switchOn,
                        std::vector<std::string>& names) {
  bool options = true;
  for (const std::string_view arg : args) {
    if (options && arg == "--") {
      options = false;
    } else if (options && arg == "--help") {
      return ShowHelp(help);
    } else if (options && arg == switchName) {
      switchOn = true;
    } else if (options && LooksLikeOption(arg)) {
      return UsageError(command, "unknown option '" + std::string(arg) + "'", help);
    } else {
      names.emplace_back(arg);
    }
  }
  return -1;
}
