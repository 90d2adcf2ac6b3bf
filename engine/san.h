// Standard Algebraic Notation: reading a move as players and programs write it, and
// writing it the standard way.
#pragma once

#include <string>
#include <string_view>

#include "engine/board.h"

namespace kelvane {

struct SanRead {
  enum Status { kOk, kUnreadable, kNoSuchMove, kAmbiguous };
  Status status = kUnreadable;
  ChessMove move{};  // the move when status is kOk
};

// Reads a move of the side to move. Accepted beyond standard SAN: trailing "+", "#", "!"
// and "?" in any mix; "0-0" and "0-0-0"; a promotion without "=" or with a lower-case
// piece letter; any disambiguation, down to the long form "Ng1f3" or "e2e4" (with or
// without "-"); "x" or ":" left out or written where nothing is captured; "ed5" for
// "exd5"; a trailing "e.p." (the move-text parser splits words at periods, so this
// form comes only from callers that keep whole words); a leading "P" for a pawn. The move must be exactly one legal
// move: none is kNoSuchMove, more than one kAmbiguous (a promotion needs its piece).
SanRead ReadSan(const Board& board, std::string_view text);
// The move in standard SAN: minimal disambiguation (file, else rank, else both), "x" for a
// capture, "=Q" for a promotion, "+" or "#" after a check or mate.
std::string WriteSan(const Board& board, ChessMove move);
// The move as chess engines write it: from and to squares, a promotion's lower-case letter
// ("e2e4", "e1g1", "e7e8q"). Given the Chess960 board the move is played on, castling is
// written as the king taking its own rook ("e1h1"), as engines do in Chess960.
std::string WriteFromTo(ChessMove move, const Board* chess960 = nullptr);

}  // namespace kelvane
