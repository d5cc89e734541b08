#include "search/catalogue_search.h"

#include <algorithm>
#include <filesystem>
#include <functional>
#include <memory>
#include <unordered_map>

#include "platform/cp1252.h"
#include "platform/utf8_path.h"
#include "search/catalogue_index.h"
#include "search/catalogue_nodes.h"
#include "search/fast_hash.h"
#include "search/query.h"
#include "search/repeated_keys.h"
#include "tree/display_path.h"
#include "tree/nest_limit.h"

namespace {

constexpr size_t kBatchRows = 1024;

bool Cancelled(const std::atomic<bool>* cancel) {
  return cancel != nullptr && cancel->load(std::memory_order_relaxed);
}

uint64_t NameSizeKey(std::string_view name, int64_t size) {
  return FastHash(name.data(), name.size()) ^ FastHashMix(static_cast<uint64_t>(size));
}

// The values that occur more than once among the files of all catalogues,
// for dupe: (name and size) and sizedupe: (size, files over 0 bytes). A size
// is kept mixed: the mix is one to one and spreads the sizes evenly.
struct Duplicates {
  RepeatedKeys nameSizes;
  RepeatedKeys sizes;

  static uint64_t SizeKey(int64_t size) { return FastHashMix(static_cast<uint64_t>(size)); }
};

// Judges nodes of one catalogue by the query, the same way whether they
// come streamed or read back through an index.
class NodeJudge final : public QueryPathSource {
 public:
  NodeJudge(const Query& query, const std::string& catalogue, const Duplicates& duplicates)
      : m_query(query), m_duplicates(duplicates) {
    m_catalogueName = Utf8Text(Utf8Path(catalogue).filename());
    m_node.catalogueName = m_catalogueName;
    m_node.path = this;
  }

  // ancestors gives the labels above the node, top first. The name is
  // lower-cased when a term compares it or lower is set.
  bool Judge(const StreamedNode& node, int depth,
             const std::function<void(std::vector<std::string_view>&)>& ancestors, bool lower) {
    m_current = &node;
    m_ancestors = &ancestors;
    m_bPathDone = false;
    m_name.clear();
    AppendDisplayText(NodeStoredName(node, depth), m_name);
    m_lowerName.clear();
    if (lower || m_query.UsesName()) NodeNameLowerCase(m_name, m_lowerName);
    m_node.name = m_name;
    m_node.lowerName = m_lowerName;
    m_node.isFile = node.hasData;
    m_node.depth = depth;
    m_node.size = node.hasData ? node.data.m_nFileSize : 0;
    m_node.attributes = node.hasData ? node.data.m_dwAttributes : 0;
    m_node.modified = node.data.m_ftLastWrite;
    m_node.created = node.data.m_ftCreation;
    if (m_query.UsesDupes())
      m_node.dupe =
          node.hasData && m_duplicates.nameSizes.Contains(NameSizeKey(m_name, m_node.size));
    if (m_query.UsesSizeDupes())
      m_node.sizeDupe = node.hasData && m_node.size > 0 &&
                        m_duplicates.sizes.Contains(Duplicates::SizeKey(m_node.size));
    return m_query.Matches(m_node);
  }

  std::string_view LowerName() const { return m_lowerName; }

  std::string_view Path() override {
    if (!m_bPathDone) {
      (*m_ancestors)(m_labels);
      m_path.clear();
      AppendDisplayParentPath(m_labels, m_path);
      m_path += m_name;
      m_bPathDone = true;
    }
    return m_path;
  }

  // The row of the node judged last.
  void Fill(SearchRow& row, uint64_t index, bool withLabel) {
    const StreamedNode& node = *m_current;
    row.nodeIndex = index;
    row.path.assign(Path());
    row.name = m_name;
    row.label.clear();
    if (withLabel) AppendDisplayText(node.label, row.label);
    row.isFile = node.hasData;
    row.depth = m_node.depth;
    row.image = node.image;
    row.size = m_node.size;
    row.attributes = m_node.attributes;
    row.modified = node.hasData ? node.data.m_ftLastWrite : FILETIME{};
    row.created = node.hasData ? node.data.m_ftCreation : FILETIME{};
    row.accessed = node.hasData ? node.data.m_ftLastAccess : FILETIME{};
  }

