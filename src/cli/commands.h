// The ztr-tool commands. Each takes the arguments after its name and
// returns the exit status.
#pragma once

#include <span>

// Exit statuses, as grep has them.
constexpr int kExitOk = 0;
constexpr int kExitNoMatch = 1;      // find: nothing matched
constexpr int kExitDifferences = 1;  // diff: the two differ; update: something changed
constexpr int kExitFailure = 2;      // a usage error or a failure

int RunScanCommand(std::span<char* const> args);
int RunListCommand(std::span<char* const> args);
int RunFindCommand(std::span<char* const> args);
int RunDiffCommand(std::span<char* const> args);
int RunExportNcduCommand(std::span<char* const> args);
int RunImportNcduCommand(std::span<char* const> args);
int RunSearchCommand(std::span<char* const> args);
int RunLibraryCommand(std::span<char* const> args);
int RunUpdateCommand(std::span<char* const> args);
