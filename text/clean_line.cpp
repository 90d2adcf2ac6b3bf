#include "text/clean_line.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "text/char_class.h"

namespace kelvane {

namespace {
// Length of the clean stretch at the start of p: no tab, and no blank followed by a blank
// or tab (the caller has checked the first byte). Sixteen bytes at a time where the
// processor allows it; the byte loop after it finishes the job exactly.
size_t CleanPrefix(const char* p, size_t n) {
  size_t r = 0;
#if defined(__SSE2__)
  const __m128i blank = _mm_set1_epi8(' ');
  const __m128i tab = _mm_set1_epi8('\t');
  // A block of 16 bytes is at fault when it holds a tab, or a blank whose next byte is a
  // blank or a tab; past the end counts as a blank, so a trailing blank is a fault too.
  auto faulty = [&](__m128i v, __m128i next) {
    __m128i nextBlank = _mm_or_si128(_mm_cmpeq_epi8(next, blank), _mm_cmpeq_epi8(next, tab));
    __m128i fault =
        _mm_or_si128(_mm_cmpeq_epi8(v, tab), _mm_and_si128(_mm_cmpeq_epi8(v, blank), nextBlank));
    return _mm_movemask_epi8(fault) != 0;
  };
  while (r + 16 < n) {
    __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + r));
    __m128i next = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + r + 1));
    if (faulty(v, next)) break;
    r += 16;
  }
  if (r + 16 >= n && n >= 16) {
    // The last 16 bytes (overlapping what was checked): their next bytes are the same
    // block shifted by one, with a blank standing in for the byte past the end.
    __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + n - 16));
    __m128i next = _mm_or_si128(_mm_srli_si128(v, 1), _mm_slli_si128(_mm_cvtsi32_si128(' '), 15));
    if (!faulty(v, next)) return n;
  }
#endif
  while (r < n) {
    char c = p[r];
    if (c == '\t') break;
    if (c == ' ' && (r + 1 == n || IsBlankOrTab(p[r + 1]))) break;
    ++r;
  }
  return r;
}
}  // namespace

size_t CleanSpan(char* p, size_t n) {
  // Most lines are clean already: walk them without writing a byte. A clean stretch has no
  // tab, begins with no blank, and every blank in it is followed by a byte other than a
  // blank or a tab.
  size_t r = 0;
  if (n > 0 && !IsBlankOrTab(p[0])) {
    r = CleanPrefix(p, n);
    if (r == n) return n;
  }
  // From the first fault on, copy forward: runs of blanks and tabs become one blank, and
  // none is written at either end. The clean stretch before r stays where it is.
  size_t w = r;
  bool blankDue = false;
  for (; r < n; ++r) {
    char c = p[r];
    if (IsBlankOrTab(c)) {
      blankDue = w > 0;
      continue;
    }
    if (blankDue) {
      p[w++] = ' ';
      blankDue = false;
    }
    p[w++] = c;
  }
  return w;
}

void CleanLine(std::string& s) {
  size_t n = CleanSpan(s.data(), s.size());
  if (n != s.size()) s.resize(n);
}

void CleanLine(BoundedText& text) {
  text.resize(CleanSpan(text.data(), text.size()));
}

std::string StripExtension(std::string_view name) {
  size_t k = name.size();
  if (k == 0) return std::string();
  // Only the last "." counts; the first character is looked at only when the name is that
  // one character, so ".ini" keeps its name.
  while (k > 2 && name[k - 1] != '.') --k;
  if (name[k - 1] == '.') return std::string(name.substr(0, k - 1));
  return std::string(name);
}

}  // namespace kelvane
