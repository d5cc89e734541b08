// Tree files as ztr-tool reads them: record by record as they stream in, or
// into a tree of its own when a command needs the whole tree. It calls the
// same work as File Open; failures and notices go to stderr as
// "caption: text", after a prefix naming the file when several are read.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "app/resource.h"
#include "compare/flat_catalogue.h"
#include "files/catalogue_file.h"
#include "files/tree_record_stream.h"
#include "tree/tree_ctrl.h"
#include "tree/tree_item.h"

class OutputBuffer;

// A node met by ToolCatalogue::WalkInTreeOrder.
struct WalkedNode {
  const StreamedNode& node;
  bool hasChildren;
  const CTreeRecordStream* stream;  // the node is its current one, or null
  const CTreeCtrl* tree;            // or the node is item of this tree
  HTREEITEM item;

  // The labels above the node, the top-level one first (not with lookahead).
  void GetAncestorLabels(std::vector<std::string_view>& labels) const;
};

class ToolCatalogue {
 public:
  ToolCatalogue() { m_tree.SetNotifyTarget(&m_records); }

  // Put before every message (e.g. the file's name when a command works on
  // several files); empty by default.
  void SetMessagePrefix(std::string prefix) { m_prefix = std::move(prefix); }
  // The caption of a failure that ended the command (a file that could not
  // be written), in place of the application's name: "ztr-tool scan" says
  // which command failed.
  void SetFailureCaption(std::string caption) { m_failureCaption = std::move(caption); }

  CTreeCtrl& Tree() { return m_tree; }

  // Reads a tree file (or an ncdu export, by its .json name) in place of the
  // tree, as File Open does after its dialog. False when a failure, the
  // nest-level limit or an end inside a record was reported; what was read
  // before stays in the tree.
  bool Load(const std::string& path);

  // Reads the catalogue (or an ncdu export) into flat form for a comparison,
  // failures reported as Load reports them; false then.
  bool LoadFlat(const std::string& path, FlatCatalogue& flat);

  // Reads a tree file record by record without building the tree, handing
  // each record to perRecord in file order until it returns false; failures
  // and the nest-level limit are reported as Load reports them.
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

  // Writes "caption: text" on stderr, after the prefix.
  void Say(std::string_view caption, std::string_view text) const;
  // Tells of a failure as the window's message box would; false when there
  // was one.
  bool Report(const WorkFailure& failure) const;

 private:
  // A failure, the nest-level limit or an end inside a record of `path`.
  bool Report(const TreeReadOutcome& outcome, const std::string& path) const;

  FreeRecordsOnDelete m_records;  // outlives the tree, which reports to it
  CTreeCtrl m_tree;
  std::string m_prefix;
  std::string m_failureCaption = kAppName;
};

// The full path a folder or file dialog would give for a path typed on the
// command line: absolute, without "." and ".." parts or doubled slashes, and
// without a trailing slash except for "/" itself. Symbolic links are kept.
std::string DialogPath(const std::string& typed);
