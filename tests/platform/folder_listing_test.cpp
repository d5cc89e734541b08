#include "platform/folder_listing.h"

#include <dirent.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <map>
#include <set>
#include <string>
#include <utility>

#include "platform/file_attributes.h"
#include "platform/local_time.h"

namespace {

namespace fs = std::filesystem;

constexpr DWORD kDir = FILE_ATTRIBUTE_DIRECTORY;
constexpr DWORD kHidden = FILE_ATTRIBUTE_HIDDEN;
constexpr DWORD kReadOnly = FILE_ATTRIBUTE_READONLY;
constexpr DWORD kReparse = FILE_ATTRIBUTE_REPARSE_POINT;
constexpr DWORD kSystem = FILE_ATTRIBUTE_SYSTEM;
constexpr DWORD kArchive = FILE_ATTRIBUTE_ARCHIVE;
constexpr DWORD kSparse = FILE_ATTRIBUTE_SPARSE_FILE;

// One entry as the tests keep it: FindData with its own copy of the name.
struct Entry {
  DWORD attributes = 0;
  uint64_t size = 0;
  FILETIME creation, lastAccess, lastWrite;
  uint64_t dev = 0, ino = 0;
};

class FolderListingTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = (fs::path(::testing::TempDir()) / "ztr-listing-XXXXXX").string();
    ASSERT_NE(mkdtemp(pattern.data()), nullptr) << strerror(errno);
    m_root = pattern;
  }
  void TearDown() override {
    // Give write permission back so that everything can be removed.
    std::error_code ec;
    for (auto it = fs::recursive_directory_iterator(m_root, ec);
         it != fs::recursive_directory_iterator(); it.increment(ec))
      if (!it->is_symlink()) chmod(it->path().c_str(), 0755);
    fs::remove_all(m_root, ec);
  }

  std::string Path(const std::string& name) const { return (m_root / name).string(); }

  void WriteFile(const std::string& name, const std::string& content, mode_t mode = 0644) {
    const int fd = open(Path(name).c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, mode);
    ASSERT_GE(fd, 0) << name << ": " << strerror(errno);
    ASSERT_EQ(write(fd, content.data(), content.size()), static_cast<ssize_t>(content.size()));
    fsync(fd);  // allocate the blocks now, so the sparse test is not fooled by delayed allocation
    close(fd);
    chmod(Path(name).c_str(), mode);
  }

  std::map<std::string, Entry> List(const std::string& sub = "") {
    int err = 0;
    FolderHandle folder = FolderHandle::OpenAt(AT_FDCWD, Path(sub).c_str(), err);
    EXPECT_TRUE(folder.valid()) << strerror(err);
    std::map<std::string, Entry> entries;
    FolderListing listing(std::move(folder));
    FindData data;
    while (listing.Next(data)) {
      Entry e{data.dwFileAttributes,
              data.nFileSize,
              data.ftCreationTime,
              data.ftLastAccessTime,
              data.ftLastWriteTime,
              data.dev,
              data.ino};
      EXPECT_TRUE(entries.emplace(std::string(data.name), e).second) << "twice: " << data.name;
    }
    EXPECT_EQ(listing.error(), 0);
    return entries;
  }

  fs::path m_root;
};

uint64_t Ticks(FILETIME ft) { return FileTimeToU64(ft); }

struct StatusOf {
  struct statx st {};
  bool ok = false;
};
StatusOf Status(const std::string& path, bool follow) {
  StatusOf s;
  s.ok = statx(AT_FDCWD, path.c_str(), follow ? 0 : AT_SYMLINK_NOFOLLOW,
               STATX_BASIC_STATS | STATX_BTIME, &s.st) == 0;
  return s;
}

