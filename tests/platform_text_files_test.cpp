#include <dirent.h>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <string>
#include <vector>

#include "platform/io_result.h"
#include "platform/temp_files.h"
#include "platform/text_files.h"
#include "test_support.h"

using namespace kelvane;

namespace {

using namespace std::string_literals;

constexpr size_t kMiB = 1 << 20;  // the reader's buffer

std::vector<std::string> ReadLines(InputFile& f) {
  std::vector<std::string> lines;
  while (!f.AtEnd()) {
    std::string line;
    f.ReadLineAppend(line);
    lines.push_back(line);
  }
  return lines;
}

std::vector<std::string> LinesOf(const std::string& bytes) {
  TempDir dir;
  WriteFile(dir / "in.pgn", bytes);
  InputFile f;
  f.Open(dir / "in.pgn");
  EXPECT_EQ(TakeIoResult(), 0);
  return ReadLines(f);
}

using Lines = std::vector<std::string>;

TEST(InputFile, LineEndsAndCtrlZ) {
  struct Case {
    std::string bytes;
    Lines lines;
  };
  const Case cases[] = {
      {"", {}},
      {"a", {"a"}},
      {"a\r\nb\nc\rd", {"a", "b", "c", "d"}},
      {"a\r\n", {"a"}},
      {"a\r", {"a"}},
      {"\n", {""}},
      {"a\n\nb\n", {"a", "", "b"}},
      {"a\r\rb", {"a", "", "b"}},
      {"a\n\r\nb", {"a", "", "b"}},  // LF then CR LF: two line ends
      {"a\r\r\nb", {"a", "", "b"}},
      {"ab\ncd\x1a"
       "ef\ngh\n",
       {"ab", "cd"}},  // Ctrl-Z ends the file mid-line
      {"\x1a"
       "abc\n",
       {}},
      {"a\r\x1a\nb", {"a"}},
      {"a\0b\tc\n"s, {"a\0b\tc"s}},  // other control bytes belong to the line
  };
  for (const Case& c : cases) EXPECT_EQ(LinesOf(c.bytes), c.lines) << "\"" << c.bytes << "\"";
}

TEST(InputFile, ReadLineAppendAppends) {
  TempDir dir;
  WriteFile(dir / "in.pgn", "e4\ne5\n");
  InputFile f;
  f.Open(dir / "in.pgn");
  std::string s = "1. ";
  f.ReadLineAppend(s);
  f.ReadLineAppend(s);
  EXPECT_EQ(s, "1. e4e5");
  EXPECT_TRUE(f.AtEnd());
  f.ReadLineAppend(s);
  EXPECT_EQ(s, "1. e4e5");
}

TEST(InputFile, ALineLongerThanMostIsCutAndItsRestSkipped) {
  TempDir dir;
  const std::string x(kMiB + 10, 'x');  // across a refill
  WriteFile(dir / "in.pgn", "abcdef\nab\n" + x + "\r\nnext\n");
  InputFile f;
  f.Open(dir / "in.pgn");
  std::string s;
  EXPECT_FALSE(f.ReadLineAppend(s, 3));
  EXPECT_EQ(s, "abc");
  f.SkipLine();
  EXPECT_TRUE(f.ReadLineAppend(s, 2));  // exactly most
  EXPECT_EQ(s, "abcab");
  s.clear();
  EXPECT_FALSE(f.ReadLineAppend(s, kMiB + 9));
  EXPECT_EQ(s.size(), kMiB + 9);
  f.SkipLine();  // the CR LF too
  s.clear();
  EXPECT_TRUE(f.ReadLineAppend(s, 4));
  EXPECT_EQ(s, "next");
  EXPECT_TRUE(f.AtEnd());
}

TEST(InputFile, SkipEmptyLinesCountsThemAndStopsAtALineWithText) {
  const std::string blanks(kMiB - 1, '\n');  // a CR LF cut by the buffer's end follows
  struct Case {
    std::string bytes;
    uint64_t lines;
    std::string next;  // the line read after them
  } cases[] = {
      {"\n \n\t\r\n\r\r  x\n", 5, "  x"},
      {blanks + "\r\n\n[A]", kMiB + 1, "[A]"},
      {"\n\n\x1a\n", 2, ""},  // a Ctrl-Z ends the file
      {"x\n", 0, "x"},
      {"\n\n", 2, ""},
  };
  for (const Case& c : cases) {
    TempDir dir;
    WriteFile(dir / "in.pgn", c.bytes);
    InputFile f;
    f.Open(dir / "in.pgn");
    EXPECT_EQ(f.SkipEmptyLines(), c.lines);
    std::string line;
    f.ReadLineAppend(line);
    EXPECT_EQ(line, c.next);
  }
}

TEST(InputFile, LineEndsAtTheBufferBoundary) {
  const std::string x(kMiB - 1, 'x');
  // CR as the buffer's last byte, LF as the next fill's first: one line end.
  EXPECT_EQ(LinesOf(x + "\r\nnext\n"), (Lines{x, "next"}));
  // CR as the buffer's last byte, something else next: the CR alone ends the line.
  EXPECT_EQ(LinesOf(x + "\rnext"), (Lines{x, "next"}));
  EXPECT_EQ(LinesOf(x + "\r\rnext"), (Lines{x, "", "next"}));
  // CR as the file's last byte, exactly at the buffer's end.
  EXPECT_EQ(LinesOf(x + "\r"), (Lines{x}));
  // A line that fills the buffer exactly, its LF in the next fill.
  EXPECT_EQ(LinesOf(x + "y\nnext"), (Lines{x + "y", "next"}));
  EXPECT_EQ(LinesOf(x + "y\x1a"
                        "ab"),
            (Lines{x + "y"}));
}

TEST(InputFile, LongLineComesBackWhole) {
  std::string big(3 * kMiB + 17, 'a');
  for (size_t i = 0; i < big.size(); i += 4099) big[i] = 'b';
  EXPECT_EQ(LinesOf("first\r\n" + big + "\r\nlast"), (Lines{"first", big, "last"}));
  // A Ctrl-Z far into a long line still ends the file there.
  EXPECT_EQ(LinesOf(big + "\x1a"
                          "tail\n"),
            (Lines{big}));
}

TEST(InputFile, CountsBytesAndSize) {
  TempDir dir;
  const std::string bytes = "[Event \"x\"]\r\n\r\n1. e4 e5\n";
  WriteFile(dir / "in.pgn", bytes);
  InputFile f;
  f.Open(dir / "in.pgn");
  EXPECT_EQ(f.Size(), bytes.size());
  EXPECT_EQ(ReadLines(f).size(), 3u);
  EXPECT_EQ(f.BytesRead(), bytes.size());
}

TEST(InputFile, ReopenStartsAfresh) {
  TempDir dir;
  WriteFile(dir / "a.pgn",
            "a\x1a"
            "b\n");
  WriteFile(dir / "b.pgn", "c\nd\n");
  InputFile f;
  f.Open(dir / "a.pgn");
  EXPECT_EQ(ReadLines(f), (Lines{"a"}));
  f.Open(dir / "b.pgn");
  EXPECT_EQ(ReadLines(f), (Lines{"c", "d"}));
  f.Close();
  EXPECT_TRUE(f.AtEnd());
  EXPECT_EQ(TakeIoResult(), 0);
}

TEST(InputFile, MissingFileLeavesTheErrorPending) {
  TakeIoResult();
  TempDir dir;
  InputFile f;
  f.Open(dir / "missing.pgn");
  EXPECT_EQ(PeekIoResult(), ENOENT);
  EXPECT_TRUE(f.AtEnd());
  std::string s;
  f.ReadLineAppend(s);
  EXPECT_EQ(s, "");
  f.Close();
  EXPECT_EQ(TakeIoResult(), ENOENT);
  EXPECT_EQ(TakeIoResult(), 0);
}

TEST(InputFile, DirectoryLeavesTheErrorPending) {
  TakeIoResult();
  TempDir dir;
  InputFile f;
  f.Open(dir.path());
  EXPECT_EQ(TakeIoResult(), EISDIR);
  EXPECT_TRUE(f.AtEnd());
}

// --- Whole games and chunks: the raw bytes, a game passed over, bytes put back ---

TEST(InputFile, BufferedBytesEndAtACtrlZAndSkipCountsAsRead) {
  TempDir dir;
  const std::string bytes = "ab\ncd\n" + std::string(3 * kMiB, 'x') + "\x1agh\n";
  WriteFile(dir / "in.pgn", bytes);
  InputFile f;
  f.Open(dir / "in.pgn");
  // Taken piece by piece, the buffered bytes are the file's up to the Ctrl-Z.
  std::string seen;
  while (!f.AtEnd()) {
    const std::string_view piece = f.Buffered();
    ASSERT_FALSE(piece.empty());
    seen += piece;
    f.Skip(piece.size());
  }
  EXPECT_TRUE(seen == bytes.substr(0, bytes.find('\x1a')));
  EXPECT_EQ(f.BytesRead(), bytes.find('\x1a'));
  EXPECT_EQ(f.Buffered(), "");
  // Lines are read on from where a skip left off.
  f.Open(dir / "in.pgn");
  ASSERT_GE(f.Buffered().size(), 3u);
  f.Skip(3);
  std::string line;
  f.ReadLineAppend(line);
  EXPECT_EQ(line, "cd");
  EXPECT_EQ(f.BytesRead(), 6u);
}

TEST(InputFile, RawBytesComeAsTheyAreUpToACtrlZ) {
  TempDir dir;
  const std::string bytes = "ab\r\ncd\n" + std::string(3 * kMiB, 'x') + "\x1a" + "after";
  WriteFile(dir / "in.pgn", bytes);
  InputFile f;
  f.Open(dir / "in.pgn");
  std::string line;
  f.ReadLineAppend(line);  // the rest of the buffer comes first
  std::string raw;
  std::vector<char> piece(kMiB / 3);
  while (size_t n = f.ReadRaw(piece.data(), piece.size())) raw.append(piece.data(), n);
  EXPECT_TRUE(raw == bytes.substr(4, bytes.find('\x1a') - 4));
  EXPECT_EQ(f.BytesRead(), bytes.find('\x1a'));
  EXPECT_TRUE(f.AtEnd());
  EXPECT_EQ(TakeIoResult(), 0);
}

TEST(InputFile, BytesPutBackAreReadAgainBeforeTheRest) {
  TempDir dir;
  WriteFile(dir / "in.pgn",
            "one\r\ntwo\nthree\nfour\x1a"
            "five\n");
  for (size_t taken : {size_t{5}, size_t{12}, size_t{25}}) {
    InputFile f;
    f.Open(dir / "in.pgn");
    std::vector<char> bytes(taken + 10);
    size_t n = 0;
    while (size_t got = f.ReadRaw(bytes.data() + n, taken - n)) n += got;
    f.PutBack(std::move(bytes), n);
    EXPECT_EQ(f.BytesRead(), 0u) << taken;
    // The Ctrl-Z still ends the file, also when the raw reading stopped at it.
    EXPECT_EQ(ReadLines(f), (Lines{"one", "two", "three", "four"})) << taken;
    EXPECT_EQ(f.BytesRead(), 19u) << taken;
  }
}

TEST(InputFile, PlainNamedFilesAreReadAtOffsetsAndLinesGoOnFromASeek) {
  TempDir dir;
  const std::string bytes = "one\r\ntwo\nthree\n";
  WriteFile(dir / "in.pgn", bytes);
  InputFile f;
  f.Open(dir / "in.pgn");
  EXPECT_TRUE(f.ReadableAtOffsets());
  struct Case {
    uint64_t offset;
    size_t n;
    std::string want;
  };
  for (const Case& c :
       {Case{0, 3, "one"}, Case{5, 20, "two\nthree\n"}, Case{16, 5, ""}, Case{40, 5, ""}}) {
    std::string got(c.n, '?');
    int error = -1;
    got.resize(f.ReadAt(c.offset, got.data(), c.n, error));
    EXPECT_EQ(got, c.want) << c.offset;
    EXPECT_EQ(error, 0) << c.offset;
  }
  // Reading at offsets leaves the reading of lines at the start.
  EXPECT_EQ(ReadLines(f), (Lines{"one", "two", "three"}));
  EXPECT_FALSE(f.ReadableAtOffsets());
  f.SeekTo(5);
  EXPECT_EQ(f.Position(), 5u);
  EXPECT_EQ(ReadLines(f), (Lines{"two", "three"}));
  EXPECT_EQ(f.BytesRead(), bytes.size());

  // Standard input may stand anywhere in its file; a compressed file is decoded in order.
  const int saved = ::dup(STDIN_FILENO);
  ASSERT_EQ(std::freopen((dir / "in.pgn").c_str(), "r", stdin) != nullptr, true);
  InputFile standard;
  standard.Open(kStandardStream);
  EXPECT_FALSE(standard.ReadableAtOffsets());
  ::dup2(saved, STDIN_FILENO);
  ::close(saved);
  WriteFile(dir / "in.pgn.gz",
            "\x1f\x8b\x08\x00\x00\x00\x00\x00\x00\x03\x03\x00"
            "\x00\x00\x00\x00\x00\x00\x00\x00"s);
  InputFile gz;
  gz.Open(dir / "in.pgn.gz");
  EXPECT_TRUE(gz.Compressed());
  EXPECT_FALSE(gz.ReadableAtOffsets());
}

TEST(InputFile, BytesInMemoryReadAsAFile) {
  InputFile f;
  std::vector<char> bytes = {'a', '\r', '\n', 'b', '\r', 'c', 'X', 'X'};
  const char* storage = bytes.data();
  f.OpenBytes(std::move(bytes), 6);
  EXPECT_EQ(f.Size(), 6u);
  EXPECT_EQ(ReadLines(f), (Lines{"a", "b", "c"}));
  EXPECT_EQ(f.BytesRead(), 6u);
  // The same storage comes back, for the next chunk.
  std::vector<char> back = f.ReleaseBytes();
  EXPECT_EQ(back.data(), storage);
  EXPECT_EQ(back.size(), 8u);
}

TEST(OutputFile, WritesBytesExactly) {
  TempDir dir;
  std::string expected;
  OutputFile f;
  f.Create(dir / "out.pgn");
  ASSERT_TRUE(f.IsOpen());
  auto write = [&](const std::string& s) {
    f.Write(s);
    expected += s;
  };
  write("[Event \"x\"]\r\n");
  write("\0\x1a\r"s);
  std::string big(3 * kMiB + 5, 'm');
  for (size_t i = 0; i < big.size(); i += 1000) big[i] = char('0' + i % 10);
  write(big);                         // larger than the buffer
  write(std::string(kMiB - 3, 'f'));  // fills the buffer up to the brim
  write("xyz");
  write(std::string(kMiB, 'g'));  // exactly one buffer
  write("tail\r\n");
  f.Close();
  EXPECT_EQ(TakeIoResult(), 0);
  EXPECT_EQ(ReadFile(dir / "out.pgn"), expected);
}

mode_t ModeOf(const std::string& path) {
  struct stat st;
  return ::stat(path.c_str(), &st) == 0 ? st.st_mode & 07777 : 0;
}

TEST(OutputFile, OldFileStaysWholeUntilClose) {
  TempDir dir;
  WriteFile(dir / "out.pgn", "old contents that are longer");
  OutputFile f;
  f.Create(dir / "out.pgn");
  ASSERT_TRUE(f.IsOpen());
  f.Write("new");
  f.Flush();
  // The flushed bytes are in the temporary file beside the old one.
  const std::string temp = TempFileName(dir / "out.pgn", ::getpid());
  EXPECT_EQ(ReadFile(temp), "new");
  EXPECT_EQ(ReadFile(dir / "out.pgn"), "old contents that are longer");
  f.Write("er");
  f.Close();
  EXPECT_EQ(TakeIoResult(), 0);
  EXPECT_EQ(ReadFile(dir / "out.pgn"), "newer");
  EXPECT_EQ(FolderEntries(dir.path()), std::vector<std::string>{"out.pgn"});

  // Discard leaves the old file as it was.
  f.Create(dir / "out.pgn");
  f.Write("dropped");
  f.Flush();
  f.Discard();
  EXPECT_EQ(ReadFile(dir / "out.pgn"), "newer");
  EXPECT_EQ(FolderEntries(dir.path()), std::vector<std::string>{"out.pgn"});
}

TEST(OutputFile, ExistingFileKeepsItsModeAndANewOneFollowsTheUmask) {
  TempDir dir;
  const mode_t oldMask = ::umask(027);
  struct Case {
    const char* name;
    mode_t before;  // 0: no file yet
    mode_t after;
  };
  const Case cases[] = {
      {"private.pgn", 0600, 0600},
      {"open.pgn", 0666, 0666},
      {"odd.pgn", 0751, 0751},
      {"new.pgn", 0, 0640},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    if (c.before) {
      WriteFile(dir / c.name, "old");
      ASSERT_EQ(::chmod((dir / c.name).c_str(), c.before), 0);
    }
    OutputFile f;
    f.Create(dir / c.name);
    f.Write("new");
    f.Close();
    EXPECT_EQ(ReadFile(dir / c.name), "new");
    EXPECT_EQ(ModeOf(dir / c.name), c.after);
  }
  ::umask(oldMask);
  EXPECT_EQ(TakeIoResult(), 0);
}

TEST(OutputFile, SymbolicLinkStaysALinkAndItsTargetIsReplaced) {
  TempDir dir;
  ASSERT_EQ(::mkdir((dir / "real").c_str(), 0755), 0);
  WriteFile(dir / "real/games.pgn", "old");
  struct Case {
    const char* link;
    const char* to;
    std::string target;
  };
  const Case cases[] = {
      {"relative.pgn", "real/games.pgn", dir / "real/games.pgn"},
      {"absolute.pgn", nullptr, dir / "real/games.pgn"},
      {"chain.pgn", "relative.pgn", dir / "real/games.pgn"},
      {"dangling.pgn", "real/new.pgn", dir / "real/new.pgn"},
  };
  const std::string absolute = dir / "real/games.pgn";
  for (const Case& c : cases)
    ASSERT_EQ(::symlink(c.to ? c.to : absolute.c_str(), (dir / c.link).c_str()), 0);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.link);
    OutputFile f;
    f.Create(dir / c.link);
    f.Write(c.link);
    f.Close();
    EXPECT_EQ(TakeIoResult(), 0);
    struct stat st;
    ASSERT_EQ(::lstat((dir / c.link).c_str(), &st), 0);
    EXPECT_TRUE(S_ISLNK(st.st_mode));
    EXPECT_EQ(ReadFile(c.target), c.link);
  }
  EXPECT_EQ(FolderEntries(dir / "real"), (std::vector<std::string>{"games.pgn", "new.pgn"}));
  // A loop of links fails as an open would.
  ASSERT_EQ(::symlink("loop2", (dir / "loop1").c_str()), 0);
  ASSERT_EQ(::symlink("loop1", (dir / "loop2").c_str()), 0);
  OutputFile f;
  f.Create(dir / "loop1");
  EXPECT_FALSE(f.IsOpen());
  EXPECT_EQ(TakeIoResult(), ELOOP);
}

