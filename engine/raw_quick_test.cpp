#include "engine/raw_quick_test.h"

#include <algorithm>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace kelvane {

namespace {

// Follows the line starts of a plain game: tag lines, the empty line after them, then the
// move-text lines up to the empty line that ends the game.
class LayoutCheck {
 public:
  LayoutCheck(const char* p, size_t n) : p_(p), n_(n) {}

  // Looks at the line that follows the LF at i. Returns false when the game is not plain
  // (or not wholly inside the bytes); sets done once the game's end is known.
  bool AfterLineFeed(size_t i) {
    if (i + 1 >= n_) return false;
    const char b = p_[i + 1];
    if (inHeader_) {
      if (b == '[') return true;
      const size_t moveText = EmptyLineEnd(i + 1);
      if (moveText == 0 || moveText + 1 >= n_) return false;
      if (p_[moveText] != '1' || p_[moveText + 1] != '.') return false;
      inHeader_ = false;
      game_.moveText = moveText;
      return true;
    }
    if (b == ' ' || b == '\t') return false;  // perhaps a line of blanks, which is empty
    if (b != '\n' && b != '\r') return true;
    const size_t end = EmptyLineEnd(i + 1);
    if (end == 0) return false;
    game_.moveEnd = i + 1;
    game_.end = end;
    done_ = true;
    return true;
  }

  bool done() const { return done_; }
  const PlainGame& game() const { return game_; }

 private:
  // Where the next line starts when the line at i is empty ("\n" or "\r\n"); 0 otherwise.
  size_t EmptyLineEnd(size_t i) const {
    if (p_[i] == '\n') return i + 1;
    if (p_[i] == '\r' && i + 1 < n_ && p_[i + 1] == '\n') return i + 2;
    return 0;
  }

  const char* p_;
  size_t n_;
  bool inHeader_ = true;
  bool done_ = false;
  PlainGame game_;
};

// A byte that bounds a word in front of it, and one that bounds it behind, once tabs are
// blanks and line ends are the CR LF between lines.
inline bool BoundsBefore(char c) {
  return c == '\n' || c == '\r' || c == ' ' || c == '\t' || c == '.';
}
inline bool BoundsAfter(char c) {
  return c == '\n' || c == '\r' || c == ' ' || c == '\t' || c == '!' || c == '+' || c == '?';
}

bool WholeAt(std::string_view text, size_t at, std::string_view word) {
  if (at > 0 && !BoundsBefore(text[at - 1])) return false;
  const size_t end = at + word.size();
  return end == text.size() || BoundsAfter(text[end]);
}

// True when word stands somewhere in text with raw word bounds on both sides.
bool HasWholeWord(std::string_view text, std::string_view word) {
  const size_t k = word.size();
  if (k == 0 || k > text.size()) return false;
  const char* t = text.data();
  const size_t last = text.size() - k;  // the last possible start
  size_t i = 0;
#if defined(__SSE2__)
  // Candidates are the starts whose first and last bytes match; only those are compared.
  const __m128i first = _mm_set1_epi8(word.front());
  const __m128i lastByte = _mm_set1_epi8(word.back());
  for (; i + 16 <= last + 1; i += 16) {
    const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(t + i));
    const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(t + i + k - 1));
    unsigned mask = static_cast<unsigned>(
        _mm_movemask_epi8(_mm_and_si128(_mm_cmpeq_epi8(a, first), _mm_cmpeq_epi8(b, lastByte))));
    while (mask) {
      const size_t at = i + static_cast<size_t>(__builtin_ctz(mask));
      if (std::memcmp(t + at, word.data(), k) == 0 && WholeAt(text, at, word)) return true;
      mask &= mask - 1;
    }
  }
#endif
  for (; i <= last; ++i)
    if (t[i] == word.front() && std::memcmp(t + i, word.data(), k) == 0 && WholeAt(text, i, word))
      return true;
  return false;
}

}  // namespace

bool MeasurePlainGame(const char* p, size_t n, PlainGame& game) {
  if (n == 0 || p[0] != '[') return false;
  LayoutCheck check(p, n);
  size_t o = 0;
#if defined(__SSE2__)
  // Sixteen bytes at a time: the LFs mark the line starts to look at; a NUL, or a CR that no
  // LF follows, makes the game one for the line rules.
  const __m128i lf = _mm_set1_epi8('\n');
  const __m128i cr = _mm_set1_epi8('\r');
  const __m128i nul = _mm_setzero_si128();
  for (; o + 16 < n; o += 16) {
    const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + o));
    const __m128i next = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + o + 1));
    const __m128i loneCr = _mm_andnot_si128(_mm_cmpeq_epi8(next, lf), _mm_cmpeq_epi8(v, cr));
    const unsigned odd =
        static_cast<unsigned>(_mm_movemask_epi8(_mm_or_si128(loneCr, _mm_cmpeq_epi8(v, nul))));
    unsigned lines = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(v, lf)));
    while (lines) {
      if (!check.AfterLineFeed(o + static_cast<size_t>(__builtin_ctz(lines)))) return false;
      if (check.done()) {
        const size_t inBlock = check.game().end - o;  // bytes of this block in the game
        if (inBlock < 16 && (odd & ((1u << inBlock) - 1))) return false;
        // Past this block lies at most the rest of the empty line, known to be a line end.
        if (inBlock >= 16 && odd) return false;
        game = check.game();
        return true;
      }
      lines &= lines - 1;
    }
    if (odd) return false;
  }
#endif
  for (; o < n; ++o) {
    const char c = p[o];
    if (c == '\0' || (c == '\r' && (o + 1 >= n || p[o + 1] != '\n'))) return false;
    if (c != '\n') continue;
    if (!check.AfterLineFeed(o)) return false;
    if (check.done()) {
      // The rest of the game is the empty line, whose bytes were looked at.
      game = check.game();
      return true;
    }
  }
  return false;
}

RawQuickTest::RawQuickTest(const std::vector<std::string_view>& words) {
  usable_ = !words.empty();
  for (std::string_view w : words) {
    for (unsigned char c : w)
      if (c <= ' ') usable_ = false;
    words_.emplace_back(w);
  }
}

bool RawQuickTest::MayPass(std::string_view moveText) {
  for (size_t i = 0; i < words_.size(); ++i) {
    if (HasWholeWord(moveText, words_[i])) continue;
    // A word that rejects one game is likely to reject the next: look for it first.
    std::rotate(words_.begin(), words_.begin() + static_cast<std::ptrdiff_t>(i),
                words_.begin() + static_cast<std::ptrdiff_t>(i) + 1);
    return false;
  }
  return true;
}

bool SkipRejectedGame(InputFile& file, RawQuickTest& test, bool& eof) {
  const std::string_view bytes = file.Buffered();
  PlainGame game;
  if (!MeasurePlainGame(bytes.data(), bytes.size(), game)) return false;
  if (test.MayPass(bytes.substr(game.moveText, game.moveEnd - game.moveText))) return false;
  file.Skip(game.end);
  if (file.AtEnd()) eof = true;
  return true;
}

}  // namespace kelvane
