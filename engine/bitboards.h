// Squares, pieces and 64-bit boards (bit n is square n, a1 = 0, h8 = 63), and the attack
// tables: knight, king and pawn attacks precomputed per square, sliding attacks through
// magic multiplication into per-square tables (found once at start-up with a fixed seed).
#pragma once

#include <bit>
#include <cstdint>

namespace kelvane {

using Bitboard = uint64_t;

enum Color : uint8_t { kWhite, kBlack };
constexpr Color operator~(Color c) {
  return Color(c ^ 1);
}

enum PieceType : uint8_t { kNoPieceType, kPawn, kKnight, kBishop, kRook, kQueen, kKing };
constexpr int kPieceTypes = 7;

// A piece is its type, plus 8 for black; 0 is an empty square.
enum Piece : uint8_t { kNoPiece = 0 };
constexpr Piece MakePiece(Color c, PieceType t) {
  return Piece(t | (c << 3));
}
constexpr PieceType TypeOf(Piece p) {
  return PieceType(p & 7);
}
constexpr Color ColorOf(Piece p) {
  return Color(p >> 3);
}

using Square = int;  // 0..63; kNoSquare for none
constexpr Square kNoSquare = 64;
constexpr Square MakeSquare(int file, int rank) {
  return rank * 8 + file;
}
constexpr int FileOf(Square s) {
  return s & 7;
}
constexpr int RankOf(Square s) {
  return s >> 3;
}
// The rank as seen from c's side: 0 is c's back rank.
constexpr int RelativeRank(Color c, Square s) {
  return c == kWhite ? RankOf(s) : 7 - RankOf(s);
}

constexpr Bitboard Bit(Square s) {
  return Bitboard{1} << s;
}
constexpr Bitboard kFileA = 0x0101010101010101ULL;
constexpr Bitboard kRank1 = 0xFFULL;
constexpr Bitboard FileBB(int file) {
  return kFileA << file;
}
constexpr Bitboard RankBB(int rank) {
  return kRank1 << (8 * rank);
}

inline Square Lsb(Bitboard b) {
  return std::countr_zero(b);
}
inline Square PopLsb(Bitboard& b) {
  const Square s = Lsb(b);
  b &= b - 1;
  return s;
}
inline int Count(Bitboard b) {
  return std::popcount(b);
}
constexpr bool MoreThanOne(Bitboard b) {
  return (b & (b - 1)) != 0;
}

constexpr Bitboard ShiftNorth(Bitboard b) {
  return b << 8;
}
constexpr Bitboard ShiftSouth(Bitboard b) {
  return b >> 8;
}
// Squares a pawn of c on the squares of b attacks.
constexpr Bitboard PawnAttacksBB(Color c, Bitboard b) {
  const Bitboard west = b & ~kFileA, east = b & ~FileBB(7);
  return c == kWhite ? (west << 7) | (east << 9) : (west >> 9) | (east >> 7);
}

namespace attacks {

// Tables filled once by Init, which the first Board or an explicit call runs.
struct Magic {
  Bitboard mask;
  Bitboard magic;
  const Bitboard* table;
  int shift;
  unsigned Index(Bitboard occupied) const {
    return static_cast<unsigned>(((occupied & mask) * magic) >> shift);
  }
};

extern Bitboard gKnight[64];
extern Bitboard gKing[64];
extern Bitboard gPawn[2][64];
extern Magic gRookMagic[64];
extern Magic gBishopMagic[64];
// The squares strictly between two squares on one line (empty when not on one line).
extern Bitboard gBetween[64][64];
// The whole line through two squares, edge to edge (empty when not on one line).
extern Bitboard gLine[64][64];

// Fills the tables; cheap to call again (the work happens once, thread-safe).
void Init();

}  // namespace attacks

inline Bitboard KnightAttacks(Square s) {
  return attacks::gKnight[s];
}
inline Bitboard KingAttacks(Square s) {
  return attacks::gKing[s];
}
inline Bitboard PawnAttacks(Color c, Square s) {
  return attacks::gPawn[c][s];
}
inline Bitboard RookAttacks(Square s, Bitboard occupied) {
  const attacks::Magic& m = attacks::gRookMagic[s];
  return m.table[m.Index(occupied)];
}
inline Bitboard BishopAttacks(Square s, Bitboard occupied) {
  const attacks::Magic& m = attacks::gBishopMagic[s];
  return m.table[m.Index(occupied)];
}
inline Bitboard QueenAttacks(Square s, Bitboard occupied) {
  return RookAttacks(s, occupied) | BishopAttacks(s, occupied);
}
// Attacks of a piece type other than a pawn.
inline Bitboard AttacksOf(PieceType t, Square s, Bitboard occupied) {
  switch (t) {
    case kKnight:
      return KnightAttacks(s);
    case kBishop:
      return BishopAttacks(s, occupied);
    case kRook:
      return RookAttacks(s, occupied);
    case kQueen:
      return QueenAttacks(s, occupied);
    case kKing:
      return KingAttacks(s);
    default:
      return 0;
  }
}
inline Bitboard Between(Square a, Square b) {
  return attacks::gBetween[a][b];
}
inline Bitboard Line(Square a, Square b) {
  return attacks::gLine[a][b];
}

}  // namespace kelvane
