// Tests of the criteria on positions: Position and Material on hand-made games (move orders,
// ranges, set-up games, moves that cannot be played, variants), their refusals before a run,
// and the quick test held against the replay on random legal games.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "engine/criteria_entry.h"
#include "engine/criteria_kinds.h"
#include "engine/fen.h"
#include "engine/move_generation.h"
#include "engine/move_text_parser.h"
#include "engine/position_criteria.h"
#include "engine/san.h"

using namespace kelvane;

namespace {

std::vector<Move> MovesOf(std::string_view moveText) {
  MoveTextParser parser(moveText, false, true);
  parser.Parse();
  return parser.Moves;
}

bool Passes(const Criteria& c, const std::string& header, const std::string& moveText,
            bool quickTest = true) {
  const std::vector<Move> moves = MovesOf(moveText);
  return PositionCriteria(c).Passes(GameView{header, moveText}, moves, quickTest);
}

// The Najdorf after 5...a6, and two move orders that reach it.
constexpr char kNajdorf[] = "rnbqkb1r/1p2pppp/p2p1n2/8/3NP3/2N5/PPP2PPP/R1BQKB1R w KQkq - 0 6";
constexpr char kNajdorfPlacement[] = "rnbqkb1r/1p2pppp/p2p1n2/8/3NP3/2N5/PPP2PPP/R1BQKB1R";
constexpr char kNajdorfMain[] = "1.e4 c5 2.Nf3 d6 3.d4 cxd4 4.Nxd4 Nf6 5.Nc3 a6 6.Be3 e5 *";
constexpr char kNajdorfOther[] = "1.e4 c5 2.Nc3 a6 3.Nf3 d6 4.d4 cxd4 5.Nxd4 Nf6 6.Be2 e5 *";
// The knights go out and back: the start after black's 2nd move, black's knight on f6 after
// white's 10th move... and the 10th moves of both colours.
constexpr char kShuffle[] =
    "1.Nf3 Nf6 2.Ng1 Ng8 3.Nc3 Nc6 4.Nb1 Nb8 5.Nf3 Nf6 6.Ng1 Ng8 7.Nc3 Nc6 8.Nb1 Nb8 "
    "9.Nf3 Nf6 10.Ng1 Ng8 11.e4 *";
constexpr char kStart[] = "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR";
// After white's 10th move in kShuffle: black's knight still on f6, black to move.
constexpr char kAfterWhite10[] = "rnbqkb1r/pppppppp/5n2/8/8/8/PPPPPPPP/RNBQKBNR b";
// A set-up game starting at move 20 (white's king and rook against a king).
constexpr char kSetUp[] = "[SetUp \"1\"]\r\n[FEN \"8/8/8/4k3/8/8/8/R3K3 w Q - 0 20\"]\r\n";
constexpr char kSetUpZero[] = "[SetUp \"1\"]\r\n[FEN \"8/8/8/4k3/8/8/8/R3K3 w Q - 0 0\"]\r\n";
constexpr char kSetUpMoves[] = "20.O-O-O Kf5 21.Kb2 *";
constexpr char kSetUpAfter20[] = "8/8/8/5k2/8/8/8/2KR4 w";

struct Case {
  const char* name;
  std::string header;
  std::string moveText;
  std::string position;
  MoveRange positionRange;  // {}: the default range
  std::string material;
  MoveRange materialRange;
  bool passes;
};

// Positions after 1.e4, after 1.e4 e5 (white to move), after 2...Nc6 once 2.Ke3 is played.
constexpr char kAfterE4[] = "rnbqkbnr/pppppppp/8/8/4P3/8/PPPP1PPP/RNBQKBNR b";
constexpr char kAfterE5[] = "rnbqkbnr/pppp1ppp/8/4p3/4P3/8/PPPP1PPP/RNBQKBNR w";
constexpr char kAfterNc6[] = "r1bqkbnr/pppp1ppp/2n5/4p3/4P3/8/PPPP1PPP/RNBQKBNR";
constexpr char kBadMove[] = "1.e4 e5 2.Ke3 Nc6 *";  // the king cannot go to e3
constexpr char kCrazyhouse[] = "[Variant \"Crazyhouse\"]\r\n";
constexpr char kFromPosition[] = "[Variant \"From Position\"]\r\n";
// Material: all of it, one pawn each less, and that without the kings.
constexpr char kAll[] = "KQRRBBNNPPPPPPPP v KQRRBBNNPPPPPPPP";
constexpr char kPawnEach[] = "KQRRBBNNPPPPPPP v KQRRBBNNPPPPPPP";
constexpr char kPawnEachNoKings[] = "QRRBBNNPPPPPPP v QRRBBNNPPPPPPP";
const std::string kNajdorfBlack = std::string(kNajdorfPlacement) + " b";
const std::string kStartWhite = std::string(kStart) + " w";

const Case kCases[] = {
    // Transpositions: the same position by two move orders, castling rights and clocks
    // ignored, within moves 1-12; not before it stands (after 5...a6).
    {"main line", "", kNajdorfMain, kNajdorf, {1, 12}, "", {}, true},
    {"other order", "", kNajdorfOther, kNajdorf, {1, 12}, "", {}, true},
    {"placement only", "", kNajdorfOther, kNajdorfPlacement, {1, 12}, "", {}, true},
    {"other side to move", "", kNajdorfMain, kNajdorfBlack, {1, 12}, "", {}, false},
    {"range ends before", "", kNajdorfMain, kNajdorf, {1, 4}, "", {}, false},
    {"range ends at black's 5th", "", kNajdorfMain, kNajdorf, {5, 5}, "", {}, true},
    {"range starts after", "", kNajdorfMain, kNajdorf, {6, 12}, "", {}, false},
    // White's and black's 10th moves are both in 1-10; the start does not count.
    {"white's 10th", "", kShuffle, kAfterWhite10, {10, 10}, "", {}, true},
    {"black's 10th", "", kShuffle, kStartWhite, {10, 10}, "", {}, true},
    {"after move 10", "", kShuffle, kStartWhite, {11, 999}, "", {}, false},
    {"start not counted", "", "1.e4 *", kStartWhite, {1, 999}, "", {}, false},
    // Set-up games number their moves from their FEN (0 taken as 1).
    {"set-up", kSetUp, kSetUpMoves, kSetUpAfter20, {20, 20}, "", {}, true},
    {"set-up before", kSetUp, kSetUpMoves, kSetUpAfter20, {1, 19}, "", {}, false},
    {"set-up from 0", kSetUpZero, "1.O-O-O Kf5 *", kSetUpAfter20, {1, 1}, "", {}, true},
    // A move that cannot be played ends the replay; the positions before it count.
    {"after bad move", "", kBadMove, kAfterNc6, {}, "", {}, false},
    {"before bad move", "", kBadMove, kAfterE5, {}, "", {}, true},
    // Variants: only standard chess (and Chess960) is replayed.
    {"crazyhouse", kCrazyhouse, "1.e4 *", kAfterE4, {}, "", {}, false},
    {"from position", kFromPosition, "1.e4 *", kAfterE4, {}, "", {}, true},
    // Material: exact counts (a king may be left out), within its range.
    {"material", "", "1.e4 d5 2.exd5 Qxd5 *", "", {}, kPawnEachNoKings, {}, true},
    {"material not exact", "", "1.e4 d5 2.exd5 *", "", {}, kPawnEach, {}, false},
    {"material range", "", "1.e4 d5 2.exd5 Qxd5 *", "", {}, kPawnEach, {3, 999}, false},
    {"material in set-up", kSetUp, kSetUpMoves, "", {}, "KR v K", {21, 21}, true},
    {"material crazyhouse", kCrazyhouse, "1.e4 *", "", {}, kAll, {}, false},
    // Both: each within its own range.
    {"both", "", kNajdorfMain, kNajdorf, {1, 12}, kPawnEach, {4, 4}, true},
    {"both, material out of range", "", kNajdorfMain, kNajdorf, {1, 12}, kAll, {4, 999}, false},
};

TEST(PositionCriteria, HandMadeGames) {
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.name);
    Criteria criteria;
    criteria.position = c.position;
    criteria.material = c.material;
    if (c.positionRange != MoveRange{}) criteria.positionRange = c.positionRange;
    if (c.materialRange != MoveRange{}) criteria.materialRange = c.materialRange;
    EXPECT_EQ(Passes(criteria, c.header, c.moveText), c.passes);
    EXPECT_EQ(Passes(criteria, c.header, c.moveText, false), c.passes);
  }
}

