// The game matcher: does one game's move text pass the criteria of the settings record?
// A quick whole-word test on the raw text comes first; only games that pass it are parsed.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace kelvane {

bool GameMatches(const std::string& moveText);
// True when word occurs at the 1-based position, or later, as a whole word of text.
bool WholeWordAt(int64_t position, std::string_view word, std::string_view text);
// Parses the move text and applies every criterion ply by ply.
bool TestGame(const std::string& moveText);
// Must contain in Notation form: seq stands as consecutive moves of text within its range.
bool TestNotationSequence(std::string_view seq, std::string_view text);
// One ply's step of condition k (1 to 3).
void TestCondition(int k, int ply, std::string_view moveText, bool& condDone, bool& condFirst,
                   bool& condSecond, bool& pass);
// One ply's step of Must contain in Moves form; works on IniValues.MovesLeft.
void TestMovesSequence(int ply, std::string_view moveText, bool& seqDone, bool& pass);
// One ply's step of the Without test.
void TestWithout(int ply, std::string_view moveText, bool& withoutDone, bool& pass);

}  // namespace kelvane