 private:
  const Query& m_query;
  const Duplicates& m_duplicates;
  std::string m_catalogueName;
  QueryNode m_node;
  const StreamedNode* m_current = nullptr;
  const std::function<void(std::vector<std::string_view>&)>* m_ancestors = nullptr;
  std::vector<std::string_view> m_labels;
  std::string m_name, m_lowerName, m_path;
  bool m_bPathDone = false;
};

// The search of one catalogue: judges nodes, collects rows, hands them on.
class CatalogueSearch {
 public:
  CatalogueSearch(const Query& query, size_t number, const std::string& path,
                  const Duplicates& duplicates, SearchSink& sink, const std::atomic<bool>* cancel,
                  const SearchOptions& options, SearchTotals& totals)
      : m_judge(query, path, duplicates),
        m_query(query),
        m_number(number),
        m_path(path),
        m_sink(sink),
        m_cancel(cancel),
        m_options(options),
        m_totals(totals) {}

  void Run() {
    if (m_options.useIndex && m_query.NameLiterals()) {
      // A damaged index is made again once; then the catalogue is streamed.
      for (int attempt = 0; attempt < 2; ++attempt) {
        std::string error;
        auto index = CatalogueIndex::Open(
            m_path, m_options.cacheFolder, [&] { m_sink.Indexing(m_number); }, error);
        if (!index) {
          if (!error.empty()) return Fail(error);
          break;
        }
        const IndexedEnd end = SearchIndexed(*index);
        if (end == IndexedEnd::done) return Flush();
        index.reset();
        if (end != IndexedEnd::damaged) break;
        std::error_code ignored;
        std::filesystem::remove(Utf8Path(CatalogueIndex::IndexPath(m_path, m_options.cacheFolder)),
                                ignored);
      }
    }
    SearchStreamed();
    Flush();
  }

 private:
  void Take(const StreamedNode& node, uint64_t index) {
    ++m_totals.matches;
    if (node.hasData) m_totals.bytes += static_cast<uint64_t>(node.data.m_nFileSize);
    if (!m_options.withRows) return;
    m_judge.Fill(m_rows.emplace_back(), index, m_options.withLabels);
  }

  void SearchStreamed() {
    const CatalogueWalkEnd end = WalkCatalogue(m_path, [&](const CatalogueNode& visited) {
      if ((visited.index & 0xFF) == 0 && Cancelled(m_cancel)) return false;
      if (visited.index < m_nJudged) return true;  // judged through the index
      if (m_judge.Judge(*visited.node, visited.node->depth, visited.ancestors, false))
        Take(*visited.node, visited.index);
      if (m_rows.size() >= kBatchRows) Flush();
      return true;
    });
    if (end.stopped) m_totals.cancelled = true;
    if (!end.complete) {
      Flush();
      Fail(end.message);
    }
  }

  enum class IndexedEnd { done, damaged, misfit };

  // Rows are handed on as they are found. Should the index fail half-way,
  // the search goes on after the last node judged (through an index made
  // again, or streaming): every candidate up to there was read back and
  // judged as streaming would, and a node that was no candidate holds none
  // of the query's texts.
  IndexedEnd SearchIndexed(CatalogueIndex& index) {
    std::unique_ptr<CatalogueRecordReader> reader;
    try {
      reader = std::make_unique<CatalogueRecordReader>(m_path);
    } catch (const std::exception& failure) {
      Fail(ReadFailureText(failure));
      return IndexedEnd::done;
    }
    // The ancestors of the last candidate, top first, each with its label
    // when a path is asked for. Candidates come in pre-order, so the next
    // one shares most of them: only the ancestors it does not share are
    // looked up, and they lie between the two.
    const bool wantLabels = m_options.withRows || m_query.UsesPath();
    std::vector<uint32_t> chain, above;
    std::vector<std::string> labels;
    const std::function<void(std::vector<std::string_view>&)> ancestors =
        [&](std::vector<std::string_view>& out) { out.assign(labels.begin(), labels.end()); };
    std::string stored;
    IndexedEnd end = IndexedEnd::done;
    size_t seen = 0;
    const auto judge = [&](uint32_t node) {
      if ((++seen & 0xFF) == 0 && Cancelled(m_cancel)) {
        m_totals.cancelled = true;
        return false;
      }
      if (node < m_nJudged) return true;  // judged before the index was made again
      above.clear();
      size_t shared = 0;
      for (uint32_t p = index.Parent(node); p != CatalogueIndex::kNoParent; p = index.Parent(p)) {
        if (p >= node || above.size() > kMaxNestLevels) {
          end = IndexedEnd::misfit;
          return false;
        }
        const auto known = std::lower_bound(chain.begin(), chain.end(), p);
        if (known != chain.end() && *known == p) {
          shared = static_cast<size_t>(known - chain.begin()) + 1;
          break;
        }
        above.push_back(p);
      }
      if (shared + above.size() > kMaxNestLevels) {
        end = IndexedEnd::misfit;
        return false;
      }
      chain.resize(shared);
      chain.insert(chain.end(), above.rbegin(), above.rend());
      if (wantLabels) {
        labels.resize(shared);
        for (size_t k = shared; k < chain.size(); ++k)
          labels.push_back(reader->ReadAt(index.RecordOffset(chain[k])).label);
      }
      const StreamedNode& record = reader->ReadAt(index.RecordOffset(node));
      // The record read back must be the node the index named: its name is
      // lower-cased to compare.
      const bool matches = m_judge.Judge(record, static_cast<int>(chain.size()), ancestors, true);
      stored.assign(m_judge.LowerName());
      std::replace(stored.begin(), stored.end(), '\0', '\1');
      if (stored != index.LowerName(node)) {
        end = IndexedEnd::misfit;
        return false;
      }
      if (matches) Take(record, node);
      m_nJudged = uint64_t{node} + 1;
      if (m_rows.size() >= kBatchRows) Flush();
      return true;
    };
    try {
      index.ForEachCandidate(*m_query.NameLiterals(), judge);
    } catch (const CatalogueIndex::Damaged&) {
      return IndexedEnd::damaged;
    } catch (const std::exception&) {
      return IndexedEnd::misfit;  // a record the index points at is not there
    }
    return end;
  }