TEST(PositionCriteria, DefaultRangesAreOneTo999) {
  EXPECT_EQ(Criteria{}.positionRange, (MoveRange{1, 999}));
  EXPECT_EQ(Criteria{}.materialRange, (MoveRange{1, 999}));
}

TEST(PositionCriteria, TextsThatDoNotReadAreRefusedBeforeARun) {
  const struct {
    std::string position, material;
    CriteriaFault fault;
    const char* message;
  } cases[] = {
      {kNajdorf, "KRP v KR", CriteriaFault::None, ""},
      {kStart, "", CriteriaFault::None, ""},
      {std::string(kStart) + " b", "", CriteriaFault::None, ""},
      {"rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP", "", CriteriaFault::PositionText,
       "Position \"rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP\": the board does not hold 8 ranks of 8 "
       "squares"},
      {std::string(kStart) + " x", "", CriteriaFault::PositionText,
       "Position \"rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR x\": the side to move is not 'w' "
       "or 'b'"},
      {std::string(kStart) + " w KQkq", "", CriteriaFault::PositionText, nullptr},
      {"8/8/8/8/8/8/8/K7", "", CriteriaFault::PositionText,
       "Position \"8/8/8/8/8/8/8/K7\": black must have one king"},
      // Each side's king in check by the other: no side may be to move.
      {"8/8/8/8/8/8/8/KR5k", "", CriteriaFault::None, ""},
      {"kR6/8/8/8/8/8/8/Kr6", "", CriteriaFault::PositionText, nullptr},
      {"", "KRP KR", CriteriaFault::MaterialText,
       "Material \"KRP KR\": no 'v' between the two sides (as in \"KRP v KR\")"},
      {"", "KX v K", CriteriaFault::MaterialText, nullptr},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.position + c.material);
    Criteria criteria;
    criteria.position = c.position;
    criteria.material = c.material;
    const CriteriaFault fault = CheckCriteria(criteria, "in.pgn", "out.pgn");
    EXPECT_EQ(fault, c.fault);
    if (c.message) {
      EXPECT_EQ(CriteriaFaultMessage(fault, criteria), c.message);
    }
    // A criterion that was not checked passes no game.
    if (fault != CriteriaFault::None) {
      EXPECT_FALSE(PositionCriteria(criteria).Passes(GameView{}, MovesOf("1.e4 *")));
    }
  }
  // Ranges are checked as the others are.
  Criteria criteria;
  criteria.material = "KRP v KR";
  criteria.materialRange = {5, 4};
  EXPECT_EQ(CheckCriteria(criteria, "in.pgn", "out.pgn"), CriteriaFault::MaterialTo);
  EXPECT_STREQ(CriterionKinds()[FaultRow(CriteriaFault::PositionText)].name, "Position");
  EXPECT_STREQ(CriterionKinds()[FaultRow(CriteriaFault::MaterialTo)].name, "Material");
}

