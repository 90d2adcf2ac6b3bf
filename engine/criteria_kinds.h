// One description per kind of criterion: where its value and range sit in Criteria, its
// keys in the settings file, its options in the headless scan, the names of its fields in
// the window, its cleaning and the rule its range must keep. The settings, the headless
// scan, the window and the checks before a run walk these rows; a new kind of criterion
// is a new row, its matching code, its window field and its help text.
#pragma once

#include <cstddef>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "engine/criteria.h"

namespace kelvane {

// What a criterion's range must keep for the criterion to be used.
enum class RangeRule {
  EndsAfterStart,      // to > from: two moves in order need two move numbers
  EndsAtOrAfterStart,  // to >= from and to != 0
};

// A headless option: its name, what its value stands for ("TEXT"), its line of the usage
// text and what messages about its value call it.
struct OptionText {
  const char* name = nullptr;
  const char* value = nullptr;
  const char* help = "";
  const char* field = nullptr;
};

struct CriterionKind {
  const char* name;  // as messages call it: "condition 1", "Must contain"
  // Its value: one text, or (text null) a list of lines.
  std::string* (*text)(Criteria&) = nullptr;
  std::vector<std::string>* (*lines)(Criteria&) = nullptr;
  // Its range of move numbers; null for a kind without one.
  MoveRange* (*range)(Criteria&) = nullptr;
  RangeRule rangeRule = RangeRule::EndsAtOrAfterStart;
  // What storing a typed value does to it.
  void (*clean)(std::string&) = nullptr;
  // What typing a text does beyond storing it (Must contain: its form follows the text, and
  // unless keepRange its range); false, for typingFault, when the text cannot be taken.
  bool (*type)(Criteria&, const std::string& text, bool keepRange) = nullptr;
  // The kind's switch (formOption): false, for typingFault, when it cannot be done.
  bool (*chooseForm)(Criteria&, bool keepRange) = nullptr;
  const char* typingFault = nullptr;
  // The check before a run that every non-empty line of the value must pass: nothing, or
  // what is wrong with the line. Null: every value can be used.
  std::optional<std::string> (*check)(std::string_view line) = nullptr;

  // The settings file: the value's section ([Strings] unless it names one) and key (a list
  // of lines takes the keys "<key>1", "<key>2" ...), the range's from and to keys in
  // [Integers], or in the value's section when it names one.
  const char* section = nullptr;
  const char* textKey = nullptr;
  const char* fromKey = nullptr;
  const char* toKey = nullptr;
  // The kinds the settings file has held from the start are written also when empty, so
  // that files keep their bytes; any other kind writes no key while it is empty and never
  // was written.
  bool alwaysWritten = false;

  // The headless scan: the value's option (repeatable: every use adds a line), the
  // range's ("A-B"), and a switch that goes with the kind (Must contain's --moves).
  OptionText option{};
  OptionText rangeOption{};
  OptionText formOption{};
  bool repeatable = false;

  // The window: the objectName of the value's field and of the range's from and to fields.
  const char* fieldName = nullptr;
  const char* fromFieldName = nullptr;
  const char* toFieldName = nullptr;
};

// Every kind, in the order of the window's fields and of the settings file's keys.
std::span<const CriterionKind> CriterionKinds();

// The parts of criteria a row describes. The const forms read what the row's accessors
// hand out.
inline bool HasText(const CriterionKind& kind) {
  return kind.text != nullptr;
}
const std::string& KindText(const CriterionKind& kind, const Criteria& criteria);
const std::vector<std::string>& KindLines(const CriterionKind& kind, const Criteria& criteria);
const MoveRange& KindRange(const CriterionKind& kind, const Criteria& criteria);
// True when the kind holds no text and no line.
bool KindEmpty(const CriterionKind& kind, const Criteria& criteria);
// True when a range lets the kind be used.
bool RangeUsable(RangeRule rule, const MoveRange& range);

}  // namespace kelvane
