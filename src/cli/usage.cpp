#include "cli/usage.h"

#include <cstdio>
#include <string>

#include "cli/commands.h"

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
