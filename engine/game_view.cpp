#include "engine/game_view.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "text/char_class.h"

namespace kelvane {

namespace {

// The name of a tag line "[Name ..."; empty when the line is none. at becomes the index of
// the byte past the name.
std::string_view TagName(std::string_view line, size_t& at) {
  if (line.empty() || line[0] != '[') return {};
  size_t i = 1;
  while (i < line.size() && IsBlankOrTab(line[i])) ++i;
  const size_t nameStart = i;
  while (i < line.size() && !IsBlankOrTab(line[i]) && line[i] != '"' && line[i] != ']') ++i;
  at = i;
  return line.substr(nameStart, i - nameStart);
}

// The quoted value of a tag line from at, the byte past its name; nothing when the line
// has none.
std::optional<std::string_view> TagValue(std::string_view line, size_t at) {
  size_t i = at;
  while (i < line.size() && IsBlankOrTab(line[i])) ++i;
  if (i == line.size() || line[i] != '"') return std::nullopt;
  const size_t valueStart = ++i;
  for (; i < line.size(); ++i) {
    if (line[i] == '\\' && i + 1 < line.size()) {
      ++i;  // an escaped character, a quote included
    } else if (line[i] == '"') {
      return line.substr(valueStart, i - valueStart);
    }
  }
  return std::nullopt;
}

// The first byte from at, before end, that is one of chars (up to six, the rest repeating
// the first), or end. Sixteen bytes at a time while they can be read.
template <char C0, char C1 = C0, char C2 = C0, char C3 = C0, char C4 = C0, char C5 = C0>
const char* FindFirst(const char* at, const char* end) {
#if defined(__SSE2__)
  const auto eq = [](__m128i v, char c) { return _mm_cmpeq_epi8(v, _mm_set1_epi8(c)); };
  for (; end - at >= 16; at += 16) {
    const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(at));
    const __m128i hit = _mm_or_si128(_mm_or_si128(_mm_or_si128(eq(v, C0), eq(v, C1)), eq(v, C2)),
                                     _mm_or_si128(_mm_or_si128(eq(v, C3), eq(v, C4)), eq(v, C5)));
    if (const int mask = _mm_movemask_epi8(hit)) return at + __builtin_ctz(mask);
  }
#endif
  for (; at < end; ++at) {
    const char c = *at;
    if (c == C0 || c == C1 || c == C2 || c == C3 || c == C4 || c == C5) return at;
  }
  return end;
}

// The quoted value of a tag line from at, the byte past its name, up to the line's end (an
// LF, or end), as TagValue reads the line cut at its end: value is set and true, or false
// when the line has none.
[[gnu::always_inline]] inline bool QuotedValue(const char* at, const char* end,
                                               std::string_view& value) {
  while (at < end && IsBlankOrTab(*at)) ++at;
  if (at == end || *at != '"') return false;
  const char* const start = ++at;
  for (;;) {
    at = FindFirst<'"', '\\', '\n'>(at, end);
    if (at == end || *at == '\n') return false;
    if (*at == '"') {
      value = std::string_view(start, static_cast<size_t>(at - start));
      return true;
    }
    // An escaped byte, a quote included, but not the line's end (a CR escaped before it
    // leaves the LF to end the line).
    if (at + 1 == end || at[1] == '\n') return false;
    at += 2;
  }
}

// The line of header around byte at, without its line end: lines end in CR LF as read,
// or in LF or CR LF in a file's raw bytes.
std::string_view LineAround(std::string_view header, size_t at, size_t& next) {
  const size_t before = header.rfind('\n', at);
  const size_t start = before == std::string_view::npos ? 0 : before + 1;
  const size_t end = header.find('\n', at);
  next = end == std::string_view::npos ? header.size() : end + 1;
  std::string_view line = header.substr(start, end == std::string_view::npos ? end : end - start);
  if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
  return line;
}

// The value of the first tag line named name as written, found by searching the header
// for the name rather than reading it line by line.
std::optional<std::string_view> TagAsWritten(std::string_view header, std::string_view name) {
  for (size_t from = 0; from < header.size();) {
    const size_t at = header.find(name, from);
    if (at == std::string_view::npos) break;
    size_t next = 0;
    const std::string_view line = LineAround(header, at, next);
    size_t nameEnd = 0;
    if (TagName(line, nameEnd) == name)
      if (std::optional<std::string_view> value = TagValue(line, nameEnd)) return value;
    from = next;  // the name stood in a value, or named a line without one
  }
  return std::nullopt;
}

// Whether c ends a tag line's name: a blank, a tab, a quote, a "]", a CR or an LF.
inline bool EndsName(char c) {
  constexpr uint64_t kEnds = 1ull << ' ' | 1ull << '\t' | 1ull << '"' | 1ull << '\r' | 1ull << '\n';
  const auto b = static_cast<unsigned char>(c);
  return b == ']' || (b < 64 && (kEnds >> b & 1));
}

// A name that a tag line's name can be: not empty, and no byte of it ends a name.
bool CanBeName(std::string_view name) {
  return !name.empty() && std::none_of(name.begin(), name.end(), EndsName);
}

// A name of up to eight bytes as the number that eight bytes in memory hold (on a
// little-endian machine), the bytes past the name 0; 0 for a longer name.
uint64_t NameWord(std::string_view name) {
  uint64_t word = 0;
  if (name.size() <= 8) std::memcpy(&word, name.data(), name.size());
  return word;
}

// Whether the tag line whose name begins at name, before end, has the name wanted, a name
// that can be one (word: its NameWord): 2 as written, 1 in another case, else 0; a name
// that differs only in case is looked at only when inOtherCase.
[[gnu::always_inline]] inline int NameIs(const char* name, const char* end, std::string_view wanted,
                                         uint64_t word, bool inOtherCase) {
  const size_t n = wanted.size();
  // A name that ends the header has no value.
  if (static_cast<size_t>(end - name) <= n || !EndsName(name[n])) return 0;
  if constexpr (std::endian::native == std::endian::little) {
    // A short name is compared in one number when eight bytes can be read.
    if (n <= 8 && end - name >= 8) {
      uint64_t bytes;
      std::memcpy(&bytes, name, 8);
      if (n < 8) bytes &= (uint64_t{1} << (8 * n)) - 1;
      if (bytes == word) return 2;
      // Bytes that differ in more than the bit of a letter's case differ in any case.
      if (!inOtherCase || ((bytes ^ word) & ~uint64_t{0x2020202020202020})) return 0;
      return SameIgnoringAsciiCase(std::string_view(name, n), wanted) ? 1 : 0;
    }
  }
  // Names are short: compared here rather than in a library call.
  size_t same = 0;
  while (same < n && name[same] == wanted[same]) ++same;
  if (same == n) return 2;
  if (!inOtherCase) return 0;
  return SameIgnoringAsciiCase(std::string_view(name + same, n - same), wanted.substr(same)) ? 1
                                                                                             : 0;
}

// The first byte of the name of the tag line whose "[" is at line, before end.
inline const char* NameStart(const char* line, const char* end) {
  ++line;
  while (line < end && IsBlankOrTab(*line)) ++line;
  return line;
}

}  // namespace

