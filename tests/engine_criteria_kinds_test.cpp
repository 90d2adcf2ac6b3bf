// The rows that describe each kind of criterion: one value per field reaches the same
// field from the settings file and from the headless options, and saves back unchanged.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/headless_scan.h"
#include "engine/criteria_kinds.h"
#include "scripted_dialogs.h"
#include "settings/ini_file.h"
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
  expected.header = {"WhiteElo >= 2400", "Black ~ Carlsen"};
  expected.position = "8/8/8/8/8/8/8/K6k w";
  expected.positionRange = {11, 12};
  expected.material = "KRP v KR";
  expected.materialRange = {13, 14};

  // The settings file and the options, from each row's keys and options. A list of lines
  // in a section of its own sits at the file's end, where a save adds that section.
  std::string texts = "[Strings]\n0=/s/\n1=in.pgn\n2=out.pgn\n3=/d/\n4=/d/\n5=e1\n6=e2\n";
  std::string integers = "[Integers]\n";
  std::string sections;
  const char* lastSection = nullptr;  // texts of one section follow each other
  std::vector<std::string> args;
  for (const CriterionKind& kind : CriterionKinds()) {
    SCOPED_TRACE(kind.name);
    EXPECT_NE(kind.fieldName, nullptr);
    if (HasText(kind) && kind.section) {
      // A text in a section of its own holds its range there.
      const MoveRange& range = KindRange(kind, expected);
      if (kind.section != lastSection) sections += std::string("[") + kind.section + "]\n";
      lastSection = kind.section;
      sections += std::string(kind.textKey) + "=" + KindText(kind, expected) + "\n" + kind.fromKey +
                  "=" + std::to_string(range.from) + "\n" + kind.toKey + "=" +
                  std::to_string(range.to) + "\n";
      args.insert(args.end(), {kind.option.name, KindText(kind, expected), kind.rangeOption.name,
                               std::to_string(range.from) + "-" + std::to_string(range.to)});
      continue;
    }
    if (HasText(kind)) {
      texts += std::string(kind.textKey) + "=" + KindText(kind, expected) + "\n";
      args.insert(args.end(), {kind.option.name, KindText(kind, expected)});
    } else {
      ASSERT_NE(kind.section, nullptr);
      ASSERT_TRUE(kind.repeatable);
      sections += std::string("[") + kind.section + "]\n";
      for (size_t i = 0; i < KindLines(kind, expected).size(); ++i) {
        const std::string& line = KindLines(kind, expected)[i];
        sections += kind.textKey + std::to_string(i + 1) + "=" + line + "\n";
        args.insert(args.end(), {kind.option.name, line});
      }
    }
    if (!kind.range) continue;
    const MoveRange& range = KindRange(kind, expected);
    integers += std::string(kind.fromKey) + "=" + std::to_string(range.from) + "\n" + kind.toKey +
                "=" + std::to_string(range.to) + "\n";
    args.insert(args.end(), {kind.rangeOption.name,
                             std::to_string(range.from) + "-" + std::to_string(range.to)});
  }
  const std::string file = texts + integers + "[Booleans]\nRadNota=0\n" + sections;

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

// Kinds to come, held outside the record: a text without a range, and a list of lines.
std::string newText;
std::vector<std::string> newLines;
MoveRange newRange;
const CriterionKind kNewKinds[] = {
    {.name = "text",
     .text = [](Criteria&) { return &newText; },
     .range = [](Criteria&) { return &newRange; },
     .textKey = "T",
     .fromKey = "TFrom",
     .toKey = "TTo"},
    {.name = "lines", .lines = [](Criteria&) { return &newLines; }, .textKey = "L"},
};

TEST(CriterionKinds, ANewKindWritesNoKeyWhileEmptyAndAListKeepsItsLines) {
  IniFile ini;
  const std::string before = "[Strings]\n7=x\n";
  ini.Parse(before);
  Criteria criteria;
  newText.clear();
  newLines.clear();
  SaveCriteria(ini, criteria, kNewKinds);
  EXPECT_EQ(ini.Text(), before);  // a file written before keeps its bytes

  newText = "t";
  newRange = {3, 4};
  newLines = {"[White \"A\"]", "[Black \"B\"]"};
  SaveCriteria(ini, criteria, kNewKinds);
  newLines = {"[Site \"C\"]"};  // a shorter list ends before the old one's last line
  SaveCriteria(ini, criteria, kNewKinds);
  EXPECT_EQ(ini.Text(), before + "T=t\nL1=[Site \"C\"]\nL2=\n[Integers]\nTFrom=3\nTTo=4\n");

  newText.clear();
  newLines.clear();
  newRange = {};
  LoadCriteria(ini, criteria, Criteria{}, kNewKinds);
  EXPECT_EQ(newText, "t");
  EXPECT_EQ(newLines, std::vector<std::string>{"[Site \"C\"]"});
  EXPECT_EQ(newRange, (MoveRange{3, 4}));
}

}  // namespace
