// The step every scan loop takes per game: read the next game and decide where it goes.
// The one-thread scan, the threads that scan chunks and the stretches of a chunked scan read
// line by line all take it, so that they read and decide alike.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

#include "engine/duplicates.h"
#include "engine/game_list.h"
#include "engine/game_matcher.h"
#include "engine/game_reader.h"
#include "engine/game_view.h"
#include "engine/header_criteria.h"
#include "engine/position_criteria.h"
#include "engine/raw_quick_test.h"
#include "engine/scan_run.h"
#include "platform/dialogs.h"
#include "platform/text_files.h"

namespace kelvane {

class ReadingLog;

// Where a decided game goes.
enum class Destination : uint8_t { None, Output, Split };

class GameDecider {
 public:
  // Reads as the request says; the reading's messages and the matcher's fault notices go to
  // dialogs. With a log, the input is read tolerantly (Next is then given the same input
  // every time) and the log hears of what the reading skipped and of the faulty games.
  GameDecider(const ScanRequest& request, ScanReporter& dialogs, ReadingLog* log = nullptr);
  GameDecider(const GameDecider&) = delete;
  GameDecider& operator=(const GameDecider&) = delete;

  // Reads the next game from input and decides it; sets eof when nothing follows it.
  // first: no game came before in the file. number: the game's number in the run, under
  // which a faulty move text is shown; 0 when it is not known yet: the fault is kept for
  // TakeFault instead. False, with eof set, when there was no game left: the file held
  // nothing but empty lines, or (read tolerantly) only lines that were skipped. Without
  // Split, a game that fails may be passed over on its raw bytes (its blocks are then
  // empty). So may a game whose tags fail the criteria on them: its move text is read past
  // unparsed, and when plain, uncopied. A game that grows past the request's size limit
  // throws GameTooLarge.
  bool Next(InputFile& input, bool& eof, bool first, int64_t number);

  // Of the game Next read last.
  Destination To() const { return to_; }
  std::string_view Header() const { return header_; }
  std::string_view MoveText() const { return moveText_; }
  // Where the header's tag lines lie, when they were noted as it was read; else nullptr.
  const TagLines* HeaderTagLines() const { return tagLinesNoted_ ? &tagLines_ : nullptr; }
  // Of a game that goes to the output, when the run looks for duplicates; else nullptr.
  const GameKey* Key() const { return keys_ && to_ == Destination::Output ? &key_ : nullptr; }
  // Of a game that goes to the output: the move where the last criterion that locates a
  // move was met, whichever comes last in the game: the matcher's (GameMatcher::MatchedAt)
  // or the position or material reached; empty when none locates one.
  std::string_view MatchedAt() const {
    if (to_ != Destination::Output) return {};
    return positionsLater_ ? std::string_view(matchedAt_) : std::string_view(matcher_.MatchedAt());
  }
  // Of a game that goes to the output, when the run lists its games: its half-moves as
  // CountPlies counts them, or -1 when not known.
  int64_t Plies() const { return to_ == Destination::Output ? matcher_.Plies() : -1; }
  // The fault of its move text, when Next was told no number.
  std::optional<std::string> TakeFault() { return std::exchange(fault_, std::nullopt); }

 private:
  // Whether the game passes the criteria; a fault of its move text is shown under number,
  // or kept when that is 0. tagsPassed: the game is known to pass the lines on its header.
  bool Passes(const GameView& game, int64_t number, bool tagsPassed = false);

  bool split_;
  size_t most_;  // the most a game may take
  ScanReporter& dialogs_;
  ReadingLog* log_;
  GameMatcher matcher_;
  HeaderCriteria tags_;  // the criteria on the game's tags
  PositionCriteria positions_;  // decided last, on the game's replay
  RawQuickTest raw_;
  bool fast_;  // games may be decided on their raw bytes
  bool fastTags_;  // games may be decided on their raw tag lines
  bool skipMoves_;  // a plain move text may be read past on its raw bytes
  std::optional<TolerantReader> tolerant_;
  bool keys_;  // passing games are keyed for the duplicates test
  bool playersKeyed_;  // and their players too, for the prefix rule
  GameKey key_;
  Destination to_ = Destination::None;
  std::string header_;
  std::string moveText_;
  // The tag lines of header_ are noted as it is read when some part of the run looks up
  // its tags: the list's rows, the duplicates key, the criteria on tags, and the replay
  // of the criteria on positions (a FEN tag and the like).
  bool noteTags_;
  bool tagLinesNoted_ = false;
  TagLines tagLines_;
  std::optional<std::string> fault_;
  // The criteria on positions were met after the matcher's last located move: matchedAt_
  // names that ply.
  bool positionsLater_ = false;
  std::string matchedAt_;
};

// The row of the game the decider read last (its offset left 0), for a game list.
ListedGame Listed(const GameDecider& decider);

}  // namespace kelvane
