// ztr-tool search and library over catalogues with known nodes, through the
// real binary, with and without the cached indexes.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <regex>

#include "cli/tool_runner.h"
#include "cli/tree_file_bytes.h"

namespace cli_test {
namespace {

// A FILETIME for a UTC moment (the tool runs with TZ=UTC).
uint64_t At(int year, int month, int day, int hour = 12, int minute = 0) {
  std::tm t{};
  t.tm_year = year - 1900, t.tm_mon = month - 1, t.tm_mday = day, t.tm_hour = hour,
  t.tm_min = minute;
  return (static_cast<uint64_t>(timegm(&t)) + 11644473600ULL) * 10000000ULL;
}

// A file node as a scan labels it.
void File(TreeFileBytes& bytes, const std::string& name, int level, int64_t size, uint64_t written,
          uint32_t attributes = 0x20) {
  const RawData data{attributes, size, written, written, written};
  bytes.Record(name + "   " + std::to_string(size) + " bytes, 01/01/2019-00:00", level, 5, 5, 0, 1,
               &data);
}

class SearchCommand : public ::testing::Test {
 protected:
  void SetUp() override {
    ::setenv("XDG_CONFIG_HOME", (temp / "config").c_str(), 1);
    ::setenv("XDG_CACHE_HOME", (temp / "cache").c_str(), 1);
    TreeFileBytes one;
    one.Record("/data", 1).Record("Photos", 2);
    File(one, "IMG_20190615_1200.JPG", 3, 3 << 20, At(2019, 6, 15));
    File(one, "IMG_20191231_2359.jpg", 3, 1 << 20, At(2019, 12, 31, 23, 59));
    File(one, "IMG_20200101_0000.jpg", 3, (2 << 20) + 1, At(2020, 1, 1, 0, 0));
    one.Record("Docs", 2);
    File(one, "annual report 2019.pdf", 3, 4096, At(2019, 6, 30, 23, 59), 0x23);
    File(one, "report.doc", 3, 100, At(2019, 7, 1, 0, 0));
    one.Record("Caf\xe9", 3);  // Windows-1252 labels
    File(one, "r\xe9sum\xe9.txt", 4, 4096, At(2021, 3, 1));
    one.Record("private [Permission denied]", 2, 1, 2, 0, 4);
    File(one, "libz.so", 2, 0, At(2022, 1, 1), 0x420);
    one.WriteTo(temp / "one.ztr");
    TreeFileBytes two;
    two.Record("C:\\Backup", 1);
    File(two, "IMG_20190615_1200.JPG", 2, 3 << 20, At(2018, 1, 1));
    File(two, "other.bin", 2, 4096, At(2018, 1, 1));
    two.WriteTo(temp / "two.ztr");
  }
  void TearDown() override {
    ::unsetenv("XDG_CONFIG_HOME");
    ::unsetenv("XDG_CACHE_HOME");
  }

  ToolResult Search(std::vector<std::string> args) {
    args.insert(args.begin(), "search");
    return RunTool(args, InFolder(temp.Path()));
  }

  // "catalogue/name" of each match, from the JSON lines.
  static std::vector<std::string> Names(const std::string& json) {
    static const std::regex row(R"x(\{"catalogue":"(\w+)\.ztr","path":".*?","name":"(.*?)")x");
    std::vector<std::string> names;
    for (std::sregex_iterator it(json.begin(), json.end(), row), end; it != end; ++it)
      names.push_back((*it)[1].str() + "/" + (*it)[2].str());
    return names;
  }

