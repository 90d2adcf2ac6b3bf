// The replay of a game: its starting position from its tags, then its moves one ply at a
// time, each giving the position after it. The caller stops when it has seen enough.
#pragma once

#include <string>
#include <string_view>

#include "engine/board.h"
#include "engine/game_view.h"
#include "engine/san.h"

namespace kelvane {

class GameReplay {
 public:
  // Starts from the game's tags: the standard start, or the position of its FEN tag when
  // it has one and no [SetUp "0"]. Returns "" or why the game is not replayed: a variant
  // other than standard chess ("Standard", "From Position") or Chess960 ("Chess960",
  // "Chess 960", "Fischerandom", "Fischer Random"), any case; or a FEN refused.
  std::string Begin(const GameView& game);
  void Begin(const Board& start);

  // Plays the next ply as written in the move text; false, the position unchanged, when
  // the text is not exactly one legal move (LastRead tells which failure).
  bool Play(std::string_view text);

  const Board& Position() const { return board_; }
  int Plies() const { return plies_; }
  // The ply last played (or refused): its move number, its colour, its reading.
  int MoveNumber() const { return moveNumber_; }
  Color Mover() const { return mover_; }
  const SanRead& LastRead() const { return read_; }

 private:
  Board board_ = Board::Start();
  int plies_ = 0;
  int moveNumber_ = 0;
  Color mover_ = kWhite;
  SanRead read_;
};

}  // namespace kelvane
