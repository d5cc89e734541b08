// What a running scan tells whoever watches it, and how it is asked to stop.
#pragma once

#include <cstdint>
#include <string_view>

// What the scan has found so far.
struct ScanCounts {
  uint64_t folders = 0;
  uint64_t files = 0;
  uint64_t bytes = 0;
};

class ScanProgress {
 public:
  virtual ~ScanProgress() = default;
  // A folder is about to be read: `name` is the chosen folder's path or a
  // subfolder's bare name, `path` the folder's full path.
  virtual void FolderStarted(std::string_view name, std::string_view path) = 0;
  // Asked at every folder and every few hundred entries, with the full path
  // of the folder being read; true ends the scan (the scanner then throws
  // ScanCancelled).
  virtual bool StopRequested(std::string_view path, const ScanCounts& counts) = 0;
};

// Thrown out of a scan that was asked to stop; the nodes inserted so far stay.
struct ScanCancelled {};