  ScratchFolder temp;
};

TEST_F(SearchCommand, QueryLanguageFindsWhatEachTermSays) {
  const struct {
    std::string query;
    std::vector<std::string> names;
  } cases[] = {
      {"report", {"one/annual report 2019.pdf", "one/report.doc"}},
      {"REPORT pdf|doc", {"one/annual report 2019.pdf", "one/report.doc"}},
      {"\"annual report\" ext:pdf", {"one/annual report 2019.pdf"}},
      {"annual report", {"one/annual report 2019.pdf"}},
      {"report !annual", {"one/report.doc"}},
      {"<annual|libz> !pdf", {"one/libz.so"}},
      {"case:img_", {}},
      {"case:IMG_2019*.jpg", {"one/IMG_20191231_2359.jpg"}},
      {"IMG_2019*.jpg size:>2mb", {"one/IMG_20190615_1200.JPG", "two/IMG_20190615_1200.JPG"}},
      {"img_20??0101_*", {"one/IMG_20200101_0000.jpg"}},
      {"*.JP?",
       {"one/IMG_20190615_1200.JPG", "one/IMG_20191231_2359.jpg", "one/IMG_20200101_0000.jpg",
        "two/IMG_20190615_1200.JPG"}},
      // Labels from Windows are matched as shown: Windows-1252.
      {"RÉSUMÉ", {"one/résumé.txt"}},
      {"r?sum?.txt", {"one/résumé.txt"}},
      {"café folder:", {"one/Café"}},
      {"path:café/r", {"one/résumé.txt"}},
      {"path:c:/backup/other", {"two/other.bin"}},
      {"path:*data/*.doc", {"one/report.doc"}},
      {"cat:two file:", {"two/IMG_20190615_1200.JPG", "two/other.bin"}},
      {"ext:so;doc", {"one/report.doc", "one/libz.so"}},
      {"size:3mb", {"one/IMG_20190615_1200.JPG", "two/IMG_20190615_1200.JPG"}},
      {"size:1mb..2mb", {"one/IMG_20191231_2359.jpg"}},
      {"size:1.5kb..4kb !cat:two", {"one/annual report 2019.pdf", "one/résumé.txt"}},
      {"size:<=100", {"one/report.doc", "one/libz.so"}},
      {"dm:2019 cat:one",
       {"one/IMG_20190615_1200.JPG", "one/IMG_20191231_2359.jpg", "one/annual report 2019.pdf",
        "one/report.doc"}},
      {"dm:2019-06", {"one/IMG_20190615_1200.JPG", "one/annual report 2019.pdf"}},
      {"dm:>2019-06 dm:<=2020",
       {"one/IMG_20191231_2359.jpg", "one/IMG_20200101_0000.jpg", "one/report.doc"}},
      {"dm:2019-06-30..2019-07-01", {"one/annual report 2019.pdf", "one/report.doc"}},
      {"dc:<2019", {"two/IMG_20190615_1200.JPG", "two/other.bin"}},
      {"attrib:rh", {"one/annual report 2019.pdf"}},
      {"attrib:l", {"one/libz.so"}},
      {"attrib:d depth:1", {"one/Photos", "one/Docs", "one/private"}},
      {"depth:0", {"one//data", "two/C:\\\\Backup"}},
      {"depth:>2", {"one/résumé.txt"}},
      {"dupe:", {"one/IMG_20190615_1200.JPG", "two/IMG_20190615_1200.JPG"}},
      {"sizedupe: !jpg", {"one/annual report 2019.pdf", "one/résumé.txt", "two/other.bin"}},
      {"denied", {}},
  };
  for (const auto& c : cases) {
    for (const char* index : {"--json", "--no-index"}) {
      const ToolResult r = Search({"--json", index, c.query, "one.ztr", "two.ztr"});
      EXPECT_EQ(Names(r.out), c.names) << c.query << " " << index;
      EXPECT_EQ(r.status, c.names.empty() ? 1 : 0) << c.query << " " << r.err;
    }
  }
}

TEST_F(SearchCommand, UnreadableQueryIsNamedWithoutOutput) {
  const struct {
    std::string query, message;
  } cases[] = {
      {"size:>abc", "size:>abc: \"abc\" is not a size (examples: 10mb, >1gb, 1kb..2kb)"},
      {"size:1xb", "size:1xb: \"1xb\" is not a size"},
      {"dm:2019-02-30", "dm:2019-02-30: \"2019-02-30\" is not a date"},
      {"dc:19", "dc:19: \"19\" is not a date"},
      {"depth:a..", "depth:a..: \"a..\" is not a depth"},
      {"attrib:rx", "attrib:rx: \"x\" is not an attribute letter"},
      {"ext:", "ext:: \"\" is not a list of extensions"},
      {"a \"b", "\"b: the quote is not closed"},
      {"<a b", "<: the group is not closed with '>'"},
      {"a> b", ">: there is no group to close"},
      {"a || b", "|: expected a term on each side"},
      {"a !", "!: expected a term after it"},
      {"<>", "<>: the group is empty"},
      {"", "the query: it is empty"},
  };
  for (const auto& c : cases) {
    const ToolResult r = Search({c.query, "one.ztr"});
    EXPECT_EQ(r.status, 2) << c.query;
    EXPECT_EQ(r.out, "") << c.query;
    EXPECT_EQ(r.err.rfind("ztr-tool search: " + c.message, 0), 0u) << c.query << ": " << r.err;
  }
}

TEST_F(SearchCommand, OutputOptions) {
  const struct {
    std::vector<std::string> args;
    std::string out;
  } cases[] = {
      {{"report", "one.ztr"},
       "/data/Docs/annual report 2019.pdf   4096 bytes, 01/01/2019-00:00\n"
       "/data/Docs/report.doc   100 bytes, 01/01/2019-00:00\n"},
      {{"--count", "jpg", "one.ztr", "two.ztr"}, "4 matches, 9437185 bytes\n"},
      {{"--count", "--json", "nothing", "one.ztr"}, "{\"count\":0,\"bytes\":0}\n"},
      {{"--sort", "size", "--limit", "2", "--total", "ext:jpg", "one.ztr", "two.ztr"},
       "one.ztr: /data/Photos/IMG_20191231_2359.jpg   1048576 bytes, 01/01/2019-00:00\n"
       "one.ztr: /data/Photos/IMG_20200101_0000.jpg   2097153 bytes, 01/01/2019-00:00\n"
       "4 matches, 9437185 bytes\n"},
      {{"--sort=modified", "--reverse", "--limit=1", "jpg", "two.ztr", "one.ztr"},
       "one.ztr: /data/Photos/IMG_20200101_0000.jpg   2097153 bytes, 01/01/2019-00:00\n"},
      {{"--json", "résumé", "one.ztr"},
       "{\"catalogue\":\"one.ztr\",\"path\":\"/data/Docs/Café/résumé.txt\",\"name\":\"résumé.txt\","
       "\"kind\":\"file\",\"size\":4096,\"modified\":\"2021-03-01T12:00:00\",\"created\":"
       "\"2021-03-01T12:00:00\",\"accessed\":\"2021-03-01T12:00:00\",\"attributes\":\"a\","
       "\"depth\":3,\"index\":9}\n"},
  };
  for (const auto& c : cases) EXPECT_EQ(Search(c.args).out, c.out) << c.args[c.args.size() - 2];
}

TEST_F(SearchCommand, CatalogueCutShortGivesWhatWasReadAndStatus2) {
  std::string bytes;
  {
    std::ifstream in(temp / "one.ztr", std::ios::binary);
    bytes.assign(std::istreambuf_iterator<char>(in), {});
  }
  std::ofstream(temp / "one.ztr", std::ios::binary) << bytes.substr(0, bytes.size() - 10);
  for (const char* index : {"--total", "--no-index"}) {
    const ToolResult r = Search({index, "img", "one.ztr", "two.ztr"});
    EXPECT_EQ(r.status, 2) << index;
    EXPECT_NE(r.err.find("one.ztr ends inside a record"), std::string::npos) << r.err;
    EXPECT_NE(r.out.find("two.ztr: C:\\Backup\\IMG_20190615_1200.JPG"), std::string::npos) << r.out;
  }
}

TEST_F(SearchCommand, LibraryIsSearchedWhenNoCatalogueIsNamed) {
  const ToolResult empty = Search({"jpg"});
  EXPECT_EQ(empty.status, 2);
  EXPECT_NE(empty.err.find("the library is empty: add catalogues with 'ztr-tool library add"),
            std::string::npos);

  std::filesystem::create_directories(temp / "disks/usb");
  std::filesystem::rename(temp / "two.ztr", temp / "disks/usb/two.ztr");
  const auto library = [&](std::vector<std::string> args) {
    args.insert(args.begin(), "library");
    return RunTool(args, InFolder(temp.Path()));
  };
  EXPECT_EQ(library({"add", "one.ztr", "disks", "gone.ztr"}).status, 2);  // gone.ztr: not added
  EXPECT_EQ(library({"list"}).out, temp / "one.ztr" + "   1 catalogue, 12 nodes\n" +
                                       temp / "disks" + "   1 catalogue, 3 nodes\n");
  EXPECT_EQ(Search({"--count", "jpg"}).out, "4 matches, 9437185 bytes\n");
  EXPECT_EQ(Search({"other"}).out, temp / "disks/usb/two.ztr" +
                                       ": C:\\Backup\\other.bin   4096 "
                                       "bytes, 01/01/2019-00:00\n");

  // An entry that names nothing now stays in the file and is reported.
  std::filesystem::rename(temp / "one.ztr", temp / "moved.ztr");
  const ToolResult missing = Search({"other"});
  EXPECT_EQ(missing.status, 2);
  EXPECT_NE(missing.err.find(temp / "one.ztr" + ": no such file or folder"), std::string::npos);
  EXPECT_EQ(missing.out.empty(), false);
  EXPECT_NE(library({"list"}).out.find(temp / "one.ztr" + "   missing"), std::string::npos);

  EXPECT_EQ(library({"remove", temp / "one.ztr", "disks"}).status, 0);
  EXPECT_EQ(library({"remove", "disks"}).status, 2);
  std::ifstream file(temp / "config/ZTR/library");
  EXPECT_EQ(std::string(std::istreambuf_iterator<char>(file), {}), "");
}

TEST_F(SearchCommand, IndexFollowsItsCatalogue) {
  ASSERT_EQ(Search({"--count", "jpg", "one.ztr"}).out, "3 matches, 6291457 bytes\n");
  const auto indexes = temp.Entries("cache/ZTR");
  ASSERT_EQ(indexes.size(), 1u);
  const std::string index = temp / ("cache/ZTR/" + indexes[0]);

  // The catalogue rewritten: the index is stale and made again.
  TreeFileBytes changed;
  changed.Record("/new", 1);
  File(changed, "photo.jpg", 2, 10, At(2024, 1, 1));
  changed.WriteTo(temp / "one.ztr");
  EXPECT_EQ(Search({"--count", "jpg", "one.ztr"}).out, "1 match, 10 bytes\n");

  // Every byte of the index damaged in turn at a few places: never trusted.
  std::string good;
  {
    std::ifstream in(index, std::ios::binary);
    good.assign(std::istreambuf_iterator<char>(in), {});
  }
  for (size_t at : {size_t{3}, size_t{20}, good.size() / 2, good.size() - 3}) {
    std::string bad = good;
    bad[at] = static_cast<char>(bad[at] ^ 0x5A);
    std::ofstream(index, std::ios::binary) << bad;
    EXPECT_EQ(Search({"--count", "photo", "one.ztr"}).out, "1 match, 10 bytes\n") << at;
  }
  std::ofstream(index, std::ios::binary) << "";
  EXPECT_EQ(Search({"--count", "jpg", "one.ztr"}).out, "1 match, 10 bytes\n");
  std::ifstream in(index, std::ios::binary);
  EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), good);  // rebuilt whole
}

