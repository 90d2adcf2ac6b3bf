#include "text/folded_text.h"

#include <array>
#include <cstdint>

namespace kelvane {

namespace {

constexpr char32_t kFirstFolded = 0xC0;
constexpr char32_t kLastFolded = 0x17F;

// The plain forms of U+00C0 to U+017F, by runs of characters that share one; a character of
// no run (the signs x and ÷) keeps its form.
struct FoldRun {
  char32_t first;
  char32_t last;
  const char* plain;
};
constexpr FoldRun kRuns[] = {
    {0xC0, 0xC5, "a"},   {0xC6, 0xC6, "ae"},   {0xC7, 0xC7, "c"},   {0xC8, 0xCB, "e"},
    {0xCC, 0xCF, "i"},   {0xD0, 0xD0, "d"},    {0xD1, 0xD1, "n"},   {0xD2, 0xD6, "o"},
    {0xD8, 0xD8, "o"},   {0xD9, 0xDC, "u"},    {0xDD, 0xDD, "y"},   {0xDE, 0xDE, "th"},
    {0xDF, 0xDF, "ss"},  {0xE0, 0xE5, "a"},    {0xE6, 0xE6, "ae"},  {0xE7, 0xE7, "c"},
    {0xE8, 0xEB, "e"},   {0xEC, 0xEF, "i"},    {0xF0, 0xF0, "d"},   {0xF1, 0xF1, "n"},
    {0xF2, 0xF6, "o"},   {0xF8, 0xF8, "o"},    {0xF9, 0xFC, "u"},   {0xFD, 0xFD, "y"},
    {0xFE, 0xFE, "th"},  {0xFF, 0xFF, "y"},    {0x100, 0x105, "a"}, {0x106, 0x10D, "c"},
    {0x10E, 0x111, "d"}, {0x112, 0x11B, "e"},  {0x11C, 0x123, "g"}, {0x124, 0x127, "h"},
    {0x128, 0x131, "i"}, {0x132, 0x133, "ij"}, {0x134, 0x135, "j"}, {0x136, 0x138, "k"},
    {0x139, 0x142, "l"}, {0x143, 0x14B, "n"},  {0x14C, 0x151, "o"}, {0x152, 0x153, "oe"},
    {0x154, 0x159, "r"}, {0x15A, 0x161, "s"},  {0x162, 0x167, "t"}, {0x168, 0x173, "u"},
    {0x174, 0x175, "w"}, {0x176, 0x178, "y"},  {0x179, 0x17E, "z"}, {0x17F, 0x17F, "s"},
};

constexpr std::array<const char*, kLastFolded - kFirstFolded + 1> kPlain = [] {
  std::array<const char*, kLastFolded - kFirstFolded + 1> t{};
  for (const FoldRun& run : kRuns)
    for (char32_t c = run.first; c <= run.last; ++c) t[c - kFirstFolded] = run.plain;
  return t;
}();

void AppendUtf8(char32_t c, std::string& out) {
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | (c >> 6));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    out += static_cast<char>(0xE0 | (c >> 12));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (c >> 18));
    out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
}

void AppendFoldedChar(char32_t c, std::string& out) {
  if (c < 0x80) {
    out += static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
  } else if (c >= kFirstFolded && c <= kLastFolded && kPlain[c - kFirstFolded] != nullptr) {
    out += kPlain[c - kFirstFolded];
  } else {
    AppendUtf8(c, out);
  }
}

// The character at i of valid UTF-8, and the bytes it takes; 0 bytes when the text is no
// valid UTF-8 there (overlong forms, surrogates and values past U+10FFFF included).
size_t DecodeUtf8(std::string_view s, size_t i, char32_t& c) {
  const auto byte = [&](size_t k) { return static_cast<unsigned char>(s[k]); };
  const unsigned char b = byte(i);
  size_t n = 0;
  char32_t least = 0;
  if (b >= 0xC2 && b <= 0xDF) {
    n = 2, c = b & 0x1F, least = 0x80;
  } else if (b >= 0xE0 && b <= 0xEF) {
    n = 3, c = b & 0x0F, least = 0x800;
  } else if (b >= 0xF0 && b <= 0xF4) {
    n = 4, c = b & 0x07, least = 0x10000;
  } else {
    return 0;
  }
  if (i + n > s.size()) return 0;
  for (size_t k = 1; k < n; ++k) {
    if ((byte(i + k) & 0xC0) != 0x80) return 0;
    c = (c << 6) | (byte(i + k) & 0x3F);
  }
  if (c < least || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) return 0;
  return n;
}

}  // namespace

bool IsUtf8(std::string_view s) {
  char32_t c;
  for (size_t i = 0; i < s.size();) {
    if (static_cast<unsigned char>(s[i]) < 0x80) {
      ++i;
      continue;
    }
    const size_t n = DecodeUtf8(s, i, c);
    if (n == 0) return false;
    i += n;
  }
  return true;
}

void AppendFolded(std::string_view text, std::string& out) {
  size_t i = 0;
  // Most values are plain ASCII.
  while (i < text.size() && static_cast<unsigned char>(text[i]) < 0x80)
    AppendFoldedChar(static_cast<unsigned char>(text[i++]), out);
  if (i == text.size()) return;
  const bool utf8 = IsUtf8(text.substr(i));
  while (i < text.size()) {
    char32_t c = static_cast<unsigned char>(text[i]);
    size_t n = 1;
    if (utf8 && c >= 0x80) n = DecodeUtf8(text, i, c);
    AppendFoldedChar(c, out);
    i += n;
  }
}

}  // namespace kelvane
