#include "engine/raw_quick_test.h"

#include <algorithm>
#include <cstring>

#include "engine/game_matcher.h"
#include "engine/game_view.h"
#include "engine/header_criteria.h"
#include "engine/move_text_parser.h"
#include "platform/fault.h"

#if defined(__x86_64__)
#include <immintrin.h>
#elif defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace kelvane {

namespace {

// Follows the line starts of a plain game: tag lines, the empty line after them, then the
// move-text lines up to the empty line that ends the game. Told that the bytes begin with
// the move text, it follows that alone.
class LayoutCheck {
 public:
  LayoutCheck(const char* p, size_t n, bool inHeader) : p_(p), n_(n), inHeader_(inHeader) {}

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

  bool inHeader() const { return inHeader_; }
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
  bool inHeader_;
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

// True when the bytes at a hold word, whose first and last bytes are known to match there.
// Words are a few bytes long: a plain loop beats a call.
inline bool SameInside(const char* a, std::string_view word) {
  for (size_t j = 1; j + 1 < word.size(); ++j)
    if (a[j] != word[j]) return false;
  return true;
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
      if (SameInside(t + at, word) && WholeAt(text, at, word)) return true;
      mask &= mask - 1;
    }
  }
#endif
  for (; i <= last; ++i)
    if (t[i] == word.front() && t[i + k - 1] == word.back() && SameInside(t + i, word) &&
        WholeAt(text, i, word))
      return true;
  return false;
}

// True when text holds a bracket of a comment or a variation.
bool HasBracket(std::string_view text) {
  const char* t = text.data();
  const size_t n = text.size();
  size_t i = 0;
#if defined(__SSE2__)
  const __m128i open1 = _mm_set1_epi8('('), open2 = _mm_set1_epi8('{');
  const __m128i close1 = _mm_set1_epi8(')'), close2 = _mm_set1_epi8('}');
  for (; i + 16 <= n; i += 16) {
    const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(t + i));
    const __m128i hit =
        _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi8(v, open1), _mm_cmpeq_epi8(v, open2)),
                     _mm_or_si128(_mm_cmpeq_epi8(v, close1), _mm_cmpeq_epi8(v, close2)));
    if (_mm_movemask_epi8(hit)) return true;
  }
#endif
  for (; i < n; ++i)
    if (t[i] == '(' || t[i] == ')' || t[i] == '{' || t[i] == '}') return true;
  return false;
}

#if defined(__SSE2__)
// The events of a block of bytes at p, one bit per byte: what ends the tags or the move text
// or makes the game one for the line rules. A NUL, a CR that no LF follows, and a line that
// does not begin with "[" among the tags, or, in the move text, one that begins with a byte
// up to a blank (an empty line, or one that begins with a blank or a tab; other control
// bytes come as events too, and are looked at and passed over). Most blocks hold none.
inline unsigned Events16(const char* p, bool inHeader) {
  const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
  const __m128i next = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 1));
  const __m128i atLf = _mm_cmpeq_epi8(v, _mm_set1_epi8('\n'));
  const __m128i nextLf = _mm_cmpeq_epi8(next, _mm_set1_epi8('\n'));
  const __m128i loneCr = _mm_andnot_si128(nextLf, _mm_cmpeq_epi8(v, _mm_set1_epi8('\r')));
  __m128i events = _mm_or_si128(loneCr, _mm_cmpeq_epi8(v, _mm_setzero_si128()));
  const __m128i lineStart =
      inHeader ? _mm_xor_si128(_mm_cmpeq_epi8(next, _mm_set1_epi8('[')), _mm_set1_epi8(-1))
               : _mm_cmpeq_epi8(_mm_min_epu8(next, _mm_set1_epi8(' ')), next);
  events = _mm_or_si128(events, _mm_and_si128(atLf, lineStart));
  return static_cast<unsigned>(_mm_movemask_epi8(events));
}
#endif

