// The generator's legal games: every move of every game, side lines included, is legal on
// the engine's board; the result tag follows a mate or a stalemate; the games are long
// enough and varied enough for the position benchmarks.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/game_reader.h"
#include "engine/game_replay.h"
#include "engine/move_generation.h"
#include "engine/move_text_parser.h"
#include "test_support.h"

using namespace kelvane;

namespace {

// Plays every move of the move text, side lines from the position before the move they
// replace; "" or the first move refused.
std::string ReplaySideLines(std::string_view text) {
  struct Level {
    Board now, before;
  };
  std::vector<Level> stack{{Board::Start(), Board::Start()}};
  for (size_t i = 0; i < text.size();) {
    const char c = text[i];
    if (c == '{') {
      i = text.find('}', i) + 1;
    } else if (c == '(') {
      stack.push_back({stack.back().before, stack.back().before});
      ++i;
    } else if (c == ')') {
      stack.pop_back();
      ++i;
    } else if (c == ' ' || c == '\r' || c == '\n') {
      ++i;
    } else {
      const size_t end = text.find_first_of(" \r\n(){", i);
      std::string_view word = text.substr(i, end - i);
      i = end;
      word.remove_prefix(std::min(word.size(), word.find_last_of('.') + 1));
      if (word.empty() || word[0] == '$' || word == "1-0" || word == "0-1" || word == "1/2-1/2" ||
          word == "*")
        continue;
      Level& level = stack.back();
      const SanRead read = ReadSan(level.now, word);
      if (read.status != SanRead::kOk) return std::string(word);
      level.before = level.now;
      level.now.Play(read.move);
    }
  }
  return "";
}

// True when one side has king, rook and pawn and the other king and rook.
bool RookPawnVersusRook(const Board& b) {
  auto only = [&](Color c, int rooks, int pawns) {
    return Count(b.Pieces(c)) == 1 + rooks + pawns && Count(b.Pieces(c, kRook)) == rooks &&
           Count(b.Pieces(c, kPawn)) == pawns;
  };
  return (only(kWhite, 1, 1) && only(kBlack, 1, 0)) || (only(kBlack, 1, 1) && only(kWhite, 1, 0));
}

TEST(LegalCorpus, EveryGameReplaysToItsEndWithAMatchingResult) {
  TempDir dir;
  const std::vector<std::string> kinds[] = {{}, {"--comments", "--variations", "--nags", "--crlf"}};
  for (const auto& options : kinds) {
    SCOPED_TRACE(options.size());
    const std::string path = dir / "legal.pgn";
    std::vector<std::string> args = {"--seed", "5", "--size", "2M", "--legal", "--output", path};
    args.insert(args.end(), options.begin(), options.end());
    const ProcessResult r = RunProcess(KELVANE_GEN_CORPUS, args);
    ASSERT_EQ(r.status, 0) << r.err;

    int games = 0, mates = 0, endings = 0;
    int64_t plies = 0;
    ForEachGame(path, [&](const std::string& header, const std::string& moveText) {
      ++games;
      SCOPED_TRACE(header);
      MoveTextParser parser(moveText, false);
      parser.Parse();
      GameReplay replay;
      ASSERT_EQ(replay.Begin(GameView{header, {}}), "");
      bool ending = false;
      for (const Move& move : parser.Moves) {
        ASSERT_TRUE(replay.Play(move.Text())) << move.Text();
        ending |= RookPawnVersusRook(replay.Position());
      }
      ASSERT_EQ(ReplaySideLines(moveText), "");
      plies += replay.Plies();
      endings += ending;
      const std::string_view result = *GameView{header, {}}.Tag("Result");
      const Board& end = replay.Position();
      if (!HasLegalMove(end)) {
        mates += end.Checkers() != 0;
        const char* expected = end.Checkers() == 0          ? "1/2-1/2"
                               : end.SideToMove() == kWhite ? "0-1"
                                                            : "1-0";
        ASSERT_EQ(result, expected);
      }
    });
    ASSERT_GT(games, 1000);
    EXPECT_GT(mates, 0);
    EXPECT_GT(endings, 0);
    EXPECT_GE(plies / games, 60);
    EXPECT_LE(plies / games, 120);
    const std::string text = ReadFile(path);
    EXPECT_NE(text.find("1.e4 c5 2.Nf3 d6"), std::string::npos);
    EXPECT_NE(text.find("1.Nf3 c5 2.e4 d6"), std::string::npos);
  }
}

}  // namespace
