#include "engine/move_generation.h"

#include <initializer_list>

namespace kelvane {

namespace {

void AddPawnMoves(MoveList& list, Color us, Square from, Bitboard to) {
  while (to) {
    const Square s = PopLsb(to);
    if (RelativeRank(us, s) == 7) {
      for (PieceType p : {kQueen, kRook, kBishop, kKnight})
        list.Add(ChessMove(from, s, ChessMove::kPromotion, p));
    } else {
      list.Add(ChessMove(from, s));
    }
  }
}

// Castling: the right, no piece but king and rook on the squares either passes over or lands
// on, and no attack on the squares the king passes over or lands on (its start square is
// the caller's: no castling out of check). In Chess960 the castling rook may have shielded
// the king's landing square along the back rank, so that square is looked at without it.
void AddCastling(const Board& board, MoveList& list, Bitboard targets) {
  const Color us = board.SideToMove();
  const int rank = us == kWhite ? 0 : 7;
  const Square king = board.KingSquare(us);
  const Bitboard occupied = board.Occupied();
  const Bitboard enemies = board.Pieces(~us);
  for (int side = 0; side < 2; ++side) {
    const int index = 2 * us + side;
    const Square kingTo = MakeSquare(side == 0 ? 6 : 2, rank);
    if (!(board.CastlingRights() & (1 << index)) || !(targets & Bit(kingTo))) continue;
    const Square rook = board.CastlingRook(index);
    const Square rookTo = MakeSquare(side == 0 ? 5 : 3, rank);
    const Bitboard kingPath = Between(king, kingTo) | Bit(kingTo);
    const Bitboard others = occupied ^ Bit(king) ^ Bit(rook);
    if ((kingPath | Between(rook, rookTo) | Bit(rookTo)) & others) continue;
    bool safe = true;
    for (Bitboard path = kingPath; path && safe;)
      safe = !(board.AttackersTo(PopLsb(path), occupied) & enemies);
    if (safe && board.IsChess960())
      safe = !(board.AttackersTo(kingTo, occupied ^ Bit(rook)) & enemies);
    if (safe) list.Add(ChessMove(king, kingTo, ChessMove::kCastling));
  }
}

}  // namespace

void GenerateLegal(const Board& board, MoveList& list, PieceType only, Bitboard targets) {
  const Color us = board.SideToMove(), them = ~us;
  const Square king = board.KingSquare(us);
  const Bitboard occupied = board.Occupied();
  const Bitboard own = board.Pieces(us), enemies = board.Pieces(them);
  const Bitboard checkers = board.Checkers();

  if (only == kNoPieceType || only == kKing) {
    Bitboard to = KingAttacks(king) & ~own & targets;
    const Bitboard withoutKing = occupied ^ Bit(king);
    while (to) {
      const Square s = PopLsb(to);
      if (!(board.AttackersTo(s, withoutKing) & enemies)) list.Add(ChessMove(king, s));
    }
    if (!checkers && board.CastlingRights()) AddCastling(board, list, targets);
  }
  if (MoreThanOne(checkers) || only == kKing) return;

  const Bitboard asked = targets;
  // Out of a single check only a capture of the checker or a block helps.
  if (checkers) targets &= Between(king, Lsb(checkers)) | checkers;
  const Bitboard pinned = board.Pinned(us);
  const Bitboard allowed = ~own & targets;

  // One destination (as SAN reading asks): only the pieces that reach it are looked at.
  const bool oneTarget = targets && !MoreThanOne(targets);
  for (PieceType t : {kKnight, kBishop, kRook, kQueen}) {
    if (only != kNoPieceType && only != t) continue;
    Bitboard pieces = board.Pieces(us, t);
    if (oneTarget) pieces &= AttacksOf(t, Lsb(targets), occupied);
    while (pieces) {
      const Square from = PopLsb(pieces);
      Bitboard to = AttacksOf(t, from, occupied) & allowed;
      if (pinned & Bit(from)) to &= Line(king, from);
      while (to) list.Add(ChessMove(from, PopLsb(to)));
    }
  }
  if (only != kNoPieceType && only != kPawn) return;

  const int up = us == kWhite ? 8 : -8;
  Bitboard pawns = board.Pieces(us, kPawn);
  if (oneTarget) {
    const Bitboard ahead = us == kWhite ? (targets >> 8) | ((targets & RankBB(3)) >> 16)
                                        : (targets << 8) | ((targets & RankBB(4)) << 16);
    pawns &= ahead | PawnAttacksBB(them, targets);
  }
  while (pawns) {
    const Square from = PopLsb(pawns);
    Bitboard to = PawnAttacks(us, from) & enemies;
    const Square one = from + up;
    if (!(occupied & Bit(one))) {
      to |= Bit(one);
      if (RelativeRank(us, from) == 1 && !(occupied & Bit(one + up))) to |= Bit(one + up);
    }
    to &= targets;
    if (pinned & Bit(from)) to &= Line(king, from);
    AddPawnMoves(list, us, from, to);
  }

  // En passant: take both pawns off and the capturer onto the square, then look whether
  // anything attacks the king; this catches the pin along the rank of the two pawns.
  const Square ep = board.EnPassant();
  if (ep == kNoSquare) return;
  if (!(asked & Bit(ep))) return;
  const Square captured = ep - up;
  Bitboard capturers = PawnAttacks(them, ep) & board.Pieces(us, kPawn);
  while (capturers) {
    const Square from = PopLsb(capturers);
    const Bitboard after = (occupied ^ Bit(from) ^ Bit(captured)) | Bit(ep);
    if (!(board.AttackersTo(king, after) & enemies & ~Bit(captured)))
      list.Add(ChessMove(from, ep, ChessMove::kEnPassant));
  }
}

bool HasLegalMove(const Board& board) {
  MoveList list;
  GenerateLegal(board, list);
  return list.size > 0;
}

uint64_t Perft(const Board& board, int depth) {
  if (depth == 0) return 1;
  MoveList list;
  GenerateLegal(board, list);
  if (depth == 1) return static_cast<uint64_t>(list.size);
  uint64_t nodes = 0;
  for (ChessMove m : list) {
    Board next = board;
    next.Play(m);
    nodes += Perft(next, depth - 1);
  }
  return nodes;
}

}  // namespace kelvane
