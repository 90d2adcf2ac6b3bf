// Tests of FEN reading and writing: the round trip with its normalisations, and the
// refusals with their reasons.
#include <gtest/gtest.h>

#include <string>

#include "engine/fen.h"

using namespace kelvane;

namespace {

TEST(Fen, ReadThenWrittenBack) {
  struct Case {
    const char* in;
    const char* out;  // nullptr: the same as in
  };
  const Case cases[] = {
      {"rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1", nullptr},
      {"r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq - 0 1", nullptr},
      {"r3k2r/8/8/8/8/8/8/R3K2R b Kq - 17 42", nullptr},
      // An en-passant square a pawn can capture on stays; one it cannot is dropped.
      {"rnbqkbnr/ppp1p1pp/8/3pPp2/8/8/PPPP1PPP/RNBQKBNR w KQkq f6 0 3", nullptr},
      {"rnbqkbnr/pppp1ppp/8/4p3/4P3/8/PPPP1PPP/RNBQKBNR w KQkq e6 0 2",
       "rnbqkbnr/pppp1ppp/8/4p3/4P3/8/PPPP1PPP/RNBQKBNR w KQkq - 0 2"},
      {"8/8/8/8/3pP3/8/8/4K2k b - e3 0 1", nullptr},
      // The clocks may be left out; a move number of 0 counts as 1; blanks may repeat.
      {"4k3/8/8/8/8/8/8/4K3 w - -", "4k3/8/8/8/8/8/8/4K3 w - - 0 1"},
      {"4k3/8/8/8/8/8/8/4K3 b - - 3", "4k3/8/8/8/8/8/8/4K3 b - - 3 1"},
      {"4k3/8/8/8/8/8/8/4K3 w - - 0 0", "4k3/8/8/8/8/8/8/4K3 w - - 0 1"},
      {"  4k3/8/8/8/8/8/8/4K3   w  -  - 5 9 ", "4k3/8/8/8/8/8/8/4K3 w - - 5 9"},
      {"4k3/8/8/8/8/8/8/4K3 w - - 1000000 1000000", nullptr},
  };
  for (const Case& c : cases) {
    Board board;
    ASSERT_EQ(ReadFen(c.in, board), "") << c.in;
    EXPECT_EQ(WriteFen(board), c.out ? c.out : c.in);
  }
}

TEST(Fen, BadOnesAreRefusedWithAReason) {
  struct Case {
    const char* fen;
    const char* reason;
  };
  const Case cases[] = {
      {"", "a FEN has 4 to 6 fields, this one 0"},
      {"4k3/8/8/8/8/8/8/4K3 w - - 0 1 x", "a FEN has 4 to 6 fields, this one 7"},
      {"4k3/8/8/8/8/8/4K3 w - - 0 1", "the board does not hold 8 ranks of 8 squares"},
      {"4k3/8/8/8/8/8/8/8/4K3 w - - 0 1", "more than 8 ranks"},
      {"4k3/8/8/8/8/8/8/4K4 w - - 0 1", "rank 1 holds more than 8 squares"},
      {"4k3/8/8/8/8/8/8/4K3Q w - - 0 1", "rank 1 holds more than 8 squares"},
      {"4k3/7/8/8/8/8/8/4K3 w - - 0 1", "rank 7 does not hold 8 squares"},
      {"4k3/8/8/8/8/8/8/4X3 w - - 0 1", "'X' is not a piece letter"},
      {"4k3/8/8/8/8/8/8/8 w - - 0 1", "white must have one king"},
      {"4k2k/8/8/8/8/8/8/4K3 w - - 0 1", "black must have one king"},
      {"4k2P/8/8/8/8/8/8/4K3 w - - 0 1", "a pawn stands on the first or last rank"},
      {"4k3/8/8/8/8/8/8/p3K3 w - - 0 1", "a pawn stands on the first or last rank"},
      {"4k3/8/8/8/8/8/8/4K3 x - - 0 1", "the side to move is not 'w' or 'b'"},
      {"4k3/8/8/8/8/8/8/4K2R w KX - 0 1", "'X' is not a castling right"},
      {"4k3/8/8/8/8/8/8/4K2R w KK - 0 1", "castling right 'K' written twice"},
      {"4k3/8/8/8/8/8/8/4K3 w K - 0 1", "castling right 'K' without its king and rook at home"},
      {"r3k3/8/8/8/8/8/8/4K3 w k - 0 1", "castling right 'k' without its king and rook at home"},
      {"4k3/8/8/8/8/8/8/4K3 w - e3 0 1", "'e3' is not an en-passant square for the side to move"},
      {"4k3/8/8/8/8/8/8/4K3 w - e6 0 1",
       "en-passant square e6 does not follow a pawn's double step"},
      {"4k3/8/8/8/8/8/8/4K3 w - - x 1", "the half-move clock 'x' is not a number up to 1000000"},
      {"4k3/8/8/8/8/8/8/4K3 w - - 0 -1", "the move number '-1' is not a number up to 1000000"},
      {"4k3/8/8/8/8/8/8/4K3 w - - 0 1000001",
       "the move number '1000001' is not a number up to 1000000"},
      {"4k3/8/8/8/8/8/8/4K3 w - - 2147483647 1",
       "the half-move clock '2147483647' is not a number up to 1000000"},
      {"4k3/8/8/8/8/8/8/4K2r b - - 0 1", "the side not to move is in check"},
  };
  for (const Case& c : cases) {
    Board board = Board::Start();
    EXPECT_EQ(ReadFen(c.fen, board), c.reason) << c.fen;
    EXPECT_EQ(WriteFen(board), kStartFen) << "a refused FEN leaves the board as it was";
  }
}

}  // namespace

