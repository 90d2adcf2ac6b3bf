// The move-text parser. Every clean-up step overwrites unwanted bytes with blanks in one
// working copy, one pass each, so a move's offset in the copy is its offset in the source.
#include "engine/move_text_parser.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <limits>
#include <utility>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif
#if defined(__x86_64__)
#include <immintrin.h>
#endif

#include "engine/move_hash.h"
#include "text/char_class.h"
#include "text/clean_line.h"

namespace kelvane {

namespace {

constexpr int64_t kInt32Max = std::numeric_limits<int32_t>::max();

// NUL, tab, line feed, carriage return or blank.
inline bool IsWhite(char c) {
  return c == ' ' || c == '\0' || c == '\t' || c == '\n' || c == '\r';
}

// The bytes that BlankComments has to look at outside comments and annotation codes.
constexpr std::array<bool, 256> kCommentByte = [] {
  std::array<bool, 256> t{};
  for (unsigned char c : {'\t', '\n', '\r', '(', '{', ')', '}', '$'}) t[c] = true;
  return t;
}();

// Bit masks of 64 bytes for the one-pass split: blanks and periods separate the pieces,
// and the digits at the start of a piece are a move number.
struct SplitMasks {
  uint64_t separator;
  uint64_t digit;
};

[[gnu::always_inline]] inline SplitMasks ClassifyBlock(const char* p) {
  SplitMasks m{0, 0};
#if defined(__SSE2__)
  const __m128i blank = _mm_set1_epi8(' ');
  const __m128i period = _mm_set1_epi8('.');
  const __m128i zero = _mm_set1_epi8('0');
  const __m128i nine = _mm_set1_epi8(9);
  for (int k = 0; k < 4; ++k) {
    const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 16 * k));
    const __m128i sep = _mm_or_si128(_mm_cmpeq_epi8(v, blank), _mm_cmpeq_epi8(v, period));
    const __m128i d = _mm_sub_epi8(v, zero);  // a digit is below 10 as an unsigned byte
    const __m128i digit = _mm_cmpeq_epi8(_mm_min_epu8(d, nine), d);
    m.separator |= uint64_t(uint32_t(_mm_movemask_epi8(sep))) << (16 * k);
    m.digit |= uint64_t(uint32_t(_mm_movemask_epi8(digit))) << (16 * k);
  }
#else
  for (int k = 0; k < 64; ++k) {
    if (p[k] == ' ' || p[k] == '.') m.separator |= uint64_t{1} << k;
    if (IsDigit(p[k])) m.digit |= uint64_t{1} << k;
  }
#endif
  return m;
}

#if defined(__x86_64__)
// The same masks 32 bytes at a time, where the processor has AVX2 (see CountMoveWords).
__attribute__((target("avx2"))) inline SplitMasks ClassifyBlock32(const char* p) {
  const __m256i blank = _mm256_set1_epi8(' ');
  const __m256i period = _mm256_set1_epi8('.');
  const __m256i zero = _mm256_set1_epi8('0');
  const __m256i nine = _mm256_set1_epi8(9);
  SplitMasks m{0, 0};
  for (int k = 0; k < 2; ++k) {
    const __m256i v = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p + 32 * k));
    const __m256i sep = _mm256_or_si256(_mm256_cmpeq_epi8(v, blank), _mm256_cmpeq_epi8(v, period));
    const __m256i d = _mm256_sub_epi8(v, zero);
    const __m256i digit = _mm256_cmpeq_epi8(_mm256_min_epu8(d, nine), d);
    m.separator |= uint64_t(uint32_t(_mm256_movemask_epi8(sep))) << (32 * k);
    m.digit |= uint64_t(uint32_t(_mm256_movemask_epi8(digit))) << (32 * k);
  }
  return m;
}
#endif

// The bits set in x, without the library call that a build for any x86-64 makes of
// __builtin_popcountll.
inline int PopCount(uint64_t x) {
  x -= (x >> 1) & 0x5555555555555555ULL;
  x = (x & 0x3333333333333333ULL) + ((x >> 2) & 0x3333333333333333ULL);
  x = (x + (x >> 4)) & 0x0F0F0F0F0F0F0F0FULL;
  return static_cast<int>((x * 0x0101010101010101ULL) >> 56);
}

// What MoveWords does with the words of a text.
enum class WordPass { Each, Count, Any };

