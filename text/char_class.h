// Byte classes shared by the text helpers, the criteria and the move-text parser.
#pragma once

namespace kelvane {

// "0" to "9" only: no locale, no other digits.
inline bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}

// A blank (32) or a tab (9): the bytes that separate words.
inline bool IsBlankOrTab(char c) {
  return c == ' ' || c == '\t';
}

}  // namespace kelvane
