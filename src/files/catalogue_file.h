// The work of File Open and Save and of ztr-tool's commands on tree files:
// reading a file into a tree or record by record, and saving a tree or a
// branch. Each returns its outcome and shows nothing; the window's handlers
// and ztr-tool decide what the user is told.
#pragma once

#include <functional>
#include <string>

#include "files/tree_reader.h"
#include "files/work_outcome.h"
#include "tree/tree_ctrl.h"

class CFile;
class CTreeRecordStream;

struct TreeReadOutcome {
  WorkFailure failure;  // what was read before it stays
  TreeReadEnd end = TreeReadEnd::endOfRecords;
};

// Opens a tree file to read.
WorkFailure OpenTreeFile(const std::string& path, CFile& file);

// Reads the open file's records into the tree after its top-level nodes;
// `added` sees each new node once it is in the tree.
TreeReadOutcome ReadTreeFile(CFile& file, CTreeCtrl& tree,
                             const std::function<void(HTREEITEM)>& added);

// Hands the file's records to `perRecord` in file order, without building
// the tree, until it returns false.
TreeReadOutcome StreamTreeFile(const std::string& path,
                               const std::function<bool(CTreeRecordStream&)>& perRecord);

// Writes the whole tree (start null) or the ancestors of `start` and its
// branch to `path`, replacing the file only once every byte is written: a
// failure leaves the previous file as it was.
WorkFailure SaveTreeFile(const std::string& path, const CTreeCtrl& tree, HTREEITEM start);
