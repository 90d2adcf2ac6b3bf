// What typing into the criteria does, shared by the window and the headless scan, and the
// checks before a run.
#include "engine/criteria_entry.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <array>
#include <optional>
#include <string>
#include <vector>

#include "engine/criteria_kinds.h"
#include "engine/file_names.h"
#include "engine/header_criteria.h"
#include "settings/settings.h"
#include "test_support.h"

using namespace kelvane;

namespace {

TEST(MustContainEntry, FormTextAndRangeFollowTheText) {
  struct Case {
    const char* typed;
    SequenceForm form;
    const char* text;
    std::optional<MoveRange> range;
    bool tooLarge;
  } cases[] = {
      {"e4 ..c5 Nf3", SequenceForm::Moves, "e4 ..c5 Nf3", std::nullopt, false},
      {"e4\nc5", SequenceForm::Moves, "e4\nc5", std::nullopt, false},  // Moves form keeps it
      {"1.e4 c5\r\n2.Nf3", SequenceForm::Notation, "1.e4 c5  2.Nf3", MoveRange{1, 2}, false},
      {"12.e4 c5 13.Nf3", SequenceForm::Notation, "12.e4 c5 13.Nf3", MoveRange{12, 13}, false},
      {"e5 7.Nf3", SequenceForm::Notation, "e5 7.Nf3", MoveRange{6, 7}, false},
      {"1.e4 c5 99999999999.Nf3", SequenceForm::Notation, "1.e4 c5 99999999999.Nf3",
       std::nullopt, true},
      // On the way to "e4 ..c5" a single period makes a Notation text without a move
      // number: it sets no range.
      {"e4 .", SequenceForm::Notation, "e4 .", std::nullopt, false},
      {".", SequenceForm::Notation, ".", std::nullopt, false},
      {"e4 ..", SequenceForm::Moves, "e4 ..", std::nullopt, false},
      // Black's move number starts the range at its move.
      {"5...a6 6.Bg5 e6", SequenceForm::Notation, "5...a6 6.Bg5 e6", MoveRange{5, 6}, false},
  };
  for (const auto& c : cases) {
    MustContainEntry entry = EnterMustContain(c.typed);
    EXPECT_EQ(entry.form, c.form) << c.typed;
    EXPECT_EQ(entry.text, c.text) << c.typed;
    EXPECT_EQ(entry.range, c.range) << c.typed;
    EXPECT_EQ(entry.numberTooLarge, c.tooLarge) << c.typed;
  }
}

TEST(MustContainEntry, TypingKeepsTheRangeWhenAskedOrWhenANumberIsTooLarge) {
  Criteria c;
  c.mustContainRange = {3, 9};
  EXPECT_TRUE(TypeMustContain(c, "1.e4 c5 2.Nf3", true));
  EXPECT_EQ(c.mustContainRange, (MoveRange{3, 9}));
  EXPECT_EQ(c.mustContainForm, SequenceForm::Notation);
  EXPECT_TRUE(TypeMustContain(c, "1.e4 c5 2.Nf3", false));
  EXPECT_EQ(c.mustContainRange, (MoveRange{1, 2}));
  EXPECT_FALSE(TypeMustContain(c, "1.e4 5555555555.c5", false));
  EXPECT_EQ(c.mustContainRange, (MoveRange{1, 2}));
  EXPECT_TRUE(TypeMustContain(c, "e4 ..c5", false));
  EXPECT_EQ(c.mustContainForm, SequenceForm::Moves);
  EXPECT_EQ(c.mustContainRange, (MoveRange{1, 2}));  // a Moves text sets no range
}

TEST(MustContainEntry, ChoosingMovesConvertsANotationTextOnce) {
  Criteria c;
  ASSERT_TRUE(TypeMustContain(c, "1.e4 c5 2.Nf3 d6", false));
  EXPECT_TRUE(ChooseMovesForm(c, false));
  EXPECT_EQ(c.mustContain, "e4 ..c5 Nf3 ..d6");
  EXPECT_EQ(c.mustContainForm, SequenceForm::Moves);
  EXPECT_EQ(c.mustContainRange, (MoveRange{1, 2}));
  EXPECT_TRUE(ChooseMovesForm(c, false));  // already Moves: unchanged
  EXPECT_EQ(c.mustContain, "e4 ..c5 Nf3 ..d6");
}

TEST(CleanTexts, EveryCriterionTextIsCleaned) {
  Criteria c;
  for (std::string* t :
       {&c.conditions[0], &c.conditions[1], &c.conditions[2], &c.mustContain, &c.without})
    *t = " a \t b  ";
  CleanTexts(c);
  for (const std::string* t :
       {&c.conditions[0], &c.conditions[1], &c.conditions[2], &c.mustContain, &c.without})
    EXPECT_EQ(*t, "a b");
}

TEST(NormaliseConditions, StoresEveryConditionNormalisedAndNamesTheFirstWrongOne) {
  struct Case {
    std::array<std::string, 3> typed;
    std::array<std::string, 3> stored;
    int wrong;
  } cases[] = {
      {{"Bc4 > Nf3", " Kh1  <  Qe1 ", ""}, {"Nf3 < Bc4", "Kh1 < Qe1", ""}, 0},
      {{"", "Kh1 = Qe1", "a > b"}, {"", "Kh1 = Qe1", "b < a"}, 2},
      {{"x", "Kh1 = Qe1", ""}, {"x", "Kh1 = Qe1", ""}, 1},
  };
  for (const Case& c : cases) {
    Criteria criteria;
    criteria.conditions = c.typed;
    EXPECT_EQ(NormaliseConditions(criteria), c.wrong) << c.typed[0];
    EXPECT_EQ(criteria.conditions, c.stored);
  }
}

TEST(CheckNames, EmptyNamesFoldersAndASplitNameWithoutPeriodAreRefused) {
  TempDir dir;
  ::mkdir((dir / "games.pgn").c_str(), 0755);  // a folder named like a game file
  struct Case {
    const char* input;
    const char* output;
    bool split;
    NameFault fault;
    std::string message;
  } cases[] = {
      {"in.pgn", "out.pgn", true, NameFault::None, ""},
      {"in.pgn", "noext", false, NameFault::None, ""},
      {"", "out.pgn", false, NameFault::InputEmpty, "The input file has no name"},
      {"in.pgn", "", false, NameFault::OutputEmpty, "The output file has no name"},
      {"games.pgn", "out.pgn", false, NameFault::InputFolder,
       "The input file " + dir / "games.pgn" + " is a folder"},
      {"in.pgn", "..", false, NameFault::OutputFolder,
       "The output file " + dir / ".." + " is a folder"},
      {"in.pgn", "noext", true, NameFault::SplitNoExtension,
       "Split needs a file name with an extension, such as games.pgn"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.input) + " " + c.output);
    const FileLocation input{dir.path(), c.input};
    const FileLocation output{dir.path(), c.output};
    const NameFault fault = CheckNames(input, output, c.split, fileSystem());
    EXPECT_EQ(fault, c.fault);
    EXPECT_EQ(NameFaultMessage(fault, input, output), c.message);
  }
}

