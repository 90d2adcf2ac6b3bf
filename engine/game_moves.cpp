#include "engine/game_moves.h"

#include "engine/game_replay.h"
#include "engine/game_view.h"
#include "engine/move_text_parser.h"

namespace kelvane {

void SplitWrittenGame(std::string_view game, std::string_view& header, std::string_view& moveText) {
  // The header ends at the first empty line; a game without tags starts with it.
  size_t at = 0;
  while (at < game.size()) {
    const size_t end = game.find('\n', at);
    if (end == std::string_view::npos) break;
    std::string_view line = game.substr(at, end - at);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    if (line.empty()) {
      header = game.substr(0, at);
      moveText = game.substr(end + 1);
      // The move text ends at the next empty line: what follows is another game.
      for (size_t k = moveText.find('\n'); k != std::string_view::npos;
           k = moveText.find('\n', k + 1)) {
        size_t next = k + 1;
        if (next < moveText.size() && moveText[next] == '\r') ++next;
        if (next < moveText.size() && moveText[next] == '\n') {
          moveText = moveText.substr(0, k + 1);
          break;
        }
      }
      return;
    }
    at = end + 1;
  }
  header = game;
  moveText = {};
}

GameMoves ReplayMoves(std::string_view header, std::string_view moveText) {
  GameMoves g;
  GameReplay replay;
  g.fault = replay.Begin(GameView{header, moveText});
  g.positions.push_back(replay.Position());
  if (!g.fault.empty()) return g;
  MoveTextParser parser(moveText, false, true);
  try {
    parser.Parse();
  } catch (const MoveTextError& e) {
    g.fault = e.what();
    return g;
  }
  for (const Move& move : parser.Moves) {
    // The whole word as written: Move keeps only its first bytes.
    size_t end = static_cast<size_t>(move.Offset);
    while (end < moveText.size() && moveText[end] != ' ' && moveText[end] != '\r' &&
           moveText[end] != '\n' && moveText[end] != '\t' && moveText[end] != '{' &&
           moveText[end] != '(' && moveText[end] != ')' && moveText[end] != '$')
      ++end;
    std::string_view word = moveText.substr(move.Offset, end - move.Offset);
    // A word that runs on into another ("e4e5" is none) keeps the parser's reading.
    if (word.size() < static_cast<size_t>(move.TextLen)) word = move.Text();
    if (!replay.Play(word) && !replay.Play(move.Text())) {
      g.fault = "move " + std::to_string(g.plies.size() + 1) + " (" + std::string(word) +
                ") cannot be played";
      break;
    }
    g.positions.push_back(replay.Position());
    g.plies.emplace_back(word);
    g.labels.push_back(std::to_string(replay.MoveNumber()) +
                       (replay.Mover() == kWhite ? "." : "...") + std::string(word));
  }
  return g;
}

}  // namespace kelvane
