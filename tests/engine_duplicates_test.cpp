#include <gtest/gtest.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "engine/duplicates.h"
#include "engine/scan_method.h"
#include "engine/scan_run.h"
#include "platform/io_result.h"
#include "scripted_dialogs.h"
#include "test_support.h"

using namespace kelvane;

namespace {

// A header as the reader gives it: each tag line ending in CR LF.
std::string Header(const std::string& result, const std::string& white = "A",
                   const std::string& black = "B") {
  std::string h = "[White \"" + white + "\"]\r\n[Black \"" + black + "\"]\r\n";
  if (!result.empty()) h += "[Result \"" + result + "\"]\r\n";
  return h;
}

struct Pair {
  const char* what;
  std::string headerA, movesA, headerB, movesB;
  bool same;
};

TEST(GameKey, TellsTheSameGameFromAnother) {
  const std::string won = Header("1-0");
  const Pair pairs[] = {
      {"comments, variations and NAGs", won, "1.e4 e5 2.Nf3 Nc6 1-0", won,
       "1.e4 {best by test} e5 2.Nf3 (2.f4 exf4) $1 Nc6 1-0", true},
      {"move numbers and line breaks", won, "1.e4 e5 2.Nf3 Nc6 1-0", won,
       "1. e4 1... e5\r\n2. Nf3\r\n2...Nc6\r\n1-0", true},
      {"check marks and annotations", won, "1.e4 e5 2.Qh5 Nc6 3.Qxf7# 1-0", won,
       "1.e4! e5?! 2.Qh5!? Nc6?? 3.Qxf7+ 1-0", true},
      {"castling with zeros", won, "1.Nf3 Nf6 2.g3 g6 3.Bg2 Bg7 4.O-O O-O-O 1-0", won,
       "1.Nf3 Nf6 2.g3 g6 3.Bg2 Bg7 4.0-0 0-0-0 1-0", true},
      {"promotion without =", won, "1.e8=Q+ Kxe8 1-0", won, "1.e8Q Kxe8 1-0", true},
      {"the result token stands for a missing Result tag", Header(""), "1.d4 d5 0-1", Header("0-1"),
       "1.d4 d5 0-1", true},
      {"different results", won, "1.e4 e5 1-0", Header("1/2-1/2"), "1.e4 e5 1/2-1/2", false},
      {"different result tokens without tags", Header(""), "1.e4 e5 1-0", Header(""), "1.e4 e5 0-1",
       false},
      {"transposed moves", won, "1.e4 e5 2.Nf3 Nc6 1-0", won, "1.Nf3 Nc6 2.e4 e5 1-0", false},
      {"a cut-short copy", Header("*"), "1.e4 e5 2.Nf3 Nc6 *", Header("*"), "1.e4 e5 2.Nf3 *",
       false},
      {"moves that differ past their ninth byte", won, "1.Nbd7xe5Qa 1-0", won, "1.Nbd7xe5Qb 1-0",
       false},
      {"a promotion piece", won, "1.e8=Q 1-0", won, "1.e8=N 1-0", false},
  };
  for (const Pair& p : pairs) {
    SCOPED_TRACE(p.what);
    const GameKey a = MakeGameKey(p.headerA, p.movesA);
    const GameKey b = MakeGameKey(p.headerB, p.movesB);
    EXPECT_EQ(a.moves[0] == b.moves[0] && a.moves[1] == b.moves[1], p.same);
  }
}

TEST(KeptGames, GivesTheNumberOfTheFirstCopyAndKeepsEveryOtherGame) {
  KeptGames kept;
  // Enough games to grow the table several times.
  for (int i = 0; i < 5000; ++i) {
    const std::string moves = "1.e4 e5 2.Nf3 N" + std::to_string(i) + " *";
    EXPECT_EQ(kept.Judge(MakeGameKey(Header("*"), moves), i + 1), 0) << i;
  }
  for (int i = 0; i < 5000; i += 7)
    EXPECT_EQ(kept.Judge(MakeGameKey(Header("*"), "1.e4 e5 2.Nf3 N" + std::to_string(i) + " *"), 0),
              i + 1);
  EXPECT_EQ(kept.Size(), 5000u);
}

TEST(KeptGames, KeepsNumbersPastThirtyTwoBitsAndKeysThatShareTheirSlot) {
  KeptGames kept;
  // Keys that share the first half (and so the slot) but not the top of the second.
  const GameKey keys[] = {{{7, 1ULL << 32}}, {{7, 2ULL << 32}}, {{7, 3ULL << 32}}, {{9, 0}}};
  const int64_t numbers[] = {4294967294, 4294967295, 5000000000, 1};
  for (size_t i = 0; i < 4; ++i) EXPECT_EQ(kept.Judge(keys[i], numbers[i]), 0) << i;
  for (size_t i = 0; i < 4; ++i) EXPECT_EQ(kept.Judge(keys[i], 42), numbers[i]) << i;
}

struct Game {
  std::string header, moves;
};

// The judgement of the prefix rule, as the index each game stands for.
std::vector<int64_t> Resolve(const std::vector<Game>& games) {
  HeldGames held;
  for (const Game& g : games) held.Hold(g.header, g.moves, MakeGameKey(g.header, g.moves));
  return held.Resolve();
}

TEST(HeldGames, AGameThatBeginsALongerOneOfTheSamePlayersStandsForIt) {
  const Game whole{Header("1-0"), "1.e4 e5 2.Nf3 Nc6 3.Bb5 a6 1-0"};
  const Game cut{Header("*"), "1.e4 e5 2.Nf3 *"};
  const Game other{Header("0-1"), "1.e4 e5 2.Nf3 Nf6 0-1"};
  const struct {
    const char* what;
    std::vector<Game> games;
    std::vector<int64_t> target;
  } cases[] = {
      {"the cut copy first", {cut, whole}, {1, 1}},
      {"the cut copy after", {whole, cut}, {0, 0}},
      {"other players", {whole, {Header("*", "C"), cut.moves}}, {0, 1}},
      {"a copy of the cut copy stands for the whole game", {cut, whole, cut}, {1, 1, 1}},
      {"two continuations: both kept", {cut, whole, other}, {1, 1, 2}},
      {"the same moves with another result is no prefix",
       {whole, {Header("0-1"), whole.moves}},
       {0, 1}},
      {"a game without moves begins nothing", {{Header("*"), "*"}, whole}, {0, 1}},
      {"a chain ends at the longest",
       {cut, {Header("*"), "1.e4 e5 2.Nf3 Nc6 *"}, whole},
       {2, 2, 2}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(Resolve(c.games), c.target);
  }
}

TEST(Duplicates, NamesAndTagLine) {
  EXPECT_EQ(DuplicatesFileName("/d/games.sel.pgn"), "/d/gamesdup.sel.pgn");
  EXPECT_EQ(DuplicatesFileName("/d/games"), "/d/gamesdup");
  EXPECT_EQ(WithDuplicateOf("[Event \"x\"]\r\n", 12), "[Event \"x\"]\r\n[DuplicateOf \"12\"]\r\n");
}

class DuplicatesScan : public ::testing::Test {
 protected:
  void SetUp() override { TakeIoResult(); }

  ScanResult Run(const std::string& input, bool split, bool prefix, unsigned threads) {
    WriteFile(dir_ / "in.pgn", input);
    ::unlink((dir_ / "out.pgn").c_str());  // no overwrite question
    ScanRequest request{dir_ / "in.pgn", dir_ / "out.pgn", split, criteria_};
    request.duplicatesPath = dir_ / "dups.pgn";
    request.duplicatesPrefix = prefix;
    request.method.threads = threads;
    request.method.chunkBytes = 256;  // many chunks of a small file
    const ScanResult result = RunScan(request, scripted_, fileSystem());
    EXPECT_EQ(result.outcome, ScanOutcome::Completed);
    return result;
  }

  TempDir dir_;
  ScriptedDialogs scripted_;
  Criteria criteria_;
};

std::string Game(const std::string& event, const std::string& result, const std::string& moves) {
  return "[Event \"" + event + "\"]\n[White \"A\"]\n[Black \"B\"]\n[Result \"" + result +
         "\"]\n\n" + moves + "\n\n";
}
std::string Out(const std::string& event, const std::string& result, const std::string& moves,
                const std::string& duplicateOf = "") {
  std::string tag = duplicateOf.empty() ? "" : "[DuplicateOf \"" + duplicateOf + "\"]\r\n";
  return "[Event \"" + event + "\"]\r\n[White \"A\"]\r\n[Black \"B\"]\r\n[Result \"" + result +
         "\"]\r\n" + tag + "\r\n" + moves + "\r\n\r\n";
}

TEST_F(DuplicatesScan, WithSplitADuplicateIsInNeitherOutputNorSplitFile) {
  // Without "d4": the d4 games fail, copies or not.
  criteria_.without = "d4";
  criteria_.withoutRange = {1, 15};
  const std::string in = Game("1", "1-0", "1.e4 e5 2.Nf3 1-0") + Game("2", "*", "1.d4 d5 *") +
                         Game("3", "1-0", "1.e4 {x} e5\n2.Nf3 1-0") + Game("4", "*", "1.d4 d5 *") +
                         Game("5", "*", "1.e4 e5 *") + Game("6", "1-0", "1. e4 e5 2. Nf3 1-0");
  for (unsigned threads : {1u, 2u}) {
    SCOPED_TRACE(threads);
    scripted_.Clear();
    const ScanResult r = Run(in, true, false, threads);
    EXPECT_EQ(ReadFile(dir_ / "out.pgn"),
              Out("1", "1-0", "1.e4 e5 2.Nf3 1-0") + Out("5", "*", "1.e4 e5 *"));
    EXPECT_EQ(ReadFile(dir_ / "out2.pgn"), Out("2", "*", "1.d4 d5 *") + Out("4", "*", "1.d4 d5 *"));
    EXPECT_EQ(ReadFile(dir_ / "dups.pgn"), Out("3", "1-0", "1.e4 {x} e5\r\n2.Nf3 1-0", "1") +
                                               Out("6", "1-0", "1. e4 e5 2. Nf3 1-0", "1"));
    EXPECT_EQ(r.gamesRead, r.gamesWritten + r.splitWritten + r.duplicatesWritten);
    EXPECT_EQ(scripted_.reports,
              std::vector<std::string>{"6 games read from in.pgn\r2 games written to out.pgn\r"
                                       "2 games written to out2.pgn\r2 duplicates written to "
                                       "dups.pgn"});
  }
}

TEST_F(DuplicatesScan, WithThePrefixRuleTheLongerGameIsKeptWhereverItStands) {
  const std::string in = Game("cut", "*", "1.e4 e5 2.Nf3 *") + Game("other", "0-1", "1.d4 0-1") +
                         Game("whole", "1-0", "1.e4 e5 2.Nf3 Nc6 1-0");
  for (unsigned threads : {1u, 2u}) {
    SCOPED_TRACE(threads);
    Run(in, false, true, threads);
    EXPECT_EQ(ReadFile(dir_ / "out.pgn"),
              Out("other", "0-1", "1.d4 0-1") + Out("whole", "1-0", "1.e4 e5 2.Nf3 Nc6 1-0"));
    EXPECT_EQ(ReadFile(dir_ / "dups.pgn"), Out("cut", "*", "1.e4 e5 2.Nf3 *", "2"));
  }
  // Without the rule the cut copy is a game of its own.
  Run(in, false, false, 2);
  EXPECT_EQ(ReadFile(dir_ / "dups.pgn"), "");
}

TEST_F(DuplicatesScan, TheDuplicatesFileIsRefusedAsTheOutputOrSplitFile) {
  WriteFile(dir_ / "in.pgn", Game("1", "*", "1.e4 *"));
  ScanRequest request{dir_ / "in.pgn", dir_ / "out.pgn", true, criteria_};
  for (const char* name : {"out.pgn", "out2.pgn"}) {
    request.duplicatesPath = dir_ / name;
    EXPECT_EQ(RunScan(request, scripted_, fileSystem()).outcome, ScanOutcome::SameDuplicatesFile);
  }
  EXPECT_FALSE(Exists(dir_ / "out.pgn"));
}

}  // namespace
