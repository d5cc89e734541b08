// Exchange with ncdu and gdu: ztr-tool export-ncdu and import-ncdu against
// the real peers, and what bad input leaves behind.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <random>

#include "cli/tool_catalogue.h"
#include "cli/tool_runner.h"
#include "cli/tree_file_bytes.h"

namespace cli_test {
namespace {

namespace fs = std::filesystem;

std::string ReadText(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// A folder with a subfolder, sizes, a name that is not UTF-8 and holds a
// control character, a hidden file and a dot-folder a scan leaves out, a
// link, a sparse file, a read-only file and a pipe.
class NcduExchange : public ::testing::Test {
 protected:
  void SetUp() override {
    root = temp / "root";
    fs::create_directories(root + "/sub/deep");
    fs::create_directories(root + "/.cache");
    std::ofstream(root + "/a.txt") << "hello";
    std::ofstream(root + "/.profile") << "x";
    std::ofstream(root + "/sub/b.bin") << "12345678";
    std::ofstream(root + "/sub/we\xE9ird\x01") << "";
    std::ofstream(root + "/.cache/in") << "dropped";
    fs::create_symlink("a.txt", root + "/link");
    std::ofstream(root + "/sparse").close();
    fs::resize_file(root + "/sparse", 1 << 20);
    std::ofstream(root + "/ro") << "ro";
    fs::permissions(root + "/ro", fs::perms::all, fs::perm_options::remove);
    fs::permissions(root + "/ro", fs::perms::owner_read, fs::perm_options::add);
    ASSERT_EQ(::mkfifo((root + "/pipe").c_str(), 0644), 0);
    scanned = temp / "scan.ztr";
    ASSERT_EQ(RunTool({"scan", "-o", scanned, root}).status, 0);
  }
  std::string List(const std::string& file) {
    const ToolResult r = RunTool({"list", file});
    EXPECT_EQ(r.status, 0) << r.err;
    return r.out;
  }
  // What the exchange carries of each node: all list --json shows but the
  // creation and access times, and the last-write time to the second.
  std::vector<std::string> Exchanged(const std::string& file) {
    const ToolResult r = RunTool({"list", "--json", file});
    EXPECT_EQ(r.status, 0) << r.err;
    std::vector<std::string> nodes = Lines(r.out);
    for (std::string& node : nodes) {
      const size_t times = node.find(",\"creation\":");
      if (times == std::string::npos) continue;
      const uint64_t lastWrite = std::stoull(node.substr(node.rfind(':') + 1));
      node.replace(times, std::string::npos, ",\"second\":" + std::to_string(lastWrite / 10000000));
    }
    return nodes;
  }

  ScratchFolder temp;
  std::string root, scanned;
};

TEST_F(NcduExchange, ExportIsReadByNcduAndGduAndComesBackUnchanged) {
  const std::string json = temp / "out.json", again = temp / "again.json";
  ASSERT_EQ(RunTool({"export-ncdu", scanned, "-o", json}).status, 0);
  const ToolResult ncdu = RunProgram("ncdu", {"-0", "-e", "-f", json, "-o", again});
  ASSERT_EQ(ncdu.status, 0) << ncdu.err;
  const ToolResult gdu = RunProgram("gdu", {"-n", "-f", json});
  EXPECT_EQ(gdu.status, 0) << gdu.err;
  EXPECT_NE(gdu.out.find("/sub"), std::string::npos) << gdu.out;

  // The attributes the round trips must keep, as the scan set them.
  const std::vector<std::string> scan = Exchanged(scanned);
  const struct {
    const char* name;
    int attributes;
  } files[] = {{"link", 0x400}, {"sparse", 0x220}, {".profile", 0x22},
               {"ro", 0x21},    {"pipe", 0x4},     {"a.txt", 0x20}};
  for (const auto& f : files) {
    const std::string label = std::string("\"label\":\"") + f.name + "   ";
    const std::string attributes = "\"attributes\":" + std::to_string(f.attributes) + ",";
    EXPECT_EQ(std::count_if(scan.begin(), scan.end(),
                            [&](const std::string& node) {
                              return node.find(label) != std::string::npos &&
                                     node.find(attributes) != std::string::npos;
                            }),
              1)
        << f.name;
  }
  // ZTR -> ZTR, ZTR -> ncdu -> ZTR, and ncdu's own scan: each node's name,
  // size, last-write second and attributes as scanned.
  const std::string direct = temp / "direct.ztr", back = temp / "back.ztr";
  const std::string ncduScan = temp / "ncdu-scan.json", fromScan = temp / "ncdu-scan.ztr";
  ASSERT_EQ(RunProgram("ncdu", {"-0", "-e", "-o", ncduScan, root}).status, 0);
  for (const auto& [in, out] : {std::pair{json, direct}, {again, back}, {ncduScan, fromScan}}) {
    SCOPED_TRACE(in);
    ASSERT_EQ(RunTool({"import-ncdu", in, "-o", out}).status, 0);
    EXPECT_EQ(Exchanged(out), scan);
    // The scan keeps times finer than a second: compared at whole seconds.
    const ToolResult diff = RunTool({"diff", scanned, out});
    EXPECT_EQ(diff.status, 0) << diff.out;
  }
}

TEST_F(NcduExchange, NcduScanImportedIsTheCatalogueTheScanGives) {
  const std::string imported = temp / "imported.ztr";
  // As on a NAS: ncdu's export piped straight in.
  const ToolResult r =
      RunProgram("sh", {"-c", "ncdu -0 -e -o- \"$0\" | \"$1\" import-ncdu - -o \"$2\"", root,
                        ZTR_TOOL_PATH, imported});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(List(imported), List(scanned));
  // gdu's export, without sizes of empty files, reads as well.
  const std::string gdu = temp / "gdu.json", fromGdu = temp / "gdu.ztr";
  ASSERT_EQ(RunProgram("gdu", {"-n", "-o", gdu, root}).status, 0);
  ASSERT_EQ(RunTool({"import-ncdu", gdu, "-o", fromGdu}).status, 0);
  EXPECT_NE(List(fromGdu).find("  .profile   1 bytes, "), std::string::npos);
}

// Far more than one read of the export; without times the labels end after
// the comma, as for a time the label cannot show.
TEST_F(NcduExchange, LargeExportWithoutTimesImportsEveryEntry) {
  constexpr int kFiles = 5000;
  std::string json = "[1,2,{},[{\"name\":\"/big\"}";
  for (int i = 0; i < kFiles; ++i)
    json += ",\n{\"name\":\"file-" + std::to_string(i) + "\",\"asize\":" + std::to_string(i) + "}";
  json += "]]";
  const std::string in = temp / "big.json", out = temp / "big.ztr";
  std::ofstream(in) << json;
  ASSERT_EQ(RunTool({"import-ncdu", in, "-o", out}).status, 0);
  const std::vector<std::string> lines = Lines(List(out));
  ASSERT_EQ(lines.size(), kFiles + 1u);
  for (int i = 0; i < kFiles; ++i)
    ASSERT_EQ(lines[i + 1], "  file-" + std::to_string(i) + "   " + std::to_string(i) + " bytes, ");
}

// An export with every shape the import meets, down to the deepest level a
// catalogue holds: files before, between and after subfolders, dot-folders,
// excluded and unreadable folders, modes, sparse sizes, names with brackets.
std::string RandomExport(unsigned seed, int entries) {
  std::mt19937 random(seed);
  std::string json = "[1,2,{},[{\"name\":\"/gen\"}", depth = "]";
  for (int n = 0; n < entries; ++n) {
    const unsigned pick = random() % 100, value = random();
    const std::string name = std::string(n % 13 ? ",{\"name\":\"" : ",{\"name\":\".") +
                             (n % 7 ? "e" : "x] [y") + std::to_string(n) + "\"";
    if (pick < 12 && depth.size() < 198)
      json +=
          ",[{\"name\":\"d" + std::to_string(n) + (value % 9 ? "\"}" : "\",\"read_error\":true}"),
          depth += ']';
    else if (pick < 22 && depth.size() > 1)
      json += "]", depth.pop_back();
    else if (pick < 24)
      json += ",[{\"name\":\".left-out\"}" + name + "},[{\"name\":\"x\"}]]";
    else
      json += name + (pick < 27 ? ",\"excluded\":\"otherfs\"" : "") +
              ",\"asize\":" + std::to_string(value % 100000) +
              ",\"dsize\":" + std::to_string(value % 7 * 4096) +
              (value % 5 ? ",\"mtime\":" + std::to_string(value) : "") +
              (value % 4 ? "}" : ",\"mode\":" + std::to_string(0100444 + value % 2 * 020000) + "}");
  }
  return json + depth + "]";
}

// The import writes its records while it reads, each folder once its first
// entry shows whether it has any: the file must be the very one a whole tree
// built from the export and saved gives.
TEST_F(NcduExchange, StreamedImportIsTheSavedTreeByteForByte) {
  std::vector<std::string> exports;
  for (const auto& entry : fs::directory_iterator(ZTR_NCDU_FIXTURES))
    exports.push_back(entry.path());
  for (const auto& [seed, entries] : {std::pair{1u, 300000}, {2u, 500}, {3u, 500}}) {
    exports.push_back(temp / ("random-" + std::to_string(seed) + ".json"));
    std::ofstream(exports.back()) << RandomExport(seed, entries);
  }
  const std::string streamed = temp / "streamed.ztr", saved = temp / "saved.ztr";
  for (const std::string& in : exports) {
    SCOPED_TRACE(in);
    ASSERT_EQ(RunTool({"import-ncdu", in, "-o", streamed}).status, 0);
    ToolCatalogue whole;
    ASSERT_TRUE(whole.Load(in));
    ASSERT_FALSE(SaveTreeFile(saved, whole.Tree(), nullptr));
    EXPECT_TRUE(ReadWholeFile(streamed) == ReadWholeFile(saved));
  }
}

// Interrupted while the export comes in, the tool leaves the old file and no
// temporary one.
TEST_F(NcduExchange, InterruptedImportLeavesTheOldFile) {
  const std::string in = temp / "slow.json", out = temp / "out.ztr";
  ASSERT_EQ(::mkfifo(in.c_str(), 0600), 0);
  for (const auto& [signal, status] : {std::pair{SIGINT, 130}, {SIGTERM, 143}}) {
    SCOPED_TRACE(signal);
    std::ofstream(out) << "old contents";
    const pid_t tool = StartTool({"import-ncdu", in, "-o", out});
    // Held open, so the export never ends; written whole once the tool reads.
    const int writer = ::open(in.c_str(), O_WRONLY);
    const std::string part = RandomExport(4, 20000).substr(0, 200000);
    EXPECT_EQ(::write(writer, part.data(), part.size()), static_cast<ssize_t>(part.size()));
    ::kill(tool, signal);
    EXPECT_EQ(WaitForChild(tool), status);
    ::close(writer);
    EXPECT_EQ(ReadText(out), "old contents");
    for (const auto& entry : fs::directory_iterator(temp.Path()))
      EXPECT_NE(entry.path().extension(), ".tmp");
  }
}

TEST_F(NcduExchange, BadInputIsNamedAndLeavesTheOutputAlone) {
  std::string deep = "[1,2,{},";
  for (int i = 0; i < 200; ++i) deep += std::string(i ? "," : "") + "[{\"name\":\"d\"}";
  deep += std::string(201, ']');
  const std::string whole = "[1,2,{\"progname\":\"ncdu\"},[{\"name\":\"/x\"},{\"name\":\"f\"}]]";
  const struct {
    std::string input, message;
  } cases[] = {
      {"hello", "line 1: not an ncdu export"},
      {whole.substr(0, whole.size() - 4), "line 1: the file ends too early"},
      {"[2,0,{},[{\"name\":\"/x\"}]]", "format version 2 is not supported"},
      {"[1,2,{},[{\"name\":\"/x\"},\n{\"name\":5}]]", "line 2: \"name\" is not a string"},
      {deep, "nested deeper than the 199 levels"},
      {whole + std::string("\0garbage", 8), "line 1: more text follows the export"},
      {"[1,2,{},\n[{\"name\":\"/x\"}" + std::string("\0]]", 3),
       "line 2: expected ',' or ']', found byte 0x00"},
  };
  const std::string in = temp / "in.json", out = temp / "out.ztr";
  for (const auto& c : cases) {
    SCOPED_TRACE(c.message);
    std::ofstream(in, std::ios::binary) << c.input;
    std::ofstream(out) << "keep";
    const ToolResult r = RunTool({"import-ncdu", in, "-o", out});
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.err.find("ztr-tool import-ncdu: " + in + ": "), 0u) << r.err;
    EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
    EXPECT_EQ(ReadText(out), "keep");
  }
  // A file that cannot be written is named by the command, as every message is.
  std::ofstream(in) << whole;
  for (const auto& args : {std::vector<std::string>{"import-ncdu", in, "-o", "/nonexistent/x"},
                           {"export-ncdu", scanned, "-o", "/nonexistent/x"}}) {
    const ToolResult r = RunTool(args);
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.err, "ztr-tool " + args[0] + ": /nonexistent/x was not found.\n");
  }
  // A tree file that cannot be read whole is not exported.
  const std::string bad = temp / "bad.ztr", json = temp / "bad.json";
  TreeFileBytes().Record("/x", 1).Record("y", 200).WriteTo(bad);
  std::ofstream(json) << "keep";
  const ToolResult r = RunTool({"export-ncdu", bad, "-o", json});
  EXPECT_EQ(r.status, 2);
  EXPECT_EQ(r.err, "File Open: Maximum directory nest level exceeded!\n");
  EXPECT_EQ(ReadText(json), "keep");
}

// Valid JSON that ncdu never writes still reads; a folder ncdu could not
// read on both sides is compared by what it holds.
TEST_F(NcduExchange, UnusualJsonReadsAndUnreadableFoldersCompareInside) {
  const std::string before = temp / "before.json", after = temp / "after.json";
  std::ofstream(before) << R"([1,2,{},[{"name":"/x"},[{"name":"u","read_error":true},)"
                           R"({"name":"a","asize":1}]]])";
  std::ofstream(after) << "\xEF\xBB\xBF"
                          R"([1.0,2e0,{},[{"name":"/x"},[{"name":"u","read_error":true},)"
                          R"({"name":"b\ud800\\","asize":1.5e3}]]])";
  const std::string old = temp / "before.ztr", now = temp / "after.ztr";
  ASSERT_EQ(RunTool({"import-ncdu", before, "-o", old}).status, 0);
  const ToolResult r = RunTool({"import-ncdu", after, "-o", now});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(List(now), "/x\n  u [Could not be read]\n    b\xEF\xBF\xBD\\   1500 bytes, \n");
  const ToolResult diff = RunTool({"diff", old, now});
  EXPECT_EQ(diff.status, 1);
  EXPECT_EQ(diff.out, "- /x/u/a\n+ /x/u/b\xEF\xBF\xBD\\\n");
}

TEST_F(NcduExchange, SeveralTopLevelFoldersShareOneRootNamedAfterTheFile) {
  const std::string two = temp / "two.ztr", json = temp / "two.json";
  ASSERT_EQ(RunTool({"scan", "-o", two, root + "/sub", root + "/sub/deep"}).status, 0);
  ASSERT_EQ(RunTool({"export-ncdu", two, "-o", json}).status, 0);
  const std::string back = temp / "back.ztr";
  ASSERT_EQ(RunProgram("ncdu", {"-0", "-f", json, "-o", temp / "again.json"}).status, 0);
  ASSERT_EQ(RunTool({"import-ncdu", temp / "again.json", "-o", back}).status, 0);
  const std::vector<std::string> lines = Lines(List(back));
  ASSERT_GE(lines.size(), 3u);
  EXPECT_EQ(lines[0], two);
  EXPECT_EQ(lines[1], "  " + root + "/sub");
}

}  // namespace
}  // namespace cli_test
