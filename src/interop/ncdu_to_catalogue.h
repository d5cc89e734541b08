// Reads an ncdu JSON export as the branch a scan of the same folder would
// have made: the root labelled with its path, subfolders before files under
// every folder (each group in the export's order), file labels and records
// as the scan makes them. Folders whose names start with '.' are left out
// with their contents, as the scan leaves them out. A folder ncdu could not
// read or excluded is a folder that could not be entered, its reason in
// brackets.
#pragma once

#include <string>

#include "interop/json_pull_reader.h"
#include "tree/scan_progress.h"
#include "tree/scan_sink.h"
#include "tree/tree_ctrl.h"

// Hands the export's nodes to `sink` in the catalogue's order while reading
// it, as a scan hands over what it finds. It holds back only what that order
// needs: the files of each open folder until its last subfolder is handed
// over, and a folder until its first entry tells whether it has children.
// `progress`, when given, is asked every few hundred entries with the
// counts so far; asked to stop, the import throws ScanCancelled.
//
// A document that is not an ncdu export, is cut short, has another major
// version, or nests deeper than a tree file can hold throws JsonFormatError
// saying where; the open folders are closed first, so the sink has every
// node read until then.
void ImportNcdu(JsonPullReader& json, ScanSink& sink, ScanProgress* progress = nullptr);

// The same, appended to tree as a new top-level branch (File Open of an
// export).
void ImportNcdu(JsonPullReader& json, CTreeCtrl& tree);

// File Open and ztr-tool take a file named so for an ncdu export.
inline bool IsNcduExportName(const std::string& path) { return path.ends_with(".json"); }
