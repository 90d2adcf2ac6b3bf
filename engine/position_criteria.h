// Criteria on the positions a game reaches, decided on its replay: Position, a FEN the game
// reaches after a ply of its range, and Material, a signature ("KRP v KR") the game's
// material equals after a ply of its range. A ply belongs to the range of its move number
// (white's and black's 10th moves are both in 1-10); the starting position counts for none.
//
// A FEN is compared on its piece placement and, when it gives one, its side to move:
// castling rights, the en-passant square and the clocks are left out. It may be written as
// the placement alone (either side to move passes), the placement and the side to move, or
// a whole FEN of 4 to 6 fields.
//
// A game is replayed from its tags (GameReplay::Begin: a set-up game from its FEN, its move
// numbers following the FEN's), and only up to the last move number a range needs; a
// variant other than standard chess and Chess960 is not replayed, and fails. A move that
// cannot be played ends the replay: the positions before it count.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "engine/board.h"
#include "engine/criteria.h"
#include "engine/game_view.h"
#include "engine/material.h"
#include "engine/move_text_parser.h"

namespace kelvane {

class PositionCriteria {
 public:
  // Criteria whose Position and Material texts passed their checks (a text that does not
  // is kept as a criterion no game passes).
  explicit PositionCriteria(const Criteria& criteria);

  // Nothing when text is a FEN or a signature that can be used (or empty); else why not.
  static std::optional<std::string> CheckPosition(std::string_view text);
  static std::optional<std::string> CheckMaterial(std::string_view text);

  // Neither criterion is set: every game passes.
  bool Empty() const { return !position_ && !material_; }
  // Whether the game, whose main line is moves (as the move-text parser found them),
  // passes both criteria set, each within its range. Games that the quick test finds
  // unable to reach the position are not replayed (quickTest false: replayed all the same).
  // metAt, when given, is set to the ply (counted in moves from 1) after which the later of
  // the two was met; 0 when the game does not pass or neither is set.
  bool Passes(const GameView& game, std::span<const Move> moves, bool quickTest = true,
              int* metAt = nullptr) const;
  // The quick test: false when the moves, played from the standard start, cannot reach
  // the position within its range: some piece of the position that does not stand on its
  // starting square has no move of its side to its square. True says nothing.
  bool MayReach(std::span<const Move> moves) const;
  // The same test on the raw move text, before it is parsed, without colours or move
  // numbers: the square of every such piece must be named in it (castling squares aside,
  // since "O-O" names none). False only for a game that starts from the standard start.
  bool MayReachText(const GameView& game) const;

 private:
  struct Target {
    Board board;
    bool anySide = false;     // the FEN gave no side to move
    Bitboard needed[2] = {};  // the squares a move of each side must reach
  };
  std::optional<Target> position_;
  Bitboard namedNeeded_ = 0;  // the needed squares a move must name
  MoveRange positionRange_;
  std::optional<Material> material_;
  int materialPieces_ = 0;
  MoveRange materialRange_;
  bool refused_ = false;  // a text did not read: no game passes
};

}  // namespace kelvane
