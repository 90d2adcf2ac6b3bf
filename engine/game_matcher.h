// The game matcher: does one game's move text pass the criteria? A quick whole-word test on
// the raw text comes first; only games that pass it are parsed.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/dialogs.h"
#include "settings/settings.h"
#include "text/bounded_text.h"

namespace kelvane {

class GameMatcher {
 public:
  // Prepares the criteria once for a whole run. A faulty move text is reported through
  // dialogs as "Game N: <fault>".
  GameMatcher(const Criteria& criteria, Dialogs& dialogs);
  GameMatcher(const GameMatcher&) = delete;  // the quick words point into its own list
  GameMatcher& operator=(const GameMatcher&) = delete;

  // gameNumber counts the games of the run from 1.
  bool Matches(const std::string& moveText, int64_t gameNumber);

 private:
  // Parses the move text and applies every criterion ply by ply.
  bool TestGame(const std::string& moveText, int64_t gameNumber);
  // Must contain in Notation form: the sequence stands as consecutive moves of the
  // normalised text within its range.
  bool TestNotationSequence(std::string_view text) const;
  // One ply's step of condition k (0 to 2).
  void TestCondition(int k, int ply, std::string_view move, bool& done, bool& first,
                     bool& second, bool& pass) const;
  // One ply's step of Must contain in Moves form; works on movesLeft_.
  void TestMovesSequence(int ply, std::string_view move, bool& done, bool& pass);
  // One ply's step of the Without test.
  void TestWithout(int ply, std::string_view move, bool& done, bool& pass) const;

  Criteria criteria_;
  Dialogs& dialogs_;
  std::string sequence_;  // Must contain in Moves form, without periods
  std::string quickList_;
  std::vector<std::string_view> quickWords_;  // into quickList_
  BoundedText movesLeft_;  // the Must contain moves the game under test has not shown yet
};

// The Must contain moves as the matcher looks for them: line breaks as blanks, a Notation
// text converted to Moves form, then every "." removed.
std::string RequiredSequence(const Criteria& criteria);
// The moves of the three conditions as one blank-separated word list.
std::string ConditionWords(const Criteria& criteria);
// True when word occurs at the 1-based position, or later, as a whole word of text.
bool WholeWordAt(int64_t position, std::string_view word, std::string_view text);

}  // namespace kelvane