#if defined(__x86_64__)
__attribute__((target("avx2"))) inline unsigned Events32(const char* p, bool inHeader) {
  const __m256i v = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p));
  const __m256i next = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p + 1));
  const __m256i atLf = _mm256_cmpeq_epi8(v, _mm256_set1_epi8('\n'));
  const __m256i nextLf = _mm256_cmpeq_epi8(next, _mm256_set1_epi8('\n'));
  const __m256i loneCr = _mm256_andnot_si256(nextLf, _mm256_cmpeq_epi8(v, _mm256_set1_epi8('\r')));
  __m256i events = _mm256_or_si256(loneCr, _mm256_cmpeq_epi8(v, _mm256_setzero_si256()));
  const __m256i lineStart =
      inHeader
          ? _mm256_xor_si256(_mm256_cmpeq_epi8(next, _mm256_set1_epi8('[')), _mm256_set1_epi8(-1))
          : _mm256_cmpeq_epi8(_mm256_min_epu8(next, _mm256_set1_epi8(' ')), next);
  events = _mm256_or_si256(events, _mm256_and_si256(atLf, lineStart));
  return static_cast<unsigned>(_mm256_movemask_epi8(events));
}
#endif

// Follows the game byte by byte from o. Returns 1 when the game is plain (game set), 0 when
// it is not, -1 when the caller's blocks may go on from o. Inlined like MeasureInBlocks:
// plain SSE code called from AVX code pays for the switch on every instruction.
__attribute__((always_inline)) inline int LookAt(const char* p, size_t n, size_t o,
                                                 LayoutCheck& check, PlainGame& game) {
  const char c = p[o];
  if (c == '\0' || (c == '\r' && (o + 1 >= n || p[o + 1] != '\n'))) return 0;
  if (c != '\n') return -1;
  if (!check.AfterLineFeed(o)) return 0;
  if (!check.done()) return -1;
  // Past the LF lies the empty line, whose bytes were looked at.
  game = check.game();
  return 1;
}

// The measure with blocks of width bytes, whose events events gives. Always inlined, so that
// it takes the instruction set of its caller, and the events of the blocks are inlined too.
template <size_t width, unsigned (*events)(const char*, bool)>
__attribute__((always_inline)) inline bool MeasureInBlocks(const char* p, size_t n, PlainGame& game,
                                                           bool inHeader) {
  LayoutCheck check(p, n, inHeader);
  size_t o = 0;
  while (events != nullptr && o + width < n) {
    const unsigned mask = events(p + o, check.inHeader());
    if (mask == 0) {
      o += width;
      continue;
    }
    const size_t i = o + static_cast<size_t>(__builtin_ctz(mask));
    if (const int found = LookAt(p, n, i, check, game); found >= 0) return found == 1;
    // The tags may have ended: their empty line is known, and the blocks go on after it.
    o = std::max(i + 1, check.inHeader() ? 0 : check.game().moveText);
  }
  for (; o < n; ++o)
    if (const int found = LookAt(p, n, o, check, game); found >= 0) return found == 1;
  return false;
}

#if defined(__x86_64__)
__attribute__((target("avx2"))) bool MeasureIn32(const char* p, size_t n, PlainGame& game,
                                                 bool inHeader) {
  return MeasureInBlocks<32, Events32>(p, n, game, inHeader);
}
#endif

}  // namespace

bool BlockWidthAvailable(size_t width) {
#if defined(__x86_64__)
  if (width == 32) return __builtin_cpu_supports("avx2");
#endif
#if defined(__SSE2__)
  if (width == 16) return true;
#endif
  return width == 1;
}

namespace {

bool Measure(const char* p, size_t n, PlainGame& game, size_t width, bool inHeader) {
  static const size_t widest = BlockWidthAvailable(32) ? 32 : BlockWidthAvailable(16) ? 16 : 1;
  if (width == 0) width = widest;
#if defined(__x86_64__)
  if (width == 32) return MeasureIn32(p, n, game, inHeader);
#endif
#if defined(__SSE2__)
  if (width == 16) return MeasureInBlocks<16, Events16>(p, n, game, inHeader);
#endif
  return MeasureInBlocks<1, nullptr>(p, n, game, inHeader);
}

}  // namespace

bool MeasurePlainGame(const char* p, size_t n, PlainGame& game, size_t width) {
  if (n == 0 || p[0] != '[') return false;
  return Measure(p, n, game, width, true);
}

bool MeasurePlainMoveText(const char* p, size_t n, PlainGame& game, size_t width) {
  if (n < 2 || p[0] != '1' || p[1] != '.') return false;
  return Measure(p, n, game, width, false);
}

RawQuickTest::RawQuickTest(const GameMatcher& matcher)
    : RawQuickTest(matcher.QuickWords(), matcher.NotationSequence(), matcher.NotationMoves()) {}

RawQuickTest::RawQuickTest(const std::vector<std::string_view>& words,
                           std::string_view notationSequence, int64_t notationMoves)
    : sequence_(notationSequence), sequenceMoves_(notationMoves) {
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
  return SequenceMayStand(moveText);
}

