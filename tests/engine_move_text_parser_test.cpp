// Tests of the move-text parser: the clean-up routines, whole parses of edge cases and
// faults, hostile inputs, a generated-game property check and the real game files.
#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <functional>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "engine/header_criteria.h"
#include "engine/move_hash.h"
#include "engine/move_text_parser.h"
#include "test_support.h"
#include "text/clean_line.h"

using namespace kelvane;

namespace {

using namespace std::string_literals;  // "...\0..."s keeps embedded NULs

const std::string kExtra = "extra )/} found";
const std::string kOpen = "game ended in comment";
const std::string kNull = "null game";

struct Outcome {
  bool ok = false;
  std::vector<std::string> moves;
  std::vector<int32_t> offsets;
  std::string clean;
  std::string error;
  int32_t errorPos = -1;
};

// Parses text as the matcher does (with the clean text) and checks what must hold for every text:
// the source is untouched, a fault leaves no moves and no clean text, and every move's
// offset points at its text in the source.
Outcome ParseText(const std::string& text, bool wantCleanText = true) {
  MoveTextParser p(text, wantCleanText);
  Outcome o;
  try {
    p.Parse();
    o.ok = true;
  } catch (const MoveTextError& e) {
    EXPECT_EQ(e.what(), p.ErrorText);
    EXPECT_TRUE(p.Moves.empty());
    EXPECT_TRUE(p.CleanText.empty());
  }
  EXPECT_EQ(p.SourceText, text);
  for (const Move& m : p.Moves) {
    o.moves.emplace_back(m.Text());
    o.offsets.push_back(m.Offset);
    EXPECT_LE(m.TextLen, Move::kMaxText);
    EXPECT_EQ(text.compare(static_cast<size_t>(m.Offset), m.Text().size(), m.Text()), 0)
        << "offset " << m.Offset;
  }
  o.clean = p.CleanText;
  o.error = p.ErrorText;
  o.errorPos = p.ErrorPos;
  return o;
}

std::vector<std::string> Words(const std::string& s) {
  std::vector<std::string> out;
  size_t i = 0;
  while (i < s.size()) {
    while (i < s.size() && s[i] == ' ') ++i;
    const size_t start = i;
    while (i < s.size() && s[i] != ' ') ++i;
    if (i > start) out.push_back(s.substr(start, i - start));
  }
  return out;
}

std::string Join(const std::vector<std::string>& words) {
  std::string out;
  for (const std::string& w : words) out += (out.empty() ? "" : " ") + w;
  return out;
}

// --- Whole parses that succeed -----------------------------------------------------------

constexpr const char* kAnyClean = "\x01";  // clean text not checked (it keeps odd bytes)

struct GoodCase {
  const char* name;
  std::string text;
  std::vector<std::string> moves;
  std::string clean;               // kAnyClean: not checked
  std::vector<int32_t> offsets{};  // empty: not checked
};

TEST(MoveTextParser, GoodTexts) {
  const std::vector<GoodCase> cases = {
      {"worked example",
       "1.e4 e5 2.Nf3 {best} Nc6 (2...d6 3.d4) 3.Bb5 a6 $1 4.Ba4 1-0\r\n",
       {"e4", "e5", "Nf3", "Nc6", "Bb5", "a6", "Ba4"},
       "e4 e5 Nf3 Nc6 Bb5 a6 Ba4",
       {2, 5, 10, 21, 41, 45, 53}},
      {"star result removed",
       "1. e4 e5 2. Nf3 Nc6 3. Bb5 a6 *\r\n",
       {"e4", "e5", "Nf3", "Nc6", "Bb5", "a6"},
       "e4 e5 Nf3 Nc6 Bb5 a6"},
      // Both result loops stop at position 2, so a block of only a result keeps a move.
      {"only 1-0", "1-0\r\n", {"-"}, "-", {1}},
      {"only 0-1", "0-1\r\n", {"-"}, "-", {1}},
      {"only draw", "1/2-1/2\r\n", {"/"}, "/", {1}},
      {"only star", "*\r\n", {"*"}, "*", {0}},
      {"only 1-0 without line end", "1-0", {"-"}, "-"},
      {"annotation eats the glued move", "{$5}e4 d5", {"d5"}, "d5", {7}},
      {"annotation survives brackets", "e4 {c}$1{d}e5 d5", {"e4", "d5"}, "e4 d5"},
      {"annotation ends at a tab", "e4 $1\te5", {"e4", "e5"}, "e4 e5"},
      {"e.p. splits", "exd6e.p.", {"exd6e", "p"}, "exd6e p", {0, 6}},
      {"zero castling loses a zero", "e4 e5 0-0 Nf6", {"e4", "e5", "-0", "Nf6"}, "e4 e5 -0 Nf6"},
      {"letter castling kept", "e4 e5 O-O Nf6", {"e4", "e5", "O-O", "Nf6"}, "e4 e5 O-O Nf6"},
      {"marks kept", "1.d4 Nbxd7+!? 2.c4", {"d4", "Nbxd7+!?", "c4"}, "d4 Nbxd7+!? c4"},
      {"long word cut, clean whole",
       "1.e4 Qxe7+!?!?? 2.Nf3#",
       {"e4", "Qxe7+!?!?", "Nf3#"},
       "e4 Qxe7+!?!?? Nf3#"},
      {"white move number", "12.e4", {"e4"}, "e4", {3}},
      {"black move number", "12...Nf6", {"Nf6"}, "Nf6", {5}},
      {"tabs and line breaks split",
       "1.e4\te5\r\n2.Nf3\nNc6\rBb5",
       {"e4", "e5", "Nf3", "Nc6", "Bb5"},
       "e4 e5 Nf3 Nc6 Bb5"},
      {"brace closed by paren", "1.e4 {note) e5 (1...c5} 2.d4", {"e4", "e5", "d4"}, "e4 e5 d4"},
      {"nested variations", "e4 (d4 (c4 {x} (Nf3))) e5", {"e4", "e5"}, "e4 e5"},
      {"semicolon comment stays", "e4 ;note\r\ne5", {"e4", ";note", "e5"}, "e4 ;note e5"},
      {"result elsewhere stays", "1-0 e4", {"-0", "e4"}, "-0 e4"},
      {"any last word after - or / goes", "e4 b-1\r\n", {"e4"}, "e4"},
      {"glued result blanked back to position 2", "Nf31-0", {"Nf"}, "Nf"},
      {"result before NUL padding", "e4 1-0\0\0"s, {"e4"}, kAnyClean},
      {"single digit stays", "5", {"5"}, "5"},
      {"digits inside moves stay", "R1e2 Nf3 a8=Q# 0", {"R1e2", "Nf3", "a8=Q#"}, "R1e2 Nf3 a8=Q#"},
      {"vertical tab and form feed are not blanks", "e4\ve5\fd4", {"e4\ve5\fd4"}, "e4\ve5\fd4"},
      {"NUL ends the moves", "e4 e5\0d4 c5"s, {"e4", "e5"}, kAnyClean},
      {"NUL inside a word ends it",
       "e4 Nf\0"
       "3 d4"s,
       {"e4", "Nf"},
       kAnyClean},
      {"high bytes are move bytes",
       "e4 \xE9\xFF\x80 d4",
       {"e4", "\xE9\xFF\x80", "d4"},
       "e4 \xE9\xFF\x80 d4"},
  };
  for (const GoodCase& c : cases) {
    SCOPED_TRACE(c.name);
    const Outcome o = ParseText(c.text);
    ASSERT_TRUE(o.ok) << o.error;
    EXPECT_EQ(o.moves, c.moves);
    if (c.clean != kAnyClean) {
      EXPECT_EQ(o.clean, c.clean);
    }
    if (!c.offsets.empty()) {
      EXPECT_EQ(o.offsets, c.offsets);
    }
    EXPECT_EQ(o.error, "");
    EXPECT_EQ(o.errorPos, 0);
  }
}

// --- Faults ------------------------------------------------------------------------------

struct BadCase {
  const char* name;
  std::string text;
  std::string message;
  int32_t errorPos;
};

TEST(MoveTextParser, FaultyTexts) {
  const std::vector<BadCase> cases = {
      {"only a comment", "{only a comment}", kNull, 0},
      {"empty text", "", kNull, 0},
      {"blanks and line end only", "  \r\n", kNull, 0},
      {"move number only", "1.", kNull, 0},
      {"annotation only", "$1 $2\r\n", kNull, 0},
      {"NUL first", "\0e4 e5"s, kNull, 0},
      {"extra closing paren", "1.e4 e5 2.Nf3) 1-0", kExtra, 13},
      {"closing bracket first", "}e4", kExtra, 0},
      {"paren inside braces closes them", "{a) b} e4", kExtra, 5},
      {"only the first extra bracket counts", "e4 ) e5 ) (", kExtra, 3},
      {"open comment at the end", "1.e4 {open\r\n", kOpen, 11},
      {"open variations", "((((", kOpen, 3},
      {"unclosed one-character text", "(", kOpen, 0},
  };
  for (const BadCase& c : cases) {
    SCOPED_TRACE(c.name);
    const Outcome o = ParseText(c.text);
    ASSERT_FALSE(o.ok);
    EXPECT_EQ(o.error, c.message);
    EXPECT_EQ(o.errorPos, c.errorPos);
    EXPECT_TRUE(o.moves.empty());
  }
}

TEST(MoveTextParser, NotationErrorClampsThePosition) {
  MoveTextParser p("e4", false);
  const std::vector<std::pair<int64_t, int32_t>> cases = {
      {-5, 0}, {0, 0}, {1, 0}, {2, 1}, {int64_t{5} << 32, std::numeric_limits<int32_t>::max()}};
  for (const auto& [position, expected] : cases) {
    EXPECT_THROW(p.NotationError(position, "boom"), MoveTextError);
    EXPECT_EQ(p.ErrorPos, expected) << position;
    EXPECT_EQ(p.ErrorText, "boom");
  }
}

TEST(MoveTextParser, CleanTextOnlyWhenAskedFor) {
  {
    const Outcome o = ParseText("1.e4 e5", false);
    ASSERT_TRUE(o.ok);
    EXPECT_EQ(o.moves, (std::vector<std::string>{"e4", "e5"}));
    EXPECT_EQ(o.clean, "");
  }
  EXPECT_EQ(ParseText("1.e4 e5", true).clean, "e4 e5");
}

TEST(MoveTextParser, SplitMovesAppendsWordsByBlankOnly) {
  MoveTextParser p("");
  p.SplitMoves("  e4  e5\tx ");
  ASSERT_EQ(p.Moves.size(), 2u);
  EXPECT_EQ(p.Moves[0].Offset, 2);
  EXPECT_EQ(p.Moves[1].Text(), "e5\tx");
  EXPECT_EQ(p.Moves[1].Offset, 6);
  EXPECT_THROW(p.SplitMoves("   "), MoveTextError);
  EXPECT_EQ(p.ErrorText, kNull);
}

// --- The clean-up routines on their own --------------------------------------------------

struct BlankCase {
  std::string in;
  std::string out;
};

TEST(BlankResult, RemovesOnlyTheFinalResult) {
  const std::vector<BlankCase> cases = {
      {"", ""},
      {"1", "1"},
      {"-1", "-1"},  // both loops stop at position 2
      {"x-1", "x- "},
      {"1-0\r\n", "1- \r\n"},
      {"*\r\n", "*\r\n"},
      {"*", " "},
      {"e4 *", "e4  "},
      {"e4 * \t", "e4   \t"},
      {"e4 1/2-1/2\r\n", "e4        \r\n"},
      {"e4 e5", "e4 e5"},
      {"e4 1-", "e4 1-"},
      {"e4 3", "e4 3"},  // a digit alone is not a result
      {"e4 1-0\0"s, "e4    \0"s},
      {"1-0 e4", "1-0 e4"},
  };
  for (const BlankCase& c : cases) {
    std::string w = c.in;
    BlankResult(w.data(), w.size());
    EXPECT_EQ(w, c.out) << "in: " << c.in;
  }
}

TEST(BlankMoveNumbers, RemovesNumbersAndPeriods) {
  const std::vector<BlankCase> cases = {
      {"", ""},
      {"5", "5"},  // the last byte is never touched by the leading step
      {"12", "  "},
      {"12.e4", "   e4"},
      {"12...Nf6", "     Nf6"},
      {"1.e4 e5 2.Nf3", "  e4 e5   Nf3"},
      {"e4 R1e2 Nf3", "e4 R1e2 Nf3"},
      {"0-0", " -0"},
      {"e4 0-0-0", "e4  -0-0"},
      {"e4 3", "e4  "},
      {"a.b", "a b"},
      {"e4 x3", "e4 x3"},
      {"e4\t12", "e4\t12"},  // only the blank is a separator here
  };
  for (const BlankCase& c : cases) {
    std::string w = c.in;
    BlankMoveNumbers(w.data(), w.size());
    EXPECT_EQ(w, c.out) << "in: " << c.in;
  }
}

TEST(BlankComments, BlanksAndReportsTheDepth) {
  struct Case {
    std::string in;
    std::string out;
    int64_t depth;
    size_t position;
  };
  const std::vector<Case> cases = {
      {"", "", 0, 0},
      {"a\tb\nc\rd", "a b c d", 0, 7},
      {"a\v\fb", "a\v\fb", 0, 4},
      {"e4 {x} e5", "e4     e5", 0, 9},
      {"(a", "  ", 1, 2},
      {"a)b(", "a b(", -1, 2},  // stops at once: the rest is left as it is
      {"{a) b}", "    b ", -1, 6},
      {"$12x e4", "     e4", 0, 7},
  };
  for (const Case& c : cases) {
    std::string w = c.in;
    size_t position = 99;
    EXPECT_EQ(BlankComments(w.data(), w.size(), position), c.depth) << c.in;
    EXPECT_EQ(position, c.position) << c.in;
    EXPECT_EQ(w, c.out) << c.in;
  }
}

// --- Hostile and large inputs ------------------------------------------------------------

TEST(MoveTextParser, DeeplyNestedBrackets) {
  const std::string open(10000, '('), close(10000, ')');
  const Outcome ok = ParseText("e4 " + open + "x" + close + " e5");
  ASSERT_TRUE(ok.ok);
  EXPECT_EQ(ok.moves, (std::vector<std::string>{"e4", "e5"}));

  const Outcome unclosed = ParseText("e4 " + open);
  EXPECT_EQ(unclosed.error, kOpen);
  EXPECT_EQ(unclosed.errorPos, 10002);

  const Outcome extra = ParseText("e4 " + open + close + ")");
  EXPECT_EQ(extra.error, kExtra);
  EXPECT_EQ(extra.errorPos, 20003);
}

TEST(MoveTextParser, MegabyteComment) {
  std::string comment;
  while (comment.size() < (1u << 20)) comment += "12. e4 $1 (x) long words ";
  const std::string text = "1.e4 {" + comment + "} e5\r\n";
  const Outcome o = ParseText(text);
  ASSERT_TRUE(o.ok);
  EXPECT_EQ(o.moves, (std::vector<std::string>{"e4", "e5"}));
  EXPECT_EQ(o.offsets.back(), static_cast<int32_t>(text.size() - 4));
}

// Texts far beyond 65,535 bytes are processed whole: move numbers are stripped to the end.
TEST(MoveTextParser, LongGameIsProcessedWhole) {
  std::string text;
  std::vector<std::string> expected;
  for (int n = 1; text.size() < 3'000'000; ++n) {
    text += std::to_string(n) + ".Nf3 Nc6 ";
    expected.push_back("Nf3");
    expected.push_back("Nc6");
  }
  text += "1/2-1/2\r\n";
  const Outcome o = ParseText(text);
  ASSERT_TRUE(o.ok);
  ASSERT_EQ(o.moves.size(), expected.size());
  EXPECT_EQ(o.moves, expected);
  EXPECT_EQ(o.clean, Join(expected));
  EXPECT_EQ(o.offsets.back(), static_cast<int32_t>(text.size() - 9 - 4));
}

TEST(MoveTextParser, BinaryDataNeverCrashes) {
  std::mt19937 rng(20240607);
  for (int round = 0; round < 40; ++round) {
    std::string text(round == 0 ? 4'000'000 : 20'000 + round * 997, '\0');
    for (char& c : text) c = static_cast<char>(rng() & 0xFF);
    if (round % 3 == 1) {
      // Mostly printable, with few brackets, so that some texts do parse.
      const std::string alphabet = "abcdefgh12345678NBRQKOx+#!?.- \t\r\n$*{}()\0\v"s;
      for (char& c : text) c = alphabet[rng() % (alphabet.size() - (rng() % 9 ? 6 : 0))];
    }
    SCOPED_TRACE(round);
    const Outcome o = ParseText(text);
    if (!o.ok) {
      EXPECT_TRUE(o.error == kExtra || o.error == kOpen || o.error == kNull) << o.error;
      EXPECT_LT(o.errorPos, static_cast<int32_t>(std::max<size_t>(text.size(), 1)));
    } else {
      EXPECT_FALSE(o.moves.empty());
    }
  }
}

// --- Property: on generated games the moves are exactly the words of the clean text -------

// Builds a random game text and the moves that it holds, from tokens the way games are
// written: move numbers, moves with marks, comments, nested variations, annotation codes,
// mixed separators and a final result.
struct Generated {
  std::string text;
  std::vector<std::string> moves;
};

Generated Generate(std::mt19937& rng) {
  static const std::vector<std::string> pool = {
      "e4",    "d5",         "exd5",      "Nf3",       "Nbd7", "O-O", "O-O-O",
      "Qxe7+", "Nbxd7+!?",   "a8=Q#",     "R1e2",      "Kh1",  "c5!", "Bb5??",
      "Rxh7#", "Qxe7+!?!??", "Nf3xe5+!!", "gxh8=N+?!", "Rae1", "b3!?"};
  static const std::vector<std::string> seps = {" ", "  ", "\t", "\r\n", "\n", " \r\n "};
  static const std::vector<std::string> results = {"1-0", "0-1", "1/2-1/2", "*"};
  auto pick = [&rng](const std::vector<std::string>& v) -> const std::string& {
    return v[rng() % v.size()];
  };
  // A comment or variation whose inner text may hold anything but brackets of its own
  // unless nested, including "$" codes, numbers, periods and move-like words.
  std::function<std::string(int)> aside = [&](int depth) {
    std::string s = (rng() % 2) ? "{" : "(";
    const int n = static_cast<int>(rng() % 5);
    for (int i = 0; i < n; ++i) {
      switch (rng() % 6) {
        case 0:
          s += pick(pool);
          break;
        case 1:
          s += "$" + std::to_string(rng() % 200);
          break;
        case 2:
          s += std::to_string(rng() % 60) + "...";
          break;
        case 3:
          if (depth < 4) s += aside(depth + 1);
          break;
        case 4:
          s += "; text, more 1-0 *";
          break;
        default:
          s += pick(seps);
          break;
      }
      s += pick(seps);
    }
    s += (rng() % 2) ? "}" : ")";
    return s;
  };

  Generated g;
  const int plies = 1 + static_cast<int>(rng() % 40);
  const bool blackFirst = rng() % 4 == 0;
  for (int i = 0; i < plies; ++i) {
    const int ply = i + (blackFirst ? 1 : 0);
    const std::string number = std::to_string(ply / 2 + 1);
    if (ply % 2 == 0) {
      g.text += number + ((rng() % 2) ? "." : ". ");
    } else if (i == 0 || rng() % 3 == 0) {
      g.text += number + ((rng() % 2) ? "..." : "... ");
    }
    const std::string& move = pick(pool);
    g.text += move;
    g.moves.push_back(move);
    g.text += pick(seps);
    if (rng() % 4 == 0) g.text += "$" + std::to_string(rng() % 140) + pick(seps);
    if (rng() % 4 == 0) g.text += aside(0) + pick(seps);
  }
  if (rng() % 5 != 0) g.text += pick(results);
  if (rng() % 2) g.text += "\r\n";
  return g;
}

TEST(MoveTextParser, GeneratedGamesMovesEqualCleanTextWords) {
  std::mt19937 rng(12345);
  for (int round = 0; round < 3000; ++round) {
    const Generated g = Generate(rng);
    SCOPED_TRACE(g.text);
    const Outcome o = ParseText(g.text);
    ASSERT_TRUE(o.ok) << o.error;
    const std::vector<std::string> words = Words(o.clean);
    EXPECT_EQ(words, g.moves);
    EXPECT_EQ(o.clean, Join(g.moves));  // single blanks, none at either end
    ASSERT_EQ(o.moves.size(), words.size());
    for (size_t i = 0; i < words.size(); ++i) {
      EXPECT_EQ(o.moves[i], words[i].substr(0, 9));
      EXPECT_EQ(g.text.compare(static_cast<size_t>(o.offsets[i]), words[i].size(), words[i]), 0);
    }
  }
}

// --- The real game files -----------------------------------------------------------------

// The move-text blocks of a game file, each as the game reader hands them on: the block's
// lines cleaned and each followed by CR LF. Blocks are runs of non-empty lines; those whose
// first line begins with "[" are tag blocks and left out.
std::vector<std::string> MoveTextBlocks(const std::string& file) {
  std::vector<std::string> blocks;
  std::string block;
  bool tags = false;
  bool inBlock = false;
  size_t i = 0;
  while (i <= file.size()) {
    size_t end = file.find_first_of("\r\n", i);
    if (end == std::string::npos) end = file.size();
    std::string line = file.substr(i, end - i);
    CleanLine(line);
    if (line.empty()) {
      if (inBlock && !tags) blocks.push_back(block);
      block.clear();
      inBlock = false;
    } else {
      if (!inBlock) tags = line[0] == '[';
      inBlock = true;
      block += line + "\r\n";
    }
    if (end < file.size() && file[end] == '\r' && end + 1 < file.size() && file[end + 1] == '\n')
      ++end;
    i = end + 1;
  }
  if (inBlock && !tags) blocks.push_back(block);
  return blocks;
}

TEST(MoveTextParser, CorpusGamesParseOrFailWithKnownFaults) {
  const std::string dir = CorpusDir();
  if (dir.empty()) GTEST_SKIP() << "no corpus folder";
  size_t parsed = 0, faulty = 0;
  for (const auto& entry : std::filesystem::directory_iterator(dir)) {
    if (entry.path().extension() != ".pgn") continue;
    const std::string name = entry.path().filename().string();
    SCOPED_TRACE(name);
    const std::vector<std::string> blocks = MoveTextBlocks(ReadFile(entry.path().string()));
    EXPECT_FALSE(blocks.empty());
    for (const std::string& block : blocks) {
      SCOPED_TRACE(block);
      const Outcome o = ParseText(block);
      if (!o.ok) {
        ++faulty;
        EXPECT_TRUE(o.error == kExtra || o.error == kOpen || o.error == kNull) << o.error;
        EXPECT_NE(name, "mate-in-2.pgn");  // short, clean games: every one parses
        continue;
      }
      ++parsed;
      const std::vector<std::string> words = Words(o.clean);
      ASSERT_EQ(words.size(), o.moves.size());
      for (size_t k = 0; k < words.size(); ++k) {
        EXPECT_EQ(o.moves[k], words[k].substr(0, 9));
        // No move number, period, bracket or result survives in a move.
        EXPECT_EQ(words[k].find_first_of(".{}()$"), std::string::npos) << words[k];
        EXPECT_TRUE(words[k].find_first_not_of("0123456789") != std::string::npos);
      }
    }
  }
  EXPECT_GE(parsed, 166u);
  // The zugzwang file's comment with an empty line in it splits into two faulty blocks.
  EXPECT_GE(faulty, 2u);
}

}  // namespace

// Parse splits and normalises in one pass; the result must be byte for byte what the
// separate steps give: move numbers blanked, words split at blanks, the text cleaned.
TEST(MoveTextParser, OnePassSplitEqualsTheSeparateSteps) {
  std::mt19937 rng(20261207);
  const std::string alphabet = "   ....0123456789eNfx+-O#!?=Q\t\r\n(){}$;\x0b\x80";
  for (int round = 0; round < 20000; ++round) {
    std::string text;
    size_t n = rng() % 200;
    if (round % 50 == 0) n += 3000;  // long texts cross many 64-byte blocks
    for (size_t i = 0; i < n; ++i) text += alphabet[rng() % alphabet.size()];

    MoveTextParser fused(text);
    std::string fusedError;
    try {
      fused.Parse();
    } catch (const MoveTextError& e) {
      fusedError = e.what();
    }

    std::string w = text;
    std::string literalError;
    MoveTextParser literal("");
    std::string cleaned;
    BlankResult(w.data(), w.size());
    size_t position = 0;
    int64_t depth = BlankComments(w.data(), w.size(), position);
    if (depth < 0) {
      literalError = "extra )/} found";
    } else if (depth > 0) {
      literalError = "game ended in comment";
    } else {
      BlankMoveNumbers(w.data(), w.size());
      try {
        literal.SplitMoves(w);
        cleaned = w;
        CleanLine(cleaned);
      } catch (const MoveTextError& e) {
        literalError = e.what();
      }
    }
    ASSERT_EQ(fusedError, literalError) << text;
    if (!literalError.empty()) continue;
    ASSERT_EQ(fused.CleanText, cleaned) << text;
    ASSERT_EQ(fused.Moves.size(), literal.Moves.size()) << text;
    for (size_t i = 0; i < fused.Moves.size(); ++i) {
      ASSERT_EQ(fused.Moves[i].Offset, literal.Moves[i].Offset) << text;
      ASSERT_EQ(fused.Moves[i].Text(), literal.Moves[i].Text()) << text;
      ASSERT_EQ(std::string(fused.Moves[i].MoveText, Move::kMaxText),
                std::string(literal.Moves[i].MoveText, Move::kMaxText))
          << "bytes past the move are NULs";
    }
  }
}

// The comment step, written out byte by byte as it is defined; the parser's own version
// skips and blanks whole blocks and must leave exactly the same bytes and report.
int64_t PlainBlankComments(std::string& w, size_t& position) {
  int64_t depth = 0;
  bool annotation = false;
  for (size_t i = 0; i < w.size(); ++i) {
    if (w[i] == '\t' || w[i] == '\n' || w[i] == '\r') w[i] = ' ';
    char c = w[i];
    if (c == ' ') annotation = false;
    if (c == '(' || c == '{') ++depth;
    if (c == ')' || c == '}') {
      w[i] = ' ';
      --depth;
    }
    if (c == '$') annotation = true;
    if (annotation || depth > 0) w[i] = ' ';
    if (depth < 0) {
      position = i + 1;
      return depth;
    }
  }
  position = w.size();
  return depth;
}

TEST(BlankComments, BlockwiseEqualsByteByByte) {
  std::mt19937 rng(7);
  // Long comments and move stretches, so that blocks of 16 start and end everywhere.
  const std::string pieces[] = {"{",  "}",    "(",  ")",  "$",    "$12", " ",
                                "\t", "\r\n", "\n", "e4", "Nf3+", "12.", "abcdefghijklmnopq",
                                "x",  "\x0b"};
  for (int round = 0; round < 20000; ++round) {
    std::string text;
    size_t n = rng() % 120;
    for (size_t i = 0; i < n; ++i) {
      const std::string& p = pieces[rng() % std::size(pieces)];
      // Few closing brackets, so that many texts stay balanced or open.
      if ((p == "}" || p == ")") && rng() % 3) continue;
      text += p;
    }
    std::string blockwise = text, plain = text;
    size_t posBlockwise = 0, posPlain = 0;
    int64_t depthBlockwise = BlankComments(blockwise.data(), blockwise.size(), posBlockwise);
    int64_t depthPlain = PlainBlankComments(plain, posPlain);
    ASSERT_EQ(depthBlockwise, depthPlain) << text;
    ASSERT_EQ(posBlockwise, posPlain) << text;
    ASSERT_EQ(blockwise, plain) << text;
  }
}

// A parse that leaves out the moves, the normalised text or both finds the same faults, and
// what it builds is what the whole parse builds.
TEST(MoveTextParser, PartialParsesAgreeWithTheWholeParse) {
  std::mt19937 rng(20261208);
  const std::string alphabet = "   ....0123456789eNfx+-O#!?=Q\t\r\n(){}$;\x80";
  for (int round = 0; round < 20000; ++round) {
    std::string text;
    const size_t n = rng() % (round % 20 == 0 ? 400 : 40);
    for (size_t i = 0; i < n; ++i) text += alphabet[rng() % alphabet.size()];
    if (round % 7 == 0 && !text.empty()) text[rng() % text.size()] = '\0';
    MoveTextParser whole(text);
    std::string wholeFault;
    try {
      whole.Parse();
    } catch (const MoveTextError& e) {
      wholeFault = e.what();
    }
    for (bool clean : {false, true}) {
      MoveTextParser part(text, clean, false);
      std::string fault;
      try {
        part.Parse();
      } catch (const MoveTextError& e) {
        fault = e.what();
      }
      ASSERT_EQ(fault, wholeFault) << text;
      EXPECT_EQ(part.ErrorPos, whole.ErrorPos) << text;
      if (clean) {
        EXPECT_EQ(part.CleanText, whole.CleanText) << text;
      }
      // No room is taken for the moves, and none is filled.
      EXPECT_EQ(part.Moves.capacity(), 0u) << text;
    }
  }
}

// A game's move list is the one big allocation of a parse: it is taken whole before Parse
// (a shortage must not look like a fault of the game), so it never grows during the parse.
TEST(MoveTextParser, RoomForEveryMoveIsTakenBeforeTheParse) {
  static_assert(sizeof(Move) <= 16, "a long game holds millions of moves");
  std::mt19937 rng(11);
  const std::string pieces[] = {"e4", " ",  ".",    "12.", "1", "{c d}", "(", ")", "$3", "\t", "\n",
                                "a",  "b5", "Nf3+", "1-0", "*", "0",     "}", "9", "..", "\0"s};
  for (int round = 0; round < 400; ++round) {
    std::string text;
    // Long texts are counted, short ones given the simple bound; both are tried.
    const size_t n = round % 4 == 0 ? rng() % 4000 : 4000 + rng() % 12000;
    while (text.size() < n) {
      const std::string& p = pieces[rng() % std::size(pieces)];
      if ((p == "}" || p == ")") && rng() % 4) continue;
      if (p == "\0"s && rng() % 8) continue;
      text += p;
    }
    MoveTextParser parser(text);
    const size_t room = parser.Moves.capacity();
    EXPECT_GE(room, MovesAtMost(text));
    try {
      parser.Parse();
    } catch (const MoveTextError&) {
    }
    ASSERT_EQ(parser.Moves.capacity(), room) << "the move list grew: " << text;
  }
  // The count of a long text comes close to its moves.
  std::string dense;
  for (int k = 1; dense.size() < 100000; ++k) dense += std::to_string(k) + ".e4 e5 ";
  MoveTextParser parser(dense);
  parser.Parse();
  EXPECT_EQ(MovesAtMost(dense), parser.Moves.size() + 1);
}

// The key values and the count a parse takes along in its split, by whichever of its loops:
// the values are those of the moves of the normalised text taken one by one (long moves,
// moves at the text's end, long games and moves cut by a NUL included), and the count is
// CountPlies's wherever the text holds no ";" or "%" (and is more than one byte).
TEST(MoveTextParser, KeyValuesAndCountTakenAlongAgreeWithTheMoves) {
  std::mt19937 rng(8);
  const std::string pieces[] = {"e4",
                                "Nxf3+",
                                "O-O",
                                "0-0-0",
                                "e8Q",
                                "e8=Q#",
                                "exd5!?",
                                "12.",
                                "3...",
                                " ",
                                "\r\n",
                                "$12",
                                "{c (d) 1. e4}",
                                "(1... c5 d6)",
                                "Nbd7xe5Qa",
                                "a1b2c3d4e5f6g7h8",
                                "!!",
                                "+",
                                "0-0+",
                                "e1N#",
                                ";",
                                "%",
                                "1-0",
                                "*",
                                "\0"s,
                                "7",
                                std::string(70, 'b') + "8Q+"};
  const auto finish = [](Hash128 h, uint32_t plies) {
    h.Add(plies);
    uint64_t out[2];
    h.Finish(out);
    return std::array<uint64_t, 2>{out[0], out[1]};
  };
  const auto hashOf = [&](const MoveValues& values) {
    return finish(values.State(), values.Plies());
  };
  for (int round = 0; round < 20000; ++round) {
    std::string text;
    // Some long enough for more values than are gathered before they are hashed.
    const size_t n = rng() % (round % 100 == 0 ? 1500 : round % 10 == 0 ? 80 : 12);
    for (size_t i = 0; i < n; ++i) {
      const std::string& p = pieces[rng() % std::size(pieces)];
      if (p == "\0"s && rng() % 4) continue;
      text += p;
      if (rng() % 3) text += ' ';
    }
    MoveTextParser whole(text);
    MoveValues alongWhole, alone;
    whole.Values = &alongWhole;
    whole.CountMoves = true;
    MoveTextParser part(text, false, false);
    part.Values = &alone;
    part.CountMoves = true;
    bool faulty = false;
    try {
      whole.Parse();
    } catch (const MoveTextError&) {
      faulty = true;
    }
    try {
      part.Parse();
      ASSERT_FALSE(faulty) << text;
    } catch (const MoveTextError&) {
      ASSERT_TRUE(faulty) << text;
    }
    if (faulty) continue;
    // The moves one by one, as the normalised text holds them whole.
    MoveTextParser clean(text, true, false);
    clean.Parse();
    std::vector<uint64_t> values(4 * clean.CleanText.size() + 16);
    uint64_t* at = values.data();
    uint32_t plies = 0;
    const std::string& c = clean.CleanText;
    for (size_t i = 0; i < c.size();) {
      const size_t end = std::min(c.find(' ', i), c.size());
      const size_t added = MoveValuesOf(c.data() + i, end - i, false, at);
      at += added;
      plies += added > 0;
      i = end + 1;
    }
    Hash128 reference;
    reference.AddAll(values.data(), static_cast<size_t>(at - values.data()));
    EXPECT_EQ(hashOf(alone), hashOf(alongWhole)) << text;
    if (std::memchr(text.data(), '\0', text.size()) == nullptr) {
      EXPECT_EQ(hashOf(alone), finish(reference, plies)) << text;
      // Counted wherever CountPlies reads the text as the parser does, and then the same.
      if (text.find_first_of(";%") == std::string::npos && text.size() > 1) {
        EXPECT_GE(part.CountedPlies, 0) << text;
      }
      if (part.CountedPlies >= 0) {
        EXPECT_EQ(part.CountedPlies, CountPlies(text)) << text;
      }
      EXPECT_EQ(whole.CountedPlies, part.CountedPlies) << text;
    }
  }
}