  void Flush() {
    if (!m_rows.empty()) m_sink.Found(m_number, m_rows);
    m_rows.clear();
  }

  void Fail(const std::string& message) {
    ++m_totals.failed;
    m_sink.Failed(m_number, message);
  }

  NodeJudge m_judge;
  const Query& m_query;
  size_t m_number;
  const std::string& m_path;
  SearchSink& m_sink;
  const std::atomic<bool>* m_cancel;
  const SearchOptions& m_options;
  SearchTotals& m_totals;
  std::vector<SearchRow> m_rows;
  uint64_t m_nJudged = 0;  // the nodes before this one are judged
};

// The first pass of dupe: and sizedupe:, over every catalogue.
bool CollectDuplicates(const Query& query, std::span<const std::string> catalogues,
                       const std::atomic<bool>* cancel, Duplicates& duplicates) {
  // Room for the keys, from the catalogues' sizes: no record is under 40 bytes.
  uint64_t bytes = 0;
  for (const std::string& catalogue : catalogues) {
    std::error_code error;
    bytes += std::filesystem::file_size(Utf8Path(catalogue), error);
    if (error) bytes = 0;
  }
  if (query.UsesDupes()) duplicates.nameSizes.Expect(bytes / 40);
  if (query.UsesSizeDupes()) duplicates.sizes.Expect(bytes / 40);
  std::string name;
  for (const std::string& catalogue : catalogues) {
    const CatalogueWalkEnd end = WalkCatalogue(catalogue, [&](const CatalogueNode& visited) {
      if ((visited.index & 0xFF) == 0 && Cancelled(cancel)) return false;
      const StreamedNode& node = *visited.node;
      if (!node.hasData) return true;
      const int64_t size = node.data.m_nFileSize;
      if (query.UsesDupes()) {
        name.clear();
        AppendDisplayText(NodeStoredName(node, node.depth), name);
        duplicates.nameSizes.Add(NameSizeKey(name, size));
      }
      if (query.UsesSizeDupes() && size > 0) duplicates.sizes.Add(Duplicates::SizeKey(size));
      return true;
    });
    if (end.stopped) return false;
  }
  duplicates.nameSizes.Finish();
  duplicates.sizes.Finish();
  return true;
}

}  // namespace

SearchTotals SearchLibrary(const Query& query, std::span<const std::string> catalogues,
                           SearchSink& sink, const std::atomic<bool>* cancel,
                           const SearchOptions& options) {
  SearchTotals totals;
  Duplicates duplicates;
  if ((query.UsesDupes() || query.UsesSizeDupes()) &&
      !CollectDuplicates(query, catalogues, cancel, duplicates)) {
    totals.cancelled = true;
    return totals;
  }
  for (size_t i = 0; i < catalogues.size() && !totals.cancelled; ++i) {
    if (Cancelled(cancel)) {
      totals.cancelled = true;
      break;
    }
    CatalogueSearch(query, i, catalogues[i], duplicates, sink, cancel, options, totals).Run();
  }
  return totals;
}
