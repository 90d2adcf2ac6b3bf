// The rows that describe each kind of criterion: one value per field reaches the same
// field from the settings file and from the headless options, and saves back unchanged.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/headless_scan.h"
#include "engine/criteria_kinds.h"
#include "scripted_dialogs.h"
#include "settings/settings.h"
#include "test_support.h"

using namespace kelvane;

namespace {

TEST(CriterionKinds, EveryRowLoadsSavesAndTakesItsOptionIntoItsOwnField) {
  // A distinct value for every field, as the criteria record names them.
  Criteria expected;
  expected.conditions = {"Ka1 < Qa2", "Kb1 < Qb2", "Kc1 < Qc2"};
  expected.conditionRanges = {{{1, 2}, {3, 4}, {5, 6}}};
  expected.mustContain = "d4 ..d5";
  expected.mustContainForm = SequenceForm::Moves;
  expected.mustContainRange = {7, 8};
  expected.without = "..e5";
  expected.withoutRange = {9, 10};

  // The settings file and the options, from each row's keys and options.
  std::string texts = "[Strings]\n0=/s/\n1=in.pgn\n2=out.pgn\n3=/d/\n4=/d/\n5=e1\n6=e2\n";
  std::string integers = "[Integers]\n";
  std::vector<std::string> args;
  for (const CriterionKind& kind : CriterionKinds()) {
    SCOPED_TRACE(kind.name);
    const std::string& text = KindText(kind, expected);
    const MoveRange& range = KindRange(kind, expected);
    texts += std::string(kind.textKey) + "=" + text + "\n";
    integers += std::string(kind.fromKey) + "=" + std::to_string(range.from) + "\n" + kind.toKey +
                "=" + std::to_string(range.to) + "\n";
    args.insert(args.end(), {kind.option.name, text, kind.rangeOption.name,
                             std::to_string(range.from) + "-" + std::to_string(range.to)});
    EXPECT_NE(kind.fieldName, nullptr);
  }
  const std::string file = texts + integers + "[Booleans]\nRadNota=0\n";

  ScopedScriptedDialogs dialogs;
  TempDir dir;
  const std::string ini = dir / "kelvane.ini";
  WriteFile(ini, file);
  Settings loaded;
  LoadSettings(loaded, ini);
  EXPECT_TRUE(loaded.criteria == expected);
  SaveSettings(loaded, ini);
  EXPECT_EQ(ReadFile(ini), file);

  Settings given;
  std::string fault;
  EXPECT_TRUE(ApplyScanOptions(args, given, fault)) << fault;
  EXPECT_TRUE(given.criteria == expected);
}

}  // namespace
