// CountPlies (header_criteria.h): the half-moves of a move text's main line, counted in
// one pass without the parser's working copy.
#include <cstdint>
#include <cstring>
#include <string_view>

#include "engine/header_criteria.h"
#include "text/char_class.h"

namespace kelvane {

namespace {

// Where the text from i on holds c, or its end.
size_t Find(std::string_view t, size_t i, char c) {
  const void* at = std::memchr(t.data() + i, c, t.size() - i);
  return at ? static_cast<size_t>(static_cast<const char*>(at) - t.data()) : t.size();
}

bool IsLineBreak(char c) {
  return c == '\r' || c == '\n';
}

bool IsWhite(char c) {
  return c == ' ' || c == '\t' || IsLineBreak(c);
}

// A byte that ends a piece of a word: the move-text parser splits words at periods too, so
// that "12.e4" and "12...e5" hold one move each.
bool EndsPiece(char c) {
  return IsWhite(c) || c == '.' || c == '{' || c == '}' || c == '(' || c == ')' || c == ';' ||
         c == '$';
}

bool IsResult(std::string_view word) {
  return word == "1-0" || word == "0-1" || word == "1/2-1/2" || word == "*";
}

// Past the variation that opens at i: nested variations, brace comments and comments to
// the end of the line inside it are passed over with it.
size_t SkipVariation(std::string_view t, size_t i) {
  int64_t depth = 0;
  while (i < t.size()) {
    const char c = t[i];
    if (c == '{') {
      i = Find(t, i + 1, '}');
    } else if (c == ';') {
      i = Find(t, i + 1, '\n');
    } else if (c == '(') {
      ++depth;
    } else if (c == ')' && --depth == 0) {
      return i + 1;
    }
    ++i;
  }
  return i;
}

}  // namespace

int64_t CountPlies(std::string_view t) {
  int64_t plies = 0;
  const size_t n = t.size();
  bool lineStart = true;
  bool wordStart = true;  // the byte before ended a word (not only a piece)
  size_t i = 0;
  while (i < n) {
    const char c = t[i];
    if (lineStart && c == '%') {  // an escape line
      i = Find(t, i, '\n');
      continue;
    }
    lineStart = IsLineBreak(c);
    if (EndsPiece(c)) {
      wordStart = c != '.';
      if (c == '{') {
        i = Find(t, i + 1, '}') + 1;
      } else if (c == ';') {
        i = Find(t, i + 1, '\n');
      } else if (c == '(') {
        i = SkipVariation(t, i);
      } else if (c == '$') {  // an annotation code runs to the next white byte or bracket
        ++i;
        while (i < n && !IsWhite(t[i]) && t[i] != '{' && t[i] != '(' && t[i] != ')' && t[i] != '}')
          ++i;
      } else {
        ++i;
      }
      continue;
    }
    size_t end = i;
    while (end < n && !EndsPiece(t[end])) ++end;
    if (wordStart) {
      size_t wordEnd = end;
      while (wordEnd < n && !IsWhite(t[wordEnd])) ++wordEnd;
      if (IsResult(t.substr(i, wordEnd - i))) {
        i = wordEnd;
        continue;
      }
    }
    wordStart = false;
    // The digits that begin a piece are a move number.
    size_t move = i;
    while (move < end && IsDigit(t[move])) ++move;
    if (move < end) ++plies;
    i = end;
  }
  return plies;
}

}  // namespace kelvane
