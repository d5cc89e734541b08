// Searching a library of catalogues with a Query: the engine behind
// ztr-tool search, made to run on a worker thread of the window too. Results
// come per catalogue, in batches, in each catalogue's pre-order; a flag set
// from another thread stops the search at the next node.
#pragma once

#include <atomic>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/win_types.h"

class Query;

// One matching node.
struct SearchRow {
  uint64_t nodeIndex = 0;  // its place in its catalogue's pre-order (0: the first node)
  std::string path;        // as shown: the labels above it and its name, joined by '/'
  std::string name;        // as shown: a file's name without its size and date (NodeStoredName)
  std::string label;       // as shown: the whole label (a file's with its size and date)
  bool isFile = false;     // a node with a file record (a folder has none)
  int depth = 0;           // 0 for a top-level node
  int image = 0;           // the node's image in the tree (drive, folder, file...)
  int64_t size = 0;        // a file's record; zero for a folder
  uint32_t attributes = 0;
  FILETIME modified{};
  FILETIME created{};
  FILETIME accessed{};
};

class SearchSink {
 public:
  virtual ~SearchSink() = default;
  // Matches of catalogue number `catalogue`, in pre-order; may be called
  // several times for one catalogue. The rows may be moved from.
  virtual void Found(size_t catalogue, std::vector<SearchRow>& rows) = 0;
  // The catalogue could not be read to its end (what was found before has
  // been handed on); the other catalogues are still searched.
  virtual void Failed(size_t catalogue, const std::string& message) = 0;
  // Building the catalogue's index takes a while (told once per catalogue).
  virtual void Indexing(size_t /*catalogue*/) {}
};

struct SearchOptions {
  bool useIndex = true;
  std::string cacheFolder;  // where indexes live (UserCacheFolder()); empty: none
  bool withRows = true;     // false: only the totals are counted
  bool withLabels = true;   // false: rows leave their label empty (it is not shown)
};

struct SearchTotals {
  uint64_t matches = 0;
  uint64_t bytes = 0;  // the sizes of the matching files
  size_t failed = 0;   // catalogues not read to their end
  bool cancelled = false;
};

// Searches the catalogues (tree files) in turn. cancel may be null.
SearchTotals SearchLibrary(const Query& query, std::span<const std::string> catalogues,
                           SearchSink& sink, const std::atomic<bool>* cancel,
                           const SearchOptions& options);
