#include "engine/game_matcher.h"

#include <algorithm>
#include <string>
#include <vector>

#include "engine/criteria.h"
#include "engine/move_text_parser.h"
#include "text/bounded_text.h"
#include "text/clean_line.h"
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

// 1-based position of pattern in text at or after the 1-based start, or 0.
int64_t FindFrom(std::string_view text, std::string_view pattern, int64_t start) {
  size_t at = text.find(pattern, static_cast<size_t>(start - 1));
  return at == std::string_view::npos ? 0 : static_cast<int64_t>(at) + 1;
}

void ReplaceEvery(std::string_view replacement, std::string_view sought, BoundedText& text) {
  while (ReplaceFirst(replacement, sought, text)) {
  }
}

}  // namespace

namespace {
// The criteria as the matcher reads them: a line break in Must contain or Without
// separates two moves as a blank does.
Criteria WithLineBreaksAsBlanks(Criteria criteria) {
  LineBreaksToBlanks(criteria.mustContain);
  LineBreaksToBlanks(criteria.without);
  return criteria;
}
}  // namespace

std::string RequiredSequence(const Criteria& criteria) {
  if (criteria.mustContain.empty()) return std::string();
  std::string sequence = criteria.mustContain;
  LineBreaksToBlanks(sequence);
  if (criteria.mustContainForm == SequenceForm::Notation) NotationToMoves(sequence);
  std::erase(sequence, '.');
  return sequence;
}

std::string ConditionWords(const Criteria& criteria) {
  const auto& c = criteria.conditions;
  BoundedText words(c[0] + " " + c[1] + " " + c[2]);
  ReplaceEvery(" ", "<", words);
  ReplaceEvery(" ", ">", words);
  ReplaceEvery(" ", ".", words);
  CleanLine(words);
  return words.str();
}

GameMatcher::GameMatcher(const Criteria& criteria, ScanReporter& dialogs)
    : criteria_(WithLineBreaksAsBlanks(criteria)),
      dialogs_(dialogs),
      wantCleanText_(criteria_.mustContainForm == SequenceForm::Notation &&
                     !criteria_.mustContain.empty()),
      wantMoves_(
          !criteria_.conditions[0].empty() || !criteria_.conditions[1].empty() ||
          !criteria_.conditions[2].empty() || !criteria_.without.empty() ||
          (criteria_.mustContainForm == SequenceForm::Moves && !criteria_.mustContain.empty()) ||
          !criteria_.position.empty() || !criteria_.material.empty()),
      sequence_(RequiredSequence(criteria_)) {
  const std::string cond = ConditionWords(criteria);
  // A list of any length is used whole.
  quickList_ = cond.empty() ? sequence_ : sequence_ + " " + cond;
  const std::string& l = quickList_;
  for (size_t i = 0; i < l.size();) {
    while (i < l.size() && l[i] == ' ') ++i;
    size_t start = i;
    while (i < l.size() && l[i] != ' ') ++i;
    if (i > start) quickWords_.emplace_back(l.data() + start, i - start);
  }
}

bool GameMatcher::Matches(std::string_view moveText, int64_t gameNumber) {
  std::optional<std::string> fault;
  const bool pass = Decide(moveText, fault);
  if (fault) dialogs_.ShowNotice(GameFaultNotice(gameNumber, *fault));
  return pass;
}

bool GameMatcher::Decide(std::string_view moveText, std::optional<std::string>& fault) {
  moves_.clear();
  faulty_ = false;
  plies_ = -1;
  // From the last word to the first: the first missing word ends the test.
  for (auto it = quickWords_.rbegin(); it != quickWords_.rend(); ++it) {
    int64_t pos = FindFrom(moveText, *it, 1);
    if (pos == 0 || !WholeWordAt(pos, *it, moveText)) return false;
  }
  return TestGame(moveText, fault);
}

std::string_view GameMatcher::NotationSequence() const {
  if (criteria_.mustContainForm != SequenceForm::Notation) return {};
  return sequence_;
}

