// Limits that make the system refuse what a test wants refused: memory that
// cannot be had, a write that finds the disk full.
#pragma once

#include <sys/resource.h>
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <functional>

#include "support/child_process.h"

// Sanitizers reserve address space far beyond any small limit, so tests
// that limit it skip under them.
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
constexpr bool kSanitized = true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(memory_sanitizer) || \
    __has_feature(thread_sanitizer)
constexpr bool kSanitized = true;
#else
constexpr bool kSanitized = false;
#endif
#else
constexpr bool kSanitized = false;
#endif
constexpr char kSanitizedSkip[] = "sanitizers reserve address space beyond any small limit";

// The address space the process has now, in bytes; 0 when unknown.
inline rlim_t AddressSpaceInUse() {
  long pages = 0;
  if (FILE* statm = std::fopen("/proc/self/statm", "r")) {
    if (std::fscanf(statm, "%ld", &pages) != 1) pages = 0;
    std::fclose(statm);
  }
  return static_cast<rlim_t>(pages) * static_cast<rlim_t>(::sysconf(_SC_PAGESIZE));
}

// While it lives, the process may map only `headroom` bytes more than it
// has now, so that a large allocation really fails.
class AddressSpaceLimit {
 public:
  explicit AddressSpaceLimit(rlim_t headroom) {
    const rlim_t inUse = AddressSpaceInUse();
    if (inUse == 0 || ::getrlimit(RLIMIT_AS, &m_old) != 0) return;
    rlimit tight = m_old;
    tight.rlim_cur = inUse + headroom;
    m_set = ::setrlimit(RLIMIT_AS, &tight) == 0;
  }
  ~AddressSpaceLimit() {
    if (m_set) ::setrlimit(RLIMIT_AS, &m_old);
  }
  AddressSpaceLimit(const AddressSpaceLimit&) = delete;
  AddressSpaceLimit& operator=(const AddressSpaceLimit&) = delete;

  bool IsSet() const { return m_set; }

 private:
  rlimit m_old{};
  bool m_set = false;
};

// Runs body in a child that may map only `headroom` bytes more than it has;
// 11 when the limit could not be set.
inline int RunWithLittleMemory(rlim_t headroom, const std::function<int()>& body) {
  return RunInChild(false, [&] {
    const AddressSpaceLimit limit(headroom);
    return limit.IsSet() ? body() : 11;
  });
}

// Runs body in a child whose files cannot grow past `bytes`: the system
// takes the first part of a write and refuses the rest, as a full disk
// does. 100 when the limit could not be set.
inline int RunWithFileSizeLimit(rlim_t bytes, const std::function<int()>& body) {
  return RunInChild(false, [&] {
    ::signal(SIGXFSZ, SIG_IGN);
    const rlimit limit{bytes, bytes};
    return ::setrlimit(RLIMIT_FSIZE, &limit) == 0 ? body() : 100;
  });
}