class BeforeRunTest : public ::testing::Test {
 protected:
  BeforeRunTest() {
    s.input = {"/games/", "in.pgn"};
    s.output = {"/games/", "out.pgn"};
    Criteria& c = s.criteria;
    c.conditions[0] = "Kh1 < Qe1";
    c.conditionRanges[0] = {1, 15};
    c.mustContain = "1.e4 c5";
    c.mustContainRange = {1, 15};
    c.without = "..e6";
    c.withoutRange = {1, 15};
  }
  Settings s;
  static CriteriaFault Check(const Settings& s) {
    return CheckCriteria(s.criteria, s.input.path(), s.output.path());
  }
};

TEST_F(BeforeRunTest, AcceptsTheDefaults) {
  EXPECT_EQ(Check(s), CriteriaFault::None);
}

TEST_F(BeforeRunTest, SameFileNamesAreRefused) {
  s.output.name = "in.pgn";
  EXPECT_EQ(Check(s), CriteriaFault::SameFile);
  EXPECT_STREQ(CriteriaFaultRule(CriteriaFault::SameFile), kSameFileMessage);
  s.output.dir = "/other/";
  EXPECT_EQ(Check(s), CriteriaFault::None);
  s.output.dir = "/games/";
  s.output.name = "IN.pgn";  // names compare exactly
  EXPECT_EQ(Check(s), CriteriaFault::None);
}