void NoteTagLines(std::string_view header, TagLines& lines) {
  lines.Clear();
  const char* const data = header.data();
  const char* const end = data + header.size();
  for (const char* p = data; p < end;) {
    if (*p == '[') lines.Note(static_cast<size_t>(p - data));
    p = FindFirst<'\n'>(p, end);
    if (p < end) ++p;
  }
}

std::optional<std::string_view> GameView::Tag(std::string_view name) const {
  if (name.empty()) return std::nullopt;
  if (tagLines && tagLines->usable && CanBeName(name)) {
    // The first line with the name as written, else the first whose name differs in case.
    const char* const begin = header.data();
    const char* const end = begin + header.size();
    const uint64_t word = NameWord(name);
    std::optional<std::string_view> inOtherCase;
    for (const uint32_t start : tagLines->starts) {
      const char* const lineName = NameStart(begin + start, end);
      // The first bytes differ in more than case: another name.
      if (lineName == end || (*lineName ^ name[0]) & 31) continue;
      const int kind = NameIs(lineName, end, name, word, !inOtherCase);
      std::string_view value;
      if (kind == 0 || !QuotedValue(lineName + name.size(), end, value)) continue;
      if (kind == 2) return value;
      inOtherCase = value;
    }
    return inOtherCase;
  }
  if (std::optional<std::string_view> value = TagAsWritten(header, name)) return value;
  if (CanBeName(name)) {
    // No line has the name as written with a value: the first whose name differs in case.
    // Most headers have none: a line whose name begins with another letter is passed over
    // without being cut out.
    const char* const end = header.data() + header.size();
    const uint64_t word = NameWord(name);
    for (const char* p = header.data(); p < end;) {
      if (*p == '[') {
        const char* const lineName = NameStart(p, end);
        std::string_view value;
        if (lineName < end && !((*lineName ^ name[0]) & 31) &&
            NameIs(lineName, end, name, word, true) != 0 &&
            QuotedValue(lineName + name.size(), end, value))
          return value;
      }
      p = FindFirst<'\n'>(p, end);
      if (p < end) ++p;
    }
    return std::nullopt;
  }
  for (size_t from = 0; from < header.size();) {
    size_t next = 0;
    const std::string_view line = LineAround(header, from, next);
    size_t nameEnd = 0;
    if (SameIgnoringAsciiCase(TagName(line, nameEnd), name))
      if (std::optional<std::string_view> value = TagValue(line, nameEnd)) return value;
    from = next;
  }
  return std::nullopt;
}

