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
#include "cli/terminal_progress.h"
#include "cli/tool_catalogue.h"
#include "files/atomic_file_writer.h"
#include "files/tree_file_sink.h"
#include "interop/ncdu_to_catalogue.h"
#include "platform/interrupt.h"
#include "platform/read_descriptor.h"

namespace {

constexpr Flag kFlags[] = {
    {"-o", "--output", "FILE",
     "the tree file to write (required; replaced only once\n"
     "the whole export was read)"},
    {"", "--quiet", "", "show no progress line"},
};
enum : size_t { kOutput, kQuiet };

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
    "ncdu could not read or excluded shows its reason in brackets. On a\n"
    "terminal, a line on stderr shows what has been read so far.\n"
    "\n",
    kFlags,
    "Exit status: 0 when FILE was written, 2 otherwise; 128 plus the signal's\n"
    "number (130 for Ctrl+C, 143 for SIGTERM) when interrupted, FILE unchanged.\n"};

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
  // The records go to a temporary file as the export is read; interrupted,
  // the tool removes it and FILE stays as it was.
  EndCleanlyOnInterrupt(PendingTemporaryFile);
  std::string formatError;
  WorkFailure failure;
  {
    TerminalProgress progress(!parsed.Given(kQuiet));
    JsonPullReader json(fd);
    // The catalogue's root stays closed, as a tree read from elsewhere is.
    failure = WriteTreeFileFrom(DialogPath(output), TreeFileSink::Tops::closed,
                                [&](TreeFileSink& records) {
                                  try {
                                    ImportNcdu(json, records, &progress);
                                  } catch (const JsonFormatError& e) {
                                    formatError = e.what();
                                    throw;
                                  }
                                });
  }
  if (!fromStdin) ::close(fd);
  if (!formatError.empty()) {
    Complain(inputName, formatError);
    return kExitFailure;
  }
  ToolCatalogue messages;
  messages.SetFailureCaption("ztr-tool import-ncdu");
  return messages.Report(failure) ? kExitOk : kExitFailure;
}
