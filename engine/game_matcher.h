// The game matcher: does one game's move text pass the criteria? A quick whole-word test on
// the raw text comes first; only games that pass it are parsed.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "engine/criteria.h"
#include "engine/move_hash.h"
#include "engine/move_text_parser.h"
#include "platform/dialogs.h"
#include "text/bounded_text.h"

namespace kelvane {

class GameMatcher {
 public:
  // Prepares the criteria once for a whole run. A faulty move text is reported through
  // dialogs as "Game N: <fault>".
  GameMatcher(const Criteria& criteria, ScanReporter& dialogs);
  GameMatcher(const GameMatcher&) = delete;  // the quick words point into its own list
  GameMatcher& operator=(const GameMatcher&) = delete;

  // gameNumber counts the games of the run from 1.
  bool Matches(std::string_view moveText, int64_t gameNumber);
  // Decides as Matches does but shows nothing: the fault of a faulty move text goes to
  // fault, for a caller that reports it later (GameFaultNotice).
  bool Decide(std::string_view moveText, std::optional<std::string>& fault);
  // The words of the quick test: every one must stand as a whole word in a game's move text.
  const std::vector<std::string_view>& QuickWords() const { return quickWords_; }
  // Must contain in Notation form ("e4 c5 Nf3"; empty in Moves form), and how many of a
  // game's first moves must hold it for the game to pass.
  std::string_view NotationSequence() const;
  int64_t NotationMoves() const;
  // Of the last game that passed: the move where the last criterion that locates a move was
  // met (the end of the Notation sequence, the last Moves-form move found, a condition's
  // second move), as "12...Nf6" counted from move 1; empty when no criterion locates one.
  const std::string& MatchedAt() const { return matchedAt_; }
  // The ply (from 1) that MatchedAt names; 0 when it is empty.
  int64_t MatchedPly() const { return matchedPly_; }
  // Hash the moves of every game parsed from now on, for the duplicates key.
  void HashMoves() { hashMoves_ = true; }
  // Count the moves of every game parsed from now on, for Plies.
  void CountPlies() { countPlies_ = true; }
  // The moves of the game Decide parsed last, when the criteria on positions need them;
  // empty when it was not parsed, or its move text is faulty (Faulty).
  const std::vector<Move>& Moves() const { return moves_; }
  bool Faulty() const { return faulty_; }
  // For the duplicates key: the moves of a game that passed, as the key hashes them, or
  // nullptr when its move text was faulty.
  const MoveValues* ParsedMoves() const { return faulty_ ? nullptr : &moveValues_; }
  // Of the game Decide parsed last, with CountPlies: its half-moves as CountPlies
  // (header_criteria.h) counts them; -1 when they are not known.
  int64_t Plies() const { return plies_; }

 private:
  // Parses the move text and applies every criterion ply by ply.
  bool TestGame(std::string_view moveText, std::optional<std::string>& fault);
  // Must contain in Notation form: the sequence stands as consecutive moves of the
  // normalised text within its range.
  // last: set to the ply where the sequence found ends.
  bool TestNotationSequence(std::string_view text, int64_t& last) const;
  // One ply's step of condition k (0 to 2).
  void TestCondition(int k, int ply, std::string_view move, bool& done, bool& first, bool& second,
                     bool& pass) const;
  // One ply's step of Must contain in Moves form; works on movesLeft_.
  void TestMovesSequence(int ply, std::string_view move, bool& done, bool& pass);
  // One ply's step of the Without test.
  void TestWithout(int ply, std::string_view move, bool& done, bool& pass) const;

  Criteria criteria_;
  ScanReporter& dialogs_;
  bool wantCleanText_;    // the Notation test looks at the normalised text
  bool wantMoves_;        // some criterion looks at the moves ply by ply
  std::string sequence_;  // Must contain in Moves form, without periods
  std::string quickList_;
  std::vector<std::string_view> quickWords_;  // into quickList_
  BoundedText movesLeft_;  // the Must contain moves the game under test has not shown yet
  std::string matchedAt_;
  int64_t matchedPly_ = 0;
  bool hashMoves_ = false;
  bool countPlies_ = false;
  std::vector<Move> moves_;  // the last game's, for the criteria on positions
  MoveValues moveValues_;    // the last game's, for the duplicates key
  int64_t plies_ = -1;
  bool faulty_ = false;
};

// The Must contain moves as the matcher looks for them: line breaks as blanks, a Notation
// text converted to Moves form, then every "." removed.
std::string RequiredSequence(const Criteria& criteria);
// The moves of the three conditions as one blank-separated word list.
std::string ConditionWords(const Criteria& criteria);
// The "matched at" label of a move: "12...Nf6" for ply 24 (counted from 1) written Nf6.
std::string MatchedAtLabel(int64_t ply, std::string_view move);
// The notice of a game whose move text is faulty.
std::string GameFaultNotice(int64_t gameNumber, std::string_view fault);
// True when word occurs at the 1-based position, or later, as a whole word of text.
bool WholeWordAt(int64_t position, std::string_view word, std::string_view text);

}  // namespace kelvane
