#include "engine/board.h"

namespace kelvane {

namespace {

// Zobrist keys, made at compile time by splitmix64: [piece][square], then castling rights
// (16), en-passant file (8) and black to move.
struct Zobrist {
  uint64_t piece[16][64];
  uint64_t castling[16];
  uint64_t enPassant[8];
  uint64_t black;
};

constexpr Zobrist MakeZobrist() {
  Zobrist z{};
  uint64_t state = 0x4b656c76616e65ULL;
  auto next = [&state] {
    uint64_t x = (state += 0x9E3779B97F4A7C15ULL);
    x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9ULL;
    x = (x ^ (x >> 27)) * 0x94D049BB133111EBULL;
    return x ^ (x >> 31);
  };
  for (auto& row : z.piece)
    for (auto& k : row) k = next();
  for (auto& k : z.castling) k = next();
  for (auto& k : z.enPassant) k = next();
  z.black = next();
  return z;
}

constexpr Zobrist kZobrist = MakeZobrist();

}  // namespace

Board::Board() {
  attacks::Init();
}

Board Board::Start() {
  static const Board start = [] {
    Board b;
    constexpr PieceType kBack[8] = {kRook, kKnight, kBishop, kQueen,
                                    kKing, kBishop, kKnight, kRook};
    for (int f = 0; f < 8; ++f) {
      b.Put(MakePiece(kWhite, kBack[f]), MakeSquare(f, 0));
      b.Put(MakePiece(kWhite, kPawn), MakeSquare(f, 1));
      b.Put(MakePiece(kBlack, kPawn), MakeSquare(f, 6));
      b.Put(MakePiece(kBlack, kBack[f]), MakeSquare(f, 7));
    }
    b.castling_ = 15;
    b.Finish();
    return b;
  }();
  return start;
}

Bitboard Board::AttackersTo(Square s, Bitboard occupied) const {
  return (PawnAttacks(kBlack, s) & Pieces(kWhite, kPawn)) |
         (PawnAttacks(kWhite, s) & Pieces(kBlack, kPawn)) | (KnightAttacks(s) & byType_[kKnight]) |
         (KingAttacks(s) & byType_[kKing]) |
         (RookAttacks(s, occupied) & (byType_[kRook] | byType_[kQueen])) |
         (BishopAttacks(s, occupied) & (byType_[kBishop] | byType_[kQueen]));
}

Bitboard Board::Pinned(Color c) const {
  const Square king = KingSquare(c);
  const Bitboard occupied = Occupied();
  Bitboard snipers = ((RookAttacks(king, 0) & (byType_[kRook] | byType_[kQueen])) |
                      (BishopAttacks(king, 0) & (byType_[kBishop] | byType_[kQueen]))) &
                     byColor_[~c];
  Bitboard pinned = 0;
  while (snipers) {
    const Bitboard between = Between(king, PopLsb(snipers)) & occupied;
    if (between && !MoreThanOne(between)) pinned |= between;
  }
  return pinned;
}

void Board::Put(Piece p, Square s) {
  squares_[s] = p;
  byType_[TypeOf(p)] |= Bit(s);
  byColor_[ColorOf(p)] |= Bit(s);
  key_ ^= kZobrist.piece[p][s];
}

void Board::Remove(Square s) {
  const Piece p = squares_[s];
  squares_[s] = kNoPiece;
  byType_[TypeOf(p)] ^= Bit(s);
  byColor_[ColorOf(p)] ^= Bit(s);
  key_ ^= kZobrist.piece[p][s];
}

void Board::Move(Square from, Square to) {
  const Piece p = squares_[from];
  const Bitboard both = Bit(from) | Bit(to);
  squares_[from] = kNoPiece;
  squares_[to] = p;
  byType_[TypeOf(p)] ^= both;
  byColor_[ColorOf(p)] ^= both;
  key_ ^= kZobrist.piece[p][from] ^ kZobrist.piece[p][to];
}

void Board::SetEnPassant(Square s) {
  if (s != kNoSquare && (PawnAttacks(~side_, s) & Pieces(side_, kPawn))) {
    enPassant_ = s;
  } else {
    enPassant_ = kNoSquare;
  }
}

void Board::Finish() {
  key_ = 0;
  for (Bitboard b = Occupied(); b;) {
    const Square s = PopLsb(b);
    key_ ^= kZobrist.piece[squares_[s]][s];
  }
  key_ ^= kZobrist.castling[castling_];
  if (enPassant_ != kNoSquare) key_ ^= kZobrist.enPassant[FileOf(enPassant_)];
  if (side_ == kBlack) key_ ^= kZobrist.black;
  checkers_ = AttackersTo(KingSquare(side_), Occupied()) & byColor_[~side_];
}

void Board::Play(ChessMove m) {
  const Color us = side_, them = ~us;
  const Square from = m.From(), to = m.To();
  const PieceType moved = TypeOf(squares_[from]);
  if (enPassant_ != kNoSquare) key_ ^= kZobrist.enPassant[FileOf(enPassant_)];
  enPassant_ = kNoSquare;
  ++halfmove_;
  switch (m.GetKind()) {
    case ChessMove::kCastling: {
      // Both pieces come off first: in Chess960 each may land where the other stood.
      const bool kingSide = FileOf(to) == 6;
      const Square rook = castlingRook_[2 * us + !kingSide];
      Remove(from);
      Remove(rook);
      Put(MakePiece(us, kKing), to);
      Put(MakePiece(us, kRook), kingSide ? to - 1 : to + 1);
      break;
    }
    case ChessMove::kEnPassant:
      Remove(us == kWhite ? to - 8 : to + 8);
      Move(from, to);
      halfmove_ = 0;
      break;
    default:
      if (squares_[to]) {
        Remove(to);
        halfmove_ = 0;
      }
      Move(from, to);
      if (moved == kPawn) {
        halfmove_ = 0;
        if (m.GetKind() == ChessMove::kPromotion) {
          Remove(to);
          Put(MakePiece(us, m.Promotion()), to);
        } else if ((from ^ to) == 16) {
          const Square passed = (from + to) / 2;
          if (PawnAttacks(us, passed) & Pieces(them, kPawn)) {
            enPassant_ = passed;
            key_ ^= kZobrist.enPassant[FileOf(passed)];
          }
        }
      }
  }
  // A king that moves ends both its rights; a rook that leaves its square or is taken on it
  // ends its own.
  uint8_t rights = castling_;
  if (rights) {
    if (moved == kKing) rights &= us == kWhite ? ~3 : ~12;
    for (int i = 0; i < 4; ++i)
      if (castlingRook_[i] == from || castlingRook_[i] == to) rights &= ~(1 << i);
  }
  if (rights != castling_) {
    key_ ^= kZobrist.castling[castling_] ^ kZobrist.castling[rights];
    castling_ = rights;
  }
  if (us == kBlack) ++fullmove_;
  side_ = them;
  key_ ^= kZobrist.black;
  checkers_ = AttackersTo(KingSquare(them), Occupied()) & byColor_[us];
}

bool Board::SamePosition(const Board& other) const {
  for (int t = kPawn; t <= kKing; ++t)
    if (byType_[t] != other.byType_[t]) return false;
  for (int i = 0; i < 4; ++i)
    if ((castling_ & (1 << i)) && castlingRook_[i] != other.castlingRook_[i]) return false;
  return byColor_[kWhite] == other.byColor_[kWhite] && side_ == other.side_ &&
         castling_ == other.castling_ && enPassant_ == other.enPassant_;
}

}  // namespace kelvane
