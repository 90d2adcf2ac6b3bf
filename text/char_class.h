// Byte classes shared by the text helpers, the criteria and the move-text parser.
#pragma once

#include <cstddef>
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

}  // namespace kelvane
