#include "text/hyper_str.h"

#include <algorithm>
#include <cstring>

namespace kelvane {

namespace {
// Membership table of ReplaceCharSet: bit (c mod 32) of word (c div 32) stands for byte c.
// Shared by all calls, as is the replacement byte of the current call.
uint32_t charSet[8];
char setReplacement = 0;

bool InSet(unsigned char c) {
  return (charSet[c >> 5] >> (c & 31)) & 1u;
}

void AddToSet(unsigned char c) {
  charSet[c >> 5] |= 1u << (c & 31);
}

// One byte of FindText's comparison: "?" matches anything; ignoring case, a text byte from
// "A" to "z" also matches the pattern byte that differs from it only in bit 32, when that
// pattern byte is at most "z".
bool Matches(unsigned char t, unsigned char p, bool ignoreCase) {
  if (t == p || p == '?') return true;
  return ignoreCase && t >= 'A' && t <= 'z' && p <= 'z' && (t ^ 32) == p;
}
}  // namespace

int64_t FindFrom(std::string_view text, std::string_view pattern, int64_t start) {
  const int64_t n = static_cast<int64_t>(text.size());
  const int64_t m = static_cast<int64_t>(pattern.size());
  if (n == 0 || m == 0 || start < 1 || start > n || m > n - start + 1) return 0;
  const char* t = text.data();
  const char* p = pattern.data();
  const char first = p[0];
  const char* pos = t + (start - 1);
  const char* last = t + (n - m);  // the last candidate
  while (pos <= last) {
    const char* hit = static_cast<const char*>(std::memchr(pos, first, size_t(last - pos) + 1));
    if (!hit) return 0;
    // Rest of the pattern, from its last byte back to its second.
    int64_t k = m - 1;
    while (k > 0 && hit[k] == p[k]) --k;
    if (k == 0) return hit - t + 1;
    pos = hit + 1;
  }
  return 0;
}

int64_t FindText(std::string_view text, std::string_view pattern, int64_t start) {
  const int64_t n = static_cast<int64_t>(text.size());
  const int64_t m = static_cast<int64_t>(pattern.size());
  if (n == 0 || m == 0 || start == 0 || start == INT64_MIN) return 0;
  const bool ignoreCase = start < 0;
  const int64_t from = ignoreCase ? -start : start;
  if (from > n || m > n - from + 1) return 0;
  const auto* t = reinterpret_cast<const unsigned char*>(text.data());
  const auto* p = reinterpret_cast<const unsigned char*>(pattern.data());
  for (int64_t i = from - 1; i <= n - m; ++i) {
    int64_t k = 0;
    while (k < m && Matches(t[i + k], p[k], ignoreCase)) ++k;
    if (k == m) return i + 1;
  }
  return 0;
}

void CopyInto(std::string_view src, int64_t srcPos, std::string& dest, int64_t destPos,
              int64_t count) {
  if (src.empty() || dest.empty() || count <= 0 || srcPos < 0 || destPos < 0) return;
  if (srcPos == 0) srcPos = 1;
  if (destPos == 0) destPos = 1;
  const int64_t srcLen = static_cast<int64_t>(src.size());
  const int64_t destLen = static_cast<int64_t>(dest.size());
  if (srcPos > srcLen || destPos > destLen) return;
  int64_t n = std::min({count, srcLen - srcPos + 1, destLen - destPos + 1});
  // memmove: src may be a view of dest itself.
  std::memmove(dest.data() + (destPos - 1), src.data() + (srcPos - 1), static_cast<size_t>(n));
}

int64_t ReplaceAll(std::string& s, std::string_view find, std::string_view repl, bool ignoreCase) {
  if (find.empty()) return 0;
  const int64_t sign = ignoreCase ? -1 : 1;
  int64_t at = FindText(s, find, sign);
  if (at == 0) return 0;

  const int64_t findLen = static_cast<int64_t>(find.size());
  const int64_t replLen = static_cast<int64_t>(repl.size());
  std::string result(s.size(), '\0');
  int64_t used = 0;  // bytes of result written
  // Makes room for more bytes, doubling the length the buffer needs.
  auto reserveFor = [&](int64_t more) {
    if (used + more > static_cast<int64_t>(result.size()))
      result.resize(static_cast<size_t>(2 * (used + more)));
  };
  auto append = [&](std::string_view from, int64_t pos, int64_t count) {
    if (count <= 0) return;
    reserveFor(count);
    CopyInto(from, pos, result, used + 1, count);
    used += count;
  };

  int64_t count = 0;
  int64_t next = 1;  // first byte of s not yet copied
  while (at != 0) {
    append(s, next, at - next);
    append(repl, 1, replLen);
    ++count;
    next = at + findLen;
    at = FindText(s, find, sign * next);
  }
  append(s, next, static_cast<int64_t>(s.size()) - next + 1);
  result.resize(static_cast<size_t>(used));
  s = std::move(result);
  return count;
}

int64_t RemoveChar(std::string& s, char c) {
  if (s.empty()) return 0;
  char* p = s.data();
  const size_t n = s.size();
  char* hit = static_cast<char*>(std::memchr(p, c, n));
  if (!hit) return static_cast<int64_t>(n);
  size_t w = static_cast<size_t>(hit - p);
  for (size_t r = w + 1; r < n; ++r)
    if (p[r] != c) p[w++] = p[r];
  std::memset(p + w, ' ', n - w);
  return static_cast<int64_t>(w);
}

int64_t FirstNotChar(std::string_view s, char c) {
  for (size_t i = 0; i < s.size(); ++i)
    if (s[i] != c) return static_cast<int64_t>(i) + 1;
  return 0;
}

int64_t LastNotChar(std::string_view s, char c) {
  for (size_t i = s.size(); i > 0; --i)
    if (s[i - 1] != c) return static_cast<int64_t>(i);
  return 0;
}

std::string TrimChar(std::string_view s, char c) {
  int64_t first = FirstNotChar(s, c);
  if (first == 0) return std::string();
  int64_t last = LastNotChar(s, c);
  return std::string(
      s.substr(static_cast<size_t>(first - 1), static_cast<size_t>(last - first + 1)));
}

void ReplaceChar(std::string& s, char oldChar, char newChar) {
  if (s.empty() || oldChar == newChar) return;
  char* p = s.data();
  char* end = p + s.size();
  while ((p = static_cast<char*>(std::memchr(p, oldChar, size_t(end - p)))) != nullptr)
    *p++ = newChar;
}

bool MakeCharSet(std::string_view s, std::string_view set, int64_t start, int64_t& from,
                 int64_t& remaining) {
  std::memset(charSet, 0, sizeof charSet);
  from = 0;
  remaining = 0;
  if (set.empty() || set.size() > 256) return false;
  const bool bothCases = start < 0;
  for (char ch : set) {
    auto c = static_cast<unsigned char>(ch);
    AddToSet(c);
    if (bothCases && ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'))) AddToSet(c ^ 32);
  }
  const int64_t n = static_cast<int64_t>(s.size());
  if (n == 0 || start == 0 || start == INT64_MIN) return false;
  const int64_t at = bothCases ? -start : start;
  if (at > n) return false;
  from = at;
  remaining = n - at + 1;
  return true;
}

void ReplaceCharSet(std::string& s, std::string_view set, char newChar) {
  if (s.empty()) return;
  int64_t from = 0;
  int64_t remaining = 0;
  if (!MakeCharSet(s, set, 1, from, remaining)) return;
  setReplacement = newChar;
  char* p = s.data() + (from - 1);
  for (int64_t i = 0; i < remaining; ++i)
    if (InSet(static_cast<unsigned char>(p[i]))) p[i] = setReplacement;
}

}  // namespace kelvane
