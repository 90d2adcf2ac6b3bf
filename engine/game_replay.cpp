#include "engine/game_replay.h"

#include <algorithm>

#include "engine/fen.h"

namespace kelvane {

namespace {

// Standard chess: no Variant tag, an empty one, "Standard" or "From Position" in any case.
bool IsStandardVariant(std::string_view variant) {
  std::string lower(variant);
  std::transform(lower.begin(), lower.end(), lower.begin(),
                 [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; });
  return lower.empty() || lower == "standard" || lower == "from position";
}

}  // namespace

std::string GameReplay::Begin(const GameView& game) {
  const auto variant = game.Tag("Variant");
  if (variant && !IsStandardVariant(*variant))
    return "the variant \"" + std::string(*variant) + "\" is not replayed";
  Board start = Board::Start();
  const auto fen = game.Tag("FEN");
  if (fen && game.Tag("SetUp") != "0") {
    if (std::string error = ReadFen(*fen, start); !error.empty()) return "bad FEN: " + error;
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
