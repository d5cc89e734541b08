// The work of ztr-tool scan: folders scanned straight into a tree file, the
// same file File New of each folder and then Save would give, written while
// the scan runs.
#pragma once

#include <string>
#include <vector>

#include "files/work_outcome.h"
#include "tree/scan_progress.h"

struct ScanToFileOutcome {
  WorkFailure failure;  // then the file is as it was before
  // The labels (with their reasons) of the chosen folders that could not be
  // entered or read; they are in the file all the same.
  std::vector<std::string> notEntered;
  ScanCounts counts;
};

// Scans each folder (a full path, as the folder browser gives it) in turn into
// the tree file `path`, replacing it only once every byte is written.
ScanToFileOutcome ScanFoldersToFile(const std::vector<std::string>& folders,
                                    const std::string& path, ScanProgress& progress);