// The move words of p[0, len) (no NUL in it): the pieces between blanks and periods, each
// without the digits of a move number at its start. Each: word(start, end) for every word
// in order; Count: only counted; Any: 1 at the first move byte, else 0. Returns the words.
// The text is read 64 bytes at a time as bit masks (bit k stands for byte base + k).
template <WordPass Pass, SplitMasks (*Classify)(const char*) = ClassifyBlock, typename OnWord>
[[gnu::always_inline]] inline size_t MoveWords(const char* p, size_t len, OnWord&& word) {
  // Carried from one block to the next: whether the byte before it was a separator (the
  // start of the text counts as one), a digit of a move number, or a byte of a move.
  uint64_t prevSeparator = 1, prevNumber = 0, prevMove = 0;
  size_t wordStart = 0, found = 0;
  char padded[64];
  for (size_t base = 0; base < len; base += 64) {
    const char* block = p + base;
    if (len - base < 64) {  // the last, short block: blanks past the end
      std::memset(padded, ' ', sizeof padded);
      std::memcpy(padded, block, len - base);
      block = padded;
    }
    const SplitMasks m = Classify(block);
    const uint64_t pieceStart = ~m.separator & ((m.separator << 1) | prevSeparator);
    // Adding a run's first bit clears the whole run: the digit runs that begin a piece
    // (or go on from the block before) are the move numbers.
    const uint64_t numberStart = (pieceStart & m.digit) | (prevNumber & m.digit & 1);
    const uint64_t number = m.digit & ~(m.digit + numberStart);
    const uint64_t move = ~m.separator & ~number;
    if constexpr (Pass == WordPass::Any) {
      if (move) return 1;
    }
    const uint64_t before = (move << 1) | prevMove;
    // The words' starts, and their ends (bit k: a word ends in front of byte k), taken in
    // step: a word carried from the block before ends at the first end, and every start
    // at the next end, or in a later block.
    uint64_t starts = move & ~before;
    found += static_cast<size_t>(PopCount(starts));
    if constexpr (Pass == WordPass::Each) {
      uint64_t ends = ~move & before;
      if (prevMove && ends) {
        word(wordStart, base + static_cast<size_t>(__builtin_ctzll(ends)));
        ends &= ends - 1;
      }
      while (starts) {
        const size_t start = base + static_cast<size_t>(__builtin_ctzll(starts));
        starts &= starts - 1;
        if (!ends) {
          wordStart = start;
          break;
        }
        word(start, base + static_cast<size_t>(__builtin_ctzll(ends)));
        ends &= ends - 1;
      }
    }
    prevSeparator = m.separator >> 63;
    prevNumber = number >> 63;
    prevMove = move >> 63;
  }
  if constexpr (Pass == WordPass::Each) {
    if (prevMove) word(wordStart, len);
  }
  return found;
}

#if defined(__x86_64__)
// Whether the processor has what the builds for newer processors below use (nearly every
// x86-64 since 2013): AVX2 to classify 32 bytes at a time, and BMI, BMI2 and POPCNT.
const bool kHasBmi2 = [] {
  __builtin_cpu_init();  // this may run before the library's own constructor has
  return __builtin_cpu_supports("avx2") && __builtin_cpu_supports("bmi") &&
         __builtin_cpu_supports("bmi2") && __builtin_cpu_supports("popcnt");
}();

__attribute__((target("avx2,bmi,bmi2,popcnt"))) size_t CountMoveWordsBmi2(const char* p,
                                                                          size_t len) {
  return MoveWords<WordPass::Count, ClassifyBlock32>(p, len, [](size_t, size_t) {});
}
#endif

// The move words of p[0, len), counted: the count that the row of every game listed needs,
// so the bytes are classified 32 at a time where the processor can.
size_t CountMoveWords(const char* p, size_t len) {
#if defined(__x86_64__)
  if (kHasBmi2) return CountMoveWordsBmi2(p, len);
#endif
  return MoveWords<WordPass::Count>(p, len, [](size_t, size_t) {});
}

