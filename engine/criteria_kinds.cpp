#include "engine/criteria_kinds.h"

#include "engine/criteria_entry.h"
#include "engine/header_criteria.h"
#include "engine/position_criteria.h"
#include "text/clean_line.h"

namespace kelvane {

namespace {

// The rows of the kinds. The keys of those the settings file held from the start are
// numbers: the files written before keep them. The help texts are the usage text's lines.
const CriterionKind kKinds[] = {
    {.name = "condition 1",
     .text = [](Criteria& c) { return &c.conditions[0]; },
     .range = [](Criteria& c) { return &c.conditionRanges[0]; },
     .rangeRule = RangeRule::EndsAfterStart,
     .clean = CleanLine,
     .textKey = "7",
     .fromKey = "0",
     .toKey = "1",
     .alwaysWritten = true,
     .option = {"--cond1", "TEXT", "order condition 1, e.g. \"Kh1 < Qe1\"", "condition 1"},
     .rangeOption = {"--cond1-range", "A-B", "its range of move numbers", "condition 1 range"},
     .fieldName = "Edit1",
     .fromFieldName = "Edit6",
     .toFieldName = "Edit7"},
    {.name = "condition 2",
     .text = [](Criteria& c) { return &c.conditions[1]; },
     .range = [](Criteria& c) { return &c.conditionRanges[1]; },
     .rangeRule = RangeRule::EndsAfterStart,
     .clean = CleanLine,
     .textKey = "8",
     .fromKey = "2",
     .toKey = "3",
     .alwaysWritten = true,
     .option = {"--cond2", "TEXT", "order condition 2", "condition 2"},
     .rangeOption = {"--cond2-range", "A-B", "its range of move numbers", "condition 2 range"},
     .fieldName = "Edit2",
     .fromFieldName = "Edit8",
     .toFieldName = "Edit9"},
    {.name = "condition 3",
     .text = [](Criteria& c) { return &c.conditions[2]; },
     .range = [](Criteria& c) { return &c.conditionRanges[2]; },
     .rangeRule = RangeRule::EndsAfterStart,
     .clean = CleanLine,
     .textKey = "9",
     .fromKey = "4",
     .toKey = "5",
     .alwaysWritten = true,
     .option = {"--cond3", "TEXT", "order condition 3", "condition 3"},
     .rangeOption = {"--cond3-range", "A-B", "its range of move numbers", "condition 3 range"},
     .fieldName = "Edit3",
     .fromFieldName = "Edit10",
     .toFieldName = "Edit11"},
    {.name = "Must contain",
     .text = [](Criteria& c) { return &c.mustContain; },
     .range = [](Criteria& c) { return &c.mustContainRange; },
     .clean = CleanLine,
     .type = TypeMustContain,
     .chooseForm = ChooseMovesForm,
     .typingFault = kMoveNumberTooLarge,
     .textKey = "10",
     .fromKey = "6",
     .toKey = "7",
     .alwaysWritten = true,
     .option = {"--contains", "TEXT",
                "Must contain, in Notation (\"1.e4 c5 2.Nf3\")\n"
                "or Moves form (\"e4 ..c5 Nf3\")",
                "Must contain"},
     .rangeOption = {"--contains-range", "A-B",
                     "its range (a Notation text sets its own otherwise)", "Must contain range"},
     .formOption = {"--moves", nullptr, "convert a Notation Must contain text to Moves form"},
     .fieldName = "Memo1",
     .fromFieldName = "Edit12",
     .toFieldName = "Edit13"},
    {.name = "Without",
     .text = [](Criteria& c) { return &c.without; },
     .range = [](Criteria& c) { return &c.withoutRange; },
     .clean = CleanLine,
     .textKey = "11",
     .fromKey = "8",
     .toKey = "9",
     .alwaysWritten = true,
     .option = {"--without", "TEXT", "moves a game must not contain", "Without"},
     .rangeOption = {"--without-range", "A-B", "their range of move numbers", "Without range"},
     .fieldName = "Edit5",
     .fromFieldName = "Edit14",
     .toFieldName = "Edit15"},
    // Lines on the game's tags, all of which must pass; in a section of their own, which
    // the files written before lack.
    {.name = "Header",
     .lines = [](Criteria& c) { return &c.header; },
     .clean = CleanLine,
     .check = HeaderCriteria::Check,
     .section = "Header",
     .textKey = "Line",
     .option = {"--tag", "LINE",
                "a criterion on the game's tags, e.g. \"WhiteElo >= 2400\";\n"
                "repeat it for more (all must pass); the lines replace\n"
                "the settings' header lines, and --tag \"\" clears them",
                "Header"},
     .repeatable = true,
     .fieldName = "HeaderCriteria"},
    // The positions a game reaches (position_criteria.h), in a section of their own that
    // holds their ranges too.
    {.name = "Position",
     .text = [](Criteria& c) { return &c.position; },
     .range = [](Criteria& c) { return &c.positionRange; },
     .clean = CleanLine,
     .check = PositionCriteria::CheckPosition,
     .section = "Positions",
     .textKey = "Position",
     .fromKey = "PositionFrom",
     .toKey = "PositionTo",
     .option = {"--position", "FEN",
                "a position the game reaches: a FEN, or its placement\n"
                "(and side to move); castling and en passant are ignored",
                "Position"},
     .rangeOption = {"--position-range", "A-B", "its range of move numbers (default 1-999)",
                     "Position range"},
     .fieldName = "PositionCriterion",
     .fromFieldName = "PositionFrom",
     .toFieldName = "PositionTo"},
    {.name = "Material",
     .text = [](Criteria& c) { return &c.material; },
     .range = [](Criteria& c) { return &c.materialRange; },
     .clean = CleanLine,
     .check = PositionCriteria::CheckMaterial,
     .section = "Positions",
     .textKey = "Material",
     .fromKey = "MaterialFrom",
     .toKey = "MaterialTo",
     .option = {"--material", "SIG", "the material the game has after a move, e.g. \"KRP v KR\"",
                "Material"},
     .rangeOption = {"--material-range", "A-B", "its range of move numbers (default 1-999)",
                     "Material range"},
     .fieldName = "MaterialCriterion",
     .fromFieldName = "MaterialFrom",
     .toFieldName = "MaterialTo"},
};

}  // namespace

std::span<const CriterionKind> CriterionKinds() {
  return kKinds;
}

// The accessors hand out writable parts; reading through them changes nothing.
const std::string& KindText(const CriterionKind& kind, const Criteria& criteria) {
  return *kind.text(const_cast<Criteria&>(criteria));
}

const std::vector<std::string>& KindLines(const CriterionKind& kind, const Criteria& criteria) {
  return *kind.lines(const_cast<Criteria&>(criteria));
}

const MoveRange& KindRange(const CriterionKind& kind, const Criteria& criteria) {
  return *kind.range(const_cast<Criteria&>(criteria));
}

bool KindEmpty(const CriterionKind& kind, const Criteria& criteria) {
  return HasText(kind) ? KindText(kind, criteria).empty() : KindLines(kind, criteria).empty();
}

bool RangeUsable(RangeRule rule, const MoveRange& r) {
  if (rule == RangeRule::EndsAfterStart) return r.to > r.from;
  return r.to >= r.from && r.to != 0;
}

}  // namespace kelvane