int64_t GameMatcher::NotationMoves() const {
  // TestNotationSequence passes a game on an occurrence that ends by ply 2 To at the latest,
  // or on one at the very start of the text, which spans as many moves as the sequence has
  // words: either lies within the first moves counted here.
  const int64_t words = 1 + std::count(sequence_.begin(), sequence_.end(), ' ');
  return std::max<int64_t>(2 * int64_t{criteria_.mustContainRange.to}, words);
}

std::string MatchedAtLabel(int64_t ply, std::string_view move) {
  return std::to_string((ply + 1) / 2) + (ply % 2 ? "." : "...") + std::string(move);
}

std::string GameFaultNotice(int64_t gameNumber, std::string_view fault) {
  return "Game " + std::to_string(gameNumber) + ": " + std::string(fault);
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
    position = FindFrom(text, word, position + 1);
  }
  return false;
}

bool GameMatcher::TestGame(std::string_view moveText, std::optional<std::string>& fault) {
  const Criteria& c = criteria_;
  const bool notation = c.mustContainForm == SequenceForm::Notation;
  bool pass = true;
  bool condDone[3] = {true, true, true};
  bool condFirst[3] = {false, false, false};
  bool condSecond[3] = {false, false, false};
  bool seqDone = true;
  bool withoutDone = true;
  // The parser builds only what the criteria look at: with no criterion that goes ply by
  // ply, the ply loop below has nothing to test, and its moves are not needed.
  MoveTextParser parser(moveText, wantCleanText_, wantMoves_);
  if (hashMoves_) parser.Values = &moveValues_;
  parser.CountMoves = countPlies_;
  int64_t matched = 0;  // the ply where the last criterion that locates a move was met
  matchedAt_.clear();
  matchedPly_ = 0;
  try {
    parser.Parse();
    plies_ = parser.CountedPlies;
    if (notation) pass = TestNotationSequence(parser.CleanText, matched);
    for (int k = 0; k < 3; ++k)
      if (!c.conditions[k].empty()) condDone[k] = false;
    if (!notation && !c.mustContain.empty()) {
      movesLeft_.assign(c.mustContain);
      seqDone = false;
    }
    if (!c.without.empty()) withoutDone = false;
    if (pass) {
      int plies = static_cast<int>(parser.Moves.size());
      for (int p = 1; p <= plies; ++p) {
        std::string_view move = parser.Moves[p - 1].Text();
        for (int k = 0; k < 3; ++k)
          if (!condDone[k]) {
            TestCondition(k, p, move, condDone[k], condFirst[k], condSecond[k], pass);
            if (condDone[k]) matched = std::max<int64_t>(matched, p);
          }
        if (!seqDone) {
          TestMovesSequence(p, move, seqDone, pass);
          if (seqDone) matched = std::max<int64_t>(matched, p);
        }
        if (!withoutDone) TestWithout(p, move, withoutDone, pass);
        if (!pass || (condDone[0] && condDone[1] && condDone[2] && seqDone && withoutDone)) break;
      }
    }
  } catch (const std::exception&) {
    // A faulty game is reported and then decided by the flags as they stand.
    fault = parser.ErrorText;
    faulty_ = true;
  }
  pass = pass && condDone[0] && condDone[1] && condDone[2] && seqDone;
  if (pass && matched > 0) {
    // The move as written; with no list of moves, the word of the normalised text.
    std::string_view word;
    if (static_cast<size_t>(matched) <= parser.Moves.size()) {
      word = parser.Moves[matched - 1].Text();
    } else {
      const std::string_view text = parser.CleanText;
      size_t at = 0;
      for (int64_t k = 1; k < matched && at != std::string_view::npos; ++k) {
        const size_t blank = text.find(' ', at);
        at = blank == std::string_view::npos ? blank : blank + 1;
      }
      if (at != std::string_view::npos) word = text.substr(at, text.find(' ', at) - at);
    }
    if (!word.empty()) {
      matchedAt_ = MatchedAtLabel(matched, word);
      matchedPly_ = matched;
    }
  }
  // A faulty game's moves are not kept: the moves read before the fault may still name
  // where it was matched.
  if (faulty_) parser.Moves.clear();
  moves_.swap(parser.Moves);
  return pass;
}

