// Help and usage errors, the same way for every command.
#pragma once

#include <span>
#include <string>
#include <string_view>
#include <vector>

// The help text on stdout; returns the exit status for --help.
int ShowHelp(std::string_view help);
// "ztr-tool COMMAND: problem" and the help text on stderr; returns the exit
// status for a usage error.
int UsageError(std::string_view command, std::string_view problem, std::string_view help);
// Whether an argument is an option rather than a name: "-" alone is a name.
bool LooksLikeOption(std::string_view arg);

// Takes "-o FILE", "-oFILE", "--output FILE" or "--output=FILE" starting at
// args[i] into output, moving i past it. False when args[i] is none of them;
// an -o without its name leaves output empty.
bool TakeOutputOption(std::span<char* const> args, size_t& i, std::string& output);

// The arguments of a command that reads INPUT... and may write -o OUT:
// returns -1 when they parse, else the exit status (help, a usage error, or
// an OUT that is one of the inputs, which every command writing a file
// refuses here).
int ParseInputsAndOutput(std::string_view command, std::span<char* const> args,
                         std::string_view help, std::vector<std::string>& inputs,
                         std::string& output);

// The arguments of a command that takes NAME... and one on/off switch such
// as --json: returns -1 when they parse, else the exit status (help or a
// usage error).
int ParseNamesAndSwitch(std::string_view command, std::span<char* const> args,
                        std::string_view help, std::string_view switchName, bool& switchOn,
                        std::vector<std::string>& names);
