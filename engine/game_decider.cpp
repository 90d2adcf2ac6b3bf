#include "engine/game_decider.h"

#include <utility>

#include "engine/reading_log.h"

namespace kelvane {

GameDecider::GameDecider(const ScanRequest& request, ScanReporter& dialogs, ReadingLog* log)
    : split_(request.split),
      most_(request.maxGameBytes),
      dialogs_(dialogs),
      log_(log),
      matcher_(request.criteria, log ? log->MatcherDialogs() : dialogs),
      tags_(request.criteria.header),
      positions_(request.criteria),
      raw_(matcher_),
      // Without Split, a game that fails is only counted: in the usual reading, the quick
      // test on its raw bytes may pass over it without reading its lines.
      fast_(!log && request.method.rawQuickTest && !request.split && raw_.Usable()),
      // Likewise on the raw tag lines, with criteria on tags.
      fastTags_(!log && request.method.rawQuickTest && !request.split && !tags_.Empty()),
      skipMoves_(request.method.rawQuickTest),
      keys_(!request.duplicatesPath.empty()),
      playersKeyed_(request.duplicatesPrefix),
      noteTags_(keys_ || ListsRows(request) || !tags_.Empty() || !positions_.Empty()) {
  if (keys_) matcher_.HashMoves();
  // The rows of a game list count each game's half-moves in the parse.
  if (ListsRows(request)) matcher_.CountPlies();
}

bool GameDecider::Next(InputFile& input, bool& eof, bool first, int64_t number) {
  to_ = Destination::None;
  tagLinesNoted_ = false;
  if ((fast_ && SkipRejectedGame(input, raw_, eof, most_)) ||
      (fastTags_ && SkipGameRejectedByTags(input, tags_, eof, most_))) {
    header_.clear();
    moveText_.clear();
    return true;
  }
  bool skipped = false;
  bool tagsPassed = false;
  if (log_) {
    if (!tolerant_) tolerant_.emplace(input, *log_, most_);
    log_->StartGame(number);
    if (!tolerant_->ReadGame(eof, header_, moveText_)) return false;
    log_->SetGameLine(tolerant_->GameLine());
    skipped = tolerant_->Skipped();
  } else {
    if (noteTags_) {
      ReadHeader(input, eof, header_, tagLines_, dialogs_, most_);
      tagLinesNoted_ = true;
    } else {
      ReadHeader(input, eof, header_, dialogs_, most_);
    }
    // Without Split, a game whose tags fail is only counted: its move text is read past.
    if (!split_ && !tags_.Empty() && !header_.empty()) {
      if (!tags_.PassesHeader(GameView{header_, {}, HeaderTagLines()})) {
        const size_t rest = most_ - header_.size();
        if (!skipMoves_ || !SkipPlainMoveText(input, eof, rest))
          ReadMoveText(input, eof, moveText_, dialogs_, rest);
        header_.clear();
        moveText_.clear();
        return true;
      }
      tagsPassed = true;
    }
    ReadMoveText(input, eof, moveText_, dialogs_, most_ - header_.size());
  }
  // Nothing but empty lines: the file holds no game.
  if (!skipped && eof && first && header_.empty() && moveText_.empty()) return false;
  // A game too large to hold was skipped: it counts, and goes nowhere.
  if (skipped) return true;
  if (Passes(GameView{header_, moveText_, HeaderTagLines()}, number, tagsPassed)) {
    to_ = Destination::Output;
    if (keys_)
      key_ =
          MakeGameKey(header_, moveText_, matcher_.ParsedMoves(), HeaderTagLines(), playersKeyed_);
  } else if (split_)
    to_ = Destination::Split;
  return true;
}

bool GameDecider::Passes(const GameView& game, int64_t number, bool tagsPassed) {
  positionsLater_ = false;
  // The tags are decided first: a game they reject is not parsed.
  if (!tagsPassed && !tags_.Empty() && !tags_.PassesHeader(game)) return false;
  // So is a game whose move text does not name the squares the criteria on positions need.
  if (!positions_.MayReachText(game)) return false;
  bool pass;
  if (number > 0) {
    pass = matcher_.Matches(game.moveText, number);
  } else {
    fault_.reset();
    pass = matcher_.Decide(game.moveText, fault_);
  }
  // The board costs most: a game is replayed once every other criterion has passed. A game
  // whose moves cannot be read passes, as it passes the criteria on moves, to be looked at.
  if (!pass || (tags_.NeedsPlies() && !tags_.PassesPlies(CountPlies(game.moveText)))) return false;
  if (matcher_.Faulty()) return true;
  int metAt = 0;
  if (!positions_.Passes(game, matcher_.Moves(), true, &metAt)) return false;
  if (metAt > matcher_.MatchedPly()) {
    positionsLater_ = true;
    matchedAt_ = MatchedAtLabel(metAt, matcher_.Moves()[metAt - 1].Text());
  }
  return true;
}

}  // namespace kelvane
