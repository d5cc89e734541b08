#include "gui/search_results.h"

#include <QGuiApplication>
#include <QPixmap>
#include <algorithm>
#include <climits>
#include <cstring>

#include "app/main_frame.h"
#include "gui/artwork.h"
#include "gui/display_text.h"
#include "platform/local_time.h"
#include "platform/number_text.h"
#include "platform/utf8_path.h"
#include "search/catalogue_search.h"
#include "search/query.h"

namespace {

QString Text(std::string_view utf8) {
  return OneLineText(QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size())));
}

uint64_t Ticks(FILETIME t) {
  return (static_cast<uint64_t>(t.dwHighDateTime) << 32) | t.dwLowDateTime;
}

// Folders have no size or date: they come before every file. Times past
// the signed range (no real clock gives them) sort as the latest.
int64_t SizeKey(const ResultRow& row) { return row.isFile ? row.size : -1; }
int64_t ModifiedKey(const ResultRow& row) {
  return row.isFile
             ? static_cast<int64_t>(std::min<uint64_t>(Ticks(row.modified), INT64_MAX - 1)) + 1
             : 0;
}

void AppendCsvField(std::string_view field, std::string& out) {
  if (field.find_first_of(",\"\r\n") == std::string_view::npos) {
    out += field;
    return;
  }
  out += '"';
  for (char c : field) {
    if (c == '"') out += '"';
    out += c;
  }
  out += '"';
}

}  // namespace

std::span<const ResultRow> ResultStore::Add(size_t catalogue, const std::vector<SearchRow>& found) {
  size_t textBytes = 0;
  for (const SearchRow& row : found) textBytes += row.path.size();
  auto* rows = reinterpret_cast<ResultRow*>(m_slabs.Take(found.size() * sizeof(ResultRow)));
  auto* free = reinterpret_cast<char*>(m_slabs.Take(textBytes));
  for (size_t i = 0; i < found.size(); ++i) {
    const SearchRow& f = found[i];
    ResultRow& row = *std::construct_at(rows + i);
    row.path = free;
    if (!f.path.empty()) std::memcpy(free, f.path.data(), f.path.size());
    free += f.path.size();
    row.pathLength = static_cast<uint32_t>(f.path.size());
    row.nameLength = static_cast<uint32_t>(std::min(f.name.size(), f.path.size()));
    row.catalogue = static_cast<uint32_t>(catalogue);
    row.image = static_cast<uint8_t>(f.image);
    row.isFile = f.isFile;
    row.attributes = f.attributes;
    row.size = f.size;
    row.nodeIndex = f.nodeIndex;
    row.modified = f.modified;
    row.created = f.created;
    row.accessed = f.accessed;
  }
  return {rows, found.size()};
}

SearchResults::SearchResults() {
  const qreal dpr = qApp ? qApp->devicePixelRatio() : 1.0;
  for (int i = 0; i < kNodeImageCount; ++i) m_images.emplace_back(NodeImage(i, dpr));
}

void SearchResults::Clear() {
  SetCatalogues({});
  m_rows.clear();
  m_rowCount = 0;
  m_store.reset();
  m_bytes = 0;
  m_totals = ResultTotals();
}

void SearchResults::SetCatalogues(std::vector<std::string> catalogues) {
  m_catalogues = std::move(catalogues);
  m_catalogueNames.clear();
  for (const std::string& path : m_catalogues)
    m_catalogueNames.push_back(Text(Utf8Text(Utf8Path(path).filename())));
}

size_t SearchResults::Bytes() const {
  return m_bytes + m_rows.size() * kSegmentRows * sizeof(ResultRow*);
}

void SearchResults::Count(const ResultRow& row, ResultTotals& totals) {
  ++totals.items;
  if (!row.isFile) return;
  ++totals.files;
  totals.bytes += static_cast<uint64_t>(row.size);
}

void SearchResults::Append(const std::shared_ptr<const ResultStore>& store,
                           const std::vector<std::span<const ResultRow>>& rows) {
  m_store = store;
  for (std::span<const ResultRow> part : rows) {
    for (const ResultRow& row : part) {
      if ((m_rowCount & (kSegmentRows - 1)) == 0)
        m_rows.push_back(std::make_unique_for_overwrite<const ResultRow*[]>(kSegmentRows));
      m_rows.back()[m_rowCount & (kSegmentRows - 1)] = &row;
      ++m_rowCount;
      Count(row, m_totals);
      m_bytes += sizeof(ResultRow) + row.pathLength;
    }
  }
}

QString SearchResults::Header(int column) const {
  static const char* const kHeaders[] = {"Name", "In Folder", "Catalogue", "Size", "Modified"};
  return column >= 0 && column < ColumnCount_ ? QString(kHeaders[column]) : QString();
}

bool SearchResults::IsNumeric(int column) const { return column == SizeColumn; }

QVariant SearchResults::Data(size_t index, int column, int role) const {
  const ResultRow& row = Row(index);
  if (role == Qt::DecorationRole)
    return column == NameColumn && row.image < m_images.size() ? m_images[row.image] : QVariant();
  if (role != Qt::DisplayRole && role != Qt::ToolTipRole) return {};
  switch (column) {
    case NameColumn:
      return Text(row.Name());
    case FolderColumn:
      return Text(row.Folder());
    case CatalogueColumn:
      return role == Qt::ToolTipRole ? Text(CatalogueOf(row)) : m_catalogueNames[row.catalogue];
    case SizeColumn: {
      if (!row.isFile) return {};
      std::string text;
      FormatThousands(row.size, text);
      return QString::fromStdString(text);
    }
    case ModifiedColumn:
      return row.isFile ? QString::fromStdString(FormatFileTime(row.modified, "%Y-%m-%d %H:%M"))
                        : QVariant();
    default:
      return {};
  }
}

bool SearchResults::Less(size_t a, size_t b, int column) const {
  const ResultRow& x = Row(a);
  const ResultRow& y = Row(b);
  switch (column) {
    case NameColumn:
      return CompareFolded(x.Name(), y.Name()) < 0;
    case FolderColumn:
      return CompareFolded(x.Folder(), y.Folder()) < 0;
    case CatalogueColumn:
      return x.catalogue != y.catalogue && std::tie(m_catalogueNames[x.catalogue], x.catalogue) <
                                               std::tie(m_catalogueNames[y.catalogue], y.catalogue);
    case SizeColumn:
      return SizeKey(x) < SizeKey(y);
    case ModifiedColumn:
      return ModifiedKey(x) < ModifiedKey(y);
    default:
      return false;
  }
}

bool SearchResults::SortKey(size_t index, int column, int64_t& key) const {
  const ResultRow& row = Row(index);
  if (column == SizeColumn)
    key = SizeKey(row);
  else if (column == ModifiedColumn)
    key = ModifiedKey(row);
  else
    return false;
  return true;
}

std::string ResultsCsv(const SearchResults& results, const std::vector<size_t>& rows) {
  std::string out = "name,folder,catalogue,size,modified,attributes\r\n";
  for (size_t index : rows) {
    const ResultRow& row = results.Row(index);
    AppendCsvField(row.Name(), out);
    out += ',';
    AppendCsvField(row.Folder(), out);
    out += ',';
    AppendCsvField(results.CatalogueOf(row), out);
    out += ',';
    if (row.isFile) out += std::to_string(row.size);
    out += ',';
    if (row.isFile) out += FormatFileTime(row.modified, "%Y-%m-%dT%H:%M:%S");
    out += ',';
    out += AttributeLetters(row.attributes, row.isFile);
    out += "\r\n";
  }
  return out;
}
