#include "engine/san.h"

#include "engine/move_generation.h"

namespace kelvane {

namespace {

constexpr std::string_view kPieceLetters = "  NBRQK";

bool IsFile(char c) {
  return c >= 'a' && c <= 'h';
}
bool IsRank(char c) {
  return c >= '1' && c <= '8';
}

PieceType PieceOfLetter(char c) {
  switch (c) {
    case 'N':
      return kKnight;
    case 'B':
      return kBishop;
    case 'R':
      return kRook;
    case 'Q':
      return kQueen;
    case 'K':
      return kKing;
    default:
      return kNoPieceType;
  }
}

bool IsSuffixMark(char c) {
  return c == '+' || c == '#' || c == '!' || c == '?';
}

PieceType PromotionOf(char c) {
  switch (c) {
    case 'Q':
    case 'q':
      return kQueen;
    case 'R':
    case 'r':
      return kRook;
    case 'B':
    case 'b':
      return kBishop;
    case 'N':
    case 'n':
      return kKnight;
    default:
      return kNoPieceType;
  }
}

// The move text without what follows the move itself: annotation marks, check and mate
// signs and an "e.p." mark.
std::string_view StripSuffixes(std::string_view s) {
  for (;;) {
    while (!s.empty() && IsSuffixMark(s.back())) s.remove_suffix(1);
    if (s.size() > 4 && s.ends_with("e.p.")) {
      s.remove_suffix(4);
      continue;
    }
    return s;
  }
}

SanRead Pick(const MoveList& list, auto&& matches) {
  SanRead result{SanRead::kNoSuchMove, {}};
  for (ChessMove m : list) {
    if (!matches(m)) continue;
    if (result.status == SanRead::kOk) return {SanRead::kAmbiguous, {}};
    result = {SanRead::kOk, m};
  }
  return result;
}

std::string SquareName(Square s) {
  return {static_cast<char>('a' + FileOf(s)), static_cast<char>('1' + RankOf(s))};
}

// Castling takes the king to the g- or c-file of its back rank, wherever the king stands now
// (a king that has left its square has no castling rights left).
SanRead ReadCastling(const Board& board, bool kingSide) {
  const int rank = board.SideToMove() == kWhite ? 0 : 7;
  MoveList list;
  GenerateLegal(board, list, kKing, Bit(MakeSquare(kingSide ? 6 : 2, rank)));
  return Pick(list, [](ChessMove m) { return m.GetKind() == ChessMove::kCastling; });
}

}  // namespace

SanRead ReadSan(const Board& board, std::string_view text) {
  std::string_view s = StripSuffixes(text);
  if (s == "O-O" || s == "0-0") return ReadCastling(board, true);
  if (s == "O-O-O" || s == "0-0-0") return ReadCastling(board, false);

  PieceType piece = kPawn;
  if (!s.empty() && PieceOfLetter(s[0]) != kNoPieceType) {
    piece = PieceOfLetter(s[0]);
    s.remove_prefix(1);
  } else if (!s.empty() && s[0] == 'P') {
    s.remove_prefix(1);
  }
  PieceType promotion = kNoPieceType;
  if (piece == kPawn && s.size() >= 3 && PromotionOf(s.back()) != kNoPieceType &&
      IsRank(s[s.size() - 2 - (s[s.size() - 2] == '=')])) {
    promotion = PromotionOf(s.back());
    s.remove_suffix(s[s.size() - 2] == '=' ? 2 : 1);
  }
  int toFile = -1, toRank = -1;
  if (s.size() >= 2 && IsFile(s[s.size() - 2]) && IsRank(s.back())) {
    toFile = s[s.size() - 2] - 'a';
    toRank = s.back() - '1';
    s.remove_suffix(2);
  } else {
    return {};
  }
  if (!s.empty() && (s.back() == 'x' || s.back() == ':' || s.back() == '-')) s.remove_suffix(1);
  int fromFile = -1, fromRank = -1;
  if (!s.empty() && IsFile(s[0])) {
    fromFile = s[0] - 'a';
    s.remove_prefix(1);
  }
  if (!s.empty() && IsRank(s[0])) {
    fromRank = s[0] - '1';
    s.remove_prefix(1);
  }
  if (!s.empty()) return {};
  // A pawn move without a file of departure is a step straight ahead.
  if (piece == kPawn && fromFile < 0) fromFile = toFile;

  MoveList list;
  GenerateLegal(board, list, piece, Bit(MakeSquare(toFile, toRank)));
  return Pick(list, [&](ChessMove m) {
    if (m.GetKind() == ChessMove::kCastling) return false;
    if (fromFile >= 0 && FileOf(m.From()) != fromFile) return false;
    if (fromRank >= 0 && RankOf(m.From()) != fromRank) return false;
    if (m.GetKind() == ChessMove::kPromotion) return m.Promotion() == promotion;
    return promotion == kNoPieceType;
  });
}

std::string WriteSan(const Board& board, ChessMove move) {
  std::string san;
  const Square from = move.From(), to = move.To();
  const PieceType piece = TypeOf(board.PieceOn(from));
  const bool capture = board.PieceOn(to) || move.GetKind() == ChessMove::kEnPassant;
  if (move.GetKind() == ChessMove::kCastling) {
    san = FileOf(to) == 6 ? "O-O" : "O-O-O";
  } else if (piece == kPawn) {
    if (capture) san = {static_cast<char>('a' + FileOf(from)), 'x'};
    san += SquareName(to);
    if (move.GetKind() == ChessMove::kPromotion) {
      san += '=';
      san += kPieceLetters[move.Promotion()];
    }
  } else {
    san = kPieceLetters[piece];
    MoveList list;
    GenerateLegal(board, list, piece, Bit(to));
    bool others = false, sameFile = false, sameRank = false;
    for (ChessMove m : list) {
      if (m.From() == from || m.GetKind() == ChessMove::kCastling) continue;
      others = true;
      sameFile |= FileOf(m.From()) == FileOf(from);
      sameRank |= RankOf(m.From()) == RankOf(from);
    }
    if (others && (!sameFile || sameRank)) san += static_cast<char>('a' + FileOf(from));
    if (others && sameFile) san += static_cast<char>('1' + RankOf(from));
    if (capture) san += 'x';
    san += SquareName(to);
  }
  Board after = board;
  after.Play(move);
  if (after.Checkers()) san += HasLegalMove(after) ? '+' : '#';
  return san;
}

std::string WriteFromTo(ChessMove move, const Board* chess960) {
  Square to = move.To();
  if (chess960 && move.GetKind() == ChessMove::kCastling)
    to = chess960->CastlingRook(2 * chess960->SideToMove() + (FileOf(to) != 6));
  std::string text = SquareName(move.From()) + SquareName(to);
  if (move.GetKind() == ChessMove::kPromotion) text += " pnbrq"[move.Promotion()];
  return text;
}

}  // namespace kelvane
