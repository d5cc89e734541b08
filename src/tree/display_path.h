// A node's path as the user sees it.
#pragma once

#include <span>
#include <string>
#include <string_view>

#include "tree/tree_ctrl.h"

// Appends the folder path above node (the frame's GetParentPath) with each
// folder's label as the window shows it (platform/cp1252.h), so a path mixing
// UTF-8 and Windows-1252 labels comes out as valid UTF-8. The decoding keeps
// every ASCII byte, so the slashes fall where GetParentPath puts them.
void AppendDisplayParentPath(const CTreeCtrl& tree, HTREEITEM node, std::string& out);
// The same for a node given by its ancestors' labels, top first (a catalogue
// read as a stream).
void AppendDisplayParentPath(std::span<const std::string_view> ancestors, std::string& out);

// The parent path followed by the node's own label, both as shown.
std::string DisplayPath(const CTreeCtrl& tree, HTREEITEM node);
