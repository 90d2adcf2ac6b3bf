#include <gtest/gtest.h>

#include <cerrno>
#include <string>
#include <vector>

#include "platform/io_result.h"
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
  WriteFile(dir / "in.pgn", "ab\ncd\nef\x1agh\n");
  InputFile f;
  f.Open(dir / "in.pgn");
  EXPECT_EQ(f.Buffered(), "ab\ncd\nef");
  f.Skip(3);
  EXPECT_EQ(f.BytesRead(), 3u);
  EXPECT_EQ(ReadLines(f), (Lines{"cd", "ef"}));
  EXPECT_EQ(f.Buffered(), "");
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
  WriteFile(dir / "in.pgn", "one\r\ntwo\nthree\nfour\x1a" "five\n");
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

TEST(OutputFile, FlushHandsOverAndCreateEmpties) {
  TempDir dir;
  WriteFile(dir / "out.pgn", "old contents that are longer");
  OutputFile f;
  f.Create(dir / "out.pgn");
  f.Write("new");
  f.Flush();
  EXPECT_EQ(ReadFile(dir / "out.pgn"), "new");
  f.Write("er");
  f.Close();
  EXPECT_EQ(ReadFile(dir / "out.pgn"), "newer");
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
