// The window's frame with a console for a window system: each ztr-tool
// command drives the same commands a user of the window would.
#pragma once

#include <functional>
#include <string>

#include "app/main_frame.h"
#include "cli/console_host.h"
#include "cli/memory_profile.h"
#include "files/tree_record_stream.h"

class OutputBuffer;

// A node met by ToolFrame::WalkInTreeOrder.
struct WalkedNode {
  const StreamedNode& node;
  bool hasChildren;
  const CTreeRecordStream* stream;  // the node is its current one, or null
  const CTreeCtrl* tree;            // or the node is item of this tree
  HTREEITEM item;

  // The labels above the node, the top-level one first (not with lookahead).
  void GetAncestorLabels(std::vector<std::string_view>& labels) const;
};

struct ToolFrame {
  MemoryProfileStore profile;
  ConsoleHost host;
  CMainFrame frame{host, profile};

  // Reads a tree file in place of the tree, as File Open does after its
  // dialog. False when a failure, the nest-level limit or an end inside a
  // record was reported (on stderr); what was read before stays in the tree.
  bool Load(const std::string& path);

  // Reads a tree file record by record without building the tree, handing
  // each record to perRecord in file order until it returns false; failures,
  // the nest-level limit and an end inside a record (when reached) are
  // reported as Load reports them, with the same result.
  bool Stream(const std::string& path, const std::function<bool(CTreeRecordStream&)>& perRecord);

  // Every node of a tree file in the tree's pre-order, as the window shows
  // it. Streamed while the records come in that order, as in every file
  // this program writes; a file edited by hand that breaks it is read again
  // into the tree, and the output written since the walk began is taken back
  // (when it is still held; else the rest follows in file order). With
  // lookahead each node waits for the next record, which tells whether it
  // has children; without, ancestors can be asked for.
  bool WalkInTreeOrder(const std::string& path, OutputBuffer& output, bool lookahead,
                       const std::function<void(const WalkedNode&)>& visit);
};

// The full path a folder or file dialog would give for a path typed on the
// command line: absolute, without "." and ".." parts or doubled slashes, and
// without a trailing slash except for "/" itself. Symbolic links are kept.
std::string DialogPath(const std::string& typed);
