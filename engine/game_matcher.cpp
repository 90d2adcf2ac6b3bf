#include "engine/game_matcher.h"

#include <algorithm>
#include <string>
#include <vector>

#include "engine/move_text_parser.h"
#include "engine/scan_run.h"
#include "platform/dialogs.h"
#include "settings/settings.h"
#include "text/bounded_text.h"
#include "text/word_utils.h"

namespace kelvane {

namespace {

constexpr size_t kWordCut = 9;

// A criterion word as the plies see it: "..e6" names black's e6, "Nf3" white's Nf3.
struct CriterionWord {
  bool black;
  std::string_view move;  // empty: matches nothing
};

CriterionWord Interpret(std::string_view word) {
  word = word.substr(0, kWordCut);
  if (!word.empty() && word[0] == '.') return {true, word.size() > 2 ? word.substr(2) : ""};
  return {false, word};
}

bool MatchesPly(const CriterionWord& w, int ply, std::string_view moveText) {
  if (w.move.empty() || w.black != (ply % 2 == 0)) return false;
  return moveText.substr(0, w.move.size()) == w.move;
}

// Highest ply of the range for the word's colour; lowest likewise.
int64_t HighPly(const CriterionWord& w, int32_t to) {
  return w.black ? 2LL * to : 2LL * to - 1;
}
int64_t LowPly(const CriterionWord& w, int32_t from) {
  return w.black ? 2LL * from : 2LL * from - 1;
}

bool InRange(const CriterionWord& w, int ply, int32_t from, int32_t to) {
  return ply >= LowPly(w, from) && ply <= HighPly(w, to);
}

bool BeforeRange(int ply, int32_t from) {
  return ply < 2LL * from - 1;
}
bool AfterRange(int ply, int32_t to) {
  return ply > 2LL * to + 1;
}

// The quick test's word list, split once for as long as its two sources stay the same.
struct QuickWords {
  std::string sequence;
  std::string condWords;
  bool built = false;
  std::string list;
  std::vector<std::string_view> words;
};

const std::vector<std::string_view>& QuickTestWords() {
  static QuickWords cache;
  const std::string& seq = IniValues.ReqSequence;
  const std::string& cond = IniValues.CondWords;
  if (!cache.built || cache.sequence != seq || cache.condWords != cond) {
    cache.sequence = seq;
    cache.condWords = cond;
    cache.built = true;
    // A list of any length is used whole.
    cache.list = cond.empty() ? seq : seq + " " + cond;
    cache.words.clear();
    const std::string& l = cache.list;
    for (size_t i = 0; i < l.size();) {
      while (i < l.size() && l[i] == ' ') ++i;
      size_t start = i;
      while (i < l.size() && l[i] != ' ') ++i;
      if (i > start) cache.words.emplace_back(l.data() + start, i - start);
    }
  }
  return cache.words;
}

}  // namespace

bool GameMatches(const std::string& moveText) {
  const auto& words = QuickTestWords();
  // From the last word to the first: the first missing word ends the test.
  for (auto it = words.rbegin(); it != words.rend(); ++it) {
    int64_t pos = static_cast<int64_t>(moveText.find(*it)) + 1;
    if (pos == 0 || !WholeWordAt(pos, *it, moveText)) return false;
  }
  return TestGame(moveText);
}

bool WholeWordAt(int64_t position, std::string_view word, std::string_view text) {
  while (position > 0) {
    size_t start = static_cast<size_t>(position - 1);
    size_t end = start + word.size();
    bool startWhole =
        start == 0 || text[start - 1] == '\n' || text[start - 1] == ' ' || text[start - 1] == '.';
    bool endWhole = end >= text.size() || text[end] == '\r' || text[end] == ' ' ||
                    text[end] == '!' || text[end] == '+' || text[end] == '?';
    if (startWhole && endWhole) return true;
    position = static_cast<int64_t>(text.find(word, static_cast<size_t>(position))) + 1;
  }
  return false;
}

bool TestGame(const std::string& moveText) {
  bool pass = true;
  bool condDone[3] = {true, true, true};
  bool condFirst[3] = {false, false, false};
  bool condSecond[3] = {false, false, false};
  bool seqDone = true;
  bool withoutDone = true;
  MoveTextParser parser(0, -1, 0, 1, moveText);
  try {
    parser.Parse();
    if (IniValues.RadNota) pass = TestNotationSequence(IniValues.ReqSequence, parser.CleanText);
    for (int k = 0; k < 3; ++k)
      if (!IniValues.Strings[7 + k].empty()) condDone[k] = false;
    if (!IniValues.RadNota && !IniValues.Strings[10].empty()) {
      IniValues.MovesLeft.assign(IniValues.Strings[10]);
      seqDone = false;
    }
    if (!IniValues.Strings[11].empty()) withoutDone = false;
    if (pass) {
      int plies = static_cast<int>(parser.Moves.size());
      for (int p = 1; p <= plies; ++p) {
        std::string_view move = parser.Moves[p - 1].Text();
        for (int k = 0; k < 3; ++k)
          if (!condDone[k])
            TestCondition(k + 1, p, move, condDone[k], condFirst[k], condSecond[k], pass);
        if (!seqDone) TestMovesSequence(p, move, seqDone, pass);
        if (!withoutDone) TestWithout(p, move, withoutDone, pass);
        if (!pass || (condDone[0] && condDone[1] && condDone[2] && seqDone && withoutDone)) break;
      }
    }
  } catch (const std::exception&) {
    // A faulty game is reported and then decided by the flags as they stand.
    dialogs().ShowNotice("Game " + std::to_string(GamesRead + 1) + ": " + parser.ErrorText);
  }
  return pass && condDone[0] && condDone[1] && condDone[2] && seqDone;
}

bool TestNotationSequence(std::string_view seq, std::string_view text) {
  if (seq.empty()) return true;
  int64_t q = static_cast<int64_t>(text.find(seq)) + 1;
  if (q == 0) return false;
  const int64_t from = IniValues.Integers[6];
  const int64_t to = IniValues.Integers[7];
  if (q == 1 && from <= 1) return true;
  const int64_t seqBlanks = std::count(seq.begin(), seq.end(), ' ');
  int64_t blanksBefore = 0;  // blanks in text before q, counted as q moves on
  size_t counted = 0;
  for (;;) {
    for (; counted < static_cast<size_t>(q - 1); ++counted)
      if (text[counted] == ' ') ++blanksBefore;
    int64_t first = 1 + blanksBefore;
    int64_t last = first + seqBlanks;
    int64_t low = first % 2 ? 2 * from - 1 : 2 * from;
    int64_t high = last % 2 ? 2 * to - 1 : 2 * to;
    if (first >= low) return last <= high;
    q = static_cast<int64_t>(text.find(seq, static_cast<size_t>(q))) + 1;
    if (q == 0) return false;
  }
}

void TestCondition(int k, int ply, std::string_view moveText, bool& condDone, bool& condFirst,
                   bool& condSecond, bool& pass) {
  if (!pass) return;
  const int32_t lo = IniValues.Integers[2 * (k - 1)];
  const int32_t hi = IniValues.Integers[2 * (k - 1) + 1];
  if (BeforeRange(ply, lo) || AfterRange(ply, hi)) return;
  BoundedText condition(IniValues.Strings[6 + k]);
  BoundedText first, second;
  NthWord(condition, 1, first);
  NthWord(condition, 3, second);
  CriterionWord w1 = Interpret(first.view());
  CriterionWord w3 = Interpret(second.view());
  if (MatchesPly(w1, ply, moveText) && InRange(w1, ply, lo, hi)) condFirst = true;
  if (MatchesPly(w3, ply, moveText) && InRange(w3, ply, lo, hi)) condSecond = true;
  if (condSecond) {
    if (condFirst)
      condDone = true;
    else
      pass = false;  // the second move came first
  }
}

void TestMovesSequence(int ply, std::string_view moveText, bool& seqDone, bool& pass) {
  if (!pass) return;
  const int32_t lo = IniValues.Integers[6];
  const int32_t hi = IniValues.Integers[7];
  if (BeforeRange(ply, lo)) return;
  BoundedText& left = IniValues.MovesLeft;
  if (AfterRange(ply, hi)) {
    if (left.empty())
      seqDone = true;
    else
      pass = false;
    return;
  }
  BoundedText snapshot = left;
  int count = WordCount(snapshot);
  BoundedText word;
  for (int i = 1; i <= count; ++i) {
    NthWord(snapshot, i, word);
    word.resize(std::min(word.size(), kWordCut));
    CriterionWord w = Interpret(word.view());
    if (MatchesPly(w, ply, moveText)) {
      if (InRange(w, ply, lo, hi)) {
        std::string entry = w.black ? ".." + std::string(w.move) : std::string(w.move);
        ReplaceFirst(" ", entry, left);
        CleanLine(left);
        if (left.empty()) seqDone = true;
      } else if (ply > HighPly(w, hi)) {
        if (left.empty())
          seqDone = true;
        else
          pass = false;
      }
    }
    if (seqDone || !pass) break;
  }
}

void TestWithout(int ply, std::string_view moveText, bool& withoutDone, bool& pass) {
  if (!pass) return;
  const int32_t lo = IniValues.Integers[8];
  const int32_t hi = IniValues.Integers[9];
  if (BeforeRange(ply, lo)) return;
  if (AfterRange(ply, hi)) {
    withoutDone = true;
    return;
  }
  BoundedText list(IniValues.Strings[11]);
  int count = WordCount(list);
  BoundedText word;
  for (int i = 1; i <= count; ++i) {
    NthWord(list, i, word);
    CriterionWord w = Interpret(word.view());
    if (MatchesPly(w, ply, moveText)) {
      if (InRange(w, ply, lo, hi))
        pass = false;
      else if (ply > HighPly(w, hi))
        withoutDone = true;
    }
    if (withoutDone || !pass) break;
  }
}

}  // namespace kelvane
