#include "engine/position_criteria.h"

#include <algorithm>
#include <vector>

#include "engine/fen.h"
#include "engine/game_replay.h"

namespace kelvane {

namespace {

// The FEN of a position criterion: its placement alone, with its side to move, or whole.
// Returns "" or why the text is refused; anySide tells that it gave no side to move.
std::string ReadPosition(std::string_view text, Board& board, bool& anySide) {
  std::vector<std::string_view> fields;
  for (size_t i = 0; i < text.size();) {
    const size_t end = std::min(text.find(' ', i), text.size());
    if (end > i) fields.push_back(text.substr(i, end - i));
    i = end + 1;
  }
  anySide = fields.size() == 1;
  if (fields.size() == 3)
    return "write the piece placement, with the side to move, or a whole FEN (4 to 6 fields)";
  if (fields.size() > 2) return ReadFen(text, board);
  const std::string placement(fields.empty() ? std::string_view() : fields[0]);
  if (fields.size() == 2) return ReadFen(placement + " " + std::string(fields[1]) + " - -", board);
  // Without a side to move, the placement must make a position with either side to move.
  std::string error = ReadFen(placement + " w - -", board);
  if (!error.empty() && ReadFen(placement + " b - -", board).empty()) return "";
  return error;
}

// Same pieces on the same squares; the occupancy, compared first, tells most positions
// apart.
bool SamePlacement(const Board& a, const Board& b) {
  if (a.Occupied() != b.Occupied() || a.Pieces(kWhite) != b.Pieces(kWhite)) return false;
  for (int t = kPawn; t <= kKing; ++t)
    if (a.Pieces(PieceType(t)) != b.Pieces(PieceType(t))) return false;
  return true;
}

// The destination of a move as written: its last square name ("Qa1xb2+" b2, "exd8=Q"
// d8); kNoSquare when it names none (castling, or no move).
Square Destination(std::string_view text) {
  for (size_t i = text.size(); i-- > 1;)
    if (text[i] >= '1' && text[i] <= '8' && text[i - 1] >= 'a' && text[i - 1] <= 'h')
      return MakeSquare(text[i - 1] - 'a', text[i] - '1');
  return kNoSquare;
}

// The squares castling brings a king or rook to: the c-, d-, f- and g-files of the back ranks.
constexpr Bitboard kCastlingSquares =
    (RankBB(0) | RankBB(7)) & (FileBB(2) | FileBB(3) | FileBB(5) | FileBB(6));

bool InRange(const MoveRange& range, int number) {
  return number >= range.from && number <= range.to;
}

}  // namespace

std::optional<std::string> PositionCriteria::CheckPosition(std::string_view text) {
  Board board;
  bool anySide = false;
  std::string error = ReadPosition(text, board, anySide);
  if (error.empty()) return std::nullopt;
  return error;
}

std::optional<std::string> PositionCriteria::CheckMaterial(std::string_view text) {
  Material material;
  std::string error = ParseMaterialSignature(text, material);
  if (error.empty()) return std::nullopt;
  return error;
}

PositionCriteria::PositionCriteria(const Criteria& criteria)
    : positionRange_(criteria.positionRange), materialRange_(criteria.materialRange) {
  if (!criteria.position.empty()) {
    Target target;
    refused_ |= !ReadPosition(criteria.position, target.board, target.anySide).empty();
    // A piece on a square where the start holds another piece (or none) came there by a
    // move of its side: a move to the square, a capture or promotion on it, or castling.
    const Board start = Board::Start();
    for (Color c : {kWhite, kBlack}) {
      for (Bitboard b = target.board.Pieces(c); b;) {
        const Square s = PopLsb(b);
        if (target.board.PieceOn(s) != start.PieceOn(s)) target.needed[c] |= Bit(s);
      }
    }
    namedNeeded_ = (target.needed[kWhite] | target.needed[kBlack]) & ~kCastlingSquares;
    position_ = target;
  }
  if (!criteria.material.empty()) {
    Material material;
    refused_ |= !ParseMaterialSignature(criteria.material, material).empty();
    for (const auto& side : material.count)
      for (uint8_t n : side) materialPieces_ += n;
    material_ = material;
  }
}

bool PositionCriteria::MayReach(std::span<const Move> moves) const {
  if (!position_) return true;
  // The position counts only after a ply up to the range's last move number: white's
  // plies are the even indexes from the standard start.
  const size_t plies = std::min<size_t>(moves.size(), 2 * size_t(std::max(positionRange_.to, 0)));
  Bitboard left[2] = {position_->needed[kWhite], position_->needed[kBlack]};
  for (size_t i = 0; i < plies && (left[kWhite] | left[kBlack]); ++i) {
    const Color side = i % 2 ? kBlack : kWhite;
    const Square to = Destination(moves[i].Text());
    // Castling ("O-O") names no square: a move that names none may be castling, which brings
    // the king to the c- or g-file and the rook to the d- or f-file. So may one that ends on
    // the back rank, should castling ever be read from the king's squares ("e1g1").
    const int back = side == kWhite ? 0 : 7;
    if (to == kNoSquare || RankOf(to) == back) left[side] &= ~(RankBB(back) & kCastlingSquares);
    if (to != kNoSquare) left[side] &= ~Bit(to);
  }
  return (left[kWhite] | left[kBlack]) == 0;
}

bool PositionCriteria::MayReachText(const GameView& game) const {
  if (!namedNeeded_) return true;
  // One pass marks every square named anywhere, comments included: more names, never fewer.
  Bitboard named = 0;
  const std::string_view text = game.moveText;
  for (size_t i = 1; i < text.size(); ++i)
    if (text[i] >= '1' && text[i] <= '8' && text[i - 1] >= 'a' && text[i - 1] <= 'h')
      named |= Bit(MakeSquare(text[i - 1] - 'a', text[i] - '1'));
  if ((namedNeeded_ & ~named) == 0) return true;
  // A set-up game starts elsewhere (a FEN tag without [SetUp "0"]).
  return game.Tag("FEN") && game.Tag("SetUp") != "0";
}

bool PositionCriteria::Passes(const GameView& game, std::span<const Move> moves, bool quickTest,
                              int* metAt) const {
  if (metAt) *metAt = 0;
  if (Empty()) return true;
  if (refused_) return false;
  GameReplay replay;
  if (!replay.Begin(game).empty()) return false;
  // The quick test holds for a game that starts where standard chess starts.
  if (quickTest && position_ && replay.Position().SamePosition(Board::Start()) && !MayReach(moves))
    return false;
  bool positionFound = !position_;
  bool materialFound = !material_;
  int ply = 0;
  for (const Move& move : moves) {
    // The move number of the next ply; past the range of each criterion not found yet,
    // the replay ends.
    const int next = replay.Position().FullmoveNumber();
    if ((positionFound || next > positionRange_.to) && (materialFound || next > materialRange_.to))
      break;
    if (!replay.Play(move.Text())) break;
    ++ply;
    const Board& board = replay.Position();
    const int number = replay.MoveNumber();
    if (!positionFound && InRange(positionRange_, number) &&
        SamePlacement(board, position_->board) &&
        (position_->anySide || board.SideToMove() == position_->board.SideToMove()))
      positionFound = true;
    if (!materialFound && InRange(materialRange_, number) &&
        Count(board.Occupied()) == materialPieces_ && MaterialOf(board) == *material_)
      materialFound = true;
    if (positionFound && materialFound) {
      if (metAt) *metAt = ply;
      return true;
    }
  }
  return positionFound && materialFound;
}

}  // namespace kelvane