TEST_F(BeforeRunTest, RangesOfEachCriterion) {
  struct Case {
    std::string* (*text)(Criteria&);
    MoveRange* (*range)(Criteria&);
    MoveRange value;
    CriteriaFault fault;
  };
  using Text = std::string* (*)(Criteria&);
  using Range = MoveRange* (*)(Criteria&);
  const Text c1 = [](Criteria& c) { return &c.conditions[0]; };
  const Text c2 = [](Criteria& c) { return &c.conditions[1]; };
  const Text c3 = [](Criteria& c) { return &c.conditions[2]; };
  const Text mc = [](Criteria& c) { return &c.mustContain; };
  const Text wo = [](Criteria& c) { return &c.without; };
  const Range r1 = [](Criteria& c) { return &c.conditionRanges[0]; };
  const Range r2 = [](Criteria& c) { return &c.conditionRanges[1]; };
  const Range r3 = [](Criteria& c) { return &c.conditionRanges[2]; };
  const Range mr = [](Criteria& c) { return &c.mustContainRange; };
  const Range wr = [](Criteria& c) { return &c.withoutRange; };
  const Case cases[] = {
      {c1, r1, {5, 5}, CriteriaFault::Condition1To},   {c1, r1, {5, 4}, CriteriaFault::Condition1To},
      {c1, r1, {5, 6}, CriteriaFault::None},           {c2, r2, {3, 3}, CriteriaFault::Condition2To},
      {c3, r3, {9, 1}, CriteriaFault::Condition3To},   {mc, mr, {5, 5}, CriteriaFault::None},
      {mc, mr, {5, 4}, CriteriaFault::MustContainTo}, {mc, mr, {0, 0}, CriteriaFault::MustContainTo},
      {wo, wr, {5, 5}, CriteriaFault::None},           {wo, wr, {-1, 0}, CriteriaFault::WithoutTo},
  };
  for (const auto& c : cases) {
    Settings t = s;
    *c.text(t.criteria) = "Nf3 < Nc3";
    *c.range(t.criteria) = c.value;
    EXPECT_EQ(Check(t), c.fault) << c.value.from << "-" << c.value.to;
    // An empty criterion's range is not looked at.
    c.text(t.criteria)->clear();
    EXPECT_EQ(Check(t), CriteriaFault::None);
  }
}

TEST_F(BeforeRunTest, EveryHeaderLineMustBeOneTheHeaderCriteriaTake) {
  EXPECT_STREQ(CriterionKinds()[FaultRow(CriteriaFault::HeaderLine)].name, "Header");
  const std::string bad = "WhiteElo >= abc";
  ASSERT_TRUE(HeaderCriteria::Check(bad));
  const struct {
    std::vector<std::string> lines;
    CriteriaFault fault;
  } cases[] = {
      {{}, CriteriaFault::None},
      {{"WhiteElo >= 2400", "", "Result = 1-0|0-1"}, CriteriaFault::None},  // empty: ignored
      {{bad}, CriteriaFault::HeaderLine},
      {{"WhiteElo >= 2400", bad}, CriteriaFault::HeaderLine},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(::testing::PrintToString(c.lines));
    Settings t = s;
    t.criteria.header = c.lines;
    EXPECT_EQ(Check(t), c.fault);
    if (c.fault == CriteriaFault::None) continue;
    EXPECT_EQ(CriteriaFaultMessage(c.fault, t.criteria),
              "Header line \"" + bad + "\": " + *HeaderCriteria::Check(bad));
    // The fields are checked in their order: a range of a field above comes first.
    t.criteria.conditionRanges[0] = {5, 5};
    EXPECT_EQ(Check(t), CriteriaFault::Condition1To);
  }
}

}  // namespace
