// Help and usage errors, the same way for every command.
#pragma once

#include <string_view>

// The help text on stdout; returns the exit status for --help.
int ShowHelp(std::string_view help);
// "ztr-tool COMMAND: problem" and the help text on stderr; returns the exit
// status for a usage error.
int UsageError(std::string_view command, std::string_view problem, std::string_view help);
// Whether an argument is an option rather than a name: "-" alone is a name.
bool LooksLikeOption(std::string_view arg);
