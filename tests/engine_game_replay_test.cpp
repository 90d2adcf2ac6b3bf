// Tests of the game replay: whole games whose position after every ply is known, the start
// from the tags, and every game of the real game files replayed to its end with each move
// written back as the file writes it.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "engine/fen.h"
#include "engine/game_reader.h"
#include "engine/game_replay.h"
#include "engine/move_text_parser.h"
#include "test_support.h"

using namespace kelvane;

namespace {

struct KnownGame {
  const char* header;
  std::vector<const char*> moves;
  std::vector<const char*> fens;  // after each ply, as Stockfish 15.1 writes them
};

// The FENs were written by Stockfish ("position ... moves ..." then "d").
const KnownGame kKnownGames[] = {
    // Morphy - Duke Karl / Count Isouard, Paris 1858: queen-side castling, a mate.
    {"",
     {"e4",    "e5",  "Nf3",  "d6",   "d4",  "Bg4", "dxe5",  "Bxf3", "Qxf3", "dxe5",  "Bc4",
      "Nf6",   "Qb3", "Qe7",  "Nc3",  "c6",  "Bg5", "b5",    "Nxb5", "cxb5", "Bxb5+", "Nbd7",
      "O-O-O", "Rd8", "Rxd7", "Rxd7", "Rd1", "Qe6", "Bxd7+", "Nxd7", "Qb8+", "Nxb8",  "Rd8#"},
     {"rnbqkbnr/pppppppp/8/8/4P3/8/PPPP1PPP/RNBQKBNR b KQkq - 0 1",
      "rnbqkbnr/pppp1ppp/8/4p3/4P3/8/PPPP1PPP/RNBQKBNR w KQkq - 0 2",
      "rnbqkbnr/pppp1ppp/8/4p3/4P3/5N2/PPPP1PPP/RNBQKB1R b KQkq - 1 2",
      "rnbqkbnr/ppp2ppp/3p4/4p3/4P3/5N2/PPPP1PPP/RNBQKB1R w KQkq - 0 3",
      "rnbqkbnr/ppp2ppp/3p4/4p3/3PP3/5N2/PPP2PPP/RNBQKB1R b KQkq - 0 3",
      "rn1qkbnr/ppp2ppp/3p4/4p3/3PP1b1/5N2/PPP2PPP/RNBQKB1R w KQkq - 1 4",
      "rn1qkbnr/ppp2ppp/3p4/4P3/4P1b1/5N2/PPP2PPP/RNBQKB1R b KQkq - 0 4",
      "rn1qkbnr/ppp2ppp/3p4/4P3/4P3/5b2/PPP2PPP/RNBQKB1R w KQkq - 0 5",
      "rn1qkbnr/ppp2ppp/3p4/4P3/4P3/5Q2/PPP2PPP/RNB1KB1R b KQkq - 0 5",
      "rn1qkbnr/ppp2ppp/8/4p3/4P3/5Q2/PPP2PPP/RNB1KB1R w KQkq - 0 6",
      "rn1qkbnr/ppp2ppp/8/4p3/2B1P3/5Q2/PPP2PPP/RNB1K2R b KQkq - 1 6",
      "rn1qkb1r/ppp2ppp/5n2/4p3/2B1P3/5Q2/PPP2PPP/RNB1K2R w KQkq - 2 7",
      "rn1qkb1r/ppp2ppp/5n2/4p3/2B1P3/1Q6/PPP2PPP/RNB1K2R b KQkq - 3 7",
      "rn2kb1r/ppp1qppp/5n2/4p3/2B1P3/1Q6/PPP2PPP/RNB1K2R w KQkq - 4 8",
      "rn2kb1r/ppp1qppp/5n2/4p3/2B1P3/1QN5/PPP2PPP/R1B1K2R b KQkq - 5 8",
      "rn2kb1r/pp2qppp/2p2n2/4p3/2B1P3/1QN5/PPP2PPP/R1B1K2R w KQkq - 0 9",
      "rn2kb1r/pp2qppp/2p2n2/4p1B1/2B1P3/1QN5/PPP2PPP/R3K2R b KQkq - 1 9",
      "rn2kb1r/p3qppp/2p2n2/1p2p1B1/2B1P3/1QN5/PPP2PPP/R3K2R w KQkq - 0 10",
      "rn2kb1r/p3qppp/2p2n2/1N2p1B1/2B1P3/1Q6/PPP2PPP/R3K2R b KQkq - 0 10",
      "rn2kb1r/p3qppp/5n2/1p2p1B1/2B1P3/1Q6/PPP2PPP/R3K2R w KQkq - 0 11",
      "rn2kb1r/p3qppp/5n2/1B2p1B1/4P3/1Q6/PPP2PPP/R3K2R b KQkq - 0 11",
      "r3kb1r/p2nqppp/5n2/1B2p1B1/4P3/1Q6/PPP2PPP/R3K2R w KQkq - 1 12",
      "r3kb1r/p2nqppp/5n2/1B2p1B1/4P3/1Q6/PPP2PPP/2KR3R b kq - 2 12",
      "3rkb1r/p2nqppp/5n2/1B2p1B1/4P3/1Q6/PPP2PPP/2KR3R w k - 3 13",
      "3rkb1r/p2Rqppp/5n2/1B2p1B1/4P3/1Q6/PPP2PPP/2K4R b k - 0 13",
      "4kb1r/p2rqppp/5n2/1B2p1B1/4P3/1Q6/PPP2PPP/2K4R w k - 0 14",
      "4kb1r/p2rqppp/5n2/1B2p1B1/4P3/1Q6/PPP2PPP/2KR4 b k - 1 14",
      "4kb1r/p2r1ppp/4qn2/1B2p1B1/4P3/1Q6/PPP2PPP/2KR4 w k - 2 15",
      "4kb1r/p2B1ppp/4qn2/4p1B1/4P3/1Q6/PPP2PPP/2KR4 b k - 0 15",
      "4kb1r/p2n1ppp/4q3/4p1B1/4P3/1Q6/PPP2PPP/2KR4 w k - 0 16",
      "1Q2kb1r/p2n1ppp/4q3/4p1B1/4P3/8/PPP2PPP/2KR4 b k - 1 16",
      "1n2kb1r/p4ppp/4q3/4p1B1/4P3/8/PPP2PPP/2KR4 w k - 0 17",
      "1n1Rkb1r/p4ppp/4q3/4p1B1/4P3/8/PPP2PPP/2K5 b k - 1 17"}},
    // En passant, both sides castling short, an under-promotion taking a rook, checks.
    {"[Variant \"Standard\"]\r\n",
     {"e4",  "Nf6", "e5",     "d5",    "exd6", "Nc6",  "dxc7", "Qd7",  "Nf3",  "e5",   "Bb5",
      "Bd6", "O-O", "O-O",    "Bxc6",  "bxc6", "d4",   "e4",   "Ng5",  "h6",   "Nxe4", "Nxe4",
      "f3",  "Rb8", "cxb8=R", "Bxh2+", "Kxh2", "Qd6+", "Kh1",  "Nf2+", "Rxf2", "Qxb8"},
     {"rnbqkbnr/pppppppp/8/8/4P3/8/PPPP1PPP/RNBQKBNR b KQkq - 0 1",
      "rnbqkb1r/pppppppp/5n2/8/4P3/8/PPPP1PPP/RNBQKBNR w KQkq - 1 2",
      "rnbqkb1r/pppppppp/5n2/4P3/8/8/PPPP1PPP/RNBQKBNR b KQkq - 0 2",
      "rnbqkb1r/ppp1pppp/5n2/3pP3/8/8/PPPP1PPP/RNBQKBNR w KQkq d6 0 3",
      "rnbqkb1r/ppp1pppp/3P1n2/8/8/8/PPPP1PPP/RNBQKBNR b KQkq - 0 3",
      "r1bqkb1r/ppp1pppp/2nP1n2/8/8/8/PPPP1PPP/RNBQKBNR w KQkq - 1 4",
      "r1bqkb1r/ppP1pppp/2n2n2/8/8/8/PPPP1PPP/RNBQKBNR b KQkq - 0 4",
      "r1b1kb1r/ppPqpppp/2n2n2/8/8/8/PPPP1PPP/RNBQKBNR w KQkq - 1 5",
      "r1b1kb1r/ppPqpppp/2n2n2/8/8/5N2/PPPP1PPP/RNBQKB1R b KQkq - 2 5",
      "r1b1kb1r/ppPq1ppp/2n2n2/4p3/8/5N2/PPPP1PPP/RNBQKB1R w KQkq - 0 6",
      "r1b1kb1r/ppPq1ppp/2n2n2/1B2p3/8/5N2/PPPP1PPP/RNBQK2R b KQkq - 1 6",
      "r1b1k2r/ppPq1ppp/2nb1n2/1B2p3/8/5N2/PPPP1PPP/RNBQK2R w KQkq - 2 7",
      "r1b1k2r/ppPq1ppp/2nb1n2/1B2p3/8/5N2/PPPP1PPP/RNBQ1RK1 b kq - 3 7",
      "r1b2rk1/ppPq1ppp/2nb1n2/1B2p3/8/5N2/PPPP1PPP/RNBQ1RK1 w - - 4 8",
      "r1b2rk1/ppPq1ppp/2Bb1n2/4p3/8/5N2/PPPP1PPP/RNBQ1RK1 b - - 0 8",
      "r1b2rk1/p1Pq1ppp/2pb1n2/4p3/8/5N2/PPPP1PPP/RNBQ1RK1 w - - 0 9",
      "r1b2rk1/p1Pq1ppp/2pb1n2/4p3/3P4/5N2/PPP2PPP/RNBQ1RK1 b - - 0 9",
      "r1b2rk1/p1Pq1ppp/2pb1n2/8/3Pp3/5N2/PPP2PPP/RNBQ1RK1 w - - 0 10",
      "r1b2rk1/p1Pq1ppp/2pb1n2/6N1/3Pp3/8/PPP2PPP/RNBQ1RK1 b - - 1 10",
      "r1b2rk1/p1Pq1pp1/2pb1n1p/6N1/3Pp3/8/PPP2PPP/RNBQ1RK1 w - - 0 11",
      "r1b2rk1/p1Pq1pp1/2pb1n1p/8/3PN3/8/PPP2PPP/RNBQ1RK1 b - - 0 11",
      "r1b2rk1/p1Pq1pp1/2pb3p/8/3Pn3/8/PPP2PPP/RNBQ1RK1 w - - 0 12",
      "r1b2rk1/p1Pq1pp1/2pb3p/8/3Pn3/5P2/PPP3PP/RNBQ1RK1 b - - 0 12",
      "1rb2rk1/p1Pq1pp1/2pb3p/8/3Pn3/5P2/PPP3PP/RNBQ1RK1 w - - 1 13",
      "1Rb2rk1/p2q1pp1/2pb3p/8/3Pn3/5P2/PPP3PP/RNBQ1RK1 b - - 0 13",
      "1Rb2rk1/p2q1pp1/2p4p/8/3Pn3/5P2/PPP3Pb/RNBQ1RK1 w - - 0 14",
      "1Rb2rk1/p2q1pp1/2p4p/8/3Pn3/5P2/PPP3PK/RNBQ1R2 b - - 0 14",
      "1Rb2rk1/p4pp1/2pq3p/8/3Pn3/5P2/PPP3PK/RNBQ1R2 w - - 1 15",
      "1Rb2rk1/p4pp1/2pq3p/8/3Pn3/5P2/PPP3P1/RNBQ1R1K b - - 2 15",
      "1Rb2rk1/p4pp1/2pq3p/8/3P4/5P2/PPP2nP1/RNBQ1R1K w - - 3 16",
      "1Rb2rk1/p4pp1/2pq3p/8/3P4/5P2/PPP2RP1/RNBQ3K b - - 0 16",
      "1qb2rk1/p4pp1/2p4p/8/3P4/5P2/PPP2RP1/RNBQ3K w - - 0 17"}},
    // Chess960: the king castles short from b1 to g1 past its own rook, black long; "Rfe1"
    // tells the two rooks apart.
    {"[Variant \"Chess960\"]\r\n[SetUp \"1\"]\r\n"
     "[FEN \"rk2r3/pppppppp/8/8/8/8/PPPPPPPP/RK2R3 w AEae - 0 1\"]\r\n",
     {"O-O", "O-O-O", "d4", "d5", "Rfe1", "Kb8"},
     {"rk2r3/pppppppp/8/8/8/8/PPPPPPPP/R4RK1 b ea - 1 1",
      "2krr3/pppppppp/8/8/8/8/PPPPPPPP/R4RK1 w - - 2 2",
      "2krr3/pppppppp/8/8/3P4/8/PPP1PPPP/R4RK1 b - - 0 2",
      "2krr3/ppp1pppp/8/3p4/3P4/8/PPP1PPPP/R4RK1 w - - 0 3",
      "2krr3/ppp1pppp/8/3p4/3P4/8/PPP1PPPP/R3R1K1 b - - 1 3",
      "1k1rr3/ppp1pppp/8/3p4/3P4/8/PPP1PPPP/R3R1K1 w - - 2 4"}},
    // Set up with black to move and move number 0 (taken as 1); black takes en passant.
    {"[SetUp \"1\"]\r\n[FEN \"4k3/8/8/8/3p4/8/4P3/4K3 b - - 0 0\"]\r\n",
     {"Kd7", "e4", "dxe3", "Kd1", "e2+", "Kxe2"},
     {"8/3k4/8/8/3p4/8/4P3/4K3 w - - 1 2", "8/3k4/8/8/3pP3/8/8/4K3 b - e3 0 2",
      "8/3k4/8/8/8/4p3/8/4K3 w - - 0 3", "8/3k4/8/8/8/4p3/8/3K4 b - - 1 3",
      "8/3k4/8/8/8/8/4p3/3K4 w - - 0 4", "8/3k4/8/8/8/8/4K3/8 b - - 0 4"}},
};

TEST(GameReplay, KnownGamesGiveTheKnownPositionAfterEveryPly) {
  for (const KnownGame& game : kKnownGames) {
    ASSERT_EQ(game.moves.size(), game.fens.size());
    GameReplay replay;
    ASSERT_EQ(replay.Begin(GameView{game.header, {}}), "");
    for (size_t i = 0; i < game.moves.size(); ++i) {
      ASSERT_TRUE(replay.Play(game.moves[i])) << game.moves[i];
      EXPECT_EQ(WriteFen(replay.Position()), game.fens[i]) << "after " << game.moves[i];
      Board fromFen;
      ASSERT_EQ(ReadFen(game.fens[i], fromFen, replay.Position().IsChess960()), "");
      EXPECT_EQ(replay.Position().Key(), fromFen.Key()) << "the key follows the moves";
      EXPECT_TRUE(replay.Position().SamePosition(fromFen));
    }
  }
}

TEST(GameReplay, MoveNumbersAndColoursFollowTheStart) {
  GameReplay replay;
  ASSERT_EQ(replay.Begin(GameView{kKnownGames[3].header, {}}), "");
  const std::pair<int, Color> expected[] = {{1, kBlack}, {2, kWhite}, {2, kBlack}, {3, kWhite}};
  for (size_t i = 0; i < std::size(expected); ++i) {
    ASSERT_TRUE(replay.Play(kKnownGames[3].moves[i]));
    EXPECT_EQ(replay.MoveNumber(), expected[i].first) << i;
    EXPECT_EQ(replay.Mover(), expected[i].second) << i;
    EXPECT_EQ(replay.Plies(), static_cast<int>(i + 1));
  }
  // A refused move leaves the position as it was.
  const uint64_t key = replay.Position().Key();
  EXPECT_FALSE(replay.Play("Qh5"));
  EXPECT_EQ(replay.LastRead().status, SanRead::kNoSuchMove);
  EXPECT_EQ(replay.Position().Key(), key);
  EXPECT_EQ(replay.Plies(), 4);
}

TEST(GameReplay, StartFromTheTags) {
  const std::string fen = "4k3/8/8/8/8/8/8/4K2R w K - 0 30";
  struct Case {
    std::string header;
    std::string error;
    std::string start;
  };
  const Case cases[] = {
      {"", "", std::string(kStartFen)},
      {"[Variant \"standard\"]\r\n", "", std::string(kStartFen)},
      {"[Variant \"FROM POSITION\"]\r\n[FEN \"" + fen + "\"]\r\n", "", fen},
      {"[SetUp \"1\"]\r\n[FEN \"" + fen + "\"]\r\n", "", fen},
      {"[FEN \"" + fen + "\"]\r\n", "", fen},
      {"[SetUp \"0\"]\r\n[FEN \"" + fen + "\"]\r\n", "", std::string(kStartFen)},
      {"[Variant \"chess 960\"]\r\n", "",
       "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w HAha - 0 1"},
      {"[Variant \"Fischerandom\"]\r\n[FEN \"1r4kr/8/8/8/8/8/8/1R4KR w KQkq - 0 1\"]\r\n", "",
       "1r4kr/8/8/8/8/8/8/1R4KR w HBhb - 0 1"},
      {"[Variant \"crazyhouse\"]\r\n", "the variant \"crazyhouse\" is not replayed", ""},
      {"[SetUp \"1\"]\r\n[FEN \"4k3/8/8/8/8/8/8/8 w - - 0 1\"]\r\n",
       "bad FEN: white must have one king", ""},
  };
  for (const Case& c : cases) {
    GameReplay replay;
    EXPECT_EQ(replay.Begin(GameView{c.header, {}}), c.error) << c.header;
    if (c.error.empty()) {
      EXPECT_EQ(WriteFen(replay.Position()), c.start) << c.header;
    }
  }
}

// The move as the standard writes it: annotation marks dropped, castling with letter O, a
// promotion with "=".
std::string Normalised(std::string_view text) {
  std::string s(text);
  while (!s.empty() && (s.back() == '!' || s.back() == '?')) s.pop_back();
  if (s.starts_with("0-0")) std::replace(s.begin(), s.end(), '0', 'O');
  const size_t end = s.find_first_of("+#") == std::string::npos ? s.size() : s.find_first_of("+#");
  if (end >= 3 && s[0] >= 'a' && s[0] <= 'h' && (s[end - 2] == '8' || s[end - 2] == '1') &&
      std::string_view("QRBN").find(s[end - 1]) != std::string_view::npos)
    s.insert(end - 1, "=");
  return s;
}

// Every game of the real files replays to its end, and each move written back in
// standard SAN is the game's own move, normalised.
TEST(GameReplay, RealGamesReplayToTheirEnd) {
  std::vector<std::string> files = {SourcePath("samples/classics.pgn")};
  if (const std::string dir = CorpusDir(); !dir.empty())
    for (const std::string& name : FolderEntries(dir))
      if (name.ends_with(".pgn")) files.push_back(dir + name);
  int games = 0, plies = 0, unparsed = 0;
  for (const std::string& path : files) {
    ForEachGame(path, [&](const std::string& header, const std::string& moveText) {
      MoveTextParser parser(moveText, false);
      try {
        parser.Parse();
      } catch (const MoveTextError&) {
        ++unparsed;  // the move-text parser's refusal, not the board's
        return;
      }
      GameReplay replay;
      ASSERT_EQ(replay.Begin(GameView{header, moveText}), "") << path << "\n" << header;
      for (const Move& move : parser.Moves) {
        const Board before = replay.Position();
        ASSERT_TRUE(replay.Play(move.Text())) << path << ": " << move.Text() << "\n" << header;
        EXPECT_EQ(WriteSan(before, replay.LastRead().move), Normalised(move.Text())) << path;
      }
      ++games;
      plies += replay.Plies();
    });
  }
  std::printf("%d games, %d plies replayed; %d move texts the parser refused\n", games, plies,
              unparsed);
  EXPECT_GE(games, 36);
}

}  // namespace