TagNames::TagNames(const std::string_view* names, size_t count)
    : names_(names), count_(std::min<size_t>(count, 16)) {
  for (size_t k = 0; k < count_; ++k) {
    if (CanBeName(names[k])) byFirst_[names[k][0] & 31] |= static_cast<uint16_t>(1u << k);
    words_[k] = NameWord(names[k]);
  }
}

void GameView::Tags(const std::string_view* names, std::string_view* values, size_t count) const {
  Tags(TagNames(names, count), values);
}

void GameView::Tags(const TagNames& wanted, std::string_view* values) const {
  const size_t count = wanted.count_;
  const std::string_view* const names = wanted.names_;
  // 0: no line yet; 1: a line whose name differs in case; 2: a line with the name as written.
  uint8_t found[16] = {};
  for (size_t k = 0; k < count; ++k) values[k] = {};
  size_t exact = 0;  // the names found as written: no later line can change them
  // Reads the tag line at line: the value of each name it has, read up to its LF (a CR
  // before the LF is no part of a name or of a quoted value, so the line need not be cut
  // first). Gives the name's first byte.
  const char* const end = header.data() + header.size();
  const auto take = [&](const char* line) __attribute__((always_inline)) {
    const char* const name = NameStart(line, end);
    if (name == end) return name;
    for (unsigned bits = wanted.byFirst_[*name & 31]; bits; bits &= bits - 1) {
      const int k = __builtin_ctz(bits);
      if (found[k] == 2) continue;
      const int kind = NameIs(name, end, names[k], wanted.words_[k], found[k] == 0);
      if (kind > found[k] && QuotedValue(name + names[k].size(), end, values[k])) {
        found[k] = static_cast<uint8_t>(kind);
        exact += kind == 2;
      }
    }
    return name;
  };
  if (tagLines && tagLines->usable) {
    for (const uint32_t start : tagLines->starts) {
      if (exact == count) break;
      take(header.data() + start);
    }
    return;
  }
  // One walk over the bytes.
  for (const char* p = header.data(); p < end && exact < count;) {
    p = FindFirst<'\n'>(*p == '[' ? take(p) : p, end);
    if (p < end) ++p;
  }
}

}  // namespace kelvane
