// The rules of the criteria texts: the condition form, the Notation and Moves forms of
// Must contain and the range a Notation text sets.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "text/whole_number.h"

namespace kelvane {

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