// Damage found half-way through an index, after rows were handed on: the
// search goes on through an index made again, and lists each match once.
TEST_F(SearchCommand, IndexDamagedHalfWayListsEachMatchOnce) {
  TreeFileBytes big;
  big.Record("/big", 1);
  for (int i = 0; i < 2000; ++i)
    File(big, "file" + std::to_string(i) + ".txt", 2, i, At(2020, 1, 1));
  big.WriteTo(temp / "big.ztr");
  const std::string streamed = Search({"--no-index", "file1", "big.ztr"}).out;
  ASSERT_EQ(Search({"file1", "big.ztr"}).out, streamed);
  const std::string index = temp / ("cache/ZTR/" + temp.Entries("cache/ZTR").at(0));
  std::string bytes;
  {
    std::ifstream in(index, std::ios::binary);
    bytes.assign(std::istreambuf_iterator<char>(in), {});
  }
  const size_t at = bytes.find("file1500.txt");  // in the third of four blocks
  ASSERT_NE(at, std::string::npos);
  bytes[at] = 'F';
  std::ofstream(index, std::ios::binary) << bytes;
  EXPECT_EQ(Search({"file1", "big.ztr"}).out, streamed);
}

// Indexed and streamed searches agree on random queries over a generated
// library, and two searches building the same indexes at once leave good ones.
TEST_F(SearchCommand, IndexedAndStreamedResultsAgree) {
  std::mt19937 random(22);
  const std::vector<std::string> words = {"img", "report", "so", "jpg",
                                          "dsc", "main",   "a",  "r\xe9"};
  const auto pick = [&](const std::vector<std::string>& from) {
    return from[random() % from.size()];
  };
  std::vector<std::string> files;
  for (int c = 0; c < 3; ++c) {
    TreeFileBytes bytes;
    bytes.Record("/disk" + std::to_string(c), 1);
    int deepest = 2;                  // in tree order: a folder's children right after it
    for (int n = 0; n < 1500; ++n) {  // a few blocks of the index
      const std::string name = pick(words) + std::to_string(random() % 50) + "." + pick(words);
      const int level = 2 + static_cast<int>(random() % (deepest - 1));
      deepest = level + (random() % 5 == 0 ? 1 : 0);
      if (deepest > level)
        bytes.Record(name, level);
      else
        File(bytes, name, level, random() % 5000,
             At(2018 + static_cast<int>(random() % 4), 1 + static_cast<int>(random() % 12), 1));
    }
    files.push_back(temp / ("r" + std::to_string(c) + ".ztr"));
    bytes.WriteTo(files.back());
  }
  std::vector<std::string> base = {"search", "--json", ""};
  base.insert(base.end(), files.begin(), files.end());
  base[2] = "jpg";
  const pid_t first = StartTool(base), second = StartTool(base);
  int status = 0;
  ::waitpid(first, &status, 0);
  ::waitpid(second, &status, 0);
  EXPECT_EQ(temp.Entries("cache/ZTR").size(), files.size());  // one whole index each, no leftovers

  const std::vector<std::string> terms = {
      "img",        "Report",  "*.so",    "ext:jpg;dsc", "r\xc3\xa9", "size:>2kb", "dm:2019", "!a",
      "path:disk1", "depth:1", "folder:", "case:IMG",    "dupe:",     "?ain*",     "a*1?.*"};
  for (int q = 0; q < 60; ++q) {
    std::string query = pick(terms);
    for (int more = static_cast<int>(random() % 3); more > 0; --more)
      query += (random() % 2 ? " " : "|") + pick(terms);
    std::vector<std::string> args = base;
    args[2] = query;
    const ToolResult indexed = RunTool(args);
    args.insert(args.begin() + 1, "--no-index");
    const ToolResult streamed = RunTool(args);
    EXPECT_EQ(indexed.out, streamed.out) << query;
    EXPECT_EQ(indexed.status, streamed.status) << query;
    EXPECT_EQ(indexed.err, "") << query;
  }
}

}  // namespace
}  // namespace cli_test
