// ztr-tool list: every node of a tree file, in pre-order.
#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>

#include "cli/commands.h"
#include "cli/flags.h"
#include "cli/json_text.h"
#include "cli/output_buffer.h"
#include "cli/tool_catalogue.h"
#include "files/tree_record_stream.h"
#include "platform/cp1252.h"
#include "tree/tree_item.h"

namespace {

constexpr Flag kFlags[] = {
    {"", "--json", "",
     "one JSON object per line instead:\n"
     "{\"depth\":0,\"label\":\"...\",\"state\":1,\"image\":0,\"selectedImage\":0,\n"
     " \"children\":1,\"data\":null}\n"
     "state is the mark (0 none, 1 unmarked, 2 marked, 3 partly marked,\n"
     "4 unreadable folder); data, for a file, is {\"attributes\":N,\n"
     "\"size\":N,\"creation\":N,\"lastAccess\":N,\"lastWrite\":N} with the\n"
     "raw times (100 ns units since 1601, UTC)"},
};
enum : size_t { kJson };

constexpr CommandSyntax kSyntax{
    "list",
    "Usage: ztr-tool list [--json] FILE\n"
    "Lists every node of the tree file FILE in pre-order (each node before its\n"
    "children), one per line: two spaces per level of depth, then the label.\n"
    "Labels are given as the window shows them, in UTF-8; a label from an old\n"
    "Windows catalogue that is not UTF-8 is read as Windows-1252.\n"
    "\n",
    kFlags,
    "Exit status: 0 when the whole file was listed, 2 when it could not be read\n"
    "completely (the nodes read until then are listed).\n"};

void AppendField(std::string_view name, long long value, std::string& out) {
  out.append(",\"").append(name).append("\":");
  AppendNumber(value, out);
}

void AppendJsonLine(const StreamedNode& node, bool hasChildren, std::string& out,
                    std::string& label) {
  out.append("{\"depth\":");
  AppendNumber(node.depth, out);
  out.append(",\"label\":");
  label.clear();
  AppendDisplayText(node.label, label);
  AppendJsonString(label, out);
  AppendField("state", node.stateImage, out);
  AppendField("image", node.image, out);
  AppendField("selectedImage", node.selectedImage, out);
  AppendField("children", hasChildren ? 1 : 0, out);
  if (node.hasData) {
    const CTreeItemData& data = node.data;
    out.append(",\"data\":{\"attributes\":");
    AppendNumber(data.m_dwAttributes, out);
    AppendField("size", data.m_nFileSize, out);
    out.append(",\"creation\":");
    AppendNumber(FileTimeToU64(data.m_ftCreation), out);
    out.append(",\"lastAccess\":");
    AppendNumber(FileTimeToU64(data.m_ftLastAccess), out);
    out.append(",\"lastWrite\":");
    AppendNumber(FileTimeToU64(data.m_ftLastWrite), out);
    out.append("}}\n");
  } else {
    out.append(",\"data\":null}\n");
  }
}

}  // namespace

int RunListCommand(std::span<char* const> args) {
  ParsedArguments parsed;
  if (const int status = ParseArguments(kSyntax, args, parsed); status >= 0) return status;
  const bool json = parsed.Given(kJson);
  const std::vector<std::string>& paths = parsed.operands;
  if (paths.size() > 1) return UsageError(kSyntax, "only one tree file can be listed");
  if (paths.empty()) return UsageError(kSyntax, "no tree file given");
  const char* path = paths.front().c_str();

  // Records are listed as they are read, so memory stays the same for any
  // size of catalogue.
  ToolCatalogue tool;
  OutputBuffer output;
  std::string label;
  const bool loaded = tool.WalkInTreeOrder(path, output, json, [&](const WalkedNode& walked) {
    const StreamedNode& node = walked.node;
    std::string& out = output.Text();
    if (json) {
      AppendJsonLine(node, walked.hasChildren, out, label);
    } else {
      out.append(2 * static_cast<size_t>(node.depth), ' ');
      AppendDisplayText(node.label, out);
      out += '\n';
    }
    output.Commit();
  });
  if (!output.Finish()) {
    std::fprintf(stderr, "ztr-tool list: could not write the listing: %s\n", std::strerror(errno));
    return kExitFailure;
  }
  return loaded ? kExitOk : kExitFailure;
}
