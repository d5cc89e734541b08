// ztr-tool import-ncdu: a tree file from an ncdu JSON export (ncdu -o, gdu -o).
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "cli/commands.h"
#include "cli/flags.h"
#include "cli/tool_catalogue.h"
#include "interop/ncdu_to_catalogue.h"
#include "platform/read_descriptor.h"

namespace {

constexpr Flag kFlags[] = {
    {"-o", "--output", "FILE",
     "the tree file to write (required; replaced only once\n"
     "the whole export was read)"},
};
enum : size_t { kOutput };

constexpr CommandSyntax kSyntax{
    "import-ncdu",
    "Usage: ztr-tool import-ncdu IN.json -o FILE\n"
    "Makes the tree file FILE from an ncdu JSON export (written by 'ncdu -o' or\n"
    "'gdu -o'); IN.json '-' reads stdin, e.g.\n"
    "  ncdu -0 -o- /srv | ztr-tool import-ncdu - -o nas.ztr\n"
    "The catalogue is the one a scan of the same folder would make: the root's\n"
    "path on top, subfolders before files, file labels with size and time (an\n"
    "export made without -e has no times, and its labels none). Folders whose\n"
    "names start with '.' are left out, as a scan leaves them out. A folder\n"
    "ncdu could not read or excluded shows its reason in brackets.\n"
    "\n",
    kFlags, ""};

void Complain(std::string_view input, std::string_view problem) {
  const std::string text =
      "ztr-tool import-ncdu: " + std::string(input) + ": " + std::string(problem) + "\n";
  std::fwrite(text.data(), 1, text.size(), stderr);
}

}  // namespace

int RunImportNcduCommand(std::span<char* const> args) {
  ParsedArguments parsed;
  if (const int status = ParseArguments(kSyntax, args, parsed); status >= 0) return status;
  const std::string output = parsed.Given(kOutput) ? parsed.Value(kOutput) : "";
  const std::vector<std::string>& inputs = parsed.operands;
  if (const int status = RefuseOutputOverInput(kSyntax, inputs, output); status >= 0) return status;
  if (inputs.size() > 1) return UsageError(kSyntax, "only one export can be imported");
  const char* input = inputs.empty() ? nullptr : inputs[0].c_str();
  if (input == nullptr) return UsageError(kSyntax, "no export given (- for stdin)");
  if (output.empty()) return UsageError(kSyntax, "no tree file given (-o FILE)");

  const bool fromStdin = std::string_view(input) == "-";
  const std::string inputName = fromStdin ? "stdin" : input;
  const int fd = fromStdin ? StandardInputBytes() : OpenForReading(input);
  if (fd < 0) {
    Complain(inputName, std::strerror(errno));
    return kExitFailure;
  }
  ToolCatalogue tool;
  try {
    JsonPullReader json(fd);
    ImportNcdu(json, tool.Tree());
  } catch (const JsonFormatError& e) {
    if (!fromStdin) ::close(fd);
    Complain(inputName, e.what());
    return kExitFailure;
  }
  if (!fromStdin) ::close(fd);

  // Written as Save writes it, through a temporary file renamed over FILE.
  tool.SetFailureCaption("ztr-tool import-ncdu");
  return tool.Report(SaveTreeFile(DialogPath(output), tool.Tree(), nullptr)) ? kExitOk
                                                                             : kExitFailure;
}
