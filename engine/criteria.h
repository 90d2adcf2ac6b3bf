// The entry rules of the criteria, shared by the window and the headless scan: condition
// form, Notation and Moves forms of Must contain, the range a Notation text sets, the
// checks before a run and the preparation of the matcher's inputs.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "text/whole_number.h"

namespace kelvane {

inline constexpr char kSameFileMessage[] = "Input and output cannot be the same file";

struct ConditionCheck {
  std::string text;  // the normalised condition
  bool failed = false;
};

// Cuts to 31 bytes, collapses blanks, and rewrites "a > b" as "b < a".
ConditionCheck CheckCondition(std::string_view text);
// Beeps and shows the condition-form message.
void ConditionFormError();
// The condition-form message (two lines joined by a CR).
std::string ConditionFormMessage();
// True when text has no "." at all or holds "..".
bool IsMovesText(std::string_view text);
// Every CR and every LF becomes a blank.
void LineBreaksToBlanks(std::string& text);
// Rewrites a Notation sequence into Moves form, in place.
void NotationToMoves(std::string& text);
// The range of move numbers of a Notation sequence; false (from and to untouched) when a
// number does not fit a 32-bit integer.
bool MoveNumberRange(std::string_view text, int32_t& from, int32_t& to);

// The message when a Notation sequence holds a move number beyond 32 bits.
inline constexpr char kMoveNumberTooLarge[] = "Move number too large in Must contain";

// The field a failed check before a run points at.
enum class CriteriaFault {
  None,
  SameFile,      // output name (shown with kSameFileMessage)
  Condition1To,  // to of condition 1
  Condition2To,
  Condition3To,
  MustContainTo,
  WithoutTo,
};
// The checks before a run, on IniValues; shows the same-file message itself.
CriteriaFault CheckCriteria();
// Passes every text slot of IniValues through CleanLine.
void CleanTextSlots();
// Prepares IniValues.ReqSequence and IniValues.CondWords for the matcher.
void PrepareMatcherInputs();

}  // namespace kelvane
