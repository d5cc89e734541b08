// The rows a search of the library found, kept compactly (a million rows
// take about 110 MB with their paths): each row is a small fixed struct
// whose path lies in the search's store. Also what the
// results table shows of them and how it sorts them.
#pragma once

#include <QIcon>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "gui/row_table_model.h"
#include "platform/win_types.h"
#include "tree/slab_store.h"

struct SearchRow;

struct ResultRow {
  const char* path = nullptr;  // the folders above the node and its name, UTF-8 as shown
  uint32_t pathLength = 0;
  uint32_t nameLength = 0;  // the name is the path's tail
  uint32_t catalogue = 0;   // its number in the results' catalogue list
  uint8_t image = 0;        // as in the tree
  bool isFile = false;
  uint32_t attributes = 0;
  int64_t size = 0;
  uint64_t nodeIndex = 0;  // its place in the catalogue's pre-order
  FILETIME modified{};
  FILETIME created{};
  FILETIME accessed{};

  std::string_view Path() const { return {path, pathLength}; }
  std::string_view Name() const { return Path().substr(pathLength - nameLength); }
  std::string_view Folder() const { return Path().substr(0, pathLength - nameLength); }
};

// Where one search keeps its rows and their paths: filled on the search's
// thread, in slabs that come in huge pages (a million rows fill 110 MB, which
// in small pages cost more in page faults than the copying), and shared with
// the window's thread, which reads only the rows handed to it. The rows never
// move once stored.
class ResultStore {
 public:
  // The engine's rows, copied in one after another.
  std::span<const ResultRow> Add(size_t catalogue, const std::vector<SearchRow>& found);

 private:
  SlabStore m_slabs{size_t{64} << 10, size_t{32} << 20};
};

// Counts of a set of rows, for the status line.
struct ResultTotals {
  uint64_t items = 0;
  uint64_t files = 0;
  uint64_t bytes = 0;
};

class SearchResults : public TableRows {
 public:
  enum Column {
    NameColumn,
    FolderColumn,
    CatalogueColumn,
    SizeColumn,
    ModifiedColumn,
    ColumnCount_
  };

  SearchResults();

  void Clear();
  void SetCatalogues(std::vector<std::string> catalogues);
  // The rows stored in `store` since the last call (the store is kept while
  // they are).
  void Append(const std::shared_ptr<const ResultStore>& store,
              const std::vector<std::span<const ResultRow>>& rows);
  const std::vector<std::string>& Catalogues() const { return m_catalogues; }
  const ResultRow& Row(size_t row) const {
    return *m_rows[row >> kSegmentShift][row & (kSegmentRows - 1)];
  }
  const std::string& CatalogueOf(const ResultRow& row) const { return m_catalogues[row.catalogue]; }
  const ResultTotals& Totals() const { return m_totals; }
  // The memory the rows hold (their records and blocks of text).
  size_t Bytes() const;
  static void Count(const ResultRow& row, ResultTotals& totals);

  // TableRows
  int ColumnCount() const override { return ColumnCount_; }
  QString Header(int column) const override;
  bool IsNumeric(int column) const override;
  size_t RowCount() const override { return m_rowCount; }
  QVariant Data(size_t row, int column, int role) const override;
  bool Less(size_t a, size_t b, int column) const override;
  bool SortKey(size_t row, int column, int64_t& key) const override;

 private:
  std::vector<std::string> m_catalogues;
  std::vector<QString> m_catalogueNames;  // each file's own name
  std::shared_ptr<const ResultStore> m_store;
  // Every row, in arrival order: the stored rows never move, so a row is
  // reached through its address and arriving rows are never copied.
  // In segments of a fixed size, which never move either: the index grows
  // without being copied.
  static constexpr int kSegmentShift = 16;
  static constexpr size_t kSegmentRows = size_t{1} << kSegmentShift;
  std::vector<std::unique_ptr<const ResultRow*[]>> m_rows;
  size_t m_rowCount = 0;
  size_t m_bytes = 0;  // of the rows and their paths
  ResultTotals m_totals;
  std::vector<QIcon> m_images;
};

// The rows as CSV (RFC 4180, UTF-8, lines ending in CR LF) with a header
// line: name, folder, catalogue, size, modified (ISO 8601, local time),
// attributes (the letters of the query's attrib:).
std::string ResultsCsv(const SearchResults& results, const std::vector<size_t>& rows);
