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
      raw_(matcher_),
      // Without Split, a game that fails is only counted: in the usual reading, the quick
      // test on its raw bytes may pass over it without reading its lines.
      fast_(!log && request.method.rawQuickTest && !request.split && raw_.Usable()) {}

bool GameDecider::Next(InputFile& input, bool& eof, bool first, int64_t number) {
  to_ = Destination::None;
  if (fast_ && SkipRejectedGame(input, raw_, eof, most_)) {
    header_.clear();
    moveText_.clear();
    return true;
  }
  bool skipped = false;
  if (log_) {
    if (!tolerant_) tolerant_.emplace(input, *log_, most_);
    log_->StartGame(number);
    if (!tolerant_->ReadGame(eof, header_, moveText_)) return false;
    log_->SetGameLine(tolerant_->GameLine());
    skipped = tolerant_->Skipped();
  } else {
    ReadHeader(input, eof, header_, dialogs_, most_);
    ReadMoveText(input, eof, moveText_, dialogs_, most_ - header_.size());
  }
  // Nothing but empty lines: the file holds no game.
  if (!skipped && eof && first && header_.empty() && moveText_.empty()) return false;
  // A game too large to hold was skipped: it counts, and goes nowhere.
  if (skipped) return true;
  if (Passes(GameView{header_, moveText_}, number))
    to_ = Destination::Output;
  else if (split_)
    to_ = Destination::Split;
  return true;
}

bool GameDecider::Passes(const GameView& game, int64_t number) {
  if (number > 0) return matcher_.Matches(game.moveText, number);
  fault_.reset();
  return matcher_.Decide(game.moveText, fault_);
}

}  // namespace kelvane
