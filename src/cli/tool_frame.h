// The window's frame with a console for a window system: each ztr-tool
// command drives the same commands a user of the window would.
#pragma once

#include <string>

#include "app/main_frame.h"
#include "cli/console_host.h"
#include "cli/memory_profile.h"

struct ToolFrame {
  MemoryProfileStore profile;
  ConsoleHost host;
  CMainFrame frame{host, profile};

  // Reads a tree file in place of the tree, as File Open does after its
  // dialog. False when a failure or the nest-level limit was reported (on
  // stderr); what was read before stays in the tree.
  bool Load(const std::string& path);
};

// The full path a folder or file dialog would give for a path typed on the
// command line: absolute, without "." and ".." parts or doubled slashes, and
// without a trailing slash except for "/" itself. Symbolic links are kept.
std::string DialogPath(const std::string& typed);
