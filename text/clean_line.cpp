#include "text/clean_line.h"

namespace {
bool IsBlankOrTab(char c) {
  return c == ' ' || c == '\t';
}
}  // namespace

size_t CleanSpan(char* p, size_t n) {
  // Most lines are clean already: walk them without writing a byte. A clean stretch has no
  // tab, begins with no blank, and every blank in it is followed by a byte other than a
  // blank or a tab.
  size_t r = 0;
  if (n > 0 && !IsBlankOrTab(p[0])) {
    while (r < n) {
      char c = p[r];
      if (c == '\t') break;
      if (c == ' ') {
        if (r + 1 == n || IsBlankOrTab(p[r + 1])) break;
        r += 2;  // the blank and the byte after it, known to be neither blank nor tab
        continue;
      }
      ++r;
    }
    if (r == n) return n;
  }
  // From the first fault on, copy forward: runs of blanks and tabs become one blank, and
  // none is written at either end. The clean stretch before r stays where it is.
  size_t w = r;
  bool blankDue = false;
  for (; r < n; ++r) {
    char c = p[r];
    if (IsBlankOrTab(c)) {
      blankDue = w > 0;
      continue;
    }
    if (blankDue) {
      p[w++] = ' ';
      blankDue = false;
    }
    p[w++] = c;
  }
  return w;
}

void CleanLine(std::string& s) {
  size_t n = CleanSpan(s.data(), s.size());
  if (n != s.size()) s.resize(n);
}

std::string StripExtension(std::string_view name) {
  size_t k = name.size();
  if (k == 0) return std::string();
  // Only the last "." counts; the first character is looked at only when the name is that
  // one character, so ".ini" keeps its name.
  while (k > 2 && name[k - 1] != '.') --k;
  if (name[k - 1] == '.') return std::string(name.substr(0, k - 1));
  return std::string(name);
}
