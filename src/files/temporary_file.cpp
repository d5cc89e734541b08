#include "files/temporary_file.h"

#include <csignal>
#include <cstring>
#include <random>

#include "files/atomic_file_writer.h"

namespace {

// The name is complete before the flag says so, and a handler reads only
// what it says. Longer names are not recorded (and not removed).
char g_pendingTemp[4096];
volatile std::sig_atomic_t g_hasPendingTemp = 0;

}  // namespace

std::string RandomSuffix() {
  static constexpr char kChars[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
  std::random_device random;
  std::uniform_int_distribution<size_t> pick(0, sizeof kChars - 2);
  std::string suffix(6, ' ');
  for (char& c : suffix) c = kChars[pick(random)];
  return suffix;
}

void SetPendingTemporaryFile(const std::string& path) {
  g_hasPendingTemp = 0;
  if (path.size() >= sizeof g_pendingTemp) return;
  std::memcpy(g_pendingTemp, path.c_str(), path.size() + 1);
  g_hasPendingTemp = 1;
}

void ClearPendingTemporaryFile() { g_hasPendingTemp = 0; }

const char* PendingTemporaryFile() { return g_hasPendingTemp ? g_pendingTemp : nullptr; }
