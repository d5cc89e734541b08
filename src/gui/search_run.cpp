#include "gui/search_run.h"

#include "platform/user_folders.h"
#include "search/catalogue_search.h"
#include "search/library_file.h"

class SearchRun::Sink final : public SearchSink {
 public:
  explicit Sink(SearchRun& run) : m_run(run) {}

  void Found(size_t catalogue, std::vector<SearchRow>& rows) override {
    // The rows are copied out of the engine's strings here, on this thread
    // and outside the lock; the window's thread only takes their places.
    const std::span<const ResultRow> stored = m_run.m_store->Add(catalogue, rows);
    m_run.Post([&](SearchProgress& p) {
      p.rows.push_back(stored);
      p.indexing.clear();
    });
  }

  void Failed(size_t catalogue, const std::string& message) override {
    const std::string text = m_run.m_catalogues[catalogue] + ": " + message;
    m_run.Post([&](SearchProgress& p) { p.failures.push_back(text); });
  }

  void Indexing(size_t catalogue) override {
    const std::string& path = m_run.m_catalogues[catalogue];
    m_run.Post([&](SearchProgress& p) { p.indexing = path; });
  }

 private:
  SearchRun& m_run;
};

SearchRun::SearchRun(Query query, std::vector<std::string> entries, std::function<void()> notify)
    : m_query(std::move(query)), m_entries(std::move(entries)), m_notify(std::move(notify)) {
  m_thread = std::thread([this] { Run(); });
}

SearchRun::~SearchRun() {
  Cancel();
  m_thread.join();
}

void SearchRun::Run() {
  std::vector<std::string> failures;
  for (const std::string& entry : m_entries) {
    std::string error;
    std::vector<std::string> found = CataloguesUnder(entry, error);
    if (!error.empty()) failures.push_back(entry + ": " + error);
    m_catalogues.insert(m_catalogues.end(), found.begin(), found.end());
  }
  Post([&](SearchProgress& p) {
    p.catalogues = m_catalogues;
    p.failures = std::move(failures);
  });
  if (!m_cancel) {
    Sink sink(*this);
    SearchOptions options;
    options.cacheFolder = UserCacheFolder();
    options.withLabels = false;
    try {
      SearchLibrary(m_query, m_catalogues, sink, &m_cancel, options);
    } catch (const std::exception& failure) {
      // Out of memory, most likely: what was found stays shown.
      const std::string text = failure.what();
      Post([&](SearchProgress& p) { p.failures.push_back(text); });
    }
  }
  m_finished = true;
  // Told even while earlier rows wait to be taken: the last rows then go in
  // at once rather than after the window's pause between takes.
  Post([](SearchProgress& p) { p.finished = true; }, true);
}

void SearchRun::Post(const std::function<void(SearchProgress&)>& change, bool wakeAnyway) {
  bool wake = false;
  {
    std::lock_guard lock(m_mutex);
    change(m_pending);
    wake = !m_waiting || wakeAnyway;
    m_waiting = true;
  }
  if (wake && m_notify) m_notify();
}

SearchProgress SearchRun::Take() {
  std::lock_guard lock(m_mutex);
  m_waiting = false;
  return std::exchange(m_pending, SearchProgress());
}
