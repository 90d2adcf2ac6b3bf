// Text folded for comparisons that ignore case and accents: "Gómez", "GOMEZ" and the
// Latin-1 bytes of "Gómez" all fold to "gomez".
#pragma once

#include <string>
#include <string_view>

namespace kelvane {

// Appends text to out folded: ASCII letters in lower case, and the letters of the Latin-1
// Supplement and Latin Extended-A blocks as their plain lower-case letters ("Ł" gives "l",
// "ß" "ss", "Æ" "ae", "Þ" "th"). The text is read as UTF-8 when it is valid UTF-8, else
// byte by byte as Latin-1 (ISO-8859-1); a character without a plain form is appended in
// UTF-8 as it is, so that the two readings of one text fold alike.
void AppendFolded(std::string_view text, std::string& out);

// Whether text is valid UTF-8 (no overlong form, surrogate or value past U+10FFFF).
bool IsUtf8(std::string_view text);

inline std::string Folded(std::string_view text) {
  std::string out;
  AppendFolded(text, out);
  return out;
}

}  // namespace kelvane
