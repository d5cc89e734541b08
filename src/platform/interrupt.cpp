#include "platform/interrupt.h"

#include <unistd.h>

#include <csignal>
#include <initializer_list>

namespace {

const char* (*g_pendingFile)() = nullptr;

extern "C" void OnInterrupt(int signal) {
  if (const char* file = g_pendingFile()) ::unlink(file);
  ::_exit(128 + signal);
}

}  // namespace

void EndCleanlyOnInterrupt(const char* (*pendingFile)()) {
  g_pendingFile = pendingFile;
  struct sigaction action {};
  action.sa_handler = OnInterrupt;
  sigemptyset(&action.sa_mask);
  for (int signal : {SIGINT, SIGTERM, SIGHUP}) ::sigaction(signal, &action, nullptr);
}