// The first byte at or after i that the comment step must look at outside comments.
size_t SkipPlainText(const char* w, size_t i, size_t len) {
#if defined(__SSE2__)
  const __m128i specials[8] = {_mm_set1_epi8('\t'), _mm_set1_epi8('\n'), _mm_set1_epi8('\r'),
                               _mm_set1_epi8('('),  _mm_set1_epi8('{'),  _mm_set1_epi8(')'),
                               _mm_set1_epi8('}'),  _mm_set1_epi8('$')};
  for (; i + 16 <= len; i += 16) {
    const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(w + i));
    __m128i hit = _mm_cmpeq_epi8(v, specials[0]);
    for (int k = 1; k < 8; ++k) hit = _mm_or_si128(hit, _mm_cmpeq_epi8(v, specials[k]));
    if (int mask = _mm_movemask_epi8(hit)) return i + static_cast<size_t>(__builtin_ctz(mask));
  }
#endif
  while (i < len && !kCommentByte[static_cast<unsigned char>(w[i])]) ++i;
  return i;
}

// Inside a comment: blanks whole 16-byte blocks from i up to the next bracket, keeping the
// annotation switch as the bytes would leave it ("$" turns it on, a blank, tab or line
// break off). Returns where the byte-by-byte walk goes on: a bracket, or the short tail.
size_t BlankCommentText(char* w, size_t i, size_t len, bool& annotation) {
#if defined(__SSE2__)
  const __m128i open1 = _mm_set1_epi8('('), open2 = _mm_set1_epi8('{');
  const __m128i close1 = _mm_set1_epi8(')'), close2 = _mm_set1_epi8('}');
  const __m128i dollar = _mm_set1_epi8('$'), blank = _mm_set1_epi8(' ');
  const __m128i tab = _mm_set1_epi8('\t'), lf = _mm_set1_epi8('\n'), cr = _mm_set1_epi8('\r');
  for (; i + 16 <= len; i += 16) {
    const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(w + i));
    const int brackets = _mm_movemask_epi8(
        _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi8(v, open1), _mm_cmpeq_epi8(v, open2)),
                     _mm_or_si128(_mm_cmpeq_epi8(v, close1), _mm_cmpeq_epi8(v, close2))));
    const int n = brackets ? __builtin_ctz(brackets) : 16;  // bytes before the bracket
    const unsigned keep = n == 16 ? 0xFFFFu : (1u << n) - 1;
    const unsigned dollars = unsigned(_mm_movemask_epi8(_mm_cmpeq_epi8(v, dollar))) & keep;
    const unsigned whites = unsigned(_mm_movemask_epi8(_mm_or_si128(
                                _mm_or_si128(_mm_cmpeq_epi8(v, blank), _mm_cmpeq_epi8(v, tab)),
                                _mm_or_si128(_mm_cmpeq_epi8(v, lf), _mm_cmpeq_epi8(v, cr))))) &
                            keep;
    // The later of the last "$" and the last white byte decides the switch.
    if (dollars | whites)
      annotation = dollars > 0 && (whites == 0 || __builtin_clz(dollars) < __builtin_clz(whites));
    std::memset(w + i, ' ', static_cast<size_t>(n));
    if (n < 16) return i + static_cast<size_t>(n);
  }
#else
  (void)w;
  (void)len;
  (void)annotation;
#endif
  return i;
}

// Offsets and positions are 32-bit fields; a text beyond 2 GiB saturates instead of
// wrapping into negative values.
inline int32_t Clamp32(int64_t v) {
  return static_cast<int32_t>(std::clamp<int64_t>(v, 0, kInt32Max));
}

// Above this many bytes a text's moves are counted before they are reserved; below it
// every other byte is taken for a move.
constexpr size_t kCountAbove = 4096;

// The bytes that can never be part of a move: the clean-up steps turn every one of them
// into a blank.
constexpr std::array<bool, 256> kNeverInMove = [] {
  std::array<bool, 256> t{};
  for (unsigned char c : {' ', '\t', '\n', '\r', '(', ')', '{', '}', '.'}) t[c] = true;
  return t;
}();

// Copies n bytes from `from` to out, which lies before it in the same text; end is where
// the bytes still to be read begin, at or after from + n.
inline void MoveBack(char* out, const char* from, size_t n, const char* end, bool roomy) {
  if (out == from) return;  // nothing was removed before this word
  if (roomy && n <= 16 && out + 16 <= end) {
    // Most words are short: one 16-byte copy, through a register since the two overlap.
    char chunk[16];
    std::memcpy(chunk, from, 16);
    std::memcpy(out, chunk, 16);
  } else {
    std::memmove(out, from, n);
  }
}

}  // namespace

