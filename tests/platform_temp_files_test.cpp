// Temporary files beside a target: their names, who owns them, the clean-up of those left
// by killed processes, and when two paths land in one file.
#include <dirent.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <string>
#include <vector>

#include "platform/temp_files.h"
#include "test_support.h"
#include "text/path_parts.h"

using namespace kelvane;

namespace {

// The id of a process that has ended (and been waited for).
pid_t EndedProcess() {
  pid_t pid = ::fork();
  if (pid == 0) ::_exit(0);
  ::waitpid(pid, nullptr, 0);
  return pid;
}

// A host's tag in a temporary file's name, not this host's.
constexpr char kOtherHost[] = "fedcba9876543210";

TEST(TempFiles, OwnerIsReadFromOurNamesOnly) {
  const std::pair<const char*, pid_t> cases[] = {
      {".out.pgn.kelvane-0123456789abcdef-1234.tmp", 1234},
      {".out.pgn.kelvane-0123456789ABCDEF-1234.tmp", 0},  // not a tag we make
      {".out.pgn.kelvane-0123456789abcde-1234.tmp", 0},   // nor this
      {".out.pgn.kelvane-0123456789abcdef-.tmp", 0},
      {".out.pgn.kelvane-1234.tmp", 1234},  // the earlier naming, without the host
      {".a.kelvane-1.tmp", 1},
      {".kelvane.ini.kelvane-99.tmp", 99},
      {".x.kelvane-2147483647.tmp", 2147483647},
      {"out.pgn.kelvane-1234.tmp", 0},         // not hidden
      {".out.pgn.kelvane-1234.tmpx", 0},       // another ending
      {".out.pgn.kelvane-12a4.tmp", 0},        // not a number
      {".out.pgn.kelvane-.tmp", 0},            // no number
      {".out.pgn.kelvane-0.tmp", 0},           // no process has id 0
      {".out.pgn.kelvane-2147483648.tmp", 0},  // beyond any process id
      {".kelvane-1234.tmp", 0},                // no file name
      {".out.pgn.tmp-1234-0", 0},
      {"", 0},
  };
  for (const auto& [name, pid] : cases) EXPECT_EQ(TempFileOwner(name), pid) << name;
  // Every name we make is one of ours.
  EXPECT_EQ(TempFileOwner(FileNamePart(TempFileName("/a/b/out.pgn", 4321))), 4321);
}

TEST(TempFiles, NameStaysBesideTheTargetSaysItsHostAndStaysWithinTheSystemsLimit) {
  const std::string name = TempFileName("/a/b.c/out.pgn", 77);
  std::string host;
  EXPECT_EQ(TempFileOwner(FileNamePart(name), &host), 77);
  EXPECT_EQ(host.size(), 16u);
  EXPECT_EQ(name, "/a/b.c/.out.pgn.kelvane-" + host + "-77.tmp");
  EXPECT_EQ(TempFileName("out.pgn", 77), ".out.pgn.kelvane-" + host + "-77.tmp");
  // Two long names that differ only past the kept part still get two temporary files.
  const std::string stem(240, 'g');
  const std::string a = TempFileName("/d/" + stem + ".pgn", 2147483647);
  const std::string b = TempFileName("/d/" + stem + "2.pgn", 2147483647);
  EXPECT_NE(a, b);
  for (const std::string& name : {a, b}) {
    EXPECT_LE(name.size() - 3, 255u) << name;
    EXPECT_EQ(name.rfind("/d/.", 0), 0u);
    EXPECT_EQ(TempFileOwner(name.substr(3)), 2147483647);
  }
}

TEST(TempFiles, LeftoversAreJudgedByTheirProcessOnTheirHostElseByAge) {
  TempDir dir;
  const pid_t dead = EndedProcess();
  const std::string deadId = std::to_string(dead);
  constexpr long kDay = 24 * 60 * 60;
  std::vector<std::string> expected = WriteAgedFiles(
      dir.path(),
      {
          // Made on this host and in this namespace: judged by whether the process runs.
          {FileNamePart(TempFileName(dir / "mine.pgn", ::getpid())), 2 * kDay, false},
          {FileNamePart(TempFileName(dir / "live.pgn", ::getppid())), 2 * kDay, false},
          {FileNamePart(TempFileName(dir / "out.pgn", dead)), 0, true},
          // Made elsewhere, where a process of that id may run: only once a day old.
          {".out.pgn.kelvane-" + std::string(kOtherHost) + "-" + deadId + ".tmp", 0, false},
          {".new.pgn.kelvane-" + std::string(kOtherHost) + "-" + deadId + ".tmp", kDay - 60, false},
          {".old.pgn.kelvane-" + std::string(kOtherHost) + "-1.tmp", kDay + 60, true},
          // The earlier naming does not say where it was made.
          {".early.pgn.kelvane-" + deadId + ".tmp", 0, false},
          {".earlier.pgn.kelvane-1.tmp", 2 * kDay, true},
          // Not our naming.
          {"plain.pgn.kelvane-" + deadId + ".tmp", 2 * kDay, false},
          {"games.pgn", 2 * kDay, false},
      });
  // A folder of that name is not ours to remove.
  const std::string folder = FileNamePart(TempFileName(dir / "folder", dead));
  ASSERT_EQ(::mkdir((dir / folder).c_str(), 0755), 0);
  expected.push_back(folder);

  RemoveStaleTempFiles(dir.path());
  std::sort(expected.begin(), expected.end());
  EXPECT_EQ(FolderEntries(dir.path()), expected);
  RemoveStaleTempFiles(dir / "no/such/folder");  // nothing to do, no harm
}

TEST(TempFiles, CreateReplacesOnlyAFileLeftUnderThisProcesssId) {
  TempDir dir;
  std::string temp;
  const std::string stale = TempFileName(dir / "out.pgn", ::getpid());
  WriteFile(stale, "left behind");
  int fd = CreateTempFile(dir / "out.pgn", 0600, temp);
  ASSERT_GE(fd, 0);
  EXPECT_EQ(temp, stale);
  ::close(fd);
  EXPECT_EQ(ReadFile(temp), "");
  struct stat st;
  ASSERT_EQ(::stat(temp.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0600u);
  EXPECT_EQ(CreateTempFile(dir / "no/such/out.pgn", 0600, temp), -1);
  EXPECT_EQ(errno, ENOENT);
}

TEST(TempFiles, SameWriteTargetFollowsLinksAndCompareFolders) {
  TempDir dir;
  ASSERT_EQ(::mkdir((dir / "sub").c_str(), 0755), 0);
  WriteFile(dir / "out.pgn", "x");
  WriteFile(dir / "other.pgn", "x");
  ASSERT_EQ(::symlink("out.pgn", (dir / "soft.pgn").c_str()), 0);
  ASSERT_EQ(::link((dir / "out.pgn").c_str(), (dir / "hard.pgn").c_str()), 0);
  ASSERT_EQ(::symlink("sub/new.pgn", (dir / "dangling.pgn").c_str()), 0);
  ASSERT_EQ(::symlink("../sub/new.pgn", (dir / "sub/dangling2.pgn").c_str()), 0);
  struct Case {
    std::string a, b;
    bool same;
  };
  const Case cases[] = {
      {dir / "out.pgn", dir / "soft.pgn", true},
      {dir / "out.pgn", dir / "hard.pgn", true},
      {dir / "soft.pgn", dir / "hard.pgn", true},
      {dir / "out.pgn", dir / "sub/../out.pgn", true},
      {dir / "out.pgn", dir / "other.pgn", false},
      // Not there yet: the same entry of one folder, however it is reached.
      {dir / "dangling.pgn", dir / "sub/new.pgn", true},
      {dir / "sub/dangling2.pgn", dir / "dangling.pgn", true},
      {dir / "sub/new.pgn", dir / "./sub/new.pgn", true},
      {dir / "sub/new.pgn", dir / "new.pgn", false},
      {dir / "dangling.pgn", dir / "out.pgn", false},
      {dir / "out.pgn", "", false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(SameWriteTarget(c.a, c.b), c.same) << c.a << " and " << c.b;
    EXPECT_EQ(SameWriteTarget(c.b, c.a), c.same) << c.b << " and " << c.a;
  }
}

TEST(TempFiles, UmaskIsReadWithoutChangingIt) {
  const mode_t old = ::umask(027);
  EXPECT_EQ(CurrentUmask(), 027u);
  EXPECT_EQ(CurrentUmask(), 027u);
  ::umask(old);
}

}  // namespace
