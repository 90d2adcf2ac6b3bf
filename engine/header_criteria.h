// Criteria on a game's tags: lines such as "WhiteElo >= 2400", "Black ~ Carlsen" or
// "TimeClass = blitz", each NAME OP VALUE, all of which must pass. NAME is a tag of the game
// or a name derived from tags (Player, MinElo, MaxElo, AvgElo, EloDiff, Year, TimeClass) or
// from the move text (Plies). Every line but a Plies line is decided on the header alone, so
// that a game they reject is never parsed.
//
// The rules of a line:
// - OP is =, !=, ~ (contains), !~, <, <=, > or >=; blanks around it are optional, and VALUE
//   is the rest of the line, trimmed (a value wholly in double quotes is taken without them).
//   After =, !=, ~ and !~ the value may hold alternatives split by "|": = and ~ pass when one
//   of them does, != and !~ when none does.
// - Text compares folded (text/folded_text.h: case and Latin accents ignored; a tag value
//   is read as UTF-8 when valid, else as Latin-1), with \" and \\ unescaped. <, <=, > and
//   >= compare folded text byte by byte, or numbers when both sides are numbers ("Round > 9").
// - WhiteElo, BlackElo, MinElo, MaxElo, AvgElo (not rounded), EloDiff, Year and Plies are
//   numbers; Date, UTCDate and any other tag whose name ends in "Date" compare as dates, a
//   date with unknown parts ("2023.??.??") passing only when every day it may be passes; ECO
//   as codes A00 to E99; TimeClass by speed (ultrabullet < bullet < blitz < rapid <
//   classical < correspondence). ~ and !~ compare the text of any of them but the numbers and
//   TimeClass.
// - Player passes when White or Black passes; after != or !~, when both pass (neither
//   matches). Year is the year of Date, or of UTCDate when Date's year is unknown.
// - A value that is missing, empty, "?" or not of the line's kind fails the line, except
//   after != and !~, which it passes.
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
  // lines: each as typed; empty lines are ignored. Every other line must have passed Check;
  // one that does not is kept as a line no game passes.
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
// variations, without move numbers, NAGs and the result. For every text the move-text
// parser accepts and that holds no ";" comment or "%" escape line, it is the number of
// moves the parser finds (ply_count.cpp).
int64_t CountPlies(std::string_view moveText);

}  // namespace kelvane
