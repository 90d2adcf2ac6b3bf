// The game matcher against games built ply by ply: order conditions, Must contain in both
// forms, Without, the ranges, the quick whole-word test and faulty move texts.
#include <gtest/gtest.h>

#include <map>
#include <optional>
#include <string>

#include "engine/criteria.h"
#include "engine/game_matcher.h"
#include "scripted_dialogs.h"

using namespace kelvane;

namespace {

// A move text of `plies` half-moves of filler with the given moves placed at their plies
// (white's move n is ply 2n-1, black's ply 2n), numbered and ended as a game file has it.
std::string Game(const std::map<int, std::string>& moves, int plies = 40) {
  std::string text;
  for (int p = 1; p <= plies; ++p) {
    if (p % 2) text += std::to_string((p + 1) / 2) + ".";
    auto it = moves.find(p);
    text += it != moves.end() ? it->second : (p % 2 ? "Rb1" : "Rb8");
    text += (p % 16 == 0) ? "\r\n" : " ";
  }
  return text + "1-0\r\n";
}

int White(int n) {
  return 2 * n - 1;
}
int Black(int n) {
  return 2 * n;
}

struct Typed {
  std::string cond[3];
  int condRange[3][2] = {{1, 15}, {0, 0}, {0, 0}};
  std::string contains;
  bool notation = true;
  int containsRange[2] = {1, 15};
  std::string without;
  int withoutRange[2] = {1, 15};
};

class MatcherTest : public ::testing::Test {
 protected:
  void Use(const Typed& t) {
    criteria_ = Criteria{};
    for (int k = 0; k < 3; ++k) {
      criteria_.conditions[k] = t.cond[k];
      criteria_.conditionRanges[k] = {t.condRange[k][0], t.condRange[k][1]};
    }
    criteria_.mustContain = t.contains;
    criteria_.mustContainForm = t.notation ? SequenceForm::Notation : SequenceForm::Moves;
    criteria_.mustContainRange = {t.containsRange[0], t.containsRange[1]};
    criteria_.without = t.without;
    criteria_.withoutRange = {t.withoutRange[0], t.withoutRange[1]};
    matcher_.emplace(criteria_, dialogs_);
  }
  bool GameMatches(const std::string& moveText) { return matcher_->Matches(moveText, gameNumber_); }

