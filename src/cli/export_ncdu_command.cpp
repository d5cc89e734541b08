// ztr-tool export-ncdu: a tree file as an ncdu JSON export, for ncdu -f and
// gdu -f.
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "cli/commands.h"
#include "cli/output_buffer.h"
#include "cli/tool_frame.h"
#include "cli/usage.h"
#include "files/atomic_file_writer.h"
#include "interop/catalogue_to_ncdu.h"
#include "tree/tree_item.h"

namespace {

constexpr std::string_view kHelp =
    "Usage: ztr-tool export-ncdu FILE [-o OUT.json]\n"
    "Writes the tree file FILE as an ncdu JSON export (format 1.2, as ncdu 1.16\n"
    "and later write it), for 'ncdu -f OUT.json' or 'gdu -f OUT.json'. Without\n"
    "-o (or with -o -) the export goes to stdout.\n"
    "\n"
    "Folders and files keep their names (as bytes), files their size,\n"
    "last-write time and attributes (as ncdu -e writes the mode: the type, no\n"
    "write bits for a read-only file). The catalogue knows only each file's\n"
    "size, not the disk space it takes, so both ncdu's sizes (asize and dsize)\n"
    "are the file's size, but a sparse file's dsize is at least one 512-byte\n"
    "block less. A folder that could not be entered is a read error. A\n"
    "catalogue with several top-level folders is exported under one folder\n"
    "named after FILE, since an export holds one root.\n"
    "\n"
    "Options:\n"
    "  -o, --output OUT   the file to write (replaced only once it is complete)\n"
    "  --help             show this help and exit\n";

constexpr size_t kFlushAt = size_t{1} << 20;

// What the export's shape depends on, learnt by a first pass over the file.
struct CatalogueShape {
  size_t topLevelNodes = 0;
  bool firstTopIsFolder = false;
};

}  // namespace

int RunExportNcduCommand(std::span<char* const> args) {
  std::string output;
  std::vector<std::string> inputs;
  if (const int status = ParseInputsAndOutput("export-ncdu", args, kHelp, inputs, output);
      status >= 0)
    return status;
  if (inputs.size() > 1)
    return UsageError("export-ncdu", "only one tree file can be exported", kHelp);
  const char* path = inputs.empty() ? nullptr : inputs[0].c_str();
  if (path == nullptr) return UsageError("export-ncdu", "no tree file given", kHelp);

  // First pass: how many top-level nodes. Both passes read the file as a
  // stream; a file that cannot be read whole is reported and nothing is
  // written.
  ToolFrame tool;
  CatalogueShape shape;
  bool previousWasFirstTop = false;
  if (!tool.Stream(path, [&](CTreeRecordStream& records) {
        const StreamedNode& node = records.Node();
        if (previousWasFirstTop && records.ParentIsPrevious()) shape.firstTopIsFolder = true;
        previousWasFirstTop = false;
        if (node.depth == 0 && shape.topLevelNodes++ == 0) {
          shape.firstTopIsFolder = !node.hasData || node.childrenFlag == 1;
          previousWasFirstTop = true;
        }
        return true;
      }))
    return kExitFailure;

  const std::string target = output.empty() || output == "-" ? "" : DialogPath(output);
  const std::string rootName = DialogPath(path);
  bool written = false;
  tool.host.ResetNotices();
  tool.host.SetApplicationCaption("ztr-tool export-ncdu");
  tool.frame.RunGuarded(
      [&] {
        std::unique_ptr<CAtomicFileWriter> file;
        if (!target.empty()) file = std::make_unique<CAtomicFileWriter>(target);
        std::string text;
        bool stdoutFailed = false;
        const auto flush = [&] {
          if (file) {
            file->GetFile().Write(text.data(), text.size());
          } else if (std::fwrite(text.data(), 1, text.size(), stdout) != text.size()) {
            stdoutFailed = true;
          }
          text.clear();
        };

        NcduWriter writer(text);
        writer.Begin("ztr-tool", ZTR_VERSION, static_cast<int64_t>(std::time(nullptr)));
        const bool oneRoot = shape.topLevelNodes == 1 && shape.firstTopIsFolder;
        CatalogueToNcdu exporter(
            writer, oneRoot ? std::nullopt : std::optional<std::string_view>(rootName));
        // Nothing goes into this buffer: the walk only needs to know that
        // a file out of the tree's order can still be read again whole.
        OutputBuffer none;
        tool.WalkInTreeOrder(path, none, true, [&](const WalkedNode& walked) {
          const StreamedNode& node = walked.node;
          exporter.Add({node.label, node.depth, node.stateImage,
                        node.hasData ? &node.data : nullptr, walked.hasChildren});
          if (text.size() >= kFlushAt) flush();
        });
        exporter.Finish();
        writer.End();
        flush();
        if (file) {
          file->Commit();
        } else if (stdoutFailed || std::fflush(stdout) != 0) {
          std::fprintf(stderr, "ztr-tool export-ncdu: could not write the export: %s\n",
                       std::strerror(errno));
          return;
        }
        written = true;
      },
      CommandSource::Menu);
  return written && tool.host.NoticesShown() == 0 ? kExitOk : kExitFailure;
}
