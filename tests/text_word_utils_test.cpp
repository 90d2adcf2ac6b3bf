#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "text/word_utils.h"

using namespace kelvane;

namespace {

// Words of a text as the definition has them: maximal runs of bytes other than blank and tab.
std::vector<std::string> SplitWords(const std::string& s) {
  std::vector<std::string> words;
  std::string cur;
  for (char c : s) {
    if (c == ' ' || c == '\t') {
      if (!cur.empty()) words.push_back(cur);
      cur.clear();
    } else {
      cur += c;
    }
  }
  if (!cur.empty()) words.push_back(cur);
  return words;
}

std::string RandomText(std::mt19937& rng, size_t maxLen) {
  static const char kBytes[] = {' ', ' ', ' ', '\t', 'e', '4', 'N', '.', '<'};
  std::uniform_int_distribution<size_t> len(0, maxLen);
  std::uniform_int_distribution<size_t> pick(0, sizeof kBytes - 1);
  std::string s(len(rng), ' ');
  for (char& c : s) c = kBytes[pick(rng)];
  return s;
}

TEST(CharPosFrom, FindsFromStartOrGivesMinusOne) {
  struct Case {
    char c;
    int16_t start;
    const char* text;
    int expected;
  };
  const Case cases[] = {
      {'e', 1, "e4 e5", 1}, {'e', 0, "e4 e5", -1}, {'e', -3, "e4 e5", -1}, {'e', 2, "e4 e5", 4},
      {'5', 5, "e4 e5", 5}, {'e', 5, "e4 e5", -1}, {'e', 6, "e4 e5", -1},  {'x', 1, "e4 e5", -1},
      {' ', 1, "", -1},     {' ', 3, "e4 e5", 3},
  };
  for (const Case& c : cases)
    EXPECT_EQ(CharPosFrom(c.c, c.start, c.text), c.expected)
        << "'" << c.c << "' from " << c.start << " in \"" << c.text << "\"";
}

TEST(CharPosFrom, ReachesTheLastOfAFullText) {
  std::string s(254, 'a');
  s += 'b';
  EXPECT_EQ(CharPosFrom('b', 255, s), 255);
  EXPECT_EQ(CharPosFrom('b', 1, s), 255);
}

TEST(IsNormalized, FollowsTheNormalForm) {
  const std::pair<const char*, bool> cases[] = {
      {"", true},     {"e4", true},        {"e4 c5", true},   {"a", true},
      {" e4", false}, {"e4 ", false},      {"\te4", false},   {"e4\t", false},
      {" ", false},   {"e4  c5", false},   {"e4\tc5", false}, {"e4 \tc5", false},
      {"a b", true},  {"Kh1 < Qe1", true}, {"ab", true},      {"a\tb", false},
  };
  for (auto [text, expected] : cases)
    EXPECT_EQ(IsNormalized(text), expected) << "\"" << text << "\"";
}

// A text is normal exactly when CleanLine leaves it as it is, and CleanLine always gives a
// normal text with the same words.
TEST(IsNormalized, AgreesWithCleanLineOnRandomTexts) {
  std::mt19937 rng(7);
  for (int i = 0; i < 20000; ++i) {
    std::string s = RandomText(rng, 12);
    BoundedText t(s);
    CleanLine(t);
    ASSERT_TRUE(IsNormalized(t.view())) << "\"" << s << "\"";
    ASSERT_EQ(IsNormalized(s), t.str() == s) << "\"" << s << "\"";
    ASSERT_EQ(SplitWords(t.str()), SplitWords(s)) << "\"" << s << "\"";
  }
}

TEST(WordCountAndNthWord, ExampleWithTwoBlanks) {
  BoundedText text("e4  c5 Nf3");
  BoundedText word;
  EXPECT_EQ(WordCount(text), 3);
  NthWord(text, 2, word);
  EXPECT_EQ(word.str(), "c5");
  NthWord(text, 3, word);
  EXPECT_EQ(word.str(), "Nf3");
  NthWord(text, 4, word);
  EXPECT_EQ(word.str(), "");
  NthWord(text, 0, word);
  EXPECT_EQ(word.str(), "");
  NthWord(text, -1, word);
  EXPECT_EQ(word.str(), "");
  EXPECT_EQ(text.str(), "e4  c5 Nf3");
}

TEST(WordCountAndNthWord, BlanksOnlyAndEmpty) {
  for (const char* s : {"", "   ", "\t \t"}) {
    BoundedText text(s);
    BoundedText word("old");
    EXPECT_EQ(WordCount(text), 0);
    NthWord(text, 1, word);
    EXPECT_EQ(word.str(), "");
    EXPECT_EQ(text.str(), s);
  }
}

TEST(WordCountAndNthWord, MatchTheWordsOfRandomTexts) {
  std::mt19937 rng(11);
  for (int i = 0; i < 5000; ++i) {
    std::string s = RandomText(rng, 255);
    std::vector<std::string> words = SplitWords(s);
    BoundedText text(s);
    ASSERT_EQ(WordCount(text), static_cast<int>(words.size())) << "\"" << s << "\"";
    for (int n = 1; n <= static_cast<int>(words.size()) + 1; ++n) {
      BoundedText word;
      NthWord(text, n, word);
      ASSERT_EQ(word.str(), n <= static_cast<int>(words.size()) ? words[n - 1] : "")
          << "word " << n << " of \"" << s << "\"";
    }
    ASSERT_EQ(text.str(), s);
  }
}

TEST(NthWord, WordMayBeTheTextItself) {
  BoundedText text("e4 c5 Nf3");
  NthWord(text, 2, text);
  EXPECT_EQ(text.str(), "c5");
}

TEST(ReplaceFirst, Cases) {
  struct Case {
    const char* repl;
    const char* sought;
    const char* text;
    bool result;
    const char* after;
  };
  const Case cases[] = {
      {" ", "<", "Kh1 < Qe1", true, "Kh1   Qe1"},
      {" ", "<", "Kh1   Qe1", false, "Kh1   Qe1"},
      {"", "e4", "e4 e5", true, " e5"},
      {"Nf3", "e4", "d4 e4 e4", true, "d4 Nf3 e4"},
      {"x", "", "abc", false, "abc"},
      {"x", "a", "", false, ""},
      {"<", ">", "a > b > c", true, "a < b > c"},
      {"..", ".", "a.b", true, "a..b"},
  };
  for (const Case& c : cases) {
    BoundedText t(c.text);
    EXPECT_EQ(ReplaceFirst(c.repl, c.sought, t), c.result) << c.text;
    EXPECT_EQ(t.str(), c.after) << c.text;
  }
}

TEST(ReplaceFirst, GrowingPastTheLimitLosesTheEnd) {
  std::string s = std::string(250, 'a') + "<" + "bcd";  // 254 bytes
  BoundedText t(s);
  EXPECT_TRUE(ReplaceFirst("<=>", "<", t));
  EXPECT_EQ(t.size(), 255u);
  EXPECT_EQ(t.str(), std::string(250, 'a') + "<=>bc");
}

TEST(ReplaceFirst, FullTextWithSelfContainingReplacementBecomesMarker) {
  std::string s = "e4" + std::string(253, 'x');
  BoundedText t(s);
  EXPECT_FALSE(ReplaceFirst("e4 c5", "e4", t));
  EXPECT_EQ(t.str(), "***programmer error***");
}

TEST(ReplaceFirst, ReplaceAllLoopWithSelfContainingReplacementEnds) {
  BoundedText t("e4 e4");
  int calls = 0;
  while (ReplaceFirst("e4 c5", "e4", t)) ASSERT_LT(++calls, 1000);
  EXPECT_EQ(t.str(), "***programmer error***");
}

TEST(ReplaceFirst, OneByOneOnAFullTextStillReplaces) {
  const std::string full = std::string(254, 'a') + "<";
  BoundedText t(full);
  EXPECT_TRUE(ReplaceFirst(">", "<", t));
  EXPECT_EQ(t.str(), std::string(254, 'a') + ">");
  // A full text with a replacement that does not begin with the sought text is spliced.
  EXPECT_TRUE(ReplaceFirst("xy", "aa", t));
  EXPECT_EQ(t.str(), "xy" + std::string(252, 'a') + ">");
}

}  // namespace
