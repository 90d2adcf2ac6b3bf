// Tests of SAN: the spellings read (and the failures), the standard form written, and the
// round trip of every legal move of many positions.
#include <gtest/gtest.h>

#include <sstream>
#include <string>

#include "engine/fen.h"
#include "engine/move_generation.h"
#include "engine/move_text_parser.h"
#include "engine/san.h"
#include "test_support.h"

using namespace kelvane;

namespace {

// Knights on d2 and g1 both reach f3; rooks on a1 and a5 both reach a3.
constexpr const char* kTwoKnights = "4k3/8/8/R7/8/8/3N4/R3K1N1 w - - 0 1";
// The b7 pawn promotes by a push or by taking the rook; e4 takes d5.
constexpr const char* kPromotion = "r3k3/1P6/8/3p4/4P3/8/8/4K3 w - - 0 1";
constexpr const char* kEnPassant = "4k3/8/8/3pP3/8/8/8/4K3 w - d6 0 1";
constexpr const char* kCastling = "r3k2r/8/8/8/8/8/8/R3K2R w KQkq - 0 1";
// The f2 rook guards f1: no castling on the king's side.
constexpr const char* kCastlingThroughCheck = "r3k2r/8/8/8/8/8/5r2/R3K2R w KQkq - 0 1";
// Chess960: the king castles on the g-file where it already stands, or with the b1 rook.
constexpr const char* kChess960 = "1r4kr/8/8/8/8/8/8/1R4KR w HBhb - 0 1";
// Chess960: the b1 rook shields the c1 square the king would land on from the a1 rook.
constexpr const char* kChess960Shielded = "4k3/8/8/8/8/8/8/rR1K4 w B - 0 1";
// The e2 knight is pinned, so only the b5 knight reaches c3 and d4.
constexpr const char* kPinnedKnight = "4k3/4r3/8/1N6/8/8/4N3/4K3 w - - 0 1";

// The move read as its from-to text, or the failure's name.
std::string Read(const char* fen, std::string_view text) {
  Board board;
  EXPECT_EQ(ReadFen(fen, board, fen == kChess960 || fen == kChess960Shielded), "");
  const SanRead read = ReadSan(board, text);
  switch (read.status) {
    case SanRead::kOk:
      return WriteFromTo(read.move);
    case SanRead::kUnreadable:
      return "unreadable";
    case SanRead::kNoSuchMove:
      return "no such move";
    case SanRead::kAmbiguous:
      return "ambiguous";
  }
  return "";
}

TEST(San, SpellingsRead) {
  const char* start = kStartFen.data();
  struct Case {
    const char* fen;
    const char* text;
    const char* expected;
  };
  const Case cases[] = {
      {start, "e4", "e2e4"},
      {start, "Nf3", "g1f3"},
      {start, "Pe4", "e2e4"},
      {start, "e2e4", "e2e4"},
      {start, "e2-e4", "e2e4"},
      {start, "Ng1f3", "g1f3"},
      {start, "Ng1-f3", "g1f3"},
      {start, "Ngf3", "g1f3"},
      {start, "N1f3", "g1f3"},
      {start, "Nxf3", "g1f3"},  // "x" where nothing is taken, the move being unique
      {start, "Nf3!", "g1f3"},
      {start, "Nf3?!", "g1f3"},
      {start, "Nf3!!", "g1f3"},
      {start, "Nf3??", "g1f3"},
      {start, "Nf3+!?", "g1f3"},
      {start, "e5", "no such move"},
      {start, "Nf4", "no such move"},
      {start, "Ke2", "no such move"},
      {start, "O-O", "no such move"},
      {start, "", "unreadable"},
      {start, "+", "unreadable"},
      {start, "N", "unreadable"},
      {start, "e9", "unreadable"},
      {start, "Zf3", "unreadable"},
      {start, "nf3", "unreadable"},
      {start, "Nf3x", "unreadable"},
      {kTwoKnights, "Nf3", "ambiguous"},
      {kTwoKnights, "Ngf3", "g1f3"},
      {kTwoKnights, "Ndf3", "d2f3"},
      {kTwoKnights, "N1f3", "g1f3"},
      {kTwoKnights, "N2f3", "d2f3"},
      {kTwoKnights, "Nd2f3", "d2f3"},
      {kTwoKnights, "Nh3", "g1h3"},
      {kTwoKnights, "Ngh3", "g1h3"},
      {kTwoKnights, "Nb3", "d2b3"},
      {kTwoKnights, "Nef3", "no such move"},
      {kTwoKnights, "Ra3", "ambiguous"},
      {kTwoKnights, "R1a3", "a1a3"},
      {kTwoKnights, "R5a3", "a5a3"},
      {kTwoKnights, "Rb1", "a1b1"},
      {kPromotion, "bxa8=Q", "b7a8q"},
      {kPromotion, "bxa8=Q+", "b7a8q"},
      {kPromotion, "bxa8Q", "b7a8q"},
      {kPromotion, "ba8=Q", "b7a8q"},
      {kPromotion, "b7xa8=Q", "b7a8q"},
      {kPromotion, "bxa8=q", "b7a8q"},
      {kPromotion, "bxa8=b", "b7a8b"},
      {kPromotion, "b8=N", "b7b8n"},
      {kPromotion, "b8N", "b7b8n"},
      {kPromotion, "b8=R", "b7b8r"},
      {kPromotion, "b8", "no such move"},
      {kPromotion, "b8=K", "unreadable"},
      {kPromotion, "e5=Q", "no such move"},
      {kPromotion, "exd5", "e4d5"},
      {kPromotion, "ed5", "e4d5"},
      {kPromotion, "e4xd5", "e4d5"},
      {kPromotion, "e4d5", "e4d5"},
      {kPromotion, "e:d5", "e4d5"},
      {kPromotion, "d5", "no such move"},
      {kPromotion, "e5", "e4e5"},
      {kPromotion, "exf5", "no such move"},
      {kEnPassant, "exd6", "e5d6"},
      {kEnPassant, "ed6", "e5d6"},
      {kEnPassant, "exd6e.p.", "e5d6"},
      {kEnPassant, "e5xd6e.p.", "e5d6"},
      {kEnPassant, "e6", "e5e6"},
      {kCastling, "O-O", "e1g1"},
      {kCastling, "0-0", "e1g1"},
      {kCastling, "O-O+", "e1g1"},
      {kCastling, "O-O-O", "e1c1"},
      {kCastling, "0-0-0", "e1c1"},
      {kCastling, "O-O-O!?", "e1c1"},
      {kCastling, "Kg1", "no such move"},
      {kCastling, "o-o", "unreadable"},
      {kCastlingThroughCheck, "O-O", "no such move"},
      {"7k/8/8/8/8/8/8/4K3 b - - 0 1", "O-O", "no such move"},  // a king on the edge
      {"4k3/8/8/8/8/8/8/K7 w - - 0 1", "O-O-O", "no such move"},
      {kCastlingThroughCheck, "O-O-O", "e1c1"},
      {kChess960, "O-O", "g1g1"},
      {kChess960, "O-O-O", "g1c1"},
      {kChess960, "Kh1", "no such move"},
      {kChess960Shielded, "O-O-O", "no such move"},
      {kChess960Shielded, "Kc1", "d1c1"},
      {kPinnedKnight, "Nc3", "b5c3"},
      {kPinnedKnight, "Nd4", "b5d4"},
      {kPinnedKnight, "Nec3", "no such move"},
  };
  for (const Case& c : cases) EXPECT_EQ(Read(c.fen, c.text), c.expected) << c.fen << "  " << c.text;
}

// The move-text parser keeps 9 bytes of a word: the longest spellings lose only marks
// that follow the move.
TEST(San, WordsCutAfterNineBytesStillRead) {
  struct Case {
    const char* fen;
    const char* text;
    const char* expected;
  };
  const Case cases[] = {{kPromotion, "b7xa8=Q+!?", "b7a8q"},
                        {kPromotion, "bxa8=Q+!!?", "b7a8q"},
                        {kEnPassant, "e5xd6e.p.+", "e5d6"},
                        {kCastling, "O-O-O+!?!", "e1c1"}};
  for (const Case& c : cases) {
    const Move move(0, std::string_view(c.text));
    EXPECT_EQ(Read(c.fen, move.Text()), c.expected) << c.text;
  }
}

TEST(San, StandardFormWritten) {
  struct Case {
    const char* fen;
    const char* fromTo;
    const char* san;
  };
  const char* start = kStartFen.data();
  // Queens on a1, c1, a3 and c3 all reach b2.
  const char* fourQueens = "4k3/8/8/8/8/Q1Q5/8/Q1Q1K3 w - - 0 1";
  const Case cases[] = {
      {start, "e2e4", "e4"},          {start, "g1f3", "Nf3"},
      {kTwoKnights, "g1f3", "Ngf3"},  {kTwoKnights, "d2f3", "Ndf3"},
      {kTwoKnights, "g1h3", "Nh3"},   {kTwoKnights, "a1a3", "R1a3"},
      {kTwoKnights, "a5a3", "R5a3"},  {fourQueens, "a1b2", "Qa1b2"},
      {fourQueens, "c3b2", "Qc3b2"},  {fourQueens, "a3a2", "Q3a2"},
      {fourQueens, "c1d2", "Q1d2"},   {kPromotion, "b7a8q", "bxa8=Q+"},
      {kPromotion, "b7b8n", "b8=N"},  {kPromotion, "e4d5", "exd5"},
      {kEnPassant, "e5d6", "exd6"},   {kCastling, "e1g1", "O-O"},
      {kCastling, "e1c1", "O-O-O"},   {kCastling, "a1a8", "Rxa8+"},
      {kPinnedKnight, "b5c3", "Nc3"}, {"7k/1R6/8/8/8/8/8/R3K3 w Q - 0 1", "a1a8", "Ra8#"},
  };
  for (const Case& c : cases) {
    Board board;
    ASSERT_EQ(ReadFen(c.fen, board), "");
    MoveList list;
    GenerateLegal(board, list);
    bool found = false;
    for (ChessMove m : list) {
      if (WriteFromTo(m) != c.fromTo) continue;
      found = true;
      EXPECT_EQ(WriteSan(board, m), c.san) << c.fen;
    }
    EXPECT_TRUE(found) << c.fen << " " << c.fromTo;
  }
}

// Every legal move written in SAN reads back as itself, in the positions up to three plies
// from those of the perft tables (Chess960 included).
TEST(San, EveryLegalMoveReadsBackAsWritten) {
  int checked = 0;
  auto check = [&](const Board& board, auto& self, int depth) -> void {
    MoveList list;
    GenerateLegal(board, list);
    for (ChessMove m : list) {
      const std::string san = WriteSan(board, m);
      const SanRead read = ReadSan(board, san);
      ASSERT_EQ(read.status, SanRead::kOk) << WriteFen(board) << " " << san;
      ASSERT_EQ(read.move, m) << WriteFen(board) << " " << san;
      ++checked;
      if (depth > 1) {
        Board next = board;
        next.Play(m);
        self(next, self, depth - 1);
      }
    }
  };
  for (const bool chess960 : {false, true}) {
    std::istringstream in(
        ReadFile(SourcePath(chess960 ? "tests/data/perft960.epd" : "tests/data/perft.epd")));
    for (std::string line; std::getline(in, line);) {
      if (line.empty() || line[0] == '#') continue;
      Board board;
      ASSERT_EQ(ReadFen(line.substr(0, line.find(';')), board, chess960), "");
      check(board, check, 3);
    }
  }
  EXPECT_GT(checked, 100000) << checked;
}

}  // namespace