// A random legal game of up to plies plies, each move written in SAN or, now and then, as
// from and to squares ("e1g1" for castling); the positions it passes through.
std::string RandomGame(std::mt19937& random, int plies, std::vector<Board>& positions) {
  Board board = Board::Start();
  std::string text;
  for (int ply = 0; ply < plies; ++ply) {
    MoveList list;
    GenerateLegal(board, list);
    if (list.size == 0) break;
    // Captures more often than chance, so that material changes, and castling whenever it
    // can be played.
    ChessMove move = list.moves[random() % list.size];
    for (const ChessMove& m : list)
      if ((board.PieceOn(m.To()) && random() % 3 == 0) || m.GetKind() == ChessMove::kCastling)
        move = m;
    if (ply % 2 == 0) text += std::to_string(ply / 2 + 1) + ".";
    text += random() % 5 ? WriteSan(board, move) : WriteFromTo(move);
    text += ' ';
    board.Play(move);
    positions.push_back(board);
  }
  return text + "*";
}

TEST(PositionCriteria, QuickTestNeverRejectsAGameThatReachesThePosition) {
  std::mt19937 random(20261207);
  std::vector<std::string> games;
  std::vector<Board> targets;
  for (int g = 0; g < 300; ++g) {
    std::vector<Board> positions;
    games.push_back(RandomGame(random, 20 + g % 60, positions));
    // Targets from the game's early positions, where other games may meet them.
    targets.push_back(positions[random() % std::min<size_t>(positions.size(), 8)]);
    targets.push_back(positions[random() % positions.size()]);
  }
  int reached = 0, rejected = 0, rejectedOnText = 0;
  for (const Board& target : targets) {
    Criteria criteria;
    criteria.position = WriteFen(target);
    criteria.positionRange = {1, 1 + static_cast<int>(random() % 40)};
    const PositionCriteria positions(criteria);
    for (const std::string& game : games) {
      const std::vector<Move> moves = MovesOf(game);
      const bool replayed = positions.Passes(GameView{{}, game}, moves, false);
      ASSERT_EQ(positions.Passes(GameView{{}, game}, moves), replayed) << criteria.position << "\n"
                                                                       << game;
      ASSERT_TRUE(!replayed || positions.MayReachText(GameView{{}, game})) << game;
      reached += replayed;
      rejected += !positions.MayReach(moves);
      rejectedOnText += !positions.MayReachText(GameView{{}, game});
    }
  }
  // Every target is reached by its own game when in range; most pairs are rejected quickly.
  EXPECT_GT(reached, 300);
  EXPECT_GT(rejected, static_cast<int>(targets.size() * games.size()) / 2);
  EXPECT_GT(rejectedOnText, static_cast<int>(targets.size() * games.size()) / 10);
  // A set-up game is never rejected on its text.
  Criteria criteria;
  criteria.position = WriteFen(targets.back());
  EXPECT_TRUE(PositionCriteria(criteria).MayReachText(
      GameView{"[FEN \"" + std::string(kStart) + " w - - 0 1\"]\r\n", "1.e4 *"}));
}

}  // namespace
