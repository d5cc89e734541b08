// Runs the real ztr-tool binary, so the tests see exactly what a user at a
// console would.
#pragma once

#include "support/program_runner.h"
#include "support/scratch_folder.h"

namespace cli_test {

using ToolResult = ProgramResult;

inline pid_t StartTool(const std::vector<std::string>& args) {
  return StartProgram(ZTR_TOOL_PATH, args);
}

inline ToolResult RunTool(const std::vector<std::string>& args, const RunOptions& options = {}) {
  return RunProgram(ZTR_TOOL_PATH, args, options);
}

}  // namespace cli_test
