#include "platform/shown_text.h"

namespace kelvane {

namespace {

bool IsContinuation(unsigned char c) {
  return (c & 0xC0) == 0x80;
}

// The length of the well-formed UTF-8 character at text[i] (1 for ASCII), or 0.
size_t CharLength(std::string_view text, size_t i) {
  const unsigned char c = static_cast<unsigned char>(text[i]);
  size_t n;
  if (c < 0x80) return 1;
  if (c >= 0xC2 && c <= 0xDF)
    n = 2;
  else if (c >= 0xE0 && c <= 0xEF)
    n = 3;
  else if (c >= 0xF0 && c <= 0xF4)
    n = 4;
  else
    return 0;
  if (i + n > text.size()) return 0;
  for (size_t k = 1; k < n; ++k)
    if (!IsContinuation(static_cast<unsigned char>(text[i + k]))) return 0;
  const unsigned char d = static_cast<unsigned char>(text[i + 1]);
  // Overlong forms, surrogates and code points past U+10FFFF are not characters.
  if ((c == 0xE0 && d < 0xA0) || (c == 0xED && d > 0x9F) || (c == 0xF0 && d < 0x90) ||
      (c == 0xF4 && d > 0x8F))
    return 0;
  return n;
}

// The bytes of the control character at text[i], 0 when there is none: C0 controls other
// than tab, CR and LF; DEL; C1 controls written in UTF-8 (C2 80 to C2 9F); and, outside
// any UTF-8 character, the bytes 80 to 9F, which an 8-bit terminal takes for C1 controls.
size_t ControlAt(std::string_view text, size_t i, size_t charLength) {
  const unsigned char c = static_cast<unsigned char>(text[i]);
  if (c < 0x20) return c == '\t' || c == '\r' || c == '\n' ? 0 : 1;
  if (c == 0x7F) return 1;
  if (charLength == 2 && c == 0xC2 && static_cast<unsigned char>(text[i + 1]) <= 0x9F) return 2;
  if (charLength == 0 && c >= 0x80 && c <= 0x9F) return 1;
  return 0;
}

// The byte-order mark U+FEFF: a character that shows as nothing.
constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

// kMark: the byte-order mark is replaced too.
template <bool kMark, typename Shown>
std::string Replaced(std::string_view text, Shown shown) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size();) {
    const size_t length = CharLength(text, i);
    const bool isMark = kMark && length == 3 && text.substr(i, 3) == kByteOrderMark;
    if (const size_t control = isMark ? length : ControlAt(text, i, length)) {
      shown(text.substr(i, control), out);
      i += control;
    } else {
      const size_t n = length ? length : 1;
      out.append(text, i, n);
      i += n;
    }
  }
  return out;
}

}  // namespace

std::string EscapeControls(std::string_view text) {
  return Replaced<true>(text, [](std::string_view bytes, std::string& out) {
    static const char kHex[] = "0123456789ABCDEF";
    for (unsigned char c : bytes) {
      const char escape[] = {'\\', 'x', kHex[c >> 4], kHex[c & 15]};
      out.append(escape, sizeof escape);
    }
  });
}

std::string ReplaceControls(std::string_view text) {
  return Replaced<false>(text, [](std::string_view, std::string& out) { out += "\xEF\xBF\xBD"; });
}

std::string EscapeLineBreaks(std::string_view name) {
  std::string out;
  out.reserve(name.size());
  for (char c : name) out += c == '\r' ? "\\x0D" : c == '\n' ? "\\x0A" : std::string_view(&c, 1);
  return out;
}

std::string CutQuotedLine(std::string_view line) {
  if (line.size() <= kQuotedBytes) return std::string(line);
  // Not inside a character: back to the start of the one the cut falls in.
  size_t cut = kQuotedBytes;
  for (int k = 0; k < 3 && cut > 0 && IsContinuation(static_cast<unsigned char>(line[cut])); ++k)
    --cut;
  if (IsContinuation(static_cast<unsigned char>(line[cut]))) cut = kQuotedBytes;
  return std::string(line.substr(0, cut)) + "... (" + std::to_string(line.size() - cut) +
         " more bytes)";
}

std::string CutInMiddle(std::string_view name, size_t most) {
  if (name.size() <= most) return std::string(name);
  const size_t keep = most > 3 ? most - 3 : 0;
  size_t head = keep / 2;
  size_t tail = name.size() - (keep - head);
  while (head > 0 && IsContinuation(static_cast<unsigned char>(name[head]))) --head;
  while (tail < name.size() && IsContinuation(static_cast<unsigned char>(name[tail]))) ++tail;
  return std::string(name.substr(0, head)) + "..." + std::string(name.substr(tail));
}

}  // namespace kelvane
