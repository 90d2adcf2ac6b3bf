#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "engine/game_reader.h"
#include "platform/fault.h"
#include "platform/io_result.h"
#include "platform/text_files.h"
#include "scripted_dialogs.h"
#include "test_support.h"

using namespace kelvane;

namespace {

using namespace std::string_literals;

struct Game {
  std::string header;
  std::string moves;
  bool operator==(const Game&) const = default;
};

void PrintTo(const Game& g, std::ostream* os) {
  *os << "{header \"" << g.header << "\", moves \"" << g.moves << "\"}";
}

struct ReadResult {
  std::vector<Game> games;
  std::vector<std::string> log;  // everything the reader showed
};

// Reads a whole file the way the scan does: header then move text until the end-of-file
// flag is set (a file without a line holds no game).
ReadResult ReadGames(const std::string& bytes) {
  TempDir dir;
  WriteFile(dir / "in.pgn", bytes);
  ScriptedDialogs scripted;
  InputFile in;
  in.Open(dir / "in.pgn");
  EXPECT_EQ(TakeIoResult(), 0);
  ReadResult r;
  bool eof = in.AtEnd();
  // The cap keeps a reader that never sets the flag from hanging the test.
  for (int i = 0; !eof && i < 1000; ++i) {
    Game g;
    ReadHeader(in, eof, g.header, scripted);
    ReadMoveText(in, eof, g.moves, scripted);
    r.games.push_back(g);
  }
  EXPECT_TRUE(eof);
  r.log = scripted.log;
  return r;
}

std::string Odd(const std::string& line) {
  return "notice: odd line: \"" + line + "\"";
}

using Games = std::vector<Game>;
using Log = std::vector<std::string>;

struct Case {
  const char* what;
  std::string bytes;
  Games games;
  Log log;
};

TEST(GameReader, BlocksOfEveryEdgeCase) {
  const Case cases[] = {
      {"one plain game",
       "[A \"1\"]\n[B \"2\"]\n\n1.e4 e5\n2.Nf3 1-0\n",
       {{"[A \"1\"]\r\n[B \"2\"]\r\n", "1.e4 e5\r\n2.Nf3 1-0\r\n"}},
       {}},
      {"blank lines before a header are skipped",
       "\n  \n\t\n[A \"1\"]\n\n1.e4\n",
       {{"[A \"1\"]\r\n", "1.e4\r\n"}},
       {}},
      {"several empty lines between header and moves",
       "[A \"1\"]\n\n\n \n\n1.e4\n\n[B \"2\"]\n\n1.d4\n",
       {{"[A \"1\"]\r\n", "1.e4\r\n"}, {"[B \"2\"]\r\n", "1.d4\r\n"}},
       {}},
      {"an empty line among the tag lines",
       "[A \"1\"]\n\n[B \"2\"]\n[C \"3\"]\n1.e4\n",
       {{"[A \"1\"]\r\n", "[B \"2\"]\r\n[C \"3\"]\r\n1.e4\r\n"}},
       {Odd("[B \"2\"]"), Odd("[C \"3\"]")}},
      {"a move text from a set-up position runs on into the next game",
       "[A \"1\"]\n\n23.Kh1 Qe1\n24.Qe2 1-0\n\n[B \"2\"]\n\n1.e4 e5\n\n[C \"3\"]\n\n1.d4\n",
       {{"[A \"1\"]\r\n", "23.Kh1 Qe1\r\n24.Qe2 1-0\r\n[B \"2\"]\r\n1.e4 e5\r\n"},
        {"[C \"3\"]\r\n", "1.d4\r\n"}},
       {Odd("23.Kh1 Qe1"), Odd("24.Qe2 1-0"), Odd("[B \"2\"]")}},
      {"a result with a comment is odd; black's first move starts",
       "[A \"1\"]\n\n1-0 {x}\n1... e5 2.Nf3\n",
       {{"[A \"1\"]\r\n", "1-0 {x}\r\n1... e5 2.Nf3\r\n"}},
       {Odd("1-0 {x}")}},
      {"a comment starts the move text",
       "[A \"1\"]\n\n{intro} 1.e4\nBlah\n",
       {{"[A \"1\"]\r\n", "{intro} 1.e4\r\nBlah\r\n"}},
       {}},
      {"bare results start the move text",
       "[A \"1\"]\n\n*\n\n[B \"2\"]\n\n1-0\n\n[C \"3\"]\n\n0-1\n\n[D \"4\"]\n\n1/2-1/2\n",
       {{"[A \"1\"]\r\n", "*\r\n"},
        {"[B \"2\"]\r\n", "1-0\r\n"},
        {"[C \"3\"]\r\n", "0-1\r\n"},
        {"[D \"4\"]\r\n", "1/2-1/2\r\n"}},
       {}},
      {"near misses of a start are odd",
       "[A \"1\"]\n\n1/2\n1\n 1 . e4\n*1\n1.e4\n",
       {{"[A \"1\"]\r\n", "1/2\r\n1\r\n1 . e4\r\n*1\r\n1.e4\r\n"}},
       {Odd("1/2"), Odd("1"), Odd("1 . e4"), Odd("*1")}},
      {"once begun, every line is kept untested",
       "[A \"1\"]\n\n1.e4\nodd?\n[X \"y\"]\n",
       {{"[A \"1\"]\r\n", "1.e4\r\nodd?\r\n[X \"y\"]\r\n"}},
       {}},
      {"tabs and double blanks collapse everywhere",
       "\t[Event  \t\"A  B\"]  \n\n 1.e4\t\te5  {a   b}\t\n",
       {{"[Event \"A B\"]\r\n", "1.e4 e5 {a b}\r\n"}},
       {}},
      {"the file ends right after the last move line",
       "[A \"1\"]\n\n1.e4",
       {{"[A \"1\"]\r\n", "1.e4\r\n"}},
       {}},
      {"one final empty line adds no game",
       "[A \"1\"]\n\n1.e4\n\n",
       {{"[A \"1\"]\r\n", "1.e4\r\n"}},
       {}},
      {"two trailing empty lines give an extra empty game",
       "[A \"1\"]\n\n1.e4\n\n\n",
       {{"[A \"1\"]\r\n", "1.e4\r\n"}, {"", ""}},
       {}},
      {"many trailing blank lines give one extra empty game",
       "[A \"1\"]\n\n1.e4\n\n\n \n\t\n\n",
       {{"[A \"1\"]\r\n", "1.e4\r\n"}, {"", ""}},
       {}},
      {"a header at the end of the file",
       "[A \"1\"]\n[B \"2\"]",
       {{"[A \"1\"]\r\n[B \"2\"]\r\n", ""}},
       {}},
      {"Ctrl-Z between games ends the file",
       "[A \"1\"]\n\n1.e4\n\n\x1a[B \"2\"]\n\n1.d4\n",
       {{"[A \"1\"]\r\n", "1.e4\r\n"}},
       {}},
      {"Ctrl-Z inside a line ends it and the file",
       "[A \"1\"]\n\n1.e4 e5\x1a junk\n\n[B]\n",
       {{"[A \"1\"]\r\n", "1.e4 e5\r\n"}},
       {}},
      {"blank lines only", "\n\n  \n", {{"", ""}}, {}},
      {"empty file", "", {}, {}},
      {"Ctrl-Z first", "\x1a[A \"1\"]\n\n1.e4\n", {}, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    ReadResult r = ReadGames(c.bytes);
    EXPECT_EQ(r.games, c.games);
    EXPECT_EQ(r.log, c.log);
  }
}

// Replaces every "\n" of text by end.
std::string WithLineEnds(const std::string& text, const std::string& end) {
  std::string out;
  for (char c : text) {
    if (c == '\n')
      out += end;
    else
      out += c;
  }
  return out;
}

TEST(GameReader, EveryLineEndGivesTheSameBlocks) {
  const std::string text =
      "\n[A \"1\"]\n[B \"2\"]\n\n\n1.e4 e5\n2.Nf3 1-0\n\n[C \"3\"]\n\n23.Kh1\n\n[D \"4\"]\n\n"
      "1.d4 *\n\n\n";
  const Games expected = {{"[A \"1\"]\r\n[B \"2\"]\r\n", "1.e4 e5\r\n2.Nf3 1-0\r\n"},
                          {"[C \"3\"]\r\n", "23.Kh1\r\n[D \"4\"]\r\n1.d4 *\r\n"},
                          {"", ""}};
  for (const char* end : {"\r\n", "\n", "\r"}) {
    SCOPED_TRACE(::testing::PrintToString(std::string(end)));
    ReadResult r = ReadGames(WithLineEnds(text, end));
    EXPECT_EQ(r.games, expected);
    EXPECT_EQ(r.log, (Log{Odd("23.Kh1"), Odd("[D \"4\"]")}));
  }
  // Mixed line ends in one file read the same way too.
  ReadResult mixed = ReadGames("[A \"1\"]\r\n[B \"2\"]\r\r\n1.e4 e5\n2.Nf3 1-0\r\n");
  EXPECT_EQ(mixed.games, (Games{{"[A \"1\"]\r\n[B \"2\"]\r\n", "1.e4 e5\r\n2.Nf3 1-0\r\n"}}));
}

class GameReaderFile : public ::testing::Test {
 protected:
  void Open(const std::string& bytes) {
    WriteFile(dir_ / "in.pgn", bytes);
    in_.Open(dir_ / "in.pgn");
    ASSERT_EQ(TakeIoResult(), 0);
  }
  TempDir dir_;
  ScriptedDialogs scripted_;
  InputFile in_;
};

TEST_F(GameReaderFile, EndOfFileFlagIsSetByTheCallThatReachesTheEndAndNeverCleared) {
  Open("[A \"1\"]\n\n1.e4\n\n[B \"2\"]\n\n1.d4");
  bool eof = false;
  std::string header = "old", moves = "old";
  ReadHeader(in_, eof, header, scripted_);
  ReadMoveText(in_, eof, moves, scripted_);
  EXPECT_FALSE(eof);
  EXPECT_EQ(header, "[A \"1\"]\r\n");
  EXPECT_EQ(moves, "1.e4\r\n");
  ReadHeader(in_, eof, header, scripted_);
  EXPECT_FALSE(eof);
  ReadMoveText(in_, eof, moves, scripted_);
  EXPECT_TRUE(eof);
  EXPECT_EQ(moves, "1.d4\r\n");
  // At the end a call reads nothing, returns an empty block and leaves the flag set.
  ReadHeader(in_, eof, header, scripted_);
  ReadMoveText(in_, eof, moves, scripted_);
  EXPECT_TRUE(eof);
  EXPECT_EQ(header, "");
  EXPECT_EQ(moves, "");
  EXPECT_TRUE(scripted_.log.empty());
}

TEST_F(GameReaderFile, HeaderReachingTheEndLeavesAnEmptyMoveText) {
  Open("[A \"1\"]\n[B \"2\"]\n");
  bool eof = false;
  std::string header, moves = "stale";
  ReadHeader(in_, eof, header, scripted_);
  EXPECT_TRUE(eof);
  ReadMoveText(in_, eof, moves, scripted_);
  EXPECT_TRUE(eof);
  EXPECT_EQ(header, "[A \"1\"]\r\n[B \"2\"]\r\n");
  EXPECT_EQ(moves, "");
}

TEST_F(GameReaderFile, ReaderNeverClearsAFlagTheCallerSet) {
  Open("[A \"1\"]\n\n1.e4\n\n[B \"2\"]\n\n1.d4\n");
  bool eof = true;
  std::string header;
  ReadHeader(in_, eof, header, scripted_);
  EXPECT_TRUE(eof);
  EXPECT_EQ(header, "[A \"1\"]\r\n");
}

TEST_F(GameReaderFile, LongLinesAndLinesAcrossTheReadBufferStayWhole) {
  // Lines larger than the reader's buffer and a CR LF split by a refill.
  const std::string tag = "[Annotator \"" + std::string(3 << 20, 'a') + "\"]";
  std::string bytes = tag + "\r\n\r\n";
  std::string pad = "{" + std::string((1 << 20) - bytes.size() % (1 << 20) - 3, 'c') + "}";
  bytes += pad + "\r\n1.e4\r\n";  // pad ends one byte before the buffer edge
  Open(bytes);
  bool eof = false;
  std::string header, moves;
  ReadHeader(in_, eof, header, scripted_);
  ReadMoveText(in_, eof, moves, scripted_);
  EXPECT_TRUE(eof);
  EXPECT_EQ(header, tag + "\r\n");
  EXPECT_EQ(moves, pad + "\r\n1.e4\r\n");
}

TEST(GameReader, HostileBytesAreOrdinaryCharactersOfALine) {
  // NUL, bell, escape, DEL and high bytes stay in the lines; only blanks and tabs are
  // cleaned. A line feed after a CR belongs to the line end, a lone LF ends a line.
  const std::string tag = "[A \"\0\x01\x7f\xff\"]"s;
  const std::string moveLine = "1.e4 \0 e5\x07\x1b[0m \x80\x81"s;
  ReadResult r = ReadGames(tag + "\n\n" + moveLine + "\n");
  EXPECT_EQ(r.games, (Games{{tag + "\r\n", moveLine + "\r\n"}}));
  EXPECT_TRUE(r.log.empty());

  // An odd line of control bytes is shown as it is and kept.
  const std::string odd = "\x01\x02\0\x03"s;
  r = ReadGames("[A \"1\"]\n\n" + odd + "\n1.e4\n");
  EXPECT_EQ(r.games, (Games{{"[A \"1\"]\r\n", odd + "\r\n1.e4\r\n"}}));
  EXPECT_EQ(r.log, Log{Odd(odd)});
}

TEST(GameReader, FiftyMegabyteSingleLineIsOneOddLine) {
  const std::string line(50u << 20, 'x');
  ReadResult r = ReadGames("[A \"1\"]\n\n" + line + "\n1.e4\n");
  ASSERT_EQ(r.games.size(), 1u);
  EXPECT_EQ(r.games[0].moves.size(), line.size() + 2 + 6);
  EXPECT_EQ(r.games[0].moves.compare(0, 3, "xxx"), 0);
  ASSERT_EQ(r.log.size(), 1u);
  EXPECT_EQ(r.log[0].size(), Odd(line).size());
}

TEST(GameReaderHeader, LineWithoutBracketIsShownAndTraps) {
  struct Case {
    std::string bytes;
    std::string shown;
  } cases[] = {
      {"1.e4 e5 2.Nf3\n", "invalid PGN: 1.e4 e5 2.Nf3"},
      {"\n\n[A \"1\"]\n  Event \t x\n", "invalid PGN: Event x"},
      {"\x7f"
       "ELF\x02\x01\x01\0\0\0"s,
       "invalid PGN: \x7f"
       "ELF\x02\x01\x01\0\0\0"s},
  };
  for (const auto& c : cases) {
    TempDir dir;
    WriteFile(dir / "in.pgn", c.bytes);
    InputFile in;
    in.Open(dir / "in.pgn");
    ScriptedDialogs scripted;
    bool eof = false;
    std::string header;
    try {
      ReadHeader(in, eof, header, scripted);
      ADD_FAILURE() << "no trap for " << c.shown;
    } catch (const FatalError& e) {
      EXPECT_STREQ(e.what(), "trap 7365");
    }
    EXPECT_EQ(scripted.messages, std::vector<std::string>{c.shown});
  }
}

TEST(GameReaderHeader, TheInvalidLineIsReportedAsItsOwnKindForTheCallerToWord) {
  TempDir dir;
  WriteFile(dir / "in.pgn", "1.e4 e5\n");
  InputFile in;
  in.Open(dir / "in.pgn");
  ScriptedDialogs scripted;
  AdvisingReporter worded(scripted);
  bool eof = false;
  std::string header;
  EXPECT_THROW(ReadHeader(in, eof, header, worded), FatalError);
  EXPECT_EQ(scripted.messages, std::vector<std::string>{"invalid PGN: 1.e4 e5\rTry this."});
}

TEST(GameReader, AGameLargerThanMostThrowsBeforeItsLineIsHeldWhole) {
  // The game below takes 9 bytes of header and 8 of move text.
  const std::string game = "[A \"1\"]\n\n1.e4 *\n";
  struct Case {
    std::string bytes;
    size_t most;
    bool tooLarge;
  } cases[] = {
      {game, 17, false},
      {game, 16, true},
      {game, 8, true},
      {"[A \"" + std::string(1u << 20, 'x') + "\"]\n", 100, true},
      {"[A \"1\"]\n\n1.e4 " + std::string(1u << 20, 'x') + "\n", 100, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.most);
    TempDir dir;
    WriteFile(dir / "in.pgn", c.bytes);
    InputFile in;
    in.Open(dir / "in.pgn");
    ScriptedDialogs scripted;
    bool eof = false;
    std::string header, moves;
    bool thrown = false;
    try {
      ReadHeader(in, eof, header, scripted, c.most);
      ReadMoveText(in, eof, moves, scripted, c.most - header.size());
    } catch (const GameTooLarge&) {
      thrown = true;
    }
    EXPECT_EQ(thrown, c.tooLarge);
    EXPECT_LE(header.size() + moves.size(), c.most + 2);
    EXPECT_LE(in.Position(), c.most + 16);  // the rest of a long line is not read
  }
}

// ---- Tolerant reading -----------------------------------------------------------------

// What tolerant reading told, in order: "skipped N: text", "odd N: text" and "game N
// skipped".
class NoteLog : public ReadingNotes {
 public:
  void GameSkipped(int64_t line, size_t) override {
    notes.push_back("game " + std::to_string(line) + " skipped");
  }
  void LineSkipped(int64_t line, std::string_view text) override {
    notes.push_back("skipped " + std::to_string(line) + ": " + std::string(text));
  }
  void OddLine(int64_t line, std::string_view text) override {
    notes.push_back("odd " + std::to_string(line) + ": " + std::string(text));
  }
  Log notes;
};

struct TolerantGame {
  std::string header;
  std::string moves;
  int64_t line;  // the game's first line
  bool operator==(const TolerantGame&) const = default;
};

void PrintTo(const TolerantGame& g, std::ostream* os) {
  *os << "{line " << g.line << ", header \"" << g.header << "\", moves \"" << g.moves << "\"}";
}

using TolerantGames = std::vector<TolerantGame>;

struct TolerantResult {
  TolerantGames games;
  Log notes;
};

// Reads a whole file as the scan does with tolerant reading, games held up to most bytes.
TolerantResult ReadTolerantly(const std::string& bytes, size_t most = InputFile::kWholeLine) {
  TempDir dir;
  WriteFile(dir / "in.pgn", bytes);
  InputFile in;
  in.Open(dir / "in.pgn");
  EXPECT_EQ(TakeIoResult(), 0);
  NoteLog notes;
  TolerantReader reader(in, notes, most);
  TolerantResult r;
  bool eof = in.AtEnd();
  for (int i = 0; !eof && i < 1000; ++i) {
    TolerantGame g;
    if (!reader.ReadGame(eof, g.header, g.moves)) {
      EXPECT_TRUE(eof);
      EXPECT_EQ(g.header + g.moves, "");
      break;
    }
    g.line = reader.GameLine();
    r.games.push_back(g);
  }
  EXPECT_TRUE(eof);
  r.notes = notes.notes;
  return r;
}

struct TolerantCase {
  const char* what;
  std::string bytes;
  TolerantGames games;
  Log notes;
  size_t most = InputFile::kWholeLine;
};

void ExpectTolerantReading(const std::vector<TolerantCase>& cases) {
  for (const TolerantCase& c : cases) {
    SCOPED_TRACE(c.what);
    TolerantResult r = ReadTolerantly(c.bytes, c.most);
    EXPECT_EQ(r.games, c.games);
    EXPECT_EQ(r.notes, c.notes);
  }
}

TEST(TolerantReader, GivesTheUsualBlocksForEveryFileReadWithoutAnOddLine) {
  const std::string inputs[] = {
      "[A \"1\"]\n[B \"2\"]\n\n1.e4 e5\n2.Nf3 1-0\n",
      "\n  \n\t\n[A \"1\"]\n\n1.e4\n",
      "[A \"1\"]\n\n\n \n\n1.e4\n\n[B \"2\"]\n\n1.d4\n",
      "[A \"1\"]\n\n{intro} 1.e4\nBlah\n",
      "[A \"1\"]\n\n*\n\n[B \"2\"]\n\n1-0\n\n[C \"3\"]\n\n0-1\n\n[D \"4\"]\n\n1/2-1/2\n",
      "[A \"1\"]\n\n1.e4\nodd?\n[X \"y\"]\n",
      "\t[Event  \t\"A  B\"]  \n\n 1.e4\t\te5  {a   b}\t\n",
      "[A \"1\"]\n\n1.e4",
      "[A \"1\"]\n\n1.e4\n\n",
      "[A \"1\"]\n\n1.e4\n\n\n",  // the empty game of blank lines at the end
      "[A \"1\"]\n\n1.e4 *\n\n\n \n\t\n\n",
      "[A \"1\"]\n\n1.e4 {a\n[B \"2\"]\n\n[C \"3\"]\n\n1.d4\n",
      "[A \"1\"]\n[B \"2\"]",
      "[A \"1\"]\n[B \"2\"]\n\n",
      "[A \"1\"]\n\n1.e4\n\n\x1a[B \"2\"]\n\n1.d4\n",
      "[A \"1\"]\n\n1.e4 e5\x1a junk\n\n[B]\n",
      "[A \"1\"]\r\n\r\n1.e4 (1.d4\r\n\r\n[B \"2\"]\r\n\r\n1.c4 1-0\r\n\r\n\r\n",
      "\n\n  \n",
      "",
      "\x1a[A \"1\"]\n\n1.e4\n",
  };
  for (const std::string& bytes : inputs) {
    SCOPED_TRACE(::testing::PrintToString(bytes));
    ReadResult usual = ReadGames(bytes);
    ASSERT_TRUE(usual.log.empty());
    TolerantResult tolerant = ReadTolerantly(bytes);
    Games blocks;
    for (const TolerantGame& g : tolerant.games) blocks.push_back({g.header, g.moves});
    EXPECT_EQ(blocks, usual.games);
    EXPECT_TRUE(tolerant.notes.empty());
  }
}

TEST(TolerantReader, AnEmptyLineEndsAMoveTextAfterAResultOrBeforeATag) {
  ExpectTolerantReading({
      {"a comment that holds an empty line",
       "[A \"1\"]\n\n1.e4 {a\n\n\nb} e5 *\n\n[B \"2\"]\n\n1.d4 *\n",
       {{"[A \"1\"]\r\n", "1.e4 {a\r\nb} e5 *\r\n", 1}, {"[B \"2\"]\r\n", "1.d4 *\r\n", 8}},
       {}},
      {"moves, comments and variations apart",
       "[A \"1\"]\n\n1.e4 e5\n\n{good}\n\n(1...c5)\n\n2.Nf3 1-0\n",
       {{"[A \"1\"]\r\n", "1.e4 e5\r\n{good}\r\n(1...c5)\r\n2.Nf3 1-0\r\n", 1}},
       {}},
      {"a result ends the game without a tag after it",
       "[A \"1\"]\n\n1.e4 1-0\n\n1.d4 0-1\n\n1.c4 1/2-1/2\n\n1.f4 *\n",
       {{"[A \"1\"]\r\n", "1.e4 1-0\r\n", 1},
        {"", "1.d4 0-1\r\n", 5},
        {"", "1.c4 1/2-1/2\r\n", 7},
        {"", "1.f4 *\r\n", 9}},
       {}},
      {"results inside comments and variations do not",
       "[A \"1\"]\n\n1.e4 {1-0\n\n} e5 (2.d4 1-0\n\n) 2.Nf3 ; 0-1\n\n*\n",
       {{"[A \"1\"]\r\n", "1.e4 {1-0\r\n} e5 (2.d4 1-0\r\n) 2.Nf3 ; 0-1\r\n*\r\n", 1}},
       {}},
      {"stray closing brackets are no tokens",
       "[A \"1\"]\n\n1.e4 } e5 ) 1-0\n\n1.d4 }\n\n)\n\n2.c4\n",
       {{"[A \"1\"]\r\n", "1.e4 } e5 ) 1-0\r\n", 1}, {"", "1.d4 }\r\n)\r\n2.c4\r\n", 5}},
       {}},
      {"stray closing brackets after a variation",
       "[A \"1\"]\n\n1.e4 (1.d4) } e5 ) 0-1\n\n1.d4 (1.c4) }\n\n2.c4\n",
       {{"[A \"1\"]\r\n", "1.e4 (1.d4) } e5 ) 0-1\r\n", 1}, {"", "1.d4 (1.c4) }\r\n2.c4\r\n", 5}},
       {}},
      {"a result followed by more moves does not",
       "[A \"1\"]\n\n1.e4 *\n2.d4\n\n3.c4\n",
       {{"[A \"1\"]\r\n", "1.e4 *\r\n2.d4\r\n3.c4\r\n", 1}},
       {}},
      {"a tag line after empty lines ends it, and is read once",
       "[A \"1\"]\n\n1.e4 {open\n\n\n[B \"2\"]\n\n1.d4\n",
       {{"[A \"1\"]\r\n", "1.e4 {open\r\n", 1}, {"[B \"2\"]\r\n", "1.d4\r\n", 6}},
       {}},
  });
}

TEST(TolerantReader, ALineThatBeginsAMoveTextEndsTheHeaderBlock) {
  ExpectTolerantReading({
      {"tags without an empty line before the moves",
       "[A \"1\"]\n[B \"2\"]\n1.e4 e5\n2.Nf3 *\n[C \"3\"]\n18.Kh1 *\n",
       {{"[A \"1\"]\r\n[B \"2\"]\r\n", "1.e4 e5\r\n2.Nf3 *\r\n[C \"3\"]\r\n18.Kh1 *\r\n", 1}},
       {}},
      {"each start after tags",
       "[A \"1\"]\n18... Qe1 *\n\n[B \"2\"]\n{x} 1.d4 *\n\n[C \"3\"]\n*\n\n[D \"4\"]\n1-0\n",
       {{"[A \"1\"]\r\n", "18... Qe1 *\r\n", 1},
        {"[B \"2\"]\r\n", "{x} 1.d4 *\r\n", 4},
        {"[C \"3\"]\r\n", "*\r\n", 7},
        {"[D \"4\"]\r\n", "1-0\r\n", 10}},
       {}},
      {"games without tags",
       "\n1.e4 e5 1-0\n\n23.Qh5 Kf8 0-1\n\n\n23... Kf8 *\n\n1/2-1/2\n",
       {{"", "1.e4 e5 1-0\r\n", 2},
        {"", "23.Qh5 Kf8 0-1\r\n", 4},
        {"", "23... Kf8 *\r\n", 7},
        {"", "1/2-1/2\r\n", 9}},
       {}},
      {"a game without tags and without a result runs on to the next tag",
       "1.e4 e5\n\n2.Nf3\n\n[B \"2\"]\n\n1.d4\n",
       {{"", "1.e4 e5\r\n2.Nf3\r\n", 1}, {"[B \"2\"]\r\n", "1.d4\r\n", 5}},
       {}},
      {"near misses are no start",
       "[A \"1\"]\n.1 e4\ne4 e5\n1-0 {x}\n\n1.e4\n",
       {{"[A \"1\"]\r\n", "1.e4\r\n", 1}},
       {"skipped 2: .1 e4", "skipped 3: e4 e5", "skipped 4: 1-0 {x}"}},
  });
}

TEST(TolerantReader, ACommentBeforeTheFirstTagLineIsSkippedWhole) {
  ExpectTolerantReading({
      {"a description with empty lines",
       "{\nA file of games.\n\n  By A. Writer\n}\n\n[A \"1\"]\n\n1.e4 *\n",
       {{"[A \"1\"]\r\n", "1.e4 *\r\n", 7}},
       {"skipped 1: {", "skipped 2: A file of games.", "skipped 4: By A. Writer", "skipped 5: }"}},
      {"on one line, between games",
       "[A \"1\"]\n\n1.e4 *\n\n{ Part two }\n[B \"2\"]\n\n1.d4 *\n",
       {{"[A \"1\"]\r\n", "1.e4 *\r\n", 1}, {"[B \"2\"]\r\n", "1.d4 *\r\n", 6}},
       {"skipped 5: { Part two }"}},
      {"what follows it on its line is read",
       "{one\ntwo} [A \"1\"]\n{three} 1.e4 *\n",
       {{"[A \"1\"]\r\n", "{three} 1.e4 *\r\n", 2}},
       {"skipped 1: {one", "skipped 2: two}"}},
      {"moves after it make a game without tags",
       "{White to play} 1.e4 *\n",
       {{"", "1.e4 *\r\n", 1}},
       {"skipped 1: {White to play}"}},
      {"a comment that is never closed holds no game",
       "{never closed\n\n[A \"1\"]\n\n1.e4 *\n",
       {},
       {"skipped 1: {never closed", "skipped 3: [A \"1\"]", "skipped 5: 1.e4 *"}},
  });
}

TEST(TolerantReader, AByteOrderMarkAtTheStartIsPassedOver) {
  const std::string bom = "\xEF\xBB\xBF";
  ExpectTolerantReading({
      {"before the first tag",
       bom + "[A \"1\"]\n\n1.e4 *\n",
       {{"[A \"1\"]\r\n", "1.e4 *\r\n", 1}},
       {}},
      {"on a line of its own",
       bom + "\r\n[A \"1\"]\r\n\r\n1.e4 *\r\n",
       {{"[A \"1\"]\r\n", "1.e4 *\r\n", 2}},
       {}},
      {"before a blank", bom + " [A \"1\"]\n\n1.e4 *\n", {{"[A \"1\"]\r\n", "1.e4 *\r\n", 1}}, {}},
      {"only at the start of the file",
       "[A \"1\"]\n" + bom + "[B \"2\"]\n\n1.e4 *\n",
       {{"[A \"1\"]\r\n", "1.e4 *\r\n", 1}},
       {"skipped 2: " + bom + "[B \"2\"]"}},
  });
}

TEST(TolerantReader, OtherLinesInAHeaderBlockAreSkipped) {
  ExpectTolerantReading({
      {"text before the first game",
       "Games of the club\n\n[A \"1\"]\n\n1.e4 *\n",
       {{"[A \"1\"]\r\n", "1.e4 *\r\n", 3}},
       {"skipped 1: Games of the club"}},
      {"the broken second half of a tag value",
       "[Event \"A\n  B\"]\n[Site \"x\"]\n\n1.e4 *\n",
       {{"[Event \"A\r\n[Site \"x\"]\r\n", "1.e4 *\r\n", 1}},
       {"skipped 2: B\"]"}},
      {"text between games and after the last",
       "[A \"1\"]\n\n1.e4 *\n\nNext:\n[B \"2\"]\n\n1.d4 *\n\nThe end\n\n\n",
       {{"[A \"1\"]\r\n", "1.e4 *\r\n", 1}, {"[B \"2\"]\r\n", "1.d4 *\r\n", 6}},
       {"skipped 5: Next:", "skipped 10: The end"}},
  });
}

TEST(TolerantReader, AMoveTextMayBeginAtAnyMoveNumber) {
  ExpectTolerantReading({
      {"games from set-up positions stay apart",
       "[A \"1\"]\n\n23.Kh1 Qe1\n24.Qe2 1-0\n\n[B \"2\"]\n\n18...Qe1\n\n[C \"3\"]\n\n1.d4\n",
       {{"[A \"1\"]\r\n", "23.Kh1 Qe1\r\n24.Qe2 1-0\r\n", 1},
        {"[B \"2\"]\r\n", "18...Qe1\r\n", 6},
        {"[C \"3\"]\r\n", "1.d4\r\n", 10}},
       {}},
      // The usual reading calls both lines odd and runs on into the next game.
      {"an empty line among the tag lines still gives odd lines",
       "[A \"1\"]\n\n[B \"2\"]\nWhite wins\n1.e4 *\n",
       {{"[A \"1\"]\r\n", "[B \"2\"]\r\nWhite wins\r\n1.e4 *\r\n", 1}},
       {"odd 3: [B \"2\"]", "odd 4: White wins"}},
  });
}

TEST(TolerantReader, AGameLargerThanMostIsSkippedUpToTheNextTagLine) {
  const std::string x(60, 'x');
  ExpectTolerantReading({
      {"a move-text line past the limit",
       "[A \"1\"]\n\n1.e4 " + x + "\n1-0\n\n[B \"2\"]\n\n1.d4 *\n",
       {{"", "", 1}, {"[B \"2\"]\r\n", "1.d4 *\r\n", 6}},
       {"game 1 skipped"},
       40},
      {"a tag line past the limit; an empty line and text are no end",
       "[A \"" + x + "\"]\n[B \"2\"]\n\n1.e4 *\n\nmore\n\n[C \"3\"]\n\n1.d4 *\n",
       {{"", "", 1}, {"[C \"3\"]\r\n", "1.d4 *\r\n", 8}},
       {"game 1 skipped"},
       40},
      {"header and move text together past the limit, at the end of the file",
       "[A \"1\"]\n[B \"2\"]\n[C \"3\"]\n\n1.e4 e5 Nf3 Nc6 Bb5 a6\n",
       {{"", "", 1}},
       {"game 1 skipped"},
       40},
      {"a long line of no game is skipped as a line, cut",
       x + "\n[A \"1\"]\n\n1.e4 *\n",
       {{"[A \"1\"]\r\n", "1.e4 *\r\n", 2}},
       {"skipped 1: " + x.substr(0, 40)},
       40},
  });
}

TEST(GameReader, AGameThatEndsBeforeDamagedDataIsGivenWhole) {
  // The bytes before the damage of a compressed file: a game whose move text has ended (at
  // an empty line, or with its result; with tolerant reading, with its result) is given,
  // and reading on meets the damage.
  const struct {
    const char* bytes;
    int given;
    int givenTolerantly;
  } cases[] = {
      {"[A]\n\n1.e4 1-0\n\n", 1, 1},                 // an empty line after the result
      {"[A]\n\n1.e4 1-0\n", 1, 1},                   // the result
      {"[A]\n\n1.e4 e5\n\n", 1, 0},                  // an empty line, but no result
      {"[A]\n\n1.e4 *\n\n[B]\n\n1.d4 0-1\n", 2, 2},  // B after A
      {"[A]\n\n1.e4 e5\n", 0, 0},                    // the move text may go on
      {"[A]\n\n1.e4 {1-0}\n", 0, 0},                 // a result in a comment ends nothing
      {"[A]\n\n1.e4 *\n\n[B]\n\n", 1, 1},            // B's move text is missing
      {"[A]\n\n1.e4 1-", 0, 0},                      // a line cut short
  };
  for (const auto& c : cases) {
    for (bool tolerant : {false, true}) {
      SCOPED_TRACE(c.bytes + std::string(tolerant ? ", tolerant" : ""));
      const std::string bytes = c.bytes;
      InputFile in;
      in.OpenBytes(std::vector<char>(bytes.begin(), bytes.end()), bytes.size(), "damaged");
      ScriptedDialogs scripted;
      NoteLog notes;
      TolerantReader reader(in, notes);
      std::string header, moves;
      int given = 0;
      try {
        for (bool eof = in.AtEnd(); !eof; ++given) {
          if (tolerant) {
            reader.ReadGame(eof, header, moves);
          } else {
            ReadHeader(in, eof, header, scripted);
            ReadMoveText(in, eof, moves, scripted);
          }
        }
        ADD_FAILURE() << "no fatal fault";
      } catch (const FatalError& e) {
        EXPECT_STREQ(e.what(), "damaged");
      }
      EXPECT_EQ(given, tolerant ? c.givenTolerantly : c.given);
    }
  }
}

}  // namespace