TEST(OutputFile, RefusedFilesLeaveTheErrorPendingAndTheOldFileWhole) {
  TempDir dir;
  ASSERT_EQ(::mkdir((dir / "folder.pgn").c_str(), 0755), 0);
  OutputFile f;
  f.Create(dir / "folder.pgn");
  EXPECT_FALSE(f.IsOpen());
  EXPECT_EQ(TakeIoResult(), EISDIR);

  // Permissions count only for an ordinary user.
  WriteFile(dir / "readonly.pgn", "old");
  ASSERT_EQ(::chmod((dir / "readonly.pgn").c_str(), 0444), 0);
  ASSERT_EQ(::chmod(dir.path().c_str(), 0777), 0);
  EXPECT_EQ(InChild(
                [&] {
                  OutputFile g;
                  g.Create(dir / "readonly.pgn");
                  return g.IsOpen() ? 100 : TakeIoResult();
                },
                true),
            EACCES);
  EXPECT_EQ(ReadFile(dir / "readonly.pgn"), "old");
  EXPECT_EQ(FolderEntries(dir.path()), (std::vector<std::string>{"folder.pgn", "readonly.pgn"}));
}

TEST(OutputFile, FileInAFolderThatTakesNoNewFileIsReplacedByACopyAtTheEnd) {
  TempDir dir;
  ASSERT_EQ(::mkdir((dir / "shut").c_str(), 0755), 0);
  ASSERT_EQ(::mkdir((dir / "spare").c_str(), 0777), 0);
  ASSERT_EQ(::chmod((dir / "spare").c_str(), 0777), 0);
  ASSERT_EQ(::symlink("shut/out.pgn", (dir / "link.pgn").c_str()), 0);
  ASSERT_EQ(::chmod(dir.path().c_str(), 0755), 0);
  struct Case {
    const char* path;
    bool refusedAtClose;  // the file may no longer be written when the copy is due
  };
  const Case cases[] = {{"shut/out.pgn", false}, {"link.pgn", false}, {"shut/out.pgn", true}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.path);
    WriteFile(dir / "shut/out.pgn", "old contents");
    // The child's user may change the file's permissions.
    if (::geteuid() == 0) {
      ASSERT_EQ(::chown((dir / "shut/out.pgn").c_str(), 65534, 65534), 0);
    }
    ASSERT_EQ(::chmod((dir / "shut/out.pgn").c_str(), 0646), 0);
    ASSERT_EQ(::chmod((dir / "shut").c_str(), 0555), 0);
    EXPECT_EQ(InChild(
                  [&] {
                    // The system's temporary folder.
                    ::setenv("TMPDIR", (dir / "spare").c_str(), 1);
                    OutputFile g;
                    g.Create(dir / c.path);
                    if (!g.IsOpen()) return 100 + TakeIoResult();
                    g.Write("new");
                    g.Flush();
                    // The old file stays whole until the new one is.
                    if (ReadFile(dir / "shut/out.pgn") != "old contents") return 3;
                    if (FolderEntries(dir / "spare").size() != 1) return 4;
                    if (c.refusedAtClose) ::chmod((dir / "shut/out.pgn").c_str(), 0444);
                    g.Close();
                    return TakeIoResult();
                  },
                  true),
              c.refusedAtClose ? EACCES : 0);
    EXPECT_EQ(ReadFile(dir / "shut/out.pgn"), c.refusedAtClose ? "old contents" : "new");
    EXPECT_EQ(ModeOf(dir / "shut/out.pgn"), c.refusedAtClose ? 0444 : 0646);
    EXPECT_EQ(FolderEntries(dir / "spare"), std::vector<std::string>{});
    ::chmod((dir / "shut").c_str(), 0755);
  }
  // A new file cannot be made there at all.
  ::chmod((dir / "shut").c_str(), 0555);
  EXPECT_EQ(InChild(
                [&] {
                  OutputFile g;
                  g.Create(dir / "shut/other.pgn");
                  return g.IsOpen() ? 100 : TakeIoResult();
                },
                true),
            EACCES);
  ::chmod((dir / "shut").c_str(), 0755);
}

