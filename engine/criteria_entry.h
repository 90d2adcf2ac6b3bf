// What typing into the criteria fields does, and the checks before a run: the one copy that
// the window and the headless scan share.
#pragma once

#include <cstddef>
#include <optional>
#include <string>

#include "engine/criteria.h"

namespace kelvane {

struct CriterionKind;

inline constexpr char kSameFileMessage[] = "Input and output cannot be the same file";
// Choosing Notation for a Must contain text in Moves form.
inline constexpr char kNotationRefused[] =
    "Must contain stays in Moves form: Notation needs its moves with move numbers, such as "
    "1.e4 c5 2.Nf3";

// A text typed into Must contain: the form follows the text, and a Notation text has its
// line breaks turned to blanks and sets its own range once it holds a move number.
struct MustContainEntry {
  SequenceForm form = SequenceForm::Moves;
  std::string text;
  // The range of a Notation text's move numbers; empty in Moves form, for a Notation text
  // without a move number (a half-typed "e4 ."), and when a move number does not fit 32
  // bits (numberTooLarge).
  std::optional<MoveRange> range;
  bool numberTooLarge = false;
};
MustContainEntry EnterMustContain(std::string text);

// Types text into Must contain: its form and text, and (unless keepRange) its range.
// False when a move number is too large; criteria then keep their old range.
bool TypeMustContain(Criteria& criteria, const std::string& text, bool keepRange);
// Choosing the Moves form: a Notation text is converted, then typed again.
bool ChooseMovesForm(Criteria& criteria, bool keepRange);

// Passes the criteria texts (conditions, Must contain, Without) and header lines through
// CleanLine; a line left empty goes.
void CleanTexts(Criteria& criteria);
// Checks the three conditions and stores their normalised texts ("a > b" as "b < a"), as
// leaving a field does; returns the number (1 to 3) of the first condition whose form is
// wrong, or 0.
int NormaliseConditions(Criteria& criteria);
// The window's message for condition number (1 to 3) whose form is wrong.
std::string ConditionRefusal(int number, const std::string& text);

// The field a failed check before a run points at: the output's name, the end of the
// range of the criterion at a row of CriterionKinds() (RangeFault(row)), or a line of its
// value that the row's check refuses (LineFault(row)). The rows of today have names.
inline constexpr size_t kLineFaults = 0x100;  // where the line faults begin
enum class CriteriaFault : size_t {
  None,
  SameFile,  // output name (shown with kSameFileMessage)
  Condition1To,
  Condition2To,
  Condition3To,
  MustContainTo,
  WithoutTo,
  PositionTo = 8,
  MaterialTo,
  HeaderLine = kLineFaults + 5,
  PositionText,
  MaterialText,
};
inline CriteriaFault RangeFault(size_t row) {
  return static_cast<CriteriaFault>(row + 2);
}
inline CriteriaFault LineFault(size_t row) {
  return static_cast<CriteriaFault>(kLineFaults + row);
}
inline bool IsLineFault(CriteriaFault fault) {
  return static_cast<size_t>(fault) >= kLineFaults;
}
// The row whose range end or line a fault other than None and SameFile names.
inline size_t FaultRow(CriteriaFault fault) {
  const size_t value = static_cast<size_t>(fault);
  return IsLineFault(fault) ? value - kLineFaults : value - 2;
}
// The checks before a run: input and output differ, and every criterion in use has a
// usable range and lines its row's check takes; the rows are checked in their order.
CriteriaFault CheckCriteria(const Criteria& criteria, const std::string& inputPath,
                            const std::string& outputPath);
// The rule a range fault broke (or the same-file message), as the headless scan words it.
const char* CriteriaFaultRule(CriteriaFault fault);
// A line fault's line and what is wrong with it: 'line "WhiteElo >= x": the value of
// WhiteElo must be a number'; a kind of one text has no "line" ('"KQ x K": ...').
std::string RefusedLineText(CriteriaFault fault, const Criteria& criteria);
// The window's message for a fault: the field, what it holds and the rule it breaks.
std::string CriteriaFaultMessage(CriteriaFault fault, const Criteria& criteria);
// The message for a range field of a kind of criterion that does not hold a whole number;
// end: its to field, else its from field.
std::string NonNumericRangeMessage(const CriterionKind& kind, bool end, const std::string& text);

}  // namespace kelvane
