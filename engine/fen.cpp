#include "engine/fen.h"

#include <charconv>
#include <vector>

namespace kelvane {

namespace {

constexpr std::string_view kPieceLetters = " PNBRQK  pnbrqk";

std::vector<std::string_view> Fields(std::string_view text) {
  std::vector<std::string_view> fields;
  size_t i = 0;
  while (i < text.size()) {
    if (text[i] == ' ') {
      ++i;
      continue;
    }
    const size_t end = std::min(text.find(' ', i), text.size());
    fields.push_back(text.substr(i, end - i));
    i = end;
  }
  return fields;
}

std::string ReadPlacement(std::string_view field, Board& board) {
  int rank = 7, file = 0;
  for (char c : field) {
    if (c == '/') {
      if (file != 8) return "rank " + std::to_string(rank + 1) + " does not hold 8 squares";
      if (--rank < 0) return "more than 8 ranks";
      file = 0;
    } else if (c >= '1' && c <= '8') {
      file += c - '0';
      if (file > 8) return "rank " + std::to_string(rank + 1) + " holds more than 8 squares";
    } else {
      const size_t p = kPieceLetters.find(c);
      if (c == ' ' || p == std::string_view::npos)
        return std::string("'") + c + "' is not a piece letter";
      if (file >= 8) return "rank " + std::to_string(rank + 1) + " holds more than 8 squares";
      board.Put(Piece(p), MakeSquare(file++, rank));
    }
  }
  if (rank != 0 || file != 8) return "the board does not hold 8 ranks of 8 squares";
  for (Color c : {kWhite, kBlack}) {
    const char* name = c == kWhite ? "white" : "black";
    if (Count(board.Pieces(c, kKing)) != 1) return std::string(name) + " must have one king";
  }
  if (board.Pieces(kPawn) & (RankBB(0) | RankBB(7)))
    return "a pawn stands on the first or last rank";
  return "";
}

// The rook a Chess960 castling letter names: K and Q the outermost rook on that side of the
// king, A to H the rook on that file; kNoSquare when there is none.
Square Chess960Rook(const Board& board, Color color, char letter, bool& kingSide) {
  const Square king = board.KingSquare(color);
  const Bitboard rooks = board.Pieces(color, kRook) & RankBB(RankOf(king));
  if (letter == 'K' || letter == 'Q') {
    kingSide = letter == 'K';
    for (int f = kingSide ? 7 : 0; f != FileOf(king); f += kingSide ? -1 : 1)
      if (rooks & Bit(MakeSquare(f, RankOf(king)))) return MakeSquare(f, RankOf(king));
    return kNoSquare;
  }
  const Square rook = MakeSquare(letter - 'A', RankOf(king));
  kingSide = FileOf(rook) > FileOf(king);
  return (rooks & Bit(rook)) && rook != king ? rook : kNoSquare;
}

std::string ReadCastling(std::string_view field, Board& board, bool chess960) {
  int rights = 0;
  if (field == "-") field = {};
  for (char c : field) {
    const bool white = c >= 'A' && c <= 'Z';
    const char upper = white ? c : static_cast<char>(c - 'a' + 'A');
    const bool named = upper == 'K' || upper == 'Q' || (chess960 && upper >= 'A' && upper <= 'H');
    if (!named || (!white && (c < 'a' || c > 'z')))
      return std::string("'") + c + "' is not a castling right";
    const Color color = white ? kWhite : kBlack;
    const int rank = white ? 0 : 7;
    const std::string without = std::string("castling right '") + c + "' without its ";
    bool kingSide = upper == 'K';
    Square rook = MakeSquare(kingSide ? 7 : 0, rank);
    if (chess960) {
      if (RankOf(board.KingSquare(color)) != rank) return without + "king on the back rank";
      rook = Chess960Rook(board, color, upper, kingSide);
      if (rook == kNoSquare) return without + "rook";
    } else if (board.PieceOn(MakeSquare(4, rank)) != MakePiece(color, kKing) ||
               board.PieceOn(rook) != MakePiece(color, kRook)) {
      return without + "king and rook at home";
    }
    const int index = 2 * color + !kingSide;
    if (rights & (1 << index)) return std::string("castling right '") + c + "' written twice";
    rights |= 1 << index;
    board.SetCastlingRook(index, rook);
  }
  board.SetCastlingRights(rights);
  return "";
}

std::string ReadEnPassant(std::string_view field, const Board& board, Square& square) {
  square = kNoSquare;
  if (field == "-") return "";
  const Color us = board.SideToMove();
  if (field.size() != 2 || field[0] < 'a' || field[0] > 'h' ||
      field[1] != (us == kWhite ? '6' : '3'))
    return "'" + std::string(field) + "' is not an en-passant square for the side to move";
  const Square s = MakeSquare(field[0] - 'a', field[1] - '1');
  const int up = us == kWhite ? 8 : -8;
  if (board.PieceOn(s - up) != MakePiece(~us, kPawn) || board.PieceOn(s) || board.PieceOn(s + up))
    return "en-passant square " + std::string(field) + " does not follow a pawn's double step";
  square = s;
  return "";
}

// A move clock: digits only, at most a million, so that playing on cannot overflow it.
bool ReadNumber(std::string_view field, int& value) {
  const auto [end, error] = std::from_chars(field.data(), field.data() + field.size(), value);
  return error == std::errc() && end == field.data() + field.size() && value >= 0 &&
         value <= 1'000'000;
}

}  // namespace

std::string ReadFen(std::string_view fen, Board& board, bool chess960) {
  const std::vector<std::string_view> fields = Fields(fen);
  if (fields.size() < 4 || fields.size() > 6)
    return "a FEN has 4 to 6 fields, this one " + std::to_string(fields.size());
  Board b;
  b.SetChess960(chess960);
  if (std::string error = ReadPlacement(fields[0], b); !error.empty()) return error;
  if (fields[1] != "w" && fields[1] != "b") return "the side to move is not 'w' or 'b'";
  b.SetSideToMove(fields[1] == "w" ? kWhite : kBlack);
  if (std::string error = ReadCastling(fields[2], b, chess960); !error.empty()) return error;
  Square ep = kNoSquare;
  if (std::string error = ReadEnPassant(fields[3], b, ep); !error.empty()) return error;
  b.SetEnPassant(ep);
  int halfmove = 0, fullmove = 1;
  if (fields.size() > 4 && !ReadNumber(fields[4], halfmove))
    return "the half-move clock '" + std::string(fields[4]) + "' is not a number up to 1000000";
  if (fields.size() > 5 && !ReadNumber(fields[5], fullmove))
    return "the move number '" + std::string(fields[5]) + "' is not a number up to 1000000";
  b.SetClocks(halfmove, fullmove == 0 ? 1 : fullmove);
  b.Finish();
  const Color them = ~b.SideToMove();
  if (b.AttackersTo(b.KingSquare(them), b.Occupied()) & b.Pieces(b.SideToMove()))
    return "the side not to move is in check";
  board = b;
  return "";
}

std::string WriteFen(const Board& board) {
  std::string fen;
  for (int rank = 7; rank >= 0; --rank) {
    int empty = 0;
    for (int file = 0; file < 8; ++file) {
      const Piece p = board.PieceOn(MakeSquare(file, rank));
      if (!p) {
        ++empty;
        continue;
      }
      if (empty) fen += static_cast<char>('0' + empty);
      empty = 0;
      fen += kPieceLetters[p];
    }
    if (empty) fen += static_cast<char>('0' + empty);
    if (rank) fen += '/';
  }
  fen += board.SideToMove() == kWhite ? " w " : " b ";
  const int rights = board.CastlingRights();
  for (int i = 0; i < 4; ++i) {
    if (!(rights & (1 << i))) continue;
    // Chess960 rights are written by the rook's file (as in "HAha").
    const char base = board.IsChess960() ? (i < 2 ? 'A' : 'a') : 0;
    fen += base ? static_cast<char>(base + FileOf(board.CastlingRook(i))) : "KQkq"[i];
  }
  if (!rights) fen += '-';
  fen += ' ';
  if (board.EnPassant() == kNoSquare) {
    fen += '-';
  } else {
    fen += static_cast<char>('a' + FileOf(board.EnPassant()));
    fen += static_cast<char>('1' + RankOf(board.EnPassant()));
  }
  fen += ' ' + std::to_string(board.HalfmoveClock()) + ' ' + std::to_string(board.FullmoveNumber());
  return fen;
}

}  // namespace kelvane
