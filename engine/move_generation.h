// Legal move generation: checks (single and double), pins, castling (not out of, through
// or into check), en passant (including the capture that uncovers a rank attack on the
// king) and promotions. Moves are made legal as they are generated, so no move is tried
// and taken back.
#pragma once

#include <cstdint>

#include "engine/board.h"

namespace kelvane {

struct MoveList {
  ChessMove moves[256];  // no position has more than 218 legal moves
  int size = 0;
  void Add(ChessMove m) { moves[size++] = m; }
  const ChessMove* begin() const { return moves; }
  const ChessMove* end() const { return moves + size; }
};

// Appends the legal moves of the side to move; of them, when only is a piece type, only
// that piece's moves, and only those whose destination is in targets (castling counts as
// the king's move to its g- or c-file square).
void GenerateLegal(const Board& board, MoveList& list, PieceType only = kNoPieceType,
                   Bitboard targets = ~Bitboard{0});
bool HasLegalMove(const Board& board);
// The number of move paths depth plies deep (depth 0: 1).
uint64_t Perft(const Board& board, int depth);

}  // namespace kelvane