bool GameMatcher::TestNotationSequence(std::string_view text, int64_t& lastPly) const {
  const std::string_view seq = sequence_;
  if (seq.empty()) return true;
  int64_t q = FindFrom(text, seq, 1);
  if (q == 0) return false;
  const int64_t from = criteria_.mustContainRange.from;
  const int64_t to = criteria_.mustContainRange.to;
  const int64_t seqBlanks = std::count(seq.begin(), seq.end(), ' ');
  if (q == 1 && from <= 1) {
    lastPly = 1 + seqBlanks;
    return true;
  }
  int64_t blanksBefore = 0;  // blanks in text before q, counted as q moves on
  size_t counted = 0;
  for (;;) {
    for (; counted < static_cast<size_t>(q - 1); ++counted)
      if (text[counted] == ' ') ++blanksBefore;
    int64_t first = 1 + blanksBefore;
    int64_t last = first + seqBlanks;
    int64_t low = first % 2 ? 2 * from - 1 : 2 * from;
    int64_t high = last % 2 ? 2 * to - 1 : 2 * to;
    if (first >= low) {
      if (last <= high) lastPly = last;
      return last <= high;
    }
    q = FindFrom(text, seq, q + 1);
    if (q == 0) return false;
  }
}

void GameMatcher::TestCondition(int k, int ply, std::string_view move, bool& done, bool& first,
                                bool& second, bool& pass) const {
  if (!pass) return;
  const int32_t lo = criteria_.conditionRanges[k].from;
  const int32_t hi = criteria_.conditionRanges[k].to;
  if (BeforeRange(ply, lo) || AfterRange(ply, hi)) return;
  BoundedText condition(criteria_.conditions[k]);
  BoundedText firstWord, secondWord;
  NthWord(condition, 1, firstWord);
  NthWord(condition, 3, secondWord);
  CriterionWord w1 = Interpret(firstWord.view());
  CriterionWord w3 = Interpret(secondWord.view());
  if (MatchesPly(w1, ply, move) && InRange(w1, ply, lo, hi)) first = true;
  if (MatchesPly(w3, ply, move) && InRange(w3, ply, lo, hi)) second = true;
  if (second) {
    if (first)
      done = true;
    else
      pass = false;  // the second move came first
  }
}

void GameMatcher::TestMovesSequence(int ply, std::string_view move, bool& done, bool& pass) {
  if (!pass) return;
  const int32_t lo = criteria_.mustContainRange.from;
  const int32_t hi = criteria_.mustContainRange.to;
  if (BeforeRange(ply, lo)) return;
  BoundedText& left = movesLeft_;
  if (AfterRange(ply, hi)) {
    if (left.empty())
      done = true;
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
    if (MatchesPly(w, ply, move)) {
      if (InRange(w, ply, lo, hi)) {
        std::string entry = w.black ? ".." + std::string(w.move) : std::string(w.move);
        ReplaceFirst(" ", entry, left);
        CleanLine(left);
        if (left.empty()) done = true;
      } else if (ply > HighPly(w, hi)) {
        if (left.empty())
          done = true;
        else
          pass = false;
      }
    }
    if (done || !pass) break;
  }
}

void GameMatcher::TestWithout(int ply, std::string_view move, bool& done, bool& pass) const {
  if (!pass) return;
  const int32_t lo = criteria_.withoutRange.from;
  const int32_t hi = criteria_.withoutRange.to;
  if (BeforeRange(ply, lo)) return;
  if (AfterRange(ply, hi)) {
    done = true;
    return;
  }
  BoundedText list(criteria_.without);
  int count = WordCount(list);
  BoundedText word;
  for (int i = 1; i <= count; ++i) {
    NthWord(list, i, word);
    CriterionWord w = Interpret(word.view());
    if (MatchesPly(w, ply, move)) {
      if (InRange(w, ply, lo, hi))
        pass = false;
      else if (ply > HighPly(w, hi))
        done = true;
    }
    if (done || !pass) break;
  }
}

}  // namespace kelvane