TEST(OutputFile, FailedWriteKeepsTheOldFile) {
  TempDir dir;
  WriteFile(dir / "out.pgn", "old");
  // A file size limit makes the writes fail, as a full disk would.
  EXPECT_EQ(InChild(
                [&] {
                  std::signal(SIGXFSZ, SIG_IGN);
                  rlimit limit{4096, 4096};
                  if (::setrlimit(RLIMIT_FSIZE, &limit) != 0) return 2;
                  OutputFile g;
                  g.Create(dir / "out.pgn");
                  g.Write(std::string(3 * kMiB, 'n'));
                  if (!g.Failed() || PeekIoResult() != EFBIG) return 3;
                  g.Write("more");  // nothing more is tried
                  g.Close();
                  return TakeIoResult() == EFBIG ? 0 : 4;
                },
                false),
            0);
  EXPECT_EQ(ReadFile(dir / "out.pgn"), "old");
  EXPECT_EQ(FolderEntries(dir.path()), std::vector<std::string>{"out.pgn"});
}

TEST(OutputFile, DeviceIsWrittenInPlace) {
  OutputFile f;
  f.Create("/dev/null");
  ASSERT_TRUE(f.IsOpen());
  f.Write("gone");
  f.Close();
  EXPECT_EQ(TakeIoResult(), 0);
  struct stat st;
  ASSERT_EQ(::stat("/dev/null", &st), 0);
  EXPECT_TRUE(S_ISCHR(st.st_mode));
}

TEST(OutputFile, CreateInMissingFolderLeavesTheErrorPending) {
  TakeIoResult();
  TempDir dir;
  OutputFile f;
  f.Create(dir / "no/such/out.pgn");
  EXPECT_FALSE(f.IsOpen());
  EXPECT_EQ(PeekIoResult(), ENOENT);
  f.Write("dropped");
  f.Close();
  EXPECT_EQ(TakeIoResult(), ENOENT);
  EXPECT_FALSE(Exists(dir / "no"));
}

}  // namespace