  Criteria criteria_;
  int64_t gameNumber_ = 1;
  ScriptedDialogs dialogs_;
  std::optional<GameMatcher> matcher_;
};

TEST_F(MatcherTest, EveryGamePassesWithoutCriteria) {
  Use(Typed{});
  EXPECT_TRUE(GameMatches(Game({})));
  EXPECT_TRUE(GameMatches("1.e4 {a comment} e5 (1...c5) 2.Nf3 *\r\n"));
  EXPECT_TRUE(dialogs_.messages.empty());
}

struct ConditionCase {
  const char* name;
  int from, to;
  std::map<int, std::string> moves;
  bool passes;
};

TEST_F(MatcherTest, OrderConditions) {
  const ConditionCase cases[] = {
      {"both in order", 1, 15, {{White(12), "Kh1"}, {White(14), "Qe1"}}, true},
      {"second move first", 1, 15, {{White(10), "Qe1"}, {White(12), "Kh1"}}, false},
      {"second move after the range", 1, 15, {{White(12), "Kh1"}, {White(16), "Qe1"}}, false},
      {"second move never", 1, 15, {{White(12), "Kh1"}}, false},
      {"early play outside the range ignored",
       11,
       15,
       {{White(10), "Qe1"}, {White(12), "Kh1"}, {White(14), "Qe1"}},
       true},
      {"checks and marks still match", 1, 15, {{White(3), "Kh1!"}, {White(5), "Qe1+"}}, true},
      {"black moves do not count for white words",
       1,
       15,
       {{Black(3), "Kh1"}, {Black(5), "Qe1"}},
       false},
      {"first move after the last ply of the range", 1, 5, {{White(6), "Kh1"}}, false},
  };
  for (const auto& c : cases) {
    Typed crit;
    crit.cond[0] = "Kh1 < Qe1";
    crit.condRange[0][0] = c.from;
    crit.condRange[0][1] = c.to;
    Use(crit);
    EXPECT_EQ(GameMatches(Game(c.moves)), c.passes) << c.name;
  }
}

TEST_F(MatcherTest, ConditionWordsAndColours) {
  Typed crit;
  crit.cond[0] = "O-O < O-O";  // both words match the same move
  Use(crit);
  EXPECT_TRUE(GameMatches(Game({{White(5), "O-O"}})));
  EXPECT_FALSE(GameMatches(Game({{White(5), "O-O-O"}})))
      << "the quick test wants O-O as a whole word";

  crit.cond[0] = "..Nf6 < Bg5";  // black's knight before white's bishop
  Use(crit);
  EXPECT_TRUE(GameMatches(Game({{Black(2), "Nf6"}, {White(4), "Bg5"}})));
  EXPECT_FALSE(GameMatches(Game({{White(2), "Bg5"}, {Black(3), "Nf6"}})));
  EXPECT_FALSE(GameMatches(Game({{White(2), "Nf6"}, {White(4), "Bg5"}})))
      << "a white Nf6 is not black's";

  // Three conditions must all hold.
  crit.cond[1] = "Kh1 < Qe1";
  crit.condRange[1][0] = 1;
  crit.condRange[1][1] = 20;
  Use(crit);
  EXPECT_FALSE(GameMatches(Game({{Black(2), "Nf6"}, {White(4), "Bg5"}})));
  EXPECT_TRUE(GameMatches(
      Game({{Black(2), "Nf6"}, {White(4), "Bg5"}, {White(8), "Kh1"}, {White(9), "Qe1"}})));
}

TEST_F(MatcherTest, NotationSequence) {
  Typed crit;
  crit.contains = "1.e4 e5 2.Nf3";
  crit.containsRange[0] = 1;
  crit.containsRange[1] = 2;
  Use(crit);
  EXPECT_EQ(RequiredSequence(criteria_), "e4 e5 Nf3");
  EXPECT_TRUE(GameMatches(Game({{1, "e4"}, {2, "e5"}, {3, "Nf3"}})));
  EXPECT_TRUE(GameMatches(Game({{1, "e4"}, {2, "e5"}, {3, "Nf3+"}})))
      << "the last word may be the head of a longer move";
  EXPECT_FALSE(GameMatches(Game({{1, "e4"}, {2, "e5!"}, {3, "Nf3"}})))
      << "a mark inside the run breaks it";
  EXPECT_FALSE(GameMatches(Game({{White(3), "e4"}, {Black(3), "e5"}, {White(4), "Nf3"}})))
      << "played from move 3: beyond the range";

  // At the very start of the game the range's end is not looked at.
  crit.containsRange[1] = 1;
  Use(crit);
  EXPECT_TRUE(GameMatches(Game({{1, "e4"}, {2, "e5"}, {3, "Nf3"}})));

  // A sequence that starts with black's move must start on a black ply.
  crit.contains = "1...e5 2.Nf3";
  crit.containsRange[0] = 1;
  crit.containsRange[1] = 5;
  Use(crit);
  EXPECT_TRUE(GameMatches(Game({{1, "e4"}, {2, "e5"}, {3, "Nf3"}})));

  // Black's move number as books write it, with the range it sets.
  crit.contains = "5...a6 6.Bg5 e6";
  crit.containsRange[0] = 5;
  crit.containsRange[1] = 6;
  Use(crit);
  EXPECT_EQ(RequiredSequence(criteria_), "a6 Bg5 e6");
  EXPECT_TRUE(GameMatches(Game({{Black(5), "a6"}, {White(6), "Bg5"}, {Black(6), "e6"}})));
  EXPECT_FALSE(GameMatches(Game({{Black(7), "a6"}, {White(8), "Bg5"}, {Black(8), "e6"}})));
}

TEST_F(MatcherTest, NotationSequenceLaterOccurrenceInsideTheRange) {
  Typed crit;
  crit.contains = "1.Nf3 Nf6";
  crit.containsRange[0] = 3;
  crit.containsRange[1] = 6;
  Use(crit);
  // The first occurrence lies before the range; the next one, at move 4, counts.
  EXPECT_TRUE(GameMatches(Game({{1, "Nf3"}, {2, "Nf6"}, {White(4), "Nf3"}, {Black(4), "Nf6"}})));
  EXPECT_FALSE(GameMatches(Game({{1, "Nf3"}, {2, "Nf6"}})));
}

TEST_F(MatcherTest, MovesSequence) {
  Typed crit;
  crit.notation = false;
  crit.contains = "Nf3 ..d5 c4";
  Use(crit);
  EXPECT_EQ(RequiredSequence(criteria_), "Nf3 d5 c4");
  EXPECT_TRUE(GameMatches(Game({{White(1), "c4"}, {Black(4), "d5"}, {White(7), "Nf3"}})))
      << "any order";
  EXPECT_FALSE(GameMatches(Game({{White(1), "c4"}, {Black(4), "d5"}, {White(16), "Nf3"}})))
      << "one move after the range";
  EXPECT_FALSE(GameMatches(Game({{White(1), "c4"}, {White(4), "d5"}, {White(7), "Nf3"}})))
      << "d5 must be black's";

  crit.contains = "e4 e4";  // listed twice: one play removes both entries
  Use(crit);
  EXPECT_TRUE(GameMatches(Game({{1, "e4"}})));

  crit.contains = "Nf3 ..";  // a bare mark matches nothing and is never removed
  Use(crit);
  EXPECT_FALSE(GameMatches(Game({{1, "Nf3"}})));

  crit.contains = "Rxe8+Qxe8x";  // longer than 9: never removed in full
  Use(crit);
  EXPECT_FALSE(GameMatches(Game({{1, "Rxe8+Qxe8x"}})));

  // White's d5 takes out the text of the black entry listed before it.
  crit.contains = "..d5 d5";
  Use(crit);
  EXPECT_FALSE(GameMatches(Game({{White(2), "d5"}, {Black(3), "d5"}})));
}

TEST_F(MatcherTest, LineBreaksInAMovesTextSeparateMovesAsBlanksDo) {
  const std::string game = Game({{1, "e4"}, {2, "e5"}, {3, "Nf3"}});
  struct Case {
    const char* contains;
    const char* without;
    bool passes;
  } cases[] = {
      {"e4 ..e5\nNf3", "", true},   {"e4 ..e5\r\nNf3\n", "", true},
      {"e4\n..e5\nNc3", "", false},  // Nc3 is still missing
      {"", "..c5\n..e5", false},    {"", "..c5\r\n..e6", true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::PrintToString(std::string(c.contains) + "|" + c.without));
    Typed crit;
    crit.notation = false;
    crit.contains = c.contains;
    crit.without = c.without;
    Use(crit);
    EXPECT_EQ(GameMatches(game), c.passes);
  }
  Criteria moves;
  moves.mustContainForm = SequenceForm::Moves;
  moves.mustContain = "e4 ..e5\nNf3";
  EXPECT_EQ(RequiredSequence(moves), "e4 e5 Nf3");
}

TEST_F(MatcherTest, MovesLeftIsRefilledForEveryGame) {
  Typed crit;
  crit.notation = false;
  crit.contains = "Nf3 c4";
  Use(crit);
  EXPECT_FALSE(GameMatches(Game({{1, "Nf3"}})));
  EXPECT_TRUE(GameMatches(Game({{1, "Nf3"}, {3, "c4"}})));
}

TEST_F(MatcherTest, Without) {
  Typed crit;
  crit.without = "..e6";
  Use(crit);
  EXPECT_FALSE(GameMatches(Game({{Black(15), "e6"}})));
  EXPECT_TRUE(GameMatches(Game({{Black(16), "e6"}})));
  EXPECT_TRUE(GameMatches(Game({{White(3), "e6"}})));
  crit.without = "O-O";  // plies match by prefix: O-O-O plays O-O too
  Use(crit);
  EXPECT_FALSE(GameMatches(Game({{White(9), "O-O-O"}})));
  crit.without = "Qh5 ..e6";
  Use(crit);
  EXPECT_FALSE(GameMatches(Game({{White(4), "Qh5+"}})));
}

TEST_F(MatcherTest, QuickTestLooksForWholeWordsInTheRawText) {
  Typed crit;
  crit.notation = false;
  crit.contains = "Bb5";
  crit.containsRange[1] = 99;
  Use(crit);
  // Found only inside a comment that starts right after "{": not a whole word.
  EXPECT_FALSE(GameMatches("1.e4 e5 {Bb5 was possible} 2.Nf3 *\r\n"));
  EXPECT_FALSE(GameMatches("1.e4 Bb5x 2.Nf3 *\r\n"));
  // After a blank inside the comment it is found, and the parse then decides.
  EXPECT_FALSE(GameMatches("1.e4 e5 { Bb5 was possible} 2.Nf3 *\r\n"));
  EXPECT_FALSE(GameMatches("1.e4 e5 2.Bb5# 1-0\r\n")) << "a # ends no whole word";
  EXPECT_TRUE(GameMatches("1.e4 e5 2.Bb5\r\n"));
}

TEST_F(MatcherTest, FaultyMoveTexts) {
  Typed crit;
  Use(crit);
  gameNumber_ = 7;
  EXPECT_TRUE(GameMatches("1.e4 e5 2.Nf3) 1-0\r\n"));
  ASSERT_EQ(dialogs_.messages.size(), 1u);
  EXPECT_EQ(dialogs_.messages[0], "Game 7: extra )/} found");

  EXPECT_TRUE(GameMatches("")) << "the empty last game passes with no words";
  EXPECT_EQ(dialogs_.messages.back(), "Game 7: null game");

  // With words to look for, a faulty game that lacks one is never parsed or reported.
  crit.notation = false;
  crit.contains = "Nf3";
  Use(crit);
  dialogs_.Clear();
  EXPECT_FALSE(GameMatches("1.e4 e5 2.Bc4) 1-0\r\n"));
  EXPECT_FALSE(GameMatches(""));
  EXPECT_TRUE(dialogs_.messages.empty());
}

TEST_F(MatcherTest, TwoMatchersKeepTheirOwnCriteria) {
  Typed najdorf;
  najdorf.contains = "1.e4 c5 2.Nf3 d6";
  Use(najdorf);
  ScriptedDialogs otherDialogs;
  Criteria other;
  other.without = "..c5";
  other.withoutRange = {1, 15};
  GameMatcher second(other, otherDialogs);
  const std::string sicilian = Game({{1, "e4"}, {2, "c5"}, {3, "Nf3"}, {4, "d6"}});
  const std::string french = Game({{1, "e4"}, {2, "e6"}, {3, "d4"}, {4, "d5"}});
  for (int round = 0; round < 2; ++round) {
    EXPECT_TRUE(GameMatches(sicilian));
    EXPECT_FALSE(second.Matches(sicilian, 1));
    EXPECT_FALSE(GameMatches(french));
    EXPECT_TRUE(second.Matches(french, 2));
  }
}

TEST(MatcherInputs, RequiredSequenceAndConditionWords) {
  Criteria c;
  c.mustContain = "1.e4 c5 2.Nf3 d6";
  EXPECT_EQ(RequiredSequence(c), "e4 c5 Nf3 d6");
  c.mustContainForm = SequenceForm::Moves;
  c.mustContain = "e4 ..c5 Nf3";
  EXPECT_EQ(RequiredSequence(c), "e4 c5 Nf3");
  c.mustContain.clear();
  EXPECT_EQ(RequiredSequence(c), "");
  c.conditions = {"Kh1 < Qe1", "", "..e5 < Nf3"};
  EXPECT_EQ(ConditionWords(c), "Kh1 Qe1 e5 Nf3");
  c.conditions = {"", "", ""};
  EXPECT_EQ(ConditionWords(c), "");
}

TEST(WholeWordAt, Boundaries) {
  struct Case {
    const char* text;
    const char* word;
    bool whole;
  } cases[] = {
      {"Nf3", "Nf3", true},         {"1.Nf3 e5", "Nf3", true},  {"e4\r\nNf3\r\n", "Nf3", true},
      {"Nf3!? e5", "Nf3", true},    {"Nf3+ e5", "Nf3", true},   {"Nf3# e5", "Nf3", false},
      {"(Nf3) e5", "Nf3", false},   {"Nf3, e5", "Nf3", false},  {"xNf3 e5", "Nf3", false},
      {"xNf3 Nf3 e5", "Nf3", true}, {"Nf33 Nf3?", "Nf3", true},
  };
  for (const auto& c : cases) {
    std::string text = c.text;
    int64_t pos = static_cast<int64_t>(text.find(c.word)) + 1;
    EXPECT_EQ(WholeWordAt(pos, c.word, text), c.whole) << c.text;
  }
}

}  // namespace

