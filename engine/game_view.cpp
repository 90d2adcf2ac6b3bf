#include "engine/game_view.h"

#include <array>
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
bool QuotedValue(const char* at, const char* end, std::string_view& value) {
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

}  // namespace

std::optional<std::string_view> GameView::Tag(std::string_view name) const {
  if (name.empty()) return std::nullopt;
  if (std::optional<std::string_view> value = TagAsWritten(header, name)) return value;
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

void GameView::Tags(const std::string_view* names, std::string_view* values, size_t count) const {
  // 0: no line yet; 1: a line whose name differs in case; 2: a line with the name as written.
  constexpr size_t kMost = 16;
  uint8_t found[kMost] = {};
  if (count > kMost) count = kMost;
  for (size_t k = 0; k < count; ++k) values[k] = {};
  size_t exact = 0;  // the names found as written: no later line can change them
  // The names of each size, as bits.
  uint16_t ofSize[kMost + 1] = {};
  for (size_t k = 0; k < count; ++k)
    if (!names[k].empty() && names[k].size() <= kMost) ofSize[names[k].size()] |= 1u << k;
  // One walk over the bytes: a line's name, and its value only when some name wants it.
  // The line ends at its LF; a CR before it is no part of a name or of a quoted value, so
  // the line need not be cut first.
  const char* p = header.data();
  const char* const end = p + header.size();
  while (p < end && exact < count) {
    const char* at = p;
    if (*at == '[') {
      ++at;
      while (at < end && IsBlankOrTab(*at)) ++at;
      const char* const nameStart = at;
      at = FindFirst<' ', '\t', '"', ']', '\r', '\n'>(at, end);
      const std::string_view name(nameStart, static_cast<size_t>(at - nameStart));
      for (unsigned bits = name.size() <= kMost ? ofSize[name.size()] : 0; bits; bits &= bits - 1) {
        const int k = __builtin_ctz(bits);
        if (found[k] == 2) continue;
        // Names are short: compared here rather than in a library call.
        size_t same = 0;
        while (same < name.size() && name[same] == names[k][same]) ++same;
        const uint8_t kind = same == name.size()                                      ? 2
                             : found[k] == 0 && SameIgnoringAsciiCase(name, names[k]) ? 1
                                                                                      : 0;
        if (kind <= found[k]) continue;
        if (QuotedValue(at, end, values[k])) {
          found[k] = kind;
          exact += kind == 2;
        }
      }
    }
    at = FindFirst<'\n'>(at, end);
    p = at == end ? end : at + 1;
  }
}

}  // namespace kelvane
