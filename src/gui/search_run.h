// One search of the library on a thread of its own. What it finds piles up
// until the window takes it; notify is called (on the search's thread) when
// something arrives while nothing was waiting, and always when the search
// ends. A search is stopped by Cancel, or by destroying it, which waits the
// few milliseconds the search takes to notice.
#pragma once

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "gui/search_results.h"
#include "search/query.h"

struct SearchProgress {
  // The catalogue files of the library, once they are known (before any row).
  std::vector<std::string> catalogues;
  std::vector<std::span<const ResultRow>> rows;  // in the run's Store()
  // "catalogue: why" for each catalogue or library entry that could not be
  // read to its end, since the last take.
  std::vector<std::string> failures;
  std::string indexing;  // the catalogue whose index is being made, if any
  bool finished = false;
};

class SearchRun {
 public:
  // entries: the library's catalogue files and folders of catalogues.
  SearchRun(Query query, std::vector<std::string> entries, std::function<void()> notify);
  ~SearchRun();
  SearchRun(const SearchRun&) = delete;
  SearchRun& operator=(const SearchRun&) = delete;

  void Cancel() { m_cancel = true; }
  bool Finished() const { return m_finished; }
  // Where the rows handed over are; it lives as long as someone holds it.
  const std::shared_ptr<ResultStore>& Store() const { return m_store; }
  // What arrived since the last take.
  SearchProgress Take();

 private:
  class Sink;
  void Run();
  void Post(const std::function<void(SearchProgress&)>& change, bool wakeAnyway = false);

  Query m_query;
  std::vector<std::string> m_entries;
  std::vector<std::string> m_catalogues;  // the entries' catalogue files (the search's thread)
  std::function<void()> m_notify;
  std::shared_ptr<ResultStore> m_store = std::make_shared<ResultStore>();
  std::atomic<bool> m_cancel{false};
  std::atomic<bool> m_finished{false};
  std::mutex m_mutex;
  SearchProgress m_pending;  // guarded by m_mutex
  bool m_waiting = false;    // something is pending and notify was called
  std::thread m_thread;
};