TEST_F(FolderListingTest, AttributesOfEachKindOfEntry) {
  constexpr uint64_t kFiveGiB = 5ull << 30;
  WriteFile("plain.txt", "hello");
  WriteFile("readonly.txt", "r", 0444);
  WriteFile(".hidden", "");
  WriteFile("dense.bin", std::string(10000, 'x'));
  {
    const int fd = open(Path("sparse.bin").c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0644);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(ftruncate(fd, kFiveGiB), 0) << strerror(errno);
    close(fd);
  }
  ASSERT_EQ(mkdir(Path("sub").c_str(), 0755), 0);
  ASSERT_EQ(mkdir(Path(".dotdir").c_str(), 0755), 0);
  ASSERT_EQ(mkdir(Path("rodir").c_str(), 0555), 0);
  ASSERT_EQ(symlink("plain.txt", Path("link-to-file").c_str()), 0);
  ASSERT_EQ(symlink("sub", Path("link-to-dir").c_str()), 0);
  ASSERT_EQ(symlink("missing", Path("dangling").c_str()), 0);
  ASSERT_EQ(symlink("self-loop", Path("self-loop").c_str()), 0);
  ASSERT_EQ(symlink("/dev/null", Path("link-to-device").c_str()), 0);
  ASSERT_EQ(mkfifo(Path("fifo").c_str(), 0644), 0);

  struct Expected {
    const char* name;
    DWORD attributes;
    int64_t size;  // -1: not checked
  } const expected[] = {
      {"plain.txt", kArchive, 5},
      {"readonly.txt", kArchive | kReadOnly, 1},
      {".hidden", kArchive | kHidden, 0},
      {"dense.bin", kArchive, 10000},
      {"sparse.bin", kArchive | kSparse, static_cast<int64_t>(kFiveGiB)},
      {"sub", kDir, -1},
      {".dotdir", kDir | kHidden, -1},
      {"rodir", kDir | kReadOnly, -1},
      // A link is an entry of its own, whatever it points at: its size is
      // that of the path it holds.
      {"link-to-file", kReparse, 9},
      {"link-to-dir", kReparse, 3},
      {"dangling", kReparse, 7},
      {"self-loop", kReparse, 9},
      {"link-to-device", kReparse, 9},
      {"fifo", kSystem, 0},
  };

  const auto entries = List();
  std::set<std::string> expectedNames;
  for (const Expected& e : expected) {
    expectedNames.insert(e.name);
    const auto it = entries.find(e.name);
    ASSERT_NE(it, entries.end()) << e.name << " missing";
    EXPECT_EQ(it->second.attributes, e.attributes) << e.name;
    if (e.size >= 0) {
      EXPECT_EQ(it->second.size, static_cast<uint64_t>(e.size)) << e.name;
    }
  }
  std::set<std::string> names;
  for (const auto& [name, entry] : entries) names.insert(name);
  EXPECT_EQ(names, expectedNames);  // and so no "." or ".."
}

TEST_F(FolderListingTest, ImmutableFileIsReadOnly) {
  WriteFile("fixed", "x");
  const int fd = open(Path("fixed").c_str(), O_RDONLY | O_CLOEXEC);
  ASSERT_GE(fd, 0);
  int flags = 0;
  if (ioctl(fd, FS_IOC_GETFLAGS, &flags) != 0) {
    close(fd);
    GTEST_SKIP() << "file flags not supported here";
  }
  const int immutable = flags | FS_IMMUTABLE_FL;
  if (ioctl(fd, FS_IOC_SETFLAGS, &immutable) != 0) {
    close(fd);
    GTEST_SKIP() << "cannot make a file immutable here: " << strerror(errno);
  }
  const DWORD attributes = List().at("fixed").attributes;
  ioctl(fd, FS_IOC_SETFLAGS, &flags);  // so that the folder can be removed
  close(fd);
  EXPECT_EQ(attributes, kArchive | kReadOnly);
}

