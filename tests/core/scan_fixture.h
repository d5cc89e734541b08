// Real folders in a temporary directory, a host that records what the scan
// shows, and ways to read back the tree a scan built.
#pragma once

#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "app/main_frame.h"
#include "app/resource.h"
#include "platform/folder_listing.h"
#include "support/child_process.h"
#include "support/scoped_time_zone.h"
#include "support/scratch_folder.h"
#include "support/scripted_host.h"
#include "support/tree_builder.h"
#include "tree/tree_item.h"

namespace scan_test {

// A host that also keeps every status text of part 0 and the progress calls,
// in the order they came, and lets a test act at each progress call.
class RecordingHost : public ScriptedHost {
 public:
  std::vector<std::string> events;  // "status: <text>" or "progress"
  std::function<void(const std::string& status0)> onProgress;

  void SetStatusText(int part, std::string_view text, UINT flags) override {
    ScriptedHost::SetStatusText(part, text, flags);
    if (part == 0) {
      events.push_back("status: " + std::string(text));
      if (flags != SBT_NOBORDERS) events.push_back("status without SBT_NOBORDERS");
    }
  }
  bool ShowScanProgress(std::string_view, const ScanCounts&) override {
    events.push_back("progress");
    if (onProgress) onProgress(status[0]);
    return true;
  }
};

// CET with its summer time, so local times differ from UTC.
constexpr char kCentralEurope[] = "CET-1CEST,M3.5.0,M10.5.0/3";

// One node as a test compares it.
struct NodeView {
  std::string label;
  int image = -1;
  int selectedImage = -1;
  int state = -1;
  bool hasData = false;
  size_t children = 0;

  bool operator==(const NodeView&) const = default;
};

inline void PrintTo(const NodeView& n, std::ostream* os) {
  *os << "{\"" << n.label << "\" img " << n.image << "/" << n.selectedImage << " state " << n.state
      << (n.hasData ? " data" : "") << " children " << n.children << "}";
}

inline NodeView View(const CTreeCtrl& tree, HTREEITEM node) {
  NodeView v;
  v.label = std::string(tree.GetItemText(node));
  tree.GetItemImage(node, v.image, v.selectedImage);
  v.state = tree.GetStateImage(node);
  v.hasData = tree.GetItemData(node) != nullptr;
  v.children = Children(tree, node).size();
  return v;
}

// The child whose label starts with `prefix`, or null.
inline HTREEITEM Child(const CTreeCtrl& tree, HTREEITEM node, const std::string& prefix) {
  for (HTREEITEM c : Children(tree, node))
    if (tree.GetItemText(c).substr(0, prefix.size()) == prefix) return c;
  return nullptr;
}

// The name part of a node's label (file labels carry size and time after it).
inline std::string NameOf(const CTreeCtrl& tree, HTREEITEM node) {
  std::string label(tree.GetItemText(node));
  if (tree.GetItemData(node)) label.resize(label.rfind("   "));
  return label;
}

// The order a scan must give a folder's children: subfolders (except those
// whose names start with a dot), then files, each in the listing's order.
inline std::vector<std::string> ExpectedOrder(const std::string& path) {
  int err = 0;
  FolderHandle dir = FolderHandle::OpenAt(AT_FDCWD, path.c_str(), err);
  std::vector<std::string> folders, files;
  FolderListing listing(std::move(dir));
  FindData entry;
  while (listing.Next(entry)) {
    if (!(entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
      files.emplace_back(entry.name);
    else if (entry.name[0] != '.')
      folders.emplace_back(entry.name);
  }
  folders.insert(folders.end(), files.begin(), files.end());
  return folders;
}

// Checks what every node of the tree must satisfy after any scan, finished
// or not: a record exactly on file nodes, the images and states a scan gives.
// Returns the number of nodes seen.
inline size_t CheckConsistent(const CTreeCtrl& tree) {
  size_t seen = 0;
  std::vector<HTREEITEM> pending = Children(tree, nullptr);
  while (!pending.empty()) {
    HTREEITEM node = pending.back();
    pending.pop_back();
    ++seen;
    const NodeView v = View(tree, node);
    if (v.hasData) {
      EXPECT_EQ(v.image, 5) << v.label;
      EXPECT_EQ(v.children, 0u) << v.label;
    } else {
      EXPECT_TRUE(v.image >= 0 && v.image <= 4) << v.label;
    }
    EXPECT_TRUE(v.state == 1 || v.state == 4) << v.label;
    for (HTREEITEM c : Children(tree, node)) pending.push_back(c);
  }
  EXPECT_EQ(seen, tree.GetCount());
  return seen;
}

inline int OpenDescriptorCount() {
  int count = 0;
  for (const auto& e : std::filesystem::directory_iterator("/proc/self/fd")) (void)e, ++count;
  return count;
}

// A frame over a recording host, with a time zone set, scanning real folders.
class ScanFrameTest : public ::testing::Test, protected BasicScriptedFrame<RecordingHost> {
 protected:
  ScopedTimeZone zone{kCentralEurope};
  ScratchFolder scratch;

  // File New on `path` with the given answers; returns the last top node.
  HTREEITEM Load(const std::string& path, std::vector<int> answers = {}) {
    host.answers.assign(answers.begin(), answers.end());
    host.folders.push_back(path);
    frame.OnCommand(ID_FILE_NEW);
    HTREEITEM last = nullptr;
    for (HTREEITEM t = tree.GetRootItem(); t; t = tree.GetNextSiblingItem(t)) last = t;
    return last;
  }
};

}  // namespace scan_test
