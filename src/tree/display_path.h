// A node's path: the labels of its ancestors, top first, joined by the
// separator of the catalogue's system.
#pragma once

#include <span>
#include <string>
#include <string_view>

#include "tree/tree_ctrl.h"

// The separator of the paths below a top-level node: '\\' when its label was
// written on Windows ("C:\\Docs": a '\\' and no '/'), else '/'.
char PathSeparatorFor(std::string_view topLabel);

// Appends the folder path above node as its labels' bytes stand: each label
// followed by one separator (a label that ends in one, like "/", gets none),
// the whole ending in exactly one; nothing for a top-level node.
void AppendParentPath(const CTreeCtrl& tree, HTREEITEM node, std::string& out);

// The same path with each folder's label as the window shows it
// (platform/cp1252.h), so a path mixing UTF-8 and Windows-1252 labels comes
// out as valid UTF-8. The decoding keeps every ASCII byte, so the separators
// fall where AppendParentPath puts them.
void AppendDisplayParentPath(const CTreeCtrl& tree, HTREEITEM node, std::string& out);
// The same for a node given by its ancestors' labels, top first (a catalogue
// read as a stream).
void AppendDisplayParentPath(std::span<const std::string_view> ancestors, std::string& out);

// The parent path followed by the node's own label, both as shown.
std::string DisplayPath(const CTreeCtrl& tree, HTREEITEM node);