Move::Move(int32_t offset, std::string_view text) : Offset(offset) {
  const size_t n = std::min<size_t>(text.size(), kMaxText);
  std::memset(MoveText, 0, sizeof MoveText);
  if (n) std::memcpy(MoveText, text.data(), n);
  TextLen = static_cast<int8_t>(n);
}

size_t MovesAtMost(std::string_view text) {
  // Every move is a run of non-blank bytes followed by a blank or the end.
  if (text.size() <= kCountAbove) return text.size() / 2 + 1;
  // A move lies inside one run of bytes that the clean-up steps leave standing, and a run
  // of digits alone is a move number. One more for a text that is a single digit.
  size_t runs = 1;
  bool word = false;
  for (unsigned char c : text) {
    if (kNeverInMove[c]) {
      runs += word;
      word = false;
    } else if (!IsDigit(static_cast<char>(c))) {
      word = true;
    }
  }
  return runs + word;
}

MoveTextParser::MoveTextParser(std::string_view text, bool wantCleanText, bool wantMoves)
    : work_(text), WantCleanText(wantCleanText), WantMoves(wantMoves), SourceText(text) {
  // All the memory a parse needs is taken here: a shortage then ends the scan as one,
  // instead of reaching the matcher from Parse as a fault of the game's move text.
  if (wantMoves) Moves.reserve(MovesAtMost(text));
}

MoveTextParser::~MoveTextParser() = default;

void MoveTextParser::NotationError(int64_t position, const std::string& message) {
  ErrorText = message;
  ErrorPos = Clamp32(std::max<int64_t>(position, 1) - 1);
  throw MoveTextError(message);
}

void MoveTextParser::Parse() {
  std::string& w = work_;
  char* const p = w.data();
  const size_t len = w.size();

  BlankResult(p, len);

  size_t position = 0;
  const int64_t depth = BlankComments(p, len, position);
  if (depth < 0) NotationError(static_cast<int64_t>(position), "extra )/} found");
  if (depth > 0) NotationError(static_cast<int64_t>(len), "game ended in comment");

  // The usual text goes through the move-number, split and normalise steps in one pass;
  // a text with a NUL or of one byte takes the steps one by one (see SplitNumberedMoves).
  if (Values && !WantMoves && !WantCleanText ? SplitMoveValues() : SplitNumberedMoves()) return;
  BlankMoveNumbers(p, len);

  // The moves keep their own copies of their texts, so once they are split the working
  // copy itself can become the normalised text without a second copy. Splitting first also
  // leaves CleanText empty when the game has no moves.
  SplitMoves(w);
  if (WantCleanText) {
    CleanText = std::move(w);
    CleanLine(CleanText);
  }
}

bool MoveTextParser::SplitNumberedMoves() {
  // After the comment step the text holds no tab or line break, so blanking the move
  // numbers and periods leaves words that are the pieces between blanks and periods, each
  // without its leading digits; those words are the moves, and joined by single blanks
  // they are the normalised text. Two cases differ from that reading: a NUL ends the moves
  // but not the normalised text, and a text of one digit keeps it.
  const size_t len = work_.size();
  if (len <= 1 || std::memchr(work_.data(), '\0', len)) return false;
  char* const p = work_.data();
  const bool keep = WantMoves;
  const bool normalize = WantCleanText;
  const bool hash = Values != nullptr;
  MoveValues::Writer values = hash ? Values->Start() : MoveValues::Writer{};
  // The normalised text is written over the working copy, behind the words still to be
  // read (out never passes a word's start), then cut and handed over.
  char* out = p;
  auto emit = [&](size_t start, size_t end) __attribute__((always_inline)) {
    const size_t n = end - start;
    const int32_t offset = Clamp32(static_cast<int64_t>(start));
    // Most words have 16 bytes of the text after their start: copy them in fixed sizes.
    const bool roomy = start + 16 <= len;
    if (hash) values.Add(p + start, n, start + 8 <= len);
    if (keep) {
      if (roomy)
        Moves.emplace_back(offset, Move::ReadableWord{p + start, n});
      else
        Moves.emplace_back(offset, std::string_view(p + start, n));
    }
    if (normalize) {
      if (out != p) *out++ = ' ';
      MoveBack(out, p + start, n, p + end, roomy);
      out += n;
    }
  };
  auto none = [](size_t, size_t) {};
  size_t found;
  if (keep || normalize || hash) {
    found = MoveWords<WordPass::Each>(p, len, emit);
  } else if (CountMoves) {
    // Only counted: the moves' first bytes are counted a block at a time.
    found = CountMoveWords(p, len);
  } else {
    // Without moves, a normalised text, a hash or a count to build, one move is all there
    // is to know.
    if (MoveWords<WordPass::Any>(p, len, none)) return true;
    found = 0;
  }
  if (found == 0) NotationError(0, "null game");
  if (hash) Values->Done(values);
  SetCountedPlies(found);
  if (normalize) {
    work_.resize(static_cast<size_t>(out - p));
    CleanText = std::move(work_);
  }
  return true;
}

