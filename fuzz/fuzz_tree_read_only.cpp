// libFuzzer target for reading tree files alone: the input is opened the way
// File Open does and checked as fuzz_tree_reader checks a read, but nothing
// is saved, so a short run covers many more inputs than the save-and-reload
// target does.
#include "tree_fuzzing.h"

using namespace tree_fuzzing;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const Scratch scratch("fuzz_tree_read_only");
  RecordedFrame read;
  ReadAndCheck(read.frame, read.host, scratch.WriteInput("input.ztr", data, size));
  CheckClearing(read.frame);
  return 0;
}
