#include "engine/criteria_entry.h"

#include "engine/criteria.h"
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

void CleanTexts(Settings& settings) {
  for (std::string* text :
       {&settings.startUpDir, &settings.input.name, &settings.output.name, &settings.input.dir,
        &settings.output.dir, &settings.editors[0], &settings.editors[1],
        &settings.criteria.conditions[0], &settings.criteria.conditions[1],
        &settings.criteria.conditions[2], &settings.criteria.mustContain,
        &settings.criteria.without})
    CleanLine(*text);
}

CriteriaFault CheckCriteria(const Settings& settings) {
  if (settings.input.name == settings.output.name && settings.input.dir == settings.output.dir)
    return CriteriaFault::SameFile;
  const Criteria& c = settings.criteria;
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

}  // namespace kelvane
