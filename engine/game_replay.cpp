#include "engine/game_replay.h"

#include <algorithm>

#include "engine/fen.h"

namespace kelvane {

namespace {

enum class Variant { kStandard, kChess960, kOther };

// Standard chess: no Variant tag, an empty one, "Standard" or "From Position"; Chess960:
// "Chess960", "Chess 960", "Fischerandom" or "Fischer Random"; any case.
Variant VariantOf(std::string_view variant) {
  std::string lower(variant);
  std::transform(lower.begin(), lower.end(), lower.begin(),
                 [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; });
  if (lower.empty() || lower == "standard" || lower == "from position") return Variant::kStandard;
  if (lower == "chess960" || lower == "chess 960" || lower == "fischerandom" ||
      lower == "fischer random")
    return Variant::kChess960;
  return Variant::kOther;
}

}  // namespace

std::string GameReplay::Begin(const GameView& game) {
  const auto variant = game.Tag("Variant");
  const Variant kind = variant ? VariantOf(*variant) : Variant::kStandard;
  if (kind == Variant::kOther)
    return "the variant \"" + std::string(*variant) + "\" is not replayed";
  Board start = Board::Start();
  start.SetChess960(kind == Variant::kChess960);
  const auto fen = game.Tag("FEN");
  if (fen && game.Tag("SetUp") != "0") {
    if (std::string error = ReadFen(*fen, start, kind == Variant::kChess960); !error.empty())
      return "bad FEN: " + error;
  }
  Begin(start);
  return "";
}

void GameReplay::Begin(const Board& start) {
  board_ = start;
  plies_ = 0;
  moveNumber_ = 0;
  read_ = {};
}

bool GameReplay::Play(std::string_view text) {
  moveNumber_ = board_.FullmoveNumber();
  mover_ = board_.SideToMove();
  read_ = ReadSan(board_, text);
  if (read_.status != SanRead::kOk) return false;
  board_.Play(read_.move);
  ++plies_;
  return true;
}

}  // namespace kelvane
