// A chess position: bitboards per piece type and colour, a square-to-piece table, side to
// move, castling rights, en-passant square, move clocks and a 64-bit Zobrist key. Moves
// are made in place; a caller that needs the old position keeps a copy (copy-make: the
// board is 176 bytes, cheaper to copy than to undo).
#pragma once

#include <cstdint>

#include "engine/bitboards.h"

namespace kelvane {

// A move in 16 bits: from (6), to (6), promotion piece (2: knight to queen), kind (2).
// Castling is the king's move to the g- or c-file of its back rank (in Chess960 the king may
// already stand there, so from and to can be one square). ChessMove{} is no move; a plain ChessMove
// m is left unset, so that a list of 256 costs nothing to make.
class ChessMove {
 public:
  enum Kind : uint16_t { kNormal = 0, kPromotion = 1, kEnPassant = 2, kCastling = 3 };
  ChessMove() = default;
  constexpr ChessMove(Square from, Square to, Kind kind = kNormal, PieceType promo = kKnight)
      : bits_(static_cast<uint16_t>(from | (to << 6) | ((promo - kKnight) << 12) | (kind << 14))) {}
  constexpr Square From() const { return bits_ & 63; }
  constexpr Square To() const { return (bits_ >> 6) & 63; }
  constexpr Kind GetKind() const { return Kind(bits_ >> 14); }
  constexpr PieceType Promotion() const { return PieceType(((bits_ >> 12) & 3) + kKnight); }
  constexpr bool IsNone() const { return bits_ == 0; }
  constexpr bool operator==(const ChessMove&) const = default;

 private:
  uint16_t bits_;
};

// Castling rights, one bit each; the right with bit 1 << i is the i-th of a board's
// castling rooks.
enum CastlingRight : uint8_t {
  kWhiteKingSide = 1,
  kWhiteQueenSide = 2,
  kBlackKingSide = 4,
  kBlackQueenSide = 8,
};

class Board {
 public:
  // An empty board, white to move, no rights; fill it with Put and the setters (FEN does).
  Board();
  // The standard starting position.
  static Board Start();

  Bitboard Occupied() const { return byColor_[kWhite] | byColor_[kBlack]; }
  Bitboard Pieces(Color c) const { return byColor_[c]; }
  Bitboard Pieces(PieceType t) const { return byType_[t]; }
  Bitboard Pieces(Color c, PieceType t) const { return byColor_[c] & byType_[t]; }
  Piece PieceOn(Square s) const { return squares_[s]; }
  Square KingSquare(Color c) const { return Lsb(Pieces(c, kKing)); }
  Color SideToMove() const { return side_; }
  int CastlingRights() const { return castling_; }
  // The rook that castles with right 1 << index (h1, a1, h8, a8 in standard chess).
  Square CastlingRook(int index) const { return castlingRook_[index]; }
  // Chess960: castling rooks may start on any file; FENs are written with file letters.
  bool IsChess960() const { return chess960_; }
  // The square a pawn passed over on the last move, when a pawn of the side to move attacks
  // it; kNoSquare otherwise.
  Square EnPassant() const { return enPassant_; }
  int HalfmoveClock() const { return halfmove_; }
  int FullmoveNumber() const { return fullmove_; }
  // The Zobrist key of pieces, side to move, castling rights and en-passant square: equal
  // positions have equal keys.
  uint64_t Key() const { return key_; }
  // The pieces that give check to the side to move.
  Bitboard Checkers() const { return checkers_; }
  // Pieces of both colours that attack s, with occupied as the board's occupancy.
  Bitboard AttackersTo(Square s, Bitboard occupied) const;
  // The pieces of either colour that alone stand between c's king and an enemy slider.
  Bitboard Pinned(Color c) const;

  // Makes a legal move.
  void Play(ChessMove m);
  // Same pieces, side to move, castling rights (and rooks) and en-passant square (clocks left
  // out).
  bool SamePosition(const Board& other) const;

  // Building a position (FEN reading); Finish computes the key and checkers at the end.
  void Put(Piece p, Square s);
  void SetSideToMove(Color c) { side_ = c; }
  void SetCastlingRights(int rights) { castling_ = static_cast<uint8_t>(rights); }
  void SetCastlingRook(int index, Square s) { castlingRook_[index] = static_cast<uint8_t>(s); }
  void SetChess960(bool on) { chess960_ = on; }
  // Keeps s only when a pawn of the side to move attacks it.
  void SetEnPassant(Square s);
  void SetClocks(int halfmove, int fullmove) {
    halfmove_ = halfmove;
    fullmove_ = fullmove;
  }
  void Finish();

 private:
  void Remove(Square s);
  void Move(Square from, Square to);

  Bitboard byType_[kPieceTypes] = {};
  Bitboard byColor_[2] = {};
  Bitboard checkers_ = 0;
  uint64_t key_ = 0;
  Piece squares_[64] = {};
  Color side_ = kWhite;
  uint8_t castling_ = 0;
  uint8_t castlingRook_[4] = {7, 0, 63, 56};
  bool chess960_ = false;
  Square enPassant_ = kNoSquare;
  int halfmove_ = 0;
  int fullmove_ = 1;
};

}  // namespace kelvane
