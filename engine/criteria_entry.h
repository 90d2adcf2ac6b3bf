// What typing into the criteria fields does, and the checks before a run: the one copy that
// the window and the headless scan share.
#pragma once

#include <optional>
#include <string>

#include "settings/settings.h"

namespace kelvane {

inline constexpr char kSameFileMessage[] = "Input and output cannot be the same file";

// A text typed into Must contain: the form follows the text, and a Notation text has its
// line breaks turned to blanks and sets its own range.
struct MustContainEntry {
  SequenceForm form = SequenceForm::Moves;
  std::string text;
  // The range of a Notation text's move numbers; empty in Moves form, and when a move
  // number does not fit 32 bits (numberTooLarge).
  std::optional<MoveRange> range;
  bool numberTooLarge = false;
};
MustContainEntry EnterMustContain(std::string text);

// Types text into Must contain: its form and text, and (unless keepRange) its range.
// False when a move number is too large; criteria then keep their old range.
bool TypeMustContain(Criteria& criteria, const std::string& text, bool keepRange);
// Choosing the Moves form: a Notation text is converted, then typed again.
bool ChooseMovesForm(Criteria& criteria, bool keepRange);

// Passes every text of the settings through CleanLine.
void CleanTexts(Settings& settings);

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
// The checks before a run: input and output differ, and every criterion in use has a
// usable range.
CriteriaFault CheckCriteria(const Settings& settings);
// The rule a fault broke, as the headless scan words it.
const char* CriteriaFaultRule(CriteriaFault fault);

}  // namespace kelvane
