// ztr-tool scan of a whole disk (default /) beside ncdu's and find's walks
// of it: time, peak memory and how many entries each sees.
//
// Usage: root_scan_bench [folder]
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "bench_support.h"

namespace {

struct Run {
  double seconds = 0;
  long peakKb = 0;
  int status = -1;
};

// Runs a program with its output thrown away; its time and peak memory,
// from the kernel's accounting of a spawned child.
Run Measure(const std::vector<std::string>& args) {
  const bench::Run measured = bench::RunProgram(args);
  return Run{measured.seconds, measured.peakKiB, measured.status};
}

// The number of lines a shell command prints.
long CountLines(const std::string& command) {
  FILE* pipe = popen(command.c_str(), "r");
  if (!pipe) return -1;
  long lines = 0;
  for (int c; (c = std::fgetc(pipe)) != EOF;) lines += c == '\n';
  pclose(pipe);
  return lines;
}

void Print(const char* who, const Run& run, long entries) {
  std::printf("%-46s %7.2f s  peak %7ld KB  %8ld entries  (exit %d)\n", who, run.seconds,
              run.peakKb, entries, run.status);
}

}  // namespace

int main(int argc, char** argv) {
  const std::string folder = argc > 1 ? argv[1] : "/";
  const std::string out = "/tmp/root_scan_bench.ztr";
  // Once untimed, so that every walk finds the same caches.
  Measure({"find", folder, "-xdev"});

  const Run ours = Measure({ZTR_TOOL_PATH, "scan", "-o", out, folder});
  const long nodes = CountLines(std::string(ZTR_TOOL_PATH) + " list --json " + out);
  unlink(out.c_str());
  const Run ncdu = Measure({"ncdu", "-0", "-o", "/dev/null", "--exclude-kernfs", folder});
  const long ncduCount = CountLines("ncdu -0 -o - --exclude-kernfs '" + folder +
                                    "' 2>/dev/null | grep -o '\"name\":'");
  const Run find = Measure({"find", folder, "-xdev"});
  const long findCount = CountLines("find '" + folder + "' -xdev");
  // What the catalogue holds: every file system but the kernel's, without
  // the folders whose names start with a dot.
  const long alike = CountLines(
      "find '" + folder +
      "' \\( -fstype proc -o -fstype sysfs -o -fstype cgroup -o -fstype "
      "cgroup2 -o -fstype devpts \\) -prune -o -mindepth 1 -type d -name '.*' -prune -o -print");

  std::printf("walk of %s\n", folder.c_str());
  Print("ztr-tool scan -o FILE (nodes; saves the file)", ours, nodes);
  Print("ncdu -0 -o /dev/null --exclude-kernfs", ncdu, ncduCount);
  Print("find -xdev", find, findCount);
  std::printf("%-46s %30s %8ld entries\n", "find, kernel file systems and dot folders out", "",
              alike);
  return 0;
}
