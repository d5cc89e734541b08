#include "cli/tool.h"

#ifdef _WIN32
#include <vector>

#include "platform/win/console_text.h"

int main() {
  std::vector<std::string> args = Utf8Arguments();
  std::vector<char*> argv;
  for (std::string& arg : args) argv.push_back(arg.data());
  argv.push_back(nullptr);
  UseUtf8Console();
  return RunTool(static_cast<int>(args.size()), argv.data());
}
#else
int main(int argc, char** argv) { return RunTool(argc, argv); }
#endif
