#include "cli/tool.h"

#include <cstdio>
#include <cstring>
#include <string_view>

namespace {

constexpr const char kUsage[] =
    "Usage: ztr-tool COMMAND [OPTIONS] ARGS...\n"
    "Scans, lists and searches ZTR directory tree files (.ztr) without a window.\n"
    "\n"
    "Options:\n"
    "  --help       show this help and exit\n"
    "  --version    show the version and exit\n";

}  // namespace

int RunTool(int argc, char** argv) {
  if (argc < 2) {
    std::fputs(kUsage, stderr);
    return 2;
  }
  const std::string_view command = argv[1];
  if (command == "--help" || command == "-h") {
    std::fputs(kUsage, stdout);
    return 0;
  }
  if (command == "--version") {
    std::printf("ztr-tool %s\n", ZTR_VERSION);
    return 0;
  }
  std::fprintf(stderr, "ztr-tool: unknown command '%s'\n%s", argv[1], kUsage);
  return 2;
}
