#include "engine/criteria_entry.h"

#include "engine/criteria.h"
#include "engine/criteria_kinds.h"
#include "text/clean_line.h"
#include "text/path_parts.h"

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

namespace {
// The kind whose range end or line a fault names.
const CriterionKind& FaultKind(CriteriaFault fault) {
  return CriterionKinds()[FaultRow(fault)];
}

// The first non-empty line of the kind's value that its check refuses, and why; nothing
// when every line is taken.
struct RefusedLine {
  const std::string* line = nullptr;
  std::string reason;
};
RefusedLine FirstRefusedLine(const CriterionKind& kind, const Criteria& c) {
  if (!kind.check) return {};
  auto refused = [&kind](const std::string& line) -> RefusedLine {
    if (line.empty()) return {};
    std::optional<std::string> reason = kind.check(line);
    return reason ? RefusedLine{&line, std::move(*reason)} : RefusedLine{};
  };
  if (HasText(kind)) return refused(KindText(kind, c));
  for (const std::string& line : KindLines(kind, c))
    if (RefusedLine r = refused(line); r.line) return r;
  return {};
}
}  // namespace

bool ChooseMovesForm(Criteria& criteria, bool keepRange) {
  if (criteria.mustContainForm != SequenceForm::Notation) return true;
  std::string converted = criteria.mustContain;
  NotationToMoves(converted);
  return TypeMustContain(criteria, converted, keepRange);
}

void CleanTexts(Criteria& c) {
  for (const CriterionKind& kind : CriterionKinds()) {
    if (!kind.clean) continue;
    if (HasText(kind)) {
      kind.clean(*kind.text(c));
      continue;
    }
    std::vector<std::string>& lines = *kind.lines(c);
    for (std::string& line : lines) kind.clean(line);
    std::erase(lines, std::string());  // a line of blanks alone holds nothing
  }
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
  const auto kinds = CriterionKinds();
  for (size_t row = 0; row < kinds.size(); ++row) {
    const CriterionKind& kind = kinds[row];
    if (FirstRefusedLine(kind, c).line) return LineFault(row);
    if (kind.range && !KindEmpty(kind, c) && !RangeUsable(kind.rangeRule, KindRange(kind, c)))
      return RangeFault(row);
  }
  return CriteriaFault::None;
}

const char* CriteriaFaultRule(CriteriaFault fault) {
  if (fault == CriteriaFault::None || IsLineFault(fault)) return "";
  if (fault == CriteriaFault::SameFile) return kSameFileMessage;
  if (FaultKind(fault).rangeRule == RangeRule::EndsAfterStart)
    return "the last move number must be greater than the first";
  return "the last move number must not be 0 nor less than the first";
}

std::string CriteriaFaultMessage(CriteriaFault fault, const Criteria& c) {
  if (fault == CriteriaFault::None) return "";
  if (fault == CriteriaFault::SameFile) return kSameFileMessage;
  const CriterionKind& kind = FaultKind(fault);
  if (IsLineFault(fault)) return kind.name + (" " + RefusedLineText(fault, c));
  const MoveRange& r = KindRange(kind, c);
  const char* rule = kind.rangeRule == RangeRule::EndsAfterStart ? ", must end after its start"
                     : r.to < r.from ? ", must end at or after its start"
                                     : ", must not end at 0";
  return "The " + std::string(kind.name) + " range, " + std::to_string(r.from) + " to " +
         std::to_string(r.to) + rule;
}

std::string RefusedLineText(CriteriaFault fault, const Criteria& c) {
  if (!IsLineFault(fault)) return "";
  const RefusedLine refused = FirstRefusedLine(FaultKind(fault), c);
  if (!refused.line) return "";
  // A kind of one text is quoted without "line".
  const char* what = HasText(FaultKind(fault)) ? "\"" : "line \"";
  return what + *refused.line + "\": " + refused.reason;
}

std::string NonNumericRangeMessage(const CriterionKind& kind, bool end, const std::string& text) {
  return std::string("Non-numeric value in range: the ") + (end ? "end" : "start") + " of the " +
         kind.name + " range must be a whole number, not \"" + text + "\"";
}

}  // namespace kelvane
