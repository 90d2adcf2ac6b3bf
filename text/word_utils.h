// Word operations on bounded texts: criteria such as "Kh1 < Qe1" are blank-separated
// words. Positions are 1-based. A blank is byte 32, a tab byte 9. CleanLine (clean_line.h)
// gives a text the normal form: no tab, no blank at either end, no two blanks in a row.
#pragma once

#include <cstdint>
#include <string_view>

#include "text/bounded_text.h"
#include "text/char_class.h"
#include "text/clean_line.h"

namespace kelvane {

// Position of the first c at or after start, or -1 (also for start < 1 or past the end).
int CharPosFrom(char c, int16_t start, std::string_view text);
// True when the text is empty, or has no tab, no blank at either end, no two blanks in a row.
bool IsNormalized(std::string_view text);
int CountChar(char c, std::string_view text);
// Word n (1-based) of text into word; empty when there is none. text is used as a work
// area and is unchanged on return.
void NthWord(BoundedText& text, int n, BoundedText& word);
// Number of words; text is used as a work area and is unchanged on return.
int WordCount(BoundedText& text);
// Replaces the first occurrence of sought in text by replacement; false when there is none.
// Growing a full text by a replacement that begins with the sought text leaves the marker
// "***programmer error***" and returns false, so replace-all loops always end.
bool ReplaceFirst(std::string_view replacement, std::string_view sought, BoundedText& text);

}  // namespace kelvane
