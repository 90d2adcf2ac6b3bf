// Byte classes shared by the text helpers, the criteria and the move-text parser.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>

namespace kelvane {

// "0" to "9" only: no locale, no other digits.
inline bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}

// A blank (32) or a tab (9): the bytes that separate words.
inline bool IsBlankOrTab(char c) {
  return c == ' ' || c == '\t';
}

inline char AsciiLower(char c) {
  return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

// a and b are equal but for the case of ASCII letters.
inline bool SameIgnoringAsciiCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (AsciiLower(a[i]) != AsciiLower(b[i])) return false;
  return true;
}

// text without the blanks and tabs at either end.
inline std::string_view TrimBlanks(std::string_view text) {
  while (!text.empty() && IsBlankOrTab(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsBlankOrTab(text.back())) text.remove_suffix(1);
  return text;
}

// Whether every byte of text is printable ASCII (0x20 to 0x7F), looked at eight bytes at a
// time: such a text is its own UTF-8 and holds no tab or line break.
inline bool IsPlainAscii(std::string_view text) {
  uint64_t high = 0, low = 0;
  size_t i = 0;
  for (; i + 8 <= text.size(); i += 8) {
    uint64_t word;
    std::memcpy(&word, text.data() + i, 8);
    high |= word;
    // Of a byte below 0x80, 0x60 added sets the top bit (without a carry to the next byte)
    // exactly when the byte is 0x20 or more.
    low |= ~(word + 0x6060606060606060ULL);
  }
  for (; i < text.size(); ++i) {
    const auto b = static_cast<unsigned char>(text[i]);
    if (b < 0x20 || b >= 0x80) return false;
  }
  return ((high | low) & 0x8080808080808080ULL) == 0;
}

}  // namespace kelvane