namespace {

// The words of p[0, len) added to values; how many there are.
struct SplitValues {
  MoveValues::Writer values;
  size_t found;
};

template <SplitMasks (*Classify)(const char*) = ClassifyBlock>
[[gnu::always_inline]] inline SplitValues SplitWordValues(const char* p, size_t len,
                                                          MoveValues::Writer values) {
  const size_t found = MoveWords<WordPass::Each, Classify>(p, len, [&](size_t start, size_t end) {
    values.Add(p + start, end - start, start + 8 <= len);
  });
  return {values, found};
}

SplitValues SplitWordValuesAnyCpu(const char* p, size_t len, MoveValues::Writer values) {
  return SplitWordValues(p, len, values);
}

#if defined(__x86_64__)
// The same built for the processors that have them (nearly every x86-64 since 2013): the
// bytes are classified 32 at a time, and the bit counts, lowest-bit steps and shifts are
// single instructions.
__attribute__((target("avx2,bmi,bmi2,popcnt"))) SplitValues SplitWordValuesBmi2(
    const char* p, size_t len, MoveValues::Writer values) {
  return SplitWordValues<ClassifyBlock32>(p, len, values);
}

#endif

}  // namespace

bool MoveTextParser::SplitMoveValues() {
  const size_t len = work_.size();
  if (len <= 1 || std::memchr(work_.data(), '\0', len)) return false;
  const char* const p = work_.data();
#if defined(__x86_64__)
  const SplitValues split = kHasBmi2 ? SplitWordValuesBmi2(p, len, Values->Start())
                                     : SplitWordValuesAnyCpu(p, len, Values->Start());
#else
  const SplitValues split = SplitWordValuesAnyCpu(p, len, Values->Start());
#endif
  if (split.found == 0) NotationError(0, "null game");
  Values->Done(split.values);
  SetCountedPlies(split.found);
  return true;
}

void MoveTextParser::SetCountedPlies(size_t found) {
  // CountPlies reads a ";" and a "%" at the start of a line outside comments as comments.
  if (CountMoves && !std::memchr(work_.data(), ';', work_.size()) &&
      !std::memchr(work_.data(), '%', work_.size()))
    CountedPlies = static_cast<int64_t>(found);
}

void MoveTextParser::SplitMoves(std::string_view w) {
  const char* const begin = w.data();
  const char* const end = begin + w.size();
  const size_t before = Moves.size();
  MoveValues::Writer values = Values ? Values->Start() : MoveValues::Writer{};

  const char* q = begin;
  size_t found = 0;
  for (;;) {
    while (q != end && *q == ' ') ++q;
    if (q == end || *q == '\0') break;  // a NUL ends the text for this step
    const char* const start = q;
    while (q != end && *q != ' ' && *q != '\0') ++q;
    ++found;
    if (Values) values.Add(start, static_cast<size_t>(q - start), start + 8 <= end);
    if (WantMoves)
      Moves.emplace_back(Clamp32(start - begin),
                         std::string_view(start, static_cast<size_t>(q - start)));
  }
  if (found == 0 && Moves.size() == before) NotationError(0, "null game");
  if (Values) Values->Done(values);
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
      i = SkipPlainText(w, i, len);
      if (i == len) break;
    } else if (depth > 0) {
      // Inside a comment or variation every byte becomes a blank; only brackets need a look.
      i = BlankCommentText(w, i, len, annotation);
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

}  // namespace kelvane