TEST_F(FolderListingTest, TimesAreRawFileTimes) {
  WriteFile("timed", "x");
  // atime 2003-03-03 14:05:00.1234567, mtime 2001-09-09 01:46:40.5
  const timespec times[2] = {{1'046'700'300, 123'456'789}, {1'000'000'000, 500'000'000}};
  ASSERT_EQ(utimensat(AT_FDCWD, Path("timed").c_str(), times, 0), 0);
  // A link shows its own times, not its target's.
  ASSERT_EQ(symlink("timed", Path("link").c_str()), 0);
  const timespec linkTimes[2] = {{1'100'000'000, 0}, {1'200'000'000, 0}};
  ASSERT_EQ(utimensat(AT_FDCWD, Path("link").c_str(), linkTimes, AT_SYMLINK_NOFOLLOW), 0);

  const auto entries = List();
  const Entry& timed = entries.at("timed");
  EXPECT_EQ(Ticks(timed.lastAccess), 126911739001234567u);
  EXPECT_EQ(Ticks(timed.lastWrite), 126444736005000000u);

  // Creation: the birth time where the file system keeps one, else the
  // earlier of modification and status change (here the modification).
  const StatusOf s = Status(Path("timed"), true);
  ASSERT_TRUE(s.ok);
  if (s.st.stx_mask & STATX_BTIME) {
    EXPECT_EQ(Ticks(timed.creation),
              Ticks(UnixToFileTime(s.st.stx_btime.tv_sec, s.st.stx_btime.tv_nsec)));
  } else {
    EXPECT_EQ(Ticks(timed.creation), Ticks(timed.lastWrite));
  }

  EXPECT_EQ(Ticks(entries.at("link").lastWrite), Ticks(UnixToFileTime(1'200'000'000, 0)));
}

TEST_F(FolderListingTest, IdentityMatchesBetweenHandleAndEntry) {
  ASSERT_EQ(mkdir(Path("sub").c_str(), 0755), 0);
  ASSERT_EQ(symlink("sub", Path("link").c_str()), 0);
  WriteFile("file", "");
  const auto entries = List();

  int err = 0;
  FolderHandle root = FolderHandle::OpenAt(AT_FDCWD, m_root.c_str(), err);
  ASSERT_TRUE(root) << strerror(err);
  // Opened relative to the parent's descriptor, through the link: the same folder.
  FolderHandle viaLink = FolderHandle::OpenAt(root.fd(), "link", err);
  ASSERT_TRUE(viaLink) << strerror(err);
  uint64_t dev = 0, ino = 0;
  ASSERT_TRUE(viaLink.Identity(dev, ino));
  EXPECT_EQ(dev, entries.at("sub").dev);
  EXPECT_EQ(ino, entries.at("sub").ino);
  EXPECT_NE(entries.at("link").ino, entries.at("sub").ino) << "a link is not its target";
  EXPECT_NE(entries.at("file").ino, entries.at("sub").ino);

  const StatusOf s = Status(Path("sub"), true);
  ASSERT_TRUE(s.ok);
  EXPECT_EQ(dev, makedev(s.st.stx_dev_major, s.st.stx_dev_minor));
  EXPECT_EQ(ino, s.st.stx_ino);
}

TEST_F(FolderListingTest, OpenAtReportsErrors) {
  WriteFile("file", "");
  struct {
    const char* name;
    int expectedError;
  } const cases[] = {
      {"missing", ENOENT},
      {"file", ENOTDIR},
      {"file/below", ENOTDIR},
  };
  int err = 0;
  FolderHandle root = FolderHandle::OpenAt(AT_FDCWD, m_root.c_str(), err);
  ASSERT_TRUE(root);
  EXPECT_EQ(err, 0);
  for (const auto& c : cases) {
    err = 0;
    FolderHandle h = FolderHandle::OpenAt(root.fd(), c.name, err);
    EXPECT_FALSE(h.valid()) << c.name;
    EXPECT_EQ(h.fd(), -1) << c.name;
    EXPECT_EQ(err, c.expectedError) << c.name;
  }
}

TEST_F(FolderListingTest, HandleClosesOnceAfterMoves) {
  int err = 0;
  FolderHandle first = FolderHandle::OpenAt(AT_FDCWD, m_root.c_str(), err);
  ASSERT_TRUE(first);
  const int fd = first.fd();
  {
    FolderHandle second = std::move(first);
    EXPECT_FALSE(first.valid());
    EXPECT_EQ(second.fd(), fd);
    FolderHandle third;
    third = std::move(second);
    EXPECT_EQ(third.fd(), fd);
    EXPECT_NE(fcntl(fd, F_GETFD), -1);  // still open
  }
  EXPECT_EQ(fcntl(fd, F_GETFD), -1);  // closed by the last owner
  EXPECT_EQ(errno, EBADF);
}

TEST_F(FolderListingTest, EmptyFolderListsNothing) {
  ASSERT_EQ(mkdir(Path("empty").c_str(), 0755), 0);
  EXPECT_TRUE(List("empty").empty());
}

TEST_F(FolderListingTest, ManyEntriesSpanSeveralReads) {
  // Long names so the entries fill the read buffer several times over.
  constexpr int kCount = 3000;
  std::set<std::string> created;
  for (int i = 0; i < kCount; ++i) {
    const std::string name =
        "entry-with-a-fairly-long-name-to-fill-the-buffer-" + std::to_string(i);
    const int fd = open(Path(name).c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0644);
    ASSERT_GE(fd, 0);
    close(fd);
    created.insert(name);
  }
  std::set<std::string> listed;
  for (const auto& [name, entry] : List()) listed.insert(name);
  EXPECT_EQ(listed, created);
}

TEST_F(FolderListingTest, EntryRemovedAfterListingIsSkipped) {
  for (const char* name : {"a", "b", "c", "d"}) WriteFile(name, "x");
  int err = 0;
  FolderHandle folder = FolderHandle::OpenAt(AT_FDCWD, m_root.c_str(), err);
  ASSERT_TRUE(folder);
  FolderListing listing(std::move(folder));
  FindData data;
  ASSERT_TRUE(listing.Next(data));  // the whole small folder is read now
  const std::string first(data.name);
  for (const char* name : {"a", "b", "c", "d"})
    if (first != name) unlink(Path(name).c_str());
  EXPECT_FALSE(listing.Next(data)) << "listed a removed entry: " << data.name;
  EXPECT_EQ(listing.error(), 0);
}

// The listing owns the folder it lists, readable or not: exactly one
// descriptor, closed when the listing ends.
TEST_F(FolderListingTest, ListingClosesTheDescriptorItTakesOver) {
  WriteFile("file", "x");
  for (const auto& [name, expectedError] : {std::pair{"", 0}, std::pair{"file", ENOTDIR}}) {
    const int fd = open(Path(name).c_str(), O_RDONLY | O_CLOEXEC);
    {
      FolderListing listing{FolderHandle(fd)};
      for (FindData data; listing.Next(data);) EXPECT_EQ(listing.fd(), fd) << name;
      EXPECT_EQ(listing.error(), expectedError) << name;
    }
    EXPECT_EQ(fcntl(fd, F_GETFD), -1) << name;
  }
}

// Some file systems give no entry types in the listing; links must still be
// recognised the same way.
TEST_F(FolderListingTest, EntryStatusWithAndWithoutListingType) {
  WriteFile("file", "hello");
  ASSERT_EQ(mkdir(Path("sub").c_str(), 0755), 0);
  ASSERT_EQ(symlink("file", Path("link").c_str()), 0);
  ASSERT_EQ(symlink("sub", Path("dirlink").c_str()), 0);
  ASSERT_EQ(symlink("missing", Path("dangling").c_str()), 0);
  int err = 0;
  FolderHandle root = FolderHandle::OpenAt(AT_FDCWD, m_root.c_str(), err);
  ASSERT_TRUE(root);

  struct {
    const char* name;
    unsigned char listedType;
    bool found;
    DWORD attributes;
    uint64_t size;
  } const cases[] = {
      {"file", DT_REG, true, kArchive, 5},
      {"file", DT_UNKNOWN, true, kArchive, 5},
      {"link", DT_LNK, true, kReparse, 4},
      {"link", DT_UNKNOWN, true, kReparse, 4},
      {"dirlink", DT_UNKNOWN, true, kReparse, 3},
      {"dangling", DT_LNK, true, kReparse, 7},
      {"dangling", DT_UNKNOWN, true, kReparse, 7},
      {"gone", DT_REG, false, 0, 0},
      {"gone", DT_LNK, false, 0, 0},
      {"gone", DT_UNKNOWN, false, 0, 0},
  };
  for (const auto& c : cases) {
    FindData data;
    const bool found = FolderListing::ReadEntry(root.fd(), c.name, c.listedType, data);
    ASSERT_EQ(found, c.found) << c.name << " type " << int{c.listedType};
    if (!found) continue;
    EXPECT_EQ(data.name, c.name);
    EXPECT_EQ(data.dwFileAttributes, c.attributes) << c.name << " type " << int{c.listedType};
    if (!(c.attributes & kDir)) {
      EXPECT_EQ(data.nFileSize, c.size) << c.name << " type " << int{c.listedType};
    }
  }
}

// Some file systems report a birth time of 0 for every file: that is none.
TEST(FolderListingBirthTime, ZeroMeansNone) {
  const StatusOf s = Status("/usr/bin/env", false);
  if (!s.ok || !(s.st.stx_mask & STATX_BTIME) || s.st.stx_btime.tv_sec != 0)
    GTEST_SKIP() << "no file with a birth time of 0 here";
  int err = 0;
  FolderHandle bin = FolderHandle::OpenAt(AT_FDCWD, "/usr/bin", err);
  FindData data;
  ASSERT_TRUE(FolderListing::ReadEntry(bin.fd(), "env", DT_UNKNOWN, data));
  const uint64_t changed = Ticks(UnixToFileTime(s.st.stx_ctime.tv_sec, s.st.stx_ctime.tv_nsec));
  EXPECT_EQ(Ticks(data.ftCreationTime), std::min(Ticks(data.ftLastWriteTime), changed));
}

TEST(FolderListingErrors, ReadErrorEndsTheListing) {
  FolderListing listing{FolderHandle()};
  FindData data;
  EXPECT_FALSE(listing.Next(data));
  EXPECT_EQ(listing.error(), EBADF);
  EXPECT_FALSE(listing.Next(data));
}

// Bits the file system decides and a test folder cannot produce on demand.
TEST(FileAttributesFromStatusTest, ReportedFlagsAndEdgeCases) {
  auto status = [](mode_t mode, uint64_t size, uint64_t blocks, uint64_t attributes,
                   unsigned mask = STATX_BASIC_STATS) {
    struct statx st {};
    st.stx_mode = static_cast<uint16_t>(mode);
    st.stx_size = size;
    st.stx_blocks = blocks;
    st.stx_attributes = attributes;
    st.stx_mask = mask;
    return st;
  };
  struct {
    const char* what;
    struct statx st;
    bool isSymlink;
    DWORD expected;
  } const cases[] = {
      {"compressed", status(S_IFREG | 0644, 10, 8, STATX_ATTR_COMPRESSED), false,
       kArchive | FILE_ATTRIBUTE_COMPRESSED},
      {"encrypted folder", status(S_IFDIR | 0755, 0, 8, STATX_ATTR_ENCRYPTED), false,
       kDir | FILE_ATTRIBUTE_ENCRYPTED},
      {"immutable", status(S_IFREG | 0644, 1, 8, STATX_ATTR_IMMUTABLE), false,
       kArchive | kReadOnly},
      {"block device", status(S_IFBLK | 0660, 0, 0, 0), false, kSystem},
      {"exactly the blocks needed", status(S_IFREG | 0644, 1024, 2, 0), false, kArchive},
      {"one byte more than allocated", status(S_IFREG | 0644, 1025, 2, 0), false,
       kArchive | kSparse},
      {"block count unknown", status(S_IFREG | 0644, 4096, 0, 0, STATX_BASIC_STATS & ~STATX_BLOCKS),
       false, kArchive},
      {"sparse bit only for regular files", status(S_IFDIR | 0755, 4096, 0, 0), false, kDir},
      {"link's own status, owner may write", status(S_IFLNK | 0777, 7, 0, 0), true, kReparse},
      {"nothing applies", status(S_IFLNK | 0777, 7, 0, 0), false, FILE_ATTRIBUTE_NORMAL},
  };
  for (const auto& c : cases)
    EXPECT_EQ(FileAttributesFromStatus(c.st, "name", c.isSymlink), c.expected) << c.what;
}

}  // namespace