bool RawQuickTest::SequenceMayStand(std::string_view text) {
  if (sequence_.empty() || sequenceMoves_ <= 0) return true;
  // A move text the parser finds faulty passes whatever its moves: only a text without a
  // bracket, whose brackets cannot be out of balance, is looked at.
  if (HasBracket(text)) return true;
  // A move with its number takes a few bytes: the first moves are looked for in a short
  // part of the text first, and in longer ones when they run past it.
  const size_t most = sequenceMoves_ > (int64_t{1} << 20)
                          ? text.size()
                          : std::min(text.size(), static_cast<size_t>(sequenceMoves_) * 24 + 64);
  size_t part = std::min(most, static_cast<size_t>(sequenceMoves_) * 8 + 16);
  for (;;) {
    const Found found = FirstMoves(text, part);
    if (found != Found::CutShort || part == most) return found != Found::Absent;
    part = std::min(most, 2 * part);
  }
}

RawQuickTest::Found RawQuickTest::FirstMoves(std::string_view text, size_t part) {
  // In front of an annotation code (or a NUL, which ends the moves) the parser only blanks
  // line breaks, tabs, move numbers and periods, and the code ends a move.
  const auto stops = [](char c) { return c == '$' || c == '\0'; };
  size_t n = 0;
  while (n < part && !stops(text[n])) ++n;
  const bool cutShort = n < text.size() && !stops(text[n]);
  work_.assign(text.data(), n);
  size_t position = 0;
  BlankComments(work_.data(), n, position);
  BlankMoveNumbers(work_.data(), n);
  joined_.clear();
  int64_t moves = 0;
  for (size_t i = 0; moves < sequenceMoves_;) {
    while (i < n && work_[i] == ' ') ++i;
    if (i == n) break;
    const size_t start = i;
    while (i < n && work_[i] != ' ') ++i;
    if (i == n && cutShort) return Found::CutShort;  // the move may go on past the part
    if (moves > 0) joined_ += ' ';
    joined_.append(work_, start, i - start);
    ++moves;
  }
  if (moves < sequenceMoves_ && cutShort) return Found::CutShort;
  // Two moves at least, so that the game is no null game (the result, which the parser
  // blanks, may be one of them). Fewer moves than needed are all the game's moves only when
  // the part was all of the text (its result being one more here, which does no harm).
  if (moves < 2 || (moves < sequenceMoves_ && n < text.size())) return Found::Unsure;
  return joined_.find(sequence_) != std::string::npos ? Found::Stands : Found::Absent;
}

namespace {

// Moves past n bytes that end a game, and sets eof as reading their lines would.
void SkipGameBytes(InputFile& file, size_t n, bool& eof) {
  file.Skip(n);
  try {
    if (file.AtEnd()) eof = true;
  } catch (const FatalError&) {
    // Damaged data after the whole game: the next read meets it.
  }
}

}  // namespace

bool SkipRejectedGame(InputFile& file, RawQuickTest& test, bool& eof, size_t most) {
  const std::string_view bytes = file.Buffered();
  PlainGame game;
  if (!MeasurePlainGame(bytes.data(), bytes.size(), game)) return false;
  // Read as lines, the game takes at most its bytes and a CR for each line of two or more.
  if (game.end + game.end / 2 > most) return false;
  if (test.MayPass(bytes.substr(game.moveText, game.moveEnd - game.moveText))) return false;
  SkipGameBytes(file, game.end, eof);
  return true;
}

bool SkipPlainMoveText(InputFile& file, bool& eof, size_t most) {
  const std::string_view bytes = file.Buffered();
  PlainGame game;
  if (!MeasurePlainMoveText(bytes.data(), bytes.size(), game)) return false;
  if (game.end + game.end / 2 > most) return false;
  SkipGameBytes(file, game.end, eof);
  return true;
}

bool SkipGameRejectedByTags(InputFile& file, const HeaderCriteria& tags, bool& eof,
                            size_t most) {
  const std::string_view bytes = file.Buffered();
  PlainGame game;
  if (!MeasurePlainGame(bytes.data(), bytes.size(), game)) return false;
  if (game.end + game.end / 2 > most) return false;
  // The tags compare alike on raw and on cleaned lines (HeaderCriteria cleans the blanks of
  // the values it reads).
  if (tags.PassesHeader(GameView{bytes.substr(0, game.moveText), {}})) return false;
  SkipGameBytes(file, game.end, eof);
  return true;
}

}  // namespace kelvane
