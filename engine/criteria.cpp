#include "engine/criteria.h"

#include "engine/move_text_parser.h"
#include "text/bounded_text.h"
#include "text/clean_line.h"
#include "text/word_utils.h"

namespace kelvane {

namespace {
constexpr size_t kConditionCut = 31;

// True when the period at position dot directly follows a move number: digits that stand
// at the start of the text or after a blank, tab or line break.
bool FollowsMoveNumber(std::string_view text, size_t dot) {
  size_t start = dot;
  while (start > 0 && IsDigit(text[start - 1])) --start;
  if (start == dot) return false;
  if (start == 0) return true;
  const char before = text[start - 1];
  return IsBlankOrTab(before) || before == '\r' || before == '\n';
}

// Calls ReplaceFirst until it finds nothing more to replace.
void ReplaceEvery(std::string_view replacement, std::string_view sought, BoundedText& text) {
  while (ReplaceFirst(replacement, sought, text)) {
  }
}
}  // namespace

ConditionCheck CheckCondition(std::string_view text) {
  BoundedText b(text.substr(0, kConditionCut));
  CleanLine(b);
  ConditionCheck result{b.str(), false};
  if (b.empty()) return result;
  if (WordCount(b) != 3) {
    result.failed = true;
    return result;
  }
  BoundedText sign, first, second;
  NthWord(b, 2, sign);
  if (sign.view() == "<") return result;
  if (sign.view() == ">") {
    NthWord(b, 1, first);
    NthWord(b, 3, second);
    result.text = second.str() + " < " + first.str();
    return result;
  }
  result.failed = true;
  return result;
}

std::string ConditionFormMessage() {
  return "Conditions must have the form: mm/..mm </> mm/..mm\r"
         "Example: \"Qe1 < Kh1\" (white's Qe1 must come before white's Kh1)";
}

bool HasMoveNumber(std::string_view text) {
  for (size_t dot = text.find('.'); dot != std::string_view::npos; dot = text.find('.', dot + 1))
    if (FollowsMoveNumber(text, dot)) return true;
  return false;
}

bool IsMovesText(std::string_view text) {
  size_t dot = text.find('.');
  if (dot == std::string_view::npos) return true;
  while (dot != std::string_view::npos) {
    size_t end = text.find_first_not_of('.', dot);
    if (end == std::string_view::npos) end = text.size();
    // Two periods or more mark a black move, unless they end a move number ("5...").
    if (end - dot >= 2 && !FollowsMoveNumber(text, dot)) return true;
    dot = text.find('.', end);
  }
  return false;
}

void LineBreaksToBlanks(std::string& text) {
  for (char& c : text)
    if (c == '\r' || c == '\n') c = ' ';
}

void NotationToMoves(std::string& text) {
  CleanLine(text);
  if (text.size() < 4) return;
  // A leading move number with one period begins with white's move; "5..." or "5.."
  // begins with black's, and so does a text without a leading number.
  size_t digits = 0;
  while (digits < text.size() && IsDigit(text[digits])) ++digits;
  const bool blackNumber =
      digits + 1 < text.size() && text[digits] == '.' && text[digits + 1] == '.';
  const bool startsWhite = digits > 0 && !blackNumber;
  bool numbered = false;
  for (size_t i = 1; i < text.size() && !numbered; ++i)
    numbered = text[i] == '.' && IsDigit(text[i - 1]);
  if (!numbered) return;
  BlankMoveNumbers(text.data(), text.size());
  CleanLine(text);

  // The colours alternate from the first move on; black moves get "..".
  BoundedText b(text);
  ReplaceEvery("*", " ", b);
  bool more = true;
  if (!startsWhite) {
    BoundedText marked("..");
    marked.append(b.view());
    b = marked;
    more = ReplaceFirst(" ", "*", b);
  }
  while (more) {
    ReplaceFirst(" ..", "*", b);
    more = ReplaceFirst(" ", "*", b);
  }
  ReplaceEvery("..", "...", b);
  text = b.str();
}

bool MoveNumberRange(std::string_view text, int32_t& from, int32_t& to) {
  int64_t lo = 999;
  int64_t hi = 0;
  BoundedText b(text);
  if (b.empty()) {
    from = 0;
    to = 999;
    return true;
  }
  const bool startsWithDigit = IsDigit(b[0]);
  // Keep only the digits that stand before a "." or another digit: the move numbers.
  b[b.size() - 1] = ' ';
  for (size_t i = 0; i + 1 < b.size(); ++i)
    if (!(IsDigit(b[i]) && (b[i + 1] == '.' || IsDigit(b[i + 1])))) b[i] = ' ';
  CleanLine(b);
  int count = WordCount(b);
  BoundedText word;
  for (int i = 1; i <= count; ++i) {
    NthWord(b, i, word);
    int32_t v;
    if (!WholeNumber(word.view().substr(0, kConditionCut), v)) return false;
    if (v < lo) lo = v;
    if (v > hi) hi = v;
  }
  if (lo == 999)
    lo = 0;
  else if (!startsWithDigit)
    lo = lo - 1;
  if (hi == 0) hi = 999;
  from = static_cast<int32_t>(lo);
  to = static_cast<int32_t>(hi);
  return true;
}

}  // namespace kelvane
