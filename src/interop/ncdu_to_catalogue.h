// Builds, from an ncdu JSON export, the branch a scan of the same folder
// would have made: the root labelled with its path, subfolders before files
// under every folder (each group in the export's order), file labels and
// records as the scan makes them. Folders whose names start with '.' are
// left out with their contents, as the scan leaves them out. A folder ncdu
// could not read or excluded is a folder that could not be entered, its
// reason in brackets.
#pragma once

#include <string>

#include "interop/json_pull_reader.h"
#include "tree/tree_ctrl.h"

// Appends the export's root folder to tree as a new top-level branch and
// returns it. A document that is not an ncdu export, is cut short, has
// another major version, or nests deeper than a tree file can hold throws
// JsonFormatError saying where; the nodes made until then stay in the tree.
HTREEITEM ImportNcdu(JsonPullReader& json, CTreeCtrl& tree);

// File Open and ztr-tool take a file named so for an ncdu export.
inline bool IsNcduExportName(const std::string& path) { return path.ends_with(".json"); }