// Chess960 castling rights: K and Q name the outermost rook, letters the rook's file; they
// are written with the files.
TEST(Fen, Chess960CastlingRights) {
  struct Case {
    const char* in;
    const char* result;  // the FEN written back, or the reason for the refusal
  };
  const Case cases[] = {
      {"1r4kr/8/8/8/8/8/8/1R4KR w HBhb - 0 1", "1r4kr/8/8/8/8/8/8/1R4KR w HBhb - 0 1"},
      {"1r4kr/8/8/8/8/8/8/1R4KR w KQkq - 0 1", "1r4kr/8/8/8/8/8/8/1R4KR w HBhb - 0 1"},
      {"rr4kr/8/8/8/8/8/8/RR4KR b Qk - 0 1", "rr4kr/8/8/8/8/8/8/RR4KR b Ah - 0 1"},
      {"rr4kr/8/8/8/8/8/8/RR4KR b Bb - 0 1", "rr4kr/8/8/8/8/8/8/RR4KR b Bb - 0 1"},
      {"rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1",
       "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w HAha - 0 1"},
      {"1r4kr/8/8/8/8/8/8/1R4KR w C - 0 1", "castling right 'C' without its rook"},
      {"1r4kr/8/8/8/8/8/8/1R4KR w G - 0 1", "castling right 'G' without its rook"},
      {"6kr/8/8/8/8/8/8/1R4KR w q - 0 1", "castling right 'q' without its rook"},
      {"1r4kr/8/8/8/8/8/6K1/1R5R w H - 0 1",
       "castling right 'H' without its king on the back rank"},
      {"1r4kr/8/8/8/8/8/8/1R4KR w I - 0 1", "'I' is not a castling right"},
      {"1r4kr/8/8/8/8/8/8/1R4KR w HH - 0 1", "castling right 'H' written twice"},
      {"1r4kr/8/8/8/8/8/8/1R4KR w HK - 0 1", "castling right 'K' written twice"},
  };
  for (const Case& c : cases) {
    Board board;
    const std::string error = ReadFen(c.in, board, true);
    EXPECT_EQ(error.empty() ? WriteFen(board) : error, c.result) << c.in;
  }
  Board board;
  EXPECT_EQ(ReadFen("1r4kr/8/8/8/8/8/8/1R4KR w HBhb - 0 1", board), "'H' is not a castling right")
      << "file letters are Chess960's only";
}
