// A written game taken apart for showing it: its header and move text, and its main line
// replayed, with the position before the first ply and after each, and each ply's label
// ("12.Nf3", "12...Nf6").
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "engine/board.h"

namespace kelvane {

struct GameMoves {
  std::vector<Board> positions;     // [0] the start, [k] after ply k
  std::vector<std::string> plies;   // the moves as written, ply k at k - 1
  std::vector<std::string> labels;  // "12.Nf3", "12...Nf6"
  // Why the replay stopped before the end of the main line ("" when it did not).
  std::string fault;
};

// The header block (its lines, each ending in a line break) and the move-text block of a
// game as the output holds it: the header, an empty line, the move text up to the next
// empty line or the end.
void SplitWrittenGame(std::string_view game, std::string_view& header, std::string_view& moveText);

// The game's main line replayed from its start (its FEN tag when it has one).
GameMoves ReplayMoves(std::string_view header, std::string_view moveText);

}  // namespace kelvane
