// Criteria on a game's tags: lines such as "WhiteElo >= 2400", "Black ~ Carlsen" or
// "TimeClass = blitz", each NAME OP VALUE, all of which must pass. NAME is a tag of the game
// or a name derived from tags (Player, MinElo, MaxElo, AvgElo, EloDiff, Year, TimeClass) or
// from the move text (Plies). Every line but a Plies line is decided on the header alone, so
// that a game they reject is never parsed.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "engine/game_view.h"

namespace kelvane {

struct HeaderLine;  // one parsed line

class HeaderCriteria {
 public:
  // lines: each as typed; empty lines are ignored. Every other line must have passed Check.
  explicit HeaderCriteria(const std::vector<std::string>& lines);
  ~HeaderCriteria();
  HeaderCriteria(HeaderCriteria&&) noexcept;
  HeaderCriteria& operator=(HeaderCriteria&&) noexcept;

  // Nothing when line is a criterion that can be used (or empty); else what is wrong with
  // it, such as "no operator" or "the value of WhiteElo must be a number". The caller
  // quotes the line and names the field.
  static std::optional<std::string> Check(std::string_view line);

  // No line to decide: every game passes.
  bool Empty() const;
  // Some line needs the number of half-moves of the game's main line (Plies).
  bool NeedsPlies() const;
  // Whether the game passes every line that the header decides (all but the Plies lines).
  bool PassesHeader(const GameView& game) const;
  // Whether a game of this many half-moves passes the Plies lines.
  bool PassesPlies(int64_t plies) const;

 private:
  std::vector<HeaderLine> lines_;
  bool needsPlies_ = false;
};

// The number of half-moves of a move text's main line: the moves outside comments and
// variations, without move numbers, NAGs and the result.
int64_t CountPlies(std::string_view moveText);

}  // namespace kelvane
