#include "text/word_utils.h"

#include <cstring>

#include "text/char_class.h"

namespace kelvane {

namespace {
constexpr char kBlank = ' ';
constexpr char kTab = '\t';

// Number of words of a text in normal form.
int NormalWordCount(std::string_view text) {
  return text.empty() ? 0 : CountChar(kBlank, text) + 1;
}

// Word n (1-based) of a text in normal form; empty when there is none.
std::string_view NormalNthWord(std::string_view text, int n) {
  if (n < 1) return {};
  int start = 1;  // where the current word begins
  for (int k = 1;; ++k) {
    int blank = CharPosFrom(kBlank, static_cast<int16_t>(start), text);
    if (k == n) {
      int end = blank < 0 ? static_cast<int>(text.size()) + 1 : blank;
      return text.substr(static_cast<size_t>(start - 1), static_cast<size_t>(end - start));
    }
    if (blank < 0) return {};
    start = blank + 1;
  }
}
}  // namespace

int CharPosFrom(char c, int16_t start, std::string_view text) {
  if (start < 1 || text.empty() || static_cast<size_t>(start) > text.size()) return -1;
  const char* from = text.data() + (start - 1);
  const void* hit = std::memchr(from, static_cast<unsigned char>(c), text.size() - (start - 1));
  if (!hit) return -1;
  return static_cast<int>(static_cast<const char*>(hit) - text.data()) + 1;
}

bool IsNormalized(std::string_view text) {
  if (text.empty()) return true;
  if (IsBlankOrTab(text.front()) || IsBlankOrTab(text.back())) return false;
  if (text.size() < 3) return true;
  if (text.find(kTab) != std::string_view::npos) return false;
  return text.find("  ") == std::string_view::npos;
}

int CountChar(char c, std::string_view text) {
  int n = 0;
  for (char t : text) n += (t == c);
  return n;
}

int WordCount(BoundedText& text) {
  if (text.empty()) return 0;
  if (IsNormalized(text.view())) return NormalWordCount(text.view());
  // Counted on a cleaned copy in a fixed buffer, so the caller's text stays as it was.
  BoundedText work(text.view());
  CleanLine(work);
  return NormalWordCount(work.view());
}

void NthWord(BoundedText& text, int n, BoundedText& word) {
  if (text.empty()) {
    word.clear();
    return;
  }
  if (IsNormalized(text.view())) {
    BoundedText result(NormalNthWord(text.view(), n));  // word may be text itself
    word = result;
    return;
  }
  BoundedText work(text.view());
  CleanLine(work);
  word.assign(NormalNthWord(work.view(), n));
}

bool ReplaceFirst(std::string_view replacement, std::string_view sought, BoundedText& text) {
  if (sought.empty()) return false;
  size_t at = text.view().find(sought);
  if (at == std::string_view::npos) return false;
  if (replacement.size() == 1 && sought.size() == 1) {
    text[at] = replacement[0];
    return true;
  }
  if (text.size() == BoundedText::kMax && replacement.substr(0, sought.size()) == sought) {
    // A replace-all loop whose replacement keeps the sought text would grow the text for
    // ever; the marker ends it.
    text.assign("***programmer error***");
    return false;
  }
  // Built in a separate buffer: replacement may point into text.
  char buf[2 * BoundedText::kMax];
  size_t head = at;
  size_t rep = std::min(replacement.size(), BoundedText::kMax);
  size_t tail = text.size() - at - sought.size();
  std::memcpy(buf, text.data(), head);
  std::memcpy(buf + head, replacement.data(), rep);
  std::memcpy(buf + head + rep, text.data() + at + sought.size(), tail);
  text.assign(std::string_view(buf, head + rep + tail));
  return true;
}

}  // namespace kelvane
