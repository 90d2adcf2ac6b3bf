// Forsyth-Edwards Notation: reading a position with a reason for each refusal, and writing
// one.
#pragma once

#include <string>
#include <string_view>

#include "engine/board.h"

namespace kelvane {

inline constexpr std::string_view kStartFen =
    "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1";

// Sets board to the position of fen and returns "", or returns why fen is refused (board
// is then left as it was). The two move clocks may be left out (0 and 1); a full-move
// number of 0 is taken as 1. An en-passant square that no pawn can capture on is dropped.
// With chess960, castling rights may also name the rook's file (A-H, a-h; "HAha") and K or Q
// stand for the outermost rook on that side of the king.
std::string ReadFen(std::string_view fen, Board& board, bool chess960 = false);
// A Chess960 board's castling rights are written with the rooks' files.
std::string WriteFen(const Board& board);

}  // namespace kelvane
