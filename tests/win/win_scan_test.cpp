// ztr-tool.exe on real Windows folders: the system's own attributes, sizes,
// times and reason texts reach the catalogue, and saves replace files whole.
#include <gtest/gtest.h>

#include <regex>

#include "cli/tree_file_bytes.h"
#include "win_tool_runner.h"

namespace {

namespace fs = std::filesystem;
using win_test::ReadText;
using win_test::RunTool;

constexpr uint64_t k2003 = 0x01C2C9DCDF87C400;  // 1 February 2003 10:30 UTC
const std::string kTime = "01/02/2003-10:30";   // the tests run with TZ=UTC

class WinScanTest : public ::testing::Test {
 protected:
  fs::path root = fs::temp_directory_path() / ("ztr-win-" + std::to_string(GetCurrentProcessId()));
  // A folder already there was left by an earlier run whose process had this id.
  void SetUp() override {
    TearDown();
    fs::create_directories(root);
  }
  void TearDown() override { win_test::RemoveTree(L"\\\\?\\" + root.wstring()); }
  // A file of `size` bytes ("hello" when 5) with every time set to 2003.
  static void MakeFile(const fs::path& path, uint64_t size, DWORD attributes) {
    HANDLE h = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    DWORD written = 0;
    WriteFile(h, "hello", size == 5 ? 5 : 0, &written, nullptr);
    LARGE_INTEGER end{};
    end.QuadPart = static_cast<LONGLONG>(size);
    SetFilePointerEx(h, end, nullptr, FILE_BEGIN);
    SetEndOfFile(h);
    const FILETIME t{static_cast<DWORD>(k2003), static_cast<DWORD>(k2003 >> 32)};
    SetFileTime(h, &t, &t, &t);
    CloseHandle(h);
    SetFileAttributesW(path.c_str(), attributes);
  }
  // The JSON lines of the catalogue written by a scan of `folder`.
  std::string ScanAndList(const fs::path& folder) {
    const std::string catalogue = Utf8Text(root / "out.ztr");
    EXPECT_EQ(RunTool({"scan", "-o", catalogue, Utf8Text(folder)}, root).status, 0u);
    return RunTool({"list", "--json", catalogue}, root).out;
  }
};

TEST_F(WinScanTest, FilesCarryTheSystemsAttributesSizesAndNames) {
  struct Case {
    std::string name;
    uint64_t size;
    DWORD attributes;
  } cases[] = {{"hidden.txt", 5, FILE_ATTRIBUTE_HIDDEN},
               {"readonly.txt", 5, FILE_ATTRIBUTE_READONLY},
               {"big.bin", 5ull << 30, FILE_ATTRIBUTE_ARCHIVE},
               {"\xC3\xA9t\xC3\xA9 \xE6\x97\xA5\xE6\x9C\xAC.txt", 5, FILE_ATTRIBUTE_ARCHIVE}};
  const fs::path folder = root / "files";
  fs::create_directory(folder);
  for (const Case& c : cases) MakeFile(folder / Utf8Path(c.name), c.size, c.attributes);
  const std::string listing = ScanAndList(folder);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string label = c.name + "   " + std::to_string(c.size) + " bytes, " + kTime;
    const size_t at = listing.find("\"label\":\"" + label + "\"");
    ASSERT_NE(at, std::string::npos);
    std::smatch m;
    const std::string row = listing.substr(at, listing.find('\n', at) - at);
    ASSERT_TRUE(std::regex_search(row, m, std::regex(R"("attributes":(\d+),"size":(\d+))")));
    EXPECT_EQ(std::stoul(m[1]) & c.attributes, c.attributes);
    EXPECT_EQ(std::stoull(m[2]), c.size);
  }
}

TEST_F(WinScanTest, TheDocsExampleComesOutByteForByte) {
  const fs::path docs = root / "Docs";
  fs::create_directories(docs / "Sub");
  MakeFile(docs / "a.txt", 5, FILE_ATTRIBUTE_ARCHIVE);
  ScanAndList(docs);
  const cli_test::RawData data{0x20, 5, k2003, k2003, k2003};
  cli_test::TreeFileBytes expected;
  expected.Record(Utf8Text(docs), 1, 0, 0, 1)
      .Record("Sub", 2)
      .Record("a.txt   5 bytes, " + kTime, 2, 5, 5, 0, 1, &data)
      .WriteTo(Utf8Text(root / "expected.ztr"));
  std::string want = ReadText(root / "expected.ztr"), got = ReadText(root / "out.ztr");
  ASSERT_EQ(got.size(), want.size());
  // The lParam word of the file's record is the writer's own non-zero value;
  // the top node's state word holds the display flag "expanded" (0x20), as
  // File New leaves it.
  const size_t lParam = want.size() - 36 - 4, topState = 1 + Utf8Text(docs).size() + 4 + 8;
  EXPECT_NE(got.substr(lParam, 4), std::string(4, '\0'));
  want.replace(lParam, 4, got.substr(lParam, 4));
  EXPECT_EQ(got[topState], '\x20');
  want[topState] = got[topState];
  EXPECT_EQ(got, want);
}

TEST_F(WinScanTest, FolderThatCannotBeEnteredShowsTheSystemsTextAndLongPathsAreListed) {
  const std::string missing = Utf8Text(root / "missing");
  ScanAndList(missing);
  const std::string bytes = ReadText(root / "out.ztr");
  EXPECT_NE(bytes.find(missing + " ["), std::string::npos) << bytes;
  EXPECT_NE(bytes.find(".\r\n]"), std::string::npos) << bytes;  // the system's text and line break

  fs::path deep = root / "deep";
  for (int i = 0; i < 12; ++i) deep /= std::string(30, static_cast<char>('a' + i));
  std::wstring longForm = L"\\\\?\\" + root.wstring();
  for (const auto& part : fs::relative(deep, root)) {
    longForm += L"\\" + part.wstring();
    ASSERT_TRUE(CreateDirectoryW(longForm.c_str(), nullptr));
  }
  MakeFile(longForm + L"\\bottom.txt", 5, FILE_ATTRIBUTE_ARCHIVE);
  EXPECT_NE(ScanAndList(root / "deep").find("bottom.txt   5 bytes"), std::string::npos);
}

TEST_F(WinScanTest, SavesReplaceTheWholeFileAndRespectReadOnlyTargets) {
  const std::string catalogue = Utf8Text(root / "out.ztr");
  fs::create_directory(root / "one");
  ScanAndList(root / "one");
  ScanAndList(root);  // over the existing catalogue
  for (const auto& e : fs::directory_iterator(root))
    EXPECT_NE(e.path().extension(), ".tmp") << "temporary file left behind";
  SetFileAttributesW((root / "out.ztr").c_str(), FILE_ATTRIBUTE_READONLY);
  const std::string before = ReadText(root / "out.ztr");
  EXPECT_EQ(RunTool({"scan", "-o", catalogue, Utf8Text(root / "one")}, root).status, 2u);
  EXPECT_EQ(ReadText(root / "out.ztr"), before);
}

}  // namespace
