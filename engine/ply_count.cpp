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

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

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

// Bit masks of 64 bytes: the bytes that split words into pieces, the digits, and the bytes
// that need the byte-by-byte reading (brackets, "$", ";", "%" and NUL).
struct BlockMasks {
  uint64_t separator;
  uint64_t digit;
  uint64_t special;
};

BlockMasks Classify(const char* p) {
  BlockMasks m{0, 0, 0};
#if defined(__SSE2__)
  const auto eq = [](__m128i v, char c) { return _mm_cmpeq_epi8(v, _mm_set1_epi8(c)); };
  for (int k = 0; k < 4; ++k) {
    const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 16 * k));
    const __m128i sep =
        _mm_or_si128(_mm_or_si128(eq(v, ' '), eq(v, '.')),
                     _mm_or_si128(_mm_or_si128(eq(v, '\r'), eq(v, '\n')), eq(v, '\t')));
    const __m128i d = _mm_sub_epi8(v, _mm_set1_epi8('0'));
    const __m128i digit = _mm_cmpeq_epi8(_mm_min_epu8(d, _mm_set1_epi8(9)), d);
    const __m128i brackets =
        _mm_or_si128(_mm_or_si128(eq(v, '('), eq(v, ')')), _mm_or_si128(eq(v, '{'), eq(v, '}')));
    const __m128i others =
        _mm_or_si128(_mm_or_si128(eq(v, '$'), eq(v, ';')), _mm_or_si128(eq(v, '%'), eq(v, '\0')));
    const int shift = 16 * k;
    m.separator |= uint64_t(uint32_t(_mm_movemask_epi8(sep))) << shift;
    m.digit |= uint64_t(uint32_t(_mm_movemask_epi8(digit))) << shift;
    m.special |= uint64_t(uint32_t(_mm_movemask_epi8(_mm_or_si128(brackets, others)))) << shift;
  }
#else
  for (int k = 0; k < 64; ++k) {
    const char c = p[k];
    const uint64_t bit = uint64_t{1} << k;
    if (IsWhite(c) || c == '.') m.separator |= bit;
    if (IsDigit(c)) m.digit |= bit;
    if (std::strchr("(){}$;%", c) != nullptr) m.special |= bit;  // a NUL matches too
  }
#endif
  return m;
}

// What the count carries from one byte to the next.
struct Reading {
  int64_t plies = 0;
  int64_t depth = 0;        // open brackets
  bool annotation = false;  // inside an annotation code
  bool lineStart = true;
  // Of the byte before, as the parser's split sees it: a separator (or hidden), a digit of a
  // move number, or a byte of a move.
  uint64_t separator = 1;
  uint64_t number = 0;
  uint64_t move = 0;
};

// 64 bytes with no byte that needs a look of its own, outside brackets and annotations: the
// pieces' leading digit runs are the move numbers, and every run of the other bytes of a
// piece begins a move.
void CountBlock(const BlockMasks& m, Reading& r) {
  const uint64_t pieceStart = ~m.separator & ((m.separator << 1) | r.separator);
  const uint64_t numberStart = (pieceStart & m.digit) | (r.number & m.digit & 1);
  const uint64_t number = m.digit & ~(m.digit + numberStart);
  const uint64_t move = ~m.separator & ~number;
  r.plies += __builtin_popcountll(move & ~((move << 1) | r.move));
  r.separator = m.separator >> 63;
  r.number = number >> 63;
  r.move = move >> 63;
}

}  // namespace

int64_t CountPlies(std::string_view t) {
  // The parser keeps a text of one digit as a move.
  if (t.size() == 1 && IsDigit(t[0])) return 1;
  const size_t end = MovesEnd(t);
  Reading r;
  for (size_t i = 0; i < end; ++i) {
    if (r.depth == 0 && !r.annotation && i + 64 <= end) {
      const BlockMasks m = Classify(t.data() + i);
      if (m.special == 0) {
        CountBlock(m, r);
        r.lineStart = t[i + 63] == '\n' || t[i + 63] == '\r';
        i += 63;
        continue;
      }
    }
    const char c = t[i];
    const bool atLineStart = r.lineStart;
    r.lineStart = c == '\n' || c == '\r';
    bool visible = false;
    if (IsWhite(c)) {
      r.annotation = false;
    } else if (c == '(' || c == '{') {
      ++r.depth;
    } else if (c == ')' || c == '}') {
      --r.depth;
    } else if (c == '$') {
      r.annotation = true;
    } else if (r.depth == 0 && !r.annotation) {
      if ((c == '%' && atLineStart) || c == ';') {
        // A comment to the end of its line; its line break comes next.
        const void* lf = std::memchr(t.data() + i, '\n', end - i);
        i = (lf ? static_cast<size_t>(static_cast<const char*>(lf) - t.data()) : end) - 1;
      } else if (c == '\0') {
        break;  // the parser's moves end at a NUL
      } else {
        visible = c != '.';
      }
    }
    if (!visible) {
      r.separator = 1;
      r.number = 0;
      r.move = 0;
      continue;
    }
    const bool number = IsDigit(c) && (r.separator || r.number);
    if (!number && !r.move) ++r.plies;
    r.separator = 0;
    r.number = number;
    r.move = !number;
  }
  return r.plies;
}

}  // namespace kelvane
