// CountPlies (header_criteria.h): the half-moves of a move text's main line, counted in one
// pass and without a copy. It reads the text as the move-text parser does (move_text_parser.h),
// so that both count the same moves in every text the parser accepts: brackets of either
// kind nest as one depth, an annotation code runs from "$" to the next white byte, periods
// and white bytes split words into pieces whose leading digits are a move number, and only
// a result at the very end is no move. Beyond the parser, a ";" comment outside brackets and
// an escape line that begins with "%" hold no move.
#include <cstdint>
#include <cstring>
#include <string_view>

#include "engine/header_criteria.h"
#include "text/char_class.h"

namespace kelvane {

namespace {

bool IsWhite(char c) {
  return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

// Where the moves end: in front of the result that BlankResult (move_text_parser.h) blanks.
size_t MovesEnd(std::string_view t) {
  size_t k = t.size();
  if (k == 0) return 0;
  while (k > 2 && (IsWhite(t[k - 1]) || t[k - 1] == '\0')) --k;
  if (t[k - 1] == '*') return k - 1;
  const char c = t[k - 1];
  if (c != '0' && c != '1' && c != '2') return t.size();
  if (k < 2 || (t[k - 2] != '-' && t[k - 2] != '/')) return t.size();
  while (k > 2 && !IsWhite(t[k - 1]) && t[k - 1] != '\0') --k;
  return k;
}

// Past the end of the line that holds i.
size_t LineEnd(std::string_view t, size_t i, size_t end) {
  const void* lf = std::memchr(t.data() + i, '\n', end - i);
  return lf ? static_cast<size_t>(static_cast<const char*>(lf) - t.data()) : end;
}

}  // namespace

int64_t CountPlies(std::string_view t) {
  // The parser keeps a text of one digit as a move.
  if (t.size() == 1 && IsDigit(t[0])) return 1;
  const size_t end = MovesEnd(t);
  int64_t plies = 0;
  int64_t depth = 0;        // open brackets
  bool annotation = false;  // inside an annotation code
  bool inPiece = false;     // the byte before belongs to a piece of a word
  bool number = false;      // the piece so far is digits
  bool lineStart = true;
  for (size_t i = 0; i < end; ++i) {
    const char c = t[i];
    const bool atLineStart = lineStart;
    lineStart = c == '\n' || c == '\r';
    bool visible = false;
    if (IsWhite(c)) {
      annotation = false;
    } else if (c == '(' || c == '{') {
      ++depth;
    } else if (c == ')' || c == '}') {
      --depth;
    } else if (c == '$') {
      annotation = true;
    } else if (depth == 0 && !annotation) {
      if ((c == '%' && atLineStart) || c == ';') {
        i = LineEnd(t, i, end) - 1;  // the comment's line break comes next
      } else if (c == '\0') {
        break;  // the parser's moves end at a NUL
      } else {
        visible = c != '.';
      }
    }
    if (!visible) {
      if (inPiece && !number) ++plies;
      inPiece = false;
      continue;
    }
    if (!inPiece) number = true;
    inPiece = true;
    number = number && IsDigit(c);
  }
  if (inPiece && !number) ++plies;
  return plies;
}

}  // namespace kelvane
