#include "files/atomic_file_writer.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>
#include <thread>
#include <tuple>
#include <vector>

#include "files/file_exception.h"
#include "support/child_process.h"
#include "support/resource_limits.h"
#include "support/scratch_folder.h"

namespace {

using Names = std::vector<std::string>;

void Save(const std::string& path, const std::string& content) {
  CAtomicFileWriter writer(path);
  writer.GetFile().Write(content.data(), content.size());
  writer.Commit();
}

// The cause of the failure of Save, or none.
CFileException::Cause SaveFailure(const std::string& path, const std::string& content,
                                  std::string* failedPath = nullptr) {
  try {
    Save(path, content);
  } catch (const CFileException& e) {
    if (failedPath) *failedPath = e.m_strFileName;
    return e.m_cause;
  }
  return CFileException::none;
}

bool IsLink(const std::string& path) {
  struct stat st;
  return ::lstat(path.c_str(), &st) == 0 && S_ISLNK(st.st_mode);
}

TEST(AtomicFileWriterTest, ReplacesContentAndKeepsPermissions) {
  ScratchFolder folder;
  const std::string path = folder / "tree.ztr";
  WriteWholeFile(path, "old content, longer than the new");
  ::chmod(path.c_str(), 0640);
  Save(path, "new");
  EXPECT_EQ(ReadWholeText(path), "new");
  EXPECT_EQ(ModeOf(path), 0640u);
  EXPECT_EQ(folder.Entries(), Names{"tree.ztr"});
}

TEST(AtomicFileWriterTest, NewFileTakesTheUmask) {
  ScratchFolder folder;
  const mode_t previous = ::umask(027);
  Save(folder / "new.ztr", "x");
  ::umask(previous);
  EXPECT_EQ(ModeOf(folder / "new.ztr"), 0640u);
}

TEST(AtomicFileWriterTest, WithoutCommitNothingChanges) {
  ScratchFolder folder;
  const std::string path = folder / "tree.ztr";
  WriteWholeFile(path, "old");
  {
    CAtomicFileWriter writer(path);
    writer.GetFile().Write("partial", 7);
    EXPECT_EQ(folder.Entries().size(), 2u) << "the temporary file sits beside the target";
  }
  EXPECT_EQ(ReadWholeText(path), "old");
  EXPECT_EQ(folder.Entries(), Names{"tree.ztr"});

  { CAtomicFileWriter unused(folder / "never.ztr"); }
  EXPECT_EQ(folder.Entries(), Names{"tree.ztr"});
}

TEST(AtomicFileWriterTest, FullDiskKeepsThePreviousFile) {
  ScratchFolder folder;
  const std::string path = folder / "tree.ztr";
  WriteWholeFile(path, "old");
  // A child whose files cannot grow past 1000 bytes: the system takes the
  // first part of the write and refuses the rest.
  const int cause = RunWithFileSizeLimit(1000, [&] {
    std::string failedPath;
    const auto result = SaveFailure(path, std::string(5000, 'n'), &failedPath);
    return failedPath == path ? static_cast<int>(result) : 101;
  });
  EXPECT_EQ(cause, CFileException::diskFull);
  EXPECT_EQ(ReadWholeText(path), "old");
  EXPECT_EQ(folder.Entries(), Names{"tree.ztr"});
}

TEST(AtomicFileWriterTest, SymbolicLinksStayAndTheirTargetIsReplaced) {
  struct Case {
    const char* what;
    std::vector<std::pair<std::string, std::string>> links;  // name, contents
    std::string target;
  };
  const Case cases[] = {
      {"relative", {{"link.ztr", "real.ztr"}}, "real.ztr"},
      {"chain", {{"link.ztr", "middle.ztr"}, {"middle.ztr", "sub/real.ztr"}}, "sub/real.ztr"},
      {"dangling", {{"link.ztr", "sub/created.ztr"}}, "sub/created.ztr"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    ScratchFolder folder;
    ::mkdir((folder / "sub").c_str(), 0755);
    if (std::string(c.what) != "dangling") WriteWholeFile(folder / c.target, "old");
    for (const auto& [name, contents] : c.links)
      ::symlink(contents.c_str(), (folder / name).c_str());

    Save(folder / "link.ztr", "new");
    for (const auto& [name, contents] : c.links) EXPECT_TRUE(IsLink(folder / name)) << name;
    EXPECT_EQ(ReadWholeText(folder / c.target), "new");
    EXPECT_EQ(folder.Entries("sub").size(), c.target.starts_with("sub/") ? 1u : 0u);
  }
}

TEST(AtomicFileWriterTest, AbsoluteLinkIntoAnotherFolder) {
  ScratchFolder here, there;
  WriteWholeFile(there / "real.ztr", "old");
  ::symlink((there / "real.ztr").c_str(), (here / "link.ztr").c_str());
  Save(here / "link.ztr", "new");
  EXPECT_TRUE(IsLink(here / "link.ztr"));
  EXPECT_EQ(ReadWholeText(there / "real.ztr"), "new");
  EXPECT_EQ(here.Entries(), Names{"link.ztr"});
  EXPECT_EQ(there.Entries(), Names{"real.ztr"});
}

TEST(AtomicFileWriterTest, DevicesAreWrittenInPlace) {
  {
    CAtomicFileWriter writer("/dev/null");
    writer.GetFile().Write("gone", 4);
    writer.Commit();
  }
  struct stat st;
  ASSERT_EQ(::stat("/dev/null", &st), 0);
  EXPECT_TRUE(S_ISCHR(st.st_mode));

  std::string failedPath;
  EXPECT_EQ(SaveFailure("/dev/full", "x", &failedPath), CFileException::diskFull);
  EXPECT_EQ(failedPath, "/dev/full");
}

TEST(AtomicFileWriterTest, PipeIsWrittenInPlace) {
  ScratchFolder folder;
  const std::string path = folder / "pipe";
  ASSERT_EQ(::mkfifo(path.c_str(), 0600), 0);
  std::string received;
  std::thread reader([&] { received = ReadWholeText(path); });
  Save(path, "through the pipe");
  reader.join();
  EXPECT_EQ(received, "through the pipe");
  struct stat st;
  ASSERT_EQ(::lstat(path.c_str(), &st), 0);
  EXPECT_TRUE(S_ISFIFO(st.st_mode));
  EXPECT_EQ(folder.Entries(), Names{"pipe"});
}

TEST(AtomicFileWriterTest, OpenFailuresNameTheUsersPath) {
  ScratchFolder folder;
  WriteWholeFile(folder / "plain", "x");
  ::mkdir((folder / "sub").c_str(), 0755);
  ::symlink("no-such-folder/x.ztr", (folder / "dangling-into-nothing").c_str());
  struct Case {
    std::string path;
    CFileException::Cause cause;
  };
  const Case cases[] = {
      {folder / "no-such-folder/a.ztr", CFileException::fileNotFound},
      {folder / "dangling-into-nothing", CFileException::fileNotFound},
      {folder / "plain/a.ztr", CFileException::badPath},
      {folder / std::string(300, 'n'), CFileException::badPath},
      {folder / "sub", CFileException::isFolder},
      {folder / "sub/", CFileException::isFolder},
      {"", CFileException::fileNotFound},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.path);
    std::string failedPath;
    EXPECT_EQ(SaveFailure(c.path, "x", &failedPath), c.cause);
    EXPECT_EQ(failedPath, c.path);
  }
  EXPECT_EQ(folder.Entries(), (Names{"dangling-into-nothing", "plain", "sub"}));
}

// Permission checks, run as nobody so that they hold under root as well.
TEST(AtomicFileWriterTest, PermissionsOfAnOrdinaryUser) {
  if (::geteuid() != 0) GTEST_SKIP() << "setting up files of another user needs root";
  ScratchFolder folder;
  ::mkdir((folder / "theirs").c_str(), 0755);  // root's: nobody may not create here
  ::mkdir((folder / "mine").c_str(), 0755);
  ::chown((folder / "mine").c_str(), kNobody, kNobody);
  WriteWholeFile(folder / "theirs/locked.ztr", "old");
  WriteWholeFile(folder / "theirs/shared.ztr", "old");
  ::chmod((folder / "theirs/shared.ztr").c_str(), 0666);
  WriteWholeFile(folder / "mine/readonly.ztr", "old");
  ::chown((folder / "mine/readonly.ztr").c_str(), kNobody, kNobody);
  ::chmod((folder / "mine/readonly.ztr").c_str(), 0444);

  struct Case {
    std::string name;
    CFileException::Cause cause;
    std::string contentAfter;
  };
  const Case cases[] = {
      {"theirs/locked.ztr", CFileException::accessDenied, "old"},
      {"theirs/new.ztr", CFileException::accessDenied, ""},
      // Writable, but no temporary file may be created beside it: writing
      // over it could leave it cut short, so the save is refused.
      {"theirs/shared.ztr", CFileException::accessDenied, "old"},
      // A read-only file stays protected though its folder would allow a rename.
      {"mine/readonly.ztr", CFileException::accessDenied, "old"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const int cause =
        RunInChild(true, [&] { return static_cast<int>(SaveFailure(folder / c.name, "new")); });
    EXPECT_EQ(cause, c.cause);
    EXPECT_EQ(ReadWholeText(folder / c.name), c.contentAfter);
  }
  EXPECT_EQ(folder.Entries("theirs"), (Names{"locked.ztr", "shared.ztr"}));
  EXPECT_EQ(folder.Entries("mine"), Names{"readonly.ztr"});
}

TEST(AtomicFileWriterTest, RootKeepsTheOwnerOfAFileItReplaces) {
  if (::geteuid() != 0) GTEST_SKIP() << "only root can give a file away";
  ScratchFolder folder;
  const std::string path = folder / "theirs.ztr";
  WriteWholeFile(path, "old");
  ::chown(path.c_str(), kNobody, kNobody);
  ::chmod(path.c_str(), 0604);
  Save(path, "new");
  struct stat st;
  ASSERT_EQ(::stat(path.c_str(), &st), 0);
  EXPECT_EQ(st.st_uid, kNobody);
  EXPECT_EQ(st.st_gid, kNobody);
  EXPECT_EQ(st.st_mode & 07777, 0604u);
}

// Saved by ztrbob in a folder shared with ztralice: owner, group and mode
// stay, by a rename where ztrbob may give the new file that owner and the file
// has no other name, else in place after a copy. Nothing beside it is open to
// others meanwhile.
TEST(AtomicFileWriterTest, SavesBetweenUsersSharingAGroupKeepOwnerGroupAndMode) {
  if (::geteuid() != 0) GTEST_SKIP() << "making users and running as them needs root";
  ASSERT_TRUE(EnsureSharedGroupUsers());
  const passwd alice = *::getpwnam("ztralice"), bob = *::getpwnam("ztrbob");
  const gid_t team = ::getgrnam("ztrteam")->gr_gid;
  const struct {
    uid_t owner;
    gid_t group;
    mode_t mode;
    bool otherLink, renamed;
  } cases[] = {{alice.pw_uid, team, 0660, false, false},
               {bob.pw_uid, team, 0640, false, true},
               {bob.pw_uid, bob.pw_gid, 0600, false, true},
               {bob.pw_uid, team, 0660, true, false}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.mode + 1000 * c.otherLink);
    ScratchFolder folder;
    ::chmod(folder.Path().c_str(), 0755);
    folder.Dir("shared", 0775);
    ::chown((folder / "shared").c_str(), 0, team);
    const std::string path = folder / "shared/tree.ztr", link = folder / "shared/link.ztr";
    WriteWholeFile(path, "old content");
    ::chown(path.c_str(), c.owner, c.group);
    ::chmod(path.c_str(), c.mode);
    if (c.otherLink) ::link(path.c_str(), link.c_str());
    struct stat before, after;
    ::stat(path.c_str(), &before);
    const std::string besideModes = TextAsUser("ztrbob", [&] {
      CAtomicFileWriter writer(path);
      std::string modes;
      for (const std::string& name : folder.Entries("shared"))
        if (name.starts_with(".")) modes += std::to_string(ModeOf(folder / "shared/" + name));
      writer.GetFile().Write("new", 3);
      writer.Commit();
      return modes;
    });
    ASSERT_EQ(::stat(path.c_str(), &after), 0);
    EXPECT_EQ(ReadWholeText(path) + ReadWholeText(c.otherLink ? link : path), "newnew");
    EXPECT_EQ(std::tuple(after.st_uid, after.st_gid, after.st_mode & 07777),
              std::tuple(c.owner, c.group, c.mode));
    EXPECT_EQ(after.st_ino != before.st_ino, c.renamed);
    EXPECT_EQ(besideModes, std::to_string(c.renamed ? c.mode : 0600));
    EXPECT_EQ(folder.Entries("shared").size(), 1u + c.otherLink);
  }
}

}  // namespace
