// The entry rules of the criteria: condition form, Notation and Moves forms, the range a
// Notation text sets, the checks before a run and the matcher's prepared inputs.
#include <gtest/gtest.h>

#include "engine/criteria.h"

using namespace kelvane;

namespace {

TEST(CheckCondition, NormalisesOrRefuses) {
  struct Case {
    const char* typed;
    const char* stored;
    bool failed;
  } cases[] = {
      {"Kh1 < Qe1", "Kh1 < Qe1", false},
      {"Kh1 > Qe1", "Qe1 < Kh1", false},
      {"  Kh1 \t <   Qe1  ", "Kh1 < Qe1", false},
      {"..e5 > Nf3", "Nf3 < ..e5", false},
      {"", "", false},
      {" \t ", "", false},
      {"Kh1 < Qe1 Nf3", "Kh1 < Qe1 Nf3", true},
      {"Kh1 = Qe1", "Kh1 = Qe1", true},
      {"Qe1<Kh1", "Qe1<Kh1", true},
      {"Kh1 <", "Kh1 <", true},
      // Cut at 31 bytes before anything else: the fourth word is gone.
      {"Nbxd7 < Qxd7 Rxd7 Bxd7 Kxd7 Nxd7", "Nbxd7 < Qxd7 Rxd7 Bxd7 Kxd7 Nxd", true},
      {"Kh1 <                               Qe1", "Kh1 <", true},
  };
  for (const auto& c : cases) {
    ConditionCheck r = CheckCondition(c.typed);
    EXPECT_EQ(r.text, c.stored) << c.typed;
    EXPECT_EQ(r.failed, c.failed) << c.typed;
  }
}

TEST(CheckCondition, FormMessageHasTheTwoLines) {
  EXPECT_EQ(ConditionFormMessage(),
            "Conditions must have the form: mm/..mm </> mm/..mm\r"
            "Example: \"Qe1 < Kh1\" (white's Qe1 must come before white's Kh1)");
}

TEST(MustContainForms, IsMovesText) {
  EXPECT_TRUE(IsMovesText(""));
  EXPECT_TRUE(IsMovesText("e4 ..c5 Nf3"));
  EXPECT_TRUE(IsMovesText("e4 c5"));
  EXPECT_TRUE(IsMovesText("..c5 Nf3"));
  EXPECT_TRUE(IsMovesText("e4 ..c5 2.Nf3"));  // a black move's mark decides
  EXPECT_TRUE(IsMovesText("e4..c5"));         // digits inside a word are no move number
  EXPECT_FALSE(IsMovesText("1.e4 c5 2.Nf3"));
  EXPECT_FALSE(IsMovesText("e5 2.Nf3"));
  // A number with "..." or ".." is black's move number, as books write it.
  EXPECT_FALSE(IsMovesText("1...e5 2.Nf3"));
  EXPECT_FALSE(IsMovesText("5...a6 6.Bg5 e6"));
  EXPECT_FALSE(IsMovesText("12..Nf6 13.c4"));
  EXPECT_FALSE(IsMovesText("1.e4 c5\n5...a6"));
}

TEST(MustContainForms, HasMoveNumber) {
  struct Case {
    const char* text;
    bool numbered;
  } cases[] = {
      {"1.e4", true},  {"e5 2.Nf3", true}, {"5...a6", true},   {"e4\n2.Nf3", true},
      {"e4 .", false}, {" .", false},      {".", false},       {"e4.", false},
      {"a.b", false},  {"", false},        {"e4 ..c5", false},
  };
  for (const Case& c : cases) EXPECT_EQ(HasMoveNumber(c.text), c.numbered) << c.text;
}

TEST(MustContainForms, LineBreaksBecomeBlanks) {
  std::string text = "1.e4\r\nc5\n2.Nf3\r";
  LineBreaksToBlanks(text);
  EXPECT_EQ(text, "1.e4  c5 2.Nf3 ");
}

TEST(MustContainForms, NotationToMoves) {
  struct Case {
    const char* notation;
    const char* moves;
  } cases[] = {
      {"1.e4 c5 2.Nf3 d6", "e4 ..c5 Nf3 ..d6"},
      {"1.e4 e5 2.Nf3", "e4 ..e5 Nf3"},
      // Black's move number: the first move is black's.
      {"1...e5 2.Nf3", "..e5 Nf3"},
      {"5...a6 6.Bg5 e6", "..a6 Bg5 ..e6"},
      {"5..a6 6.Bg5", "..a6 Bg5"},
      {"e5 2.Nf3 Nc6 3.Bb5", "..e5 Nf3 ..Nc6 Bb5"},
      {"1.e", "1.e"},
      {"e4 e5", "e4 e5"},
      {"  1.e4\tc5  ", "e4 ..c5"},
      {"1. e4 c5 2. Nf3", "e4 ..c5 Nf3"},
      {"1.e4 c5 2.Nf3 d6 3.d4 cxd4 4.Nxd4 Nf6 5.Nc3 a6 6.f4",
       "e4 ..c5 Nf3 ..d6 d4 ..cxd4 Nxd4 ..Nf6 Nc3 ..a6 f4"},
  };
  for (const auto& c : cases) {
    std::string text = c.notation;
    NotationToMoves(text);
    EXPECT_EQ(text, c.moves) << c.notation;
  }
}

TEST(MustContainForms, NotationToMovesCutsAt255) {
  std::string text;
  for (int n = 1; n <= 60; ++n) text += std::to_string(n) + ".Nf3 Nf6 ";
  NotationToMoves(text);
  EXPECT_LE(text.size(), 255u);
  EXPECT_EQ(text.substr(0, 17), "Nf3 ..Nf6 Nf3 ..N");
}

TEST(MustContainForms, MoveNumberRange) {
  struct Case {
    const char* text;
    int32_t from, to;
  } cases[] = {
      {"1.e4 c5 2.Nf3 d6 3.d4 cxd4 4.Nxd4 Nf6 5.Nc3 a6 6.f4", 1, 6},
      {"e5 2.Nf3 Nc6 3.Bb5", 1, 3},
      {"1.e4 c5 2.Nf3", 1, 2},
      {"e5 2.Nf3 Nc6", 1, 2},
      {"12.Nf3 Nf6 13.c4", 12, 13},
      {"12...Nf6 13.c4", 12, 13},
      {"5...a6 6.Bg5 e6", 5, 6},
      {"a.b", 0, 999},
      {"e4 c5.", 0, 999},
  };
  for (const auto& c : cases) {
    int32_t from = -7, to = -7;
    EXPECT_TRUE(MoveNumberRange(c.text, from, to)) << c.text;
    EXPECT_EQ(from, c.from) << c.text;
    EXPECT_EQ(to, c.to) << c.text;
  }
  int32_t from = 5, to = 6;
  EXPECT_FALSE(MoveNumberRange("1.e4 99999999999.Nf3", from, to));
  EXPECT_EQ(from, 5);
  EXPECT_EQ(to, 6);
}

TEST(RangeFields, WholeNumber) {
  struct Case {
    const char* text;
    bool ok;
    int32_t value;
  } cases[] = {
      {"15", true, 15},         {"0", true, 0},
      {"-3", true, -3},         {"+7", true, 7},
      {" 12", true, 12},        {"", false, 0},
      {"abc", false, 0},        {"1x", false, 0},
      {"-", false, 0},          {"2147483647", true, 2147483647},
      {"2147483648", false, 0}, {"-2147483648", true, INT32_MIN},
      {"12 ", false, 0},
  };
  for (const auto& c : cases) {
    int32_t v = 99;
    EXPECT_EQ(WholeNumber(c.text, v), c.ok) << c.text;
    if (c.ok) {
      EXPECT_EQ(v, c.value) << c.text;
    }
  }
}

}  // namespace
