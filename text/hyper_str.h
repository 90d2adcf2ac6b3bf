// Search, replace and trim routines on growable byte strings. Positions are 1-based and a
// search that finds nothing returns 0. Comparisons are exact unless stated.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace kelvane {

// First occurrence of pattern in text at or after start, or 0.
int64_t FindFrom(std::string_view text, std::string_view pattern, int64_t start);
// First match at or after |start|, or 0; "?" in pattern matches any byte; a negative start
// asks for a match that ignores the case of letters.
int64_t FindText(std::string_view text, std::string_view pattern, int64_t start);
// Replaces every (non-overlapping) occurrence of find by repl; returns their number.
int64_t ReplaceAll(std::string& s, std::string_view find, std::string_view repl, bool ignoreCase);
// Overwrites up to count bytes of dest from destPos with src from srcPos; dest keeps its length.
void CopyInto(std::string_view src, int64_t srcPos, std::string& dest, int64_t destPos,
              int64_t count);
// Moves every byte that is not c forward, fills the freed tail with blanks (the length stays)
// and returns the number of bytes kept; the caller cuts the string to that length.
int64_t RemoveChar(std::string& s, char c);
int64_t FirstNotChar(std::string_view s, char c);
int64_t LastNotChar(std::string_view s, char c);
// s without its leading and trailing runs of c.
std::string TrimChar(std::string_view s, char c);
void ReplaceChar(std::string& s, char oldChar, char newChar);
// Replaces every byte of s that occurs in set by newChar.
void ReplaceCharSet(std::string& s, std::string_view set, char newChar);
// Fills the shared membership table from set (with a negative start, letters count in both
// cases); sets from/remaining to where the scan of s starts and how many bytes are left.
// Returns false when there is nothing to scan or the set is empty or longer than 256.
bool MakeCharSet(std::string_view s, std::string_view set, int64_t start, int64_t& from,
                 int64_t& remaining);

}  // namespace kelvane