namespace {

// Where a passing game met the criteria: the latest of the moves that the Notation
// sequence ends on, the Moves form finds last and a condition's second move; empty with no
// criterion that locates a move.
TEST_F(MatcherTest, MatchedAtIsTheLastMoveACriterionLocated) {
  const std::map<int, std::string> moves = {
      {White(3), "Kh1"}, {Black(3), "Nf6"}, {White(5), "Qe1"}, {Black(8), "Kh8"}};
  Typed sequence;
  sequence.contains = "3.Kh1 Nf6";
  sequence.containsRange[0] = 3;
  sequence.containsRange[1] = 3;
  Typed movesForm;
  movesForm.contains = "..Kh8 Kh1";
  movesForm.notation = false;
  Typed condition;
  condition.cond[0] = "Kh1 < Qe1";
  Typed both = condition;
  both.contains = "..Nf6";
  both.notation = false;
  Typed without;
  without.without = "Qd1";
  const std::pair<Typed, std::string> cases[] = {
      {sequence, "3...Nf6"}, {movesForm, "8...Kh8"}, {condition, "5.Qe1"},
      {both, "5.Qe1"},       {without, ""},
  };
  for (const auto& [typed, at] : cases) {
    Use(typed);
    EXPECT_TRUE(GameMatches(Game(moves)));
    EXPECT_EQ(matcher_->MatchedAt(), at);
  }
}

}  // namespace
