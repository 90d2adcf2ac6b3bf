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

// Castling: the rights, empty squares between king and rook, and no attacked square on the
// king's path (its start square is covered by the caller: no castling out of check).
void AddCastling(const Board& board, MoveList& list, Bitboard targets) {
  const Color us = board.SideToMove();
  const int rank = us == kWhite ? 0 : 7;
  const Square king = MakeSquare(4, rank);
  const Bitboard occupied = board.Occupied();
  const Bitboard enemies = board.Pieces(~us);
  const int rights = board.CastlingRights() >> (2 * us);
  auto safe = [&](Square s) { return !(board.AttackersTo(s, occupied) & enemies); };
  if ((rights & kWhiteKingSide) && (targets & Bit(king + 2)) &&
      !(occupied & (Bit(king + 1) | Bit(king + 2))) && safe(king + 1) && safe(king + 2)) {
    list.Add(ChessMove(king, king + 2, ChessMove::kCastling));
  }
  if ((rights & kWhiteQueenSide) && (targets & Bit(king - 2)) &&
      !(occupied & (Bit(king - 1) | Bit(king - 2) | Bit(king - 3))) && safe(king - 1) &&
      safe(king - 2)) {
    list.Add(ChessMove(king, king - 2, ChessMove::kCastling));
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
