// ztr-tool import-ncdu: a tree file from an ncdu JSON export (ncdu -o, gdu -o).
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "cli/commands.h"
#include "cli/tool_frame.h"
#include "cli/usage.h"
#include "interop/ncdu_to_catalogue.h"
#include "platform/read_descriptor.h"

namespace {

constexpr std::string_view kHelp =
    "Usage: ztr-tool import-ncdu IN.json -o FILE\n"
    "Makes the tree file FILE from an ncdu JSON export (written by 'ncdu -o' or\n"
    "'gdu -o'); IN.json '-' reads stdin, e.g.\n"
    "  ncdu -0 -o- /srv | ztr-tool import-ncdu - -o nas.ztr\n"
    "The catalogue is the one a scan of the same folder would make: the root's\n"
    "path on top, subfolders before files, file labels with size and time (an\n"
    "export made without -e has no times, and its labels none). Folders whose\n"
    "names start with '.' are left out, as a scan leaves them out. A folder\n"
    "ncdu could not read or excluded shows its reason in brackets.\n"
    "\n"
    "Options:\n"
    "  -o, --output FILE   the tree file to write (required; replaced only once\n"
    "                      the whole export was read)\n"
    "  --help              show this help and exit\n";

void Complain(std::string_view input, std::string_view problem) {
  const std::string text =
      "ztr-tool import-ncdu: " + std::string(input) + ": " + std::string(problem) + "\n";
  std::fwrite(text.data(), 1, text.size(), stderr);
}

}  // namespace

int RunImportNcduCommand(std::span<char* const> args) {
  std::string output;
  std::vector<std::string> inputs;
  if (const int status = ParseInputsAndOutput("import-ncdu", args, kHelp, inputs, output);
      status >= 0)
    return status;
  if (inputs.size() > 1) return UsageError("import-ncdu", "only one export can be imported", kHelp);
  const char* input = inputs.empty() ? nullptr : inputs[0].c_str();
  if (input == nullptr) return UsageError("import-ncdu", "no export given (- for stdin)", kHelp);
  if (output.empty()) return UsageError("import-ncdu", "no tree file given (-o FILE)", kHelp);

  const bool fromStdin = std::string_view(input) == "-";
  const std::string inputName = fromStdin ? "stdin" : input;
  const int fd = fromStdin ? StandardInputBytes() : OpenForReading(input);
  if (fd < 0) {
    Complain(inputName, std::strerror(errno));
    return kExitFailure;
  }
  ToolFrame tool;
  try {
    JsonPullReader json(fd);
    ImportNcdu(json, tool.frame.Tree());
  } catch (const JsonFormatError& e) {
    if (!fromStdin) ::close(fd);
    Complain(inputName, e.what());
    return kExitFailure;
  }
  if (!fromStdin) ::close(fd);

  // Written as Save writes it, through a temporary file renamed over FILE.
  tool.host.ResetNotices();
  tool.host.SetApplicationCaption("ztr-tool import-ncdu");
  tool.frame.RunGuarded([&] { tool.frame.SaveTree(DialogPath(output), nullptr); },
                        CommandSource::Menu);
  return tool.host.NoticesShown() == 0 ? kExitOk : kExitFailure;
}
