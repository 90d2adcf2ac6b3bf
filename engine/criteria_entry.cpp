#include "engine/criteria_entry.h"

#include "engine/criteria.h"
#include "engine/criteria_kinds.h"
#include "text/clean_line.h"

namespace kelvane {

MustContainEntry EnterMustContain(std::string text) {
  MustContainEntry entry;
  if (IsMovesText(text)) {
    entry.text = std::move(text);
    return entry;
  }
  entry.form = SequenceForm::Notation;
  LineBreaksToBlanks(text);
  MoveRange range;
  // A period typed on the way to "..c5" makes no range: only a move number does.
  if (!HasMoveNumber(text)) {
    entry.text = std::move(text);
    return entry;
  }
  if (MoveNumberRange(text, range.from, range.to))
    entry.range = range;
  else
    entry.numberTooLarge = true;
  entry.text = std::move(text);
  return entry;
}

bool TypeMustContain(Criteria& criteria, const std::string& text, bool keepRange) {
  MustContainEntry entry = EnterMustContain(text);
  criteria.mustContain = std::move(entry.text);
  criteria.mustContainForm = entry.form;
  if (!keepRange && entry.range) criteria.mustContainRange = *entry.range;
  return keepRange || !entry.numberTooLarge;
}

bool ChooseMovesForm(Criteria& criteria, bool keepRange) {
  if (criteria.mustContainForm != SequenceForm::Notation) return true;
  std::string converted = criteria.mustContain;
  NotationToMoves(converted);
  return TypeMustContain(criteria, converted, keepRange);
}

void CleanTexts(Criteria& c) {
  for (std::string* text :
       {&c.conditions[0], &c.conditions[1], &c.conditions[2], &c.mustContain, &c.without})
    CleanLine(*text);
}

int NormaliseConditions(Criteria& criteria) {
  int firstWrong = 0;
  for (int k = 0; k < 3; ++k) {
    ConditionCheck check = CheckCondition(criteria.conditions[k]);
    criteria.conditions[k] = check.text;
    if (check.failed && firstWrong == 0) firstWrong = k + 1;
  }
  return firstWrong;
}

std::string ConditionRefusal(int number, const std::string& text) {
  return "Condition " + std::to_string(number) + " \"" + text + "\" is refused.\r" +
         ConditionFormMessage();
}

CriteriaFault CheckCriteria(const Criteria& c, const std::string& inputPath,
                            const std::string& outputPath) {
  // "-" names two streams: standard input to read, standard output to write.
  if (inputPath == outputPath && inputPath != "-") return CriteriaFault::SameFile;
  const CriteriaFault conditionFaults[3] = {
      CriteriaFault::Condition1To, CriteriaFault::Condition2To, CriteriaFault::Condition3To};
  for (int k = 0; k < 3; ++k)
    if (!c.conditions[k].empty() && c.conditionRanges[k].to <= c.conditionRanges[k].from)
      return conditionFaults[k];
  auto unusable = [](const MoveRange& r) { return r.to < r.from || r.to == 0; };
  if (!c.mustContain.empty() && unusable(c.mustContainRange)) return CriteriaFault::MustContainTo;
  if (!c.without.empty() && unusable(c.withoutRange)) return CriteriaFault::WithoutTo;
  return CriteriaFault::None;
}

const char* CriteriaFaultRule(CriteriaFault fault) {
  switch (fault) {
    case CriteriaFault::None:
      return "";
    case CriteriaFault::SameFile:
      return kSameFileMessage;
    case CriteriaFault::Condition1To:
    case CriteriaFault::Condition2To:
    case CriteriaFault::Condition3To:
      return "the last move number must be greater than the first";
    case CriteriaFault::MustContainTo:
    case CriteriaFault::WithoutTo:
      break;
  }
  return "the last move number must not be 0 nor less than the first";
}

namespace {
const char* const kCriterionNames[] = {"condition 1", "condition 2", "condition 3", "Must contain",
                                       "Without"};

std::string RangeText(const MoveRange& r) {
  return std::to_string(r.from) + " to " + std::to_string(r.to);
}
}  // namespace

std::string CriteriaFaultMessage(CriteriaFault fault, const Criteria& c) {
  auto conditionRange = [&](int k) {
    return "The " + std::string(kCriterionNames[k]) + " range, " + RangeText(c.conditionRanges[k]) +
           ", must end after its start";
  };
  auto sequenceRange = [](const char* name, const MoveRange& r) {
    return "The " + std::string(name) + " range, " + RangeText(r) +
           (r.to < r.from ? ", must end at or after its start" : ", must not end at 0");
  };
  switch (fault) {
    case CriteriaFault::None:
      return "";
    case CriteriaFault::SameFile:
      return kSameFileMessage;
    case CriteriaFault::Condition1To:
      return conditionRange(0);
    case CriteriaFault::Condition2To:
      return conditionRange(1);
    case CriteriaFault::Condition3To:
      return conditionRange(2);
    case CriteriaFault::MustContainTo:
      return sequenceRange("Must contain", c.mustContainRange);
    case CriteriaFault::WithoutTo:
      break;
  }
  return sequenceRange("Without", c.withoutRange);
}

std::string NonNumericRangeMessage(const CriterionKind& kind, bool end, const std::string& text) {
  return std::string("Non-numeric value in range: the ") + (end ? "end" : "start") + " of the " +
         kind.name + " range must be a whole number, not \"" + text + "\"";
}

}  // namespace kelvane
