// libFuzzer target for the ncdu import. The input is opened as an export the
// way File Open opens a .json file, so the bytes go through the real file
// layer, JSON reader and import. Whatever it made of them (all of a valid
// export, or what was read before the one message naming the problem) must
// then save as File Save writes it and read back through the window's reader
// as the same nodes, with no message. Any difference aborts with a message.
#include "tree_fuzzing.h"

using namespace tree_fuzzing;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const Scratch scratch("fuzz_ncdu_import");
  const std::string input = scratch.WriteInput("input.json", data, size);
  RecordedFrame import;
  MustSucceed("importing the input failed", [&] { import.frame.LoadTree(input); });
  const std::vector<ShownMessage>& messages = import.host.messages;
  Check(messages.size() <= 1, "more than one message for one export");
  for (const ShownMessage& m : messages)
    Check(m.caption == "File Open" && m.text.starts_with(input + ": line "),
          "a message that does not name the export and the line");
  const std::vector<Node> nodes = PreOrder(import.frame.Tree());
  Check(nodes.size() == import.frame.Tree().GetCount(), "the walk and the tree count differ");

  const std::string saved = scratch.Path("saved.ztr");
  MustSucceed("saving the import failed", [&] { import.frame.SaveTree(saved, nullptr); });
  RecordedFrame again;
  const std::vector<Node> reread = ReadAndCheck(again.frame, again.host, saved);
  Check(again.host.messages.empty(), "a message reading the saved import");
  Check(reread.size() == nodes.size(), "the saved import read back with another node count");
  for (size_t i = 0; i < nodes.size(); ++i) {
    Check(reread[i].depth == nodes[i].depth, "a node moved to another depth");
    Check(reread[i].data == nodes[i].data, "a data record changed");
  }
  CheckClearing(again.frame);
  CheckClearing(import.frame);
  return 0;
}
