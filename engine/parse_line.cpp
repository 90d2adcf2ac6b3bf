// The move-text parser. Every clean-up step overwrites unwanted bytes with blanks in one
// working copy, one pass each, so a move's offset in the copy is its offset in the source.
#include "engine/parse_line.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <limits>
#include <utility>

#include "text/clean_line.h"

namespace {

constexpr int kErrorKind = 4;
constexpr int64_t kInt32Max = std::numeric_limits<int32_t>::max();

// NUL, tab, line feed, carriage return or blank.
inline bool IsWhite(char c) {
  return c == ' ' || c == '\0' || c == '\t' || c == '\n' || c == '\r';
}

inline bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}

// The bytes that BlankComments has to look at outside comments and annotation codes.
constexpr std::array<bool, 256> kCommentByte = [] {
  std::array<bool, 256> t{};
  for (unsigned char c : {'\t', '\n', '\r', '(', '{', ')', '}', '$'}) t[c] = true;
  return t;
}();

// Offsets and positions are 32-bit fields; a text beyond 2 GiB saturates instead of
// wrapping into negative values.
inline int32_t Clamp32(int64_t v) {
  return static_cast<int32_t>(std::clamp<int64_t>(v, 0, kInt32Max));
}

// Moves to reserve for a text of n bytes: a plain game spends about six bytes per ply
// ("12.Nf3 Nc6 "); the cap keeps a huge comment from reserving megabytes for nothing.
inline size_t ReserveFor(size_t n) {
  return std::min<size_t>(n / 6 + 1, 2048);
}

}  // namespace

TMove::TMove(int32_t offset, std::string_view text) : Offset(offset) {
  const size_t n = std::min<size_t>(text.size(), kMaxText);
  std::memset(MoveText, 0, sizeof MoveText);
  std::memcpy(MoveText, text.data(), n);
  TextLen = static_cast<int32_t>(n);
}

TMove::~TMove() {
  TextLen = 0;
}

TParseLine::TParseLine(int32_t tag1, int32_t normalizeFlag, int32_t tag3, int32_t tag4,
                       std::string_view text)
    : Tag1(tag1), NormalizeFlag(normalizeFlag), Tag3(tag3), Tag4(tag4), SourceText(text) {}

TParseLine::~TParseLine() = default;

void TParseLine::NotationError(int64_t position, const std::string& message) {
  ErrorText = message;
  ErrorPos = Clamp32(std::max<int64_t>(position, 1) - 1);
  ErrorKind = kErrorKind;
  throw ENotationException(message);
}

void TParseLine::Parse() {
  std::string w(SourceText);
  char* const p = w.data();
  const size_t len = w.size();

  BlankResult(p, len);

  size_t position = 0;
  const int64_t depth = BlankComments(p, len, position);
  if (depth < 0) NotationError(static_cast<int64_t>(position), "extra )/} found");
  if (depth > 0) NotationError(static_cast<int64_t>(len), "game ended in comment");

  BlankMoveNumbers(p, len);

  // The moves keep their own copies of their texts, so once they are split the working
  // copy itself can become the normalised text without a second copy. Splitting first also
  // leaves CleanText empty when the game has no moves.
  SplitMoves(w);
  if (NormalizeFlag < 0) {
    CleanText = std::move(w);
    CleanLine(CleanText);
  }
}

void TParseLine::SplitMoves(std::string_view w) {
  const char* const begin = w.data();
  const char* const end = begin + w.size();
  const size_t before = Moves.size();
  Moves.reserve(before + ReserveFor(w.size()));

  const char* q = begin;
  for (;;) {
    while (q != end && *q == ' ') ++q;
    if (q == end || *q == '\0') break;  // a NUL ends the text for this step
    const char* const start = q;
    while (q != end && *q != ' ' && *q != '\0') ++q;
    Moves.emplace_back(Clamp32(start - begin),
                       std::string_view(start, static_cast<size_t>(q - start)));
  }
  if (Moves.size() == before) NotationError(0, "null game");
  // The list keeps its spare capacity: giving it back would cost one more allocation and
  // copy per game, and the object lives for one game only.
}

void BlankResult(char* w, size_t len) {
  if (len == 0) return;
  // k is the 1-based position; w[k - 1] is the byte there. Both loops stop at position 2.
  size_t k = len;
  while (k > 2 && IsWhite(w[k - 1])) --k;
  if (w[k - 1] == '*') {
    w[k - 1] = ' ';
    return;
  }
  const char c = w[k - 1];
  if (c != '0' && c != '1' && c != '2') return;
  if (k < 2 || (w[k - 2] != '-' && w[k - 2] != '/')) return;
  while (k > 2 && !IsWhite(w[k - 1])) {
    w[k - 1] = ' ';
    --k;
  }
}

int64_t BlankComments(char* w, size_t len, size_t& position) {
  int64_t depth = 0;
  bool annotation = false;
  for (size_t i = 0; i < len; ++i) {
    if (depth == 0 && !annotation) {
      // Plain move text outside comments: only line breaks, tabs, brackets and "$" need work.
      while (i < len && !kCommentByte[static_cast<unsigned char>(w[i])]) ++i;
      if (i == len) break;
    }
    char c = w[i];
    if (c == '\t' || c == '\n' || c == '\r') {
      c = ' ';
      w[i] = ' ';
    }
    switch (c) {
      case ' ':
        annotation = false;
        break;
      case '(':
      case '{':
        ++depth;
        break;
      case ')':
      case '}':
        w[i] = ' ';
        --depth;
        break;
      case '$':
        annotation = true;
        break;
      default:
        break;
    }
    if (annotation || depth > 0) w[i] = ' ';
    if (depth < 0) {
      position = i + 1;
      return depth;
    }
  }
  position = len;
  return depth;
}

void BlankMoveNumbers(char* buf, size_t len) {
  if (len == 0) return;
  // Leading digits, never the last byte: a text of one digit stays as it is.
  for (size_t i = 0; i + 1 < len && IsDigit(buf[i]); ++i) buf[i] = ' ';

  // One branch-free step per byte: words are short, so a branch on the switch would
  // mispredict at nearly every word.
  bool afterSeparator = false;
  for (size_t i = 0; i < len; ++i) {
    const char c = buf[i];
    const bool period = c == '.';
    const bool digit = IsDigit(c);
    buf[i] = (period || (afterSeparator && digit)) ? ' ' : c;
    afterSeparator = period || c == ' ' || (afterSeparator && digit);
  }
}
