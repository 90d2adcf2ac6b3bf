// The criteria a game must show, and the rules of their texts: the condition form, the
// Notation and Moves forms of Must contain and the range a Notation text sets.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "text/whole_number.h"

namespace kelvane {

// The two ways of typing Must contain: with move numbers as in a game file
// ("1.e4 c5 2.Nf3"), or as bare moves with black's marked ("e4 ..c5 Nf3").
enum class SequenceForm { Notation, Moves };

// A range of full move numbers, both ends included.
struct MoveRange {
  int32_t from = 0;
  int32_t to = 0;
  friend bool operator==(const MoveRange&, const MoveRange&) = default;
};

// What a game must show; each criterion holds within its own range of move numbers.
struct Criteria {
  std::array<std::string, 3> conditions;  // "Kh1 < Qe1": both played, Kh1 no later
  std::array<MoveRange, 3> conditionRanges;
  std::string mustContain;
  SequenceForm mustContainForm = SequenceForm::Notation;
  MoveRange mustContainRange;
  std::string without;  // moves the game must not play
  MoveRange withoutRange;
  // Criteria on the game's tags, one "NAME OP VALUE" per line (header_criteria.h).
  std::vector<std::string> header;
  // A position the game reaches after a ply of its range (a FEN: its placement, and its
  // side to move when given), and a material signature ("KRP v KR") it has after one.
  std::string position;
  MoveRange positionRange{1, 999};
  std::string material;
  MoveRange materialRange{1, 999};
  friend bool operator==(const Criteria&, const Criteria&) = default;
};

struct ConditionCheck {
  std::string text;  // the normalised condition
  bool failed = false;
};

// Cuts to 31 bytes, collapses blanks, and rewrites "a > b" as "b < a".
ConditionCheck CheckCondition(std::string_view text);
// The condition-form message (two lines joined by a CR).
std::string ConditionFormMessage();
// True when text holds a move number: digits at its start or after a blank, tab or line
// break, followed by "." ("6." for white's move, "5..." or "5.." for black's).
bool HasMoveNumber(std::string_view text);
// True when text has no "." at all, or holds ".." that is no part of a move number: the
// mark of a black move ("..c5"). "5...a6 6.Bg5" is Notation.
bool IsMovesText(std::string_view text);
// Every CR and every LF becomes a blank.
void LineBreaksToBlanks(std::string& text);
// Rewrites a Notation sequence into Moves form, in place. The first move is black's when
// the text begins with a black move number ("5...a6") or with no number at all.
void NotationToMoves(std::string& text);
// The range of move numbers of a Notation sequence; false (from and to untouched) when a
// number does not fit a 32-bit integer.
bool MoveNumberRange(std::string_view text, int32_t& from, int32_t& to);

// The message when a Notation sequence holds a move number beyond 32 bits.
inline constexpr char kMoveNumberTooLarge[] = "Move number too large in Must contain";


}  // namespace kelvane
