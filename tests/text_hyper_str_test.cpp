#include <gtest/gtest.h>

#include <random>
#include <string>

#include "text/hyper_str.h"

using namespace kelvane;

namespace {

using namespace std::string_literals;

// Plain reference search, for comparing FindFrom with on random texts.
int64_t NaiveFind(const std::string& t, const std::string& p, int64_t start) {
  if (t.empty() || p.empty() || start < 1 || start > int64_t(t.size())) return 0;
  size_t at = t.find(p, size_t(start - 1));
  return at == std::string::npos ? 0 : int64_t(at) + 1;
}

TEST(FindFrom, Cases) {
  struct Case {
    const char* text;
    const char* pattern;
    int64_t start;
    int64_t expected;
  };
  const Case cases[] = {
      {"e4 e5 e4", "e4", 2, 7}, {"e4 e5 e4", "e4", 1, 1}, {"e4 e5 e4", "e4", 8, 0},
      {"e4 e5 e4", "e4", 0, 0}, {"e4 e5 e4", "", 1, 0},   {"", "e4", 1, 0},
      {"e4 e5 e4", "e4", 7, 7}, {"e4 e5 e4", "e4", 9, 0}, {"e4 e5 e4", "e4", -1, 0},
      {"aaab", "aab", 1, 2},    {"abcabd", "abd", 1, 4},  {"e4", "e4 e5", 1, 0},
      {"Nf3 nf3", "nf3", 1, 5}, {"x", "x", 1, 1},         {"abab", "b", 3, 4},
  };
  for (const Case& c : cases)
    EXPECT_EQ(FindFrom(c.text, c.pattern, c.start), c.expected)
        << "\"" << c.pattern << "\" in \"" << c.text << "\" from " << c.start;
}

TEST(FindFrom, AgreesWithAPlainSearch) {
  std::mt19937 rng(3);
  std::uniform_int_distribution<int> byte(0, 2);
  auto random = [&](size_t maxLen) {
    std::string s(std::uniform_int_distribution<size_t>(0, maxLen)(rng), 'a');
    for (char& c : s) c = "ab\0"[byte(rng)];
    return s;
  };
  for (int i = 0; i < 20000; ++i) {
    std::string t = random(20), p = random(4);
    int64_t start = std::uniform_int_distribution<int64_t>(-1, 22)(rng);
    ASSERT_EQ(FindFrom(t, p, start), NaiveFind(t, p, start))
        << "pattern of " << p.size() << " in text of " << t.size() << " from " << start;
  }
}

TEST(FindText, WildcardAndCase) {
  struct Case {
    const char* text;
    const char* pattern;
    int64_t start;
    int64_t expected;
  };
  const Case cases[] = {
      {"Nf3 nf3", "nf3", 1, 5},
      {"Nf3 nf3", "nf3", -1, 1},
      {"Nf3 nf3", "NF3", -2, 5},
      {"e4 e5", "e?", 2, 4},
      {"e4 e5", "?5", 1, 4},
      {"e4", "E4", 1, 0},
      {"", "a", 1, 0},
      {"a", "", 1, 0},
      {"abc", "b", 0, 0},
      {"abc", "c", 4, 0},
      {"abc", "c", -4, 0},
      {"abc", "bcd", 1, 0},
      // Ignoring case pairs bytes that differ in bit 32 when the text byte lies from "A"
      // to "z" and the pattern byte is at most "z": so "`" in the text matches "@".
      {"x`", "@", -1, 2},
      {"x@", "`", -1, 0},
      {"x[", "{", -1, 0},
      {"x{", "[", -1, 0},
      {"x1", "\x11", -1, 0},
  };
  for (const Case& c : cases)
    EXPECT_EQ(FindText(c.text, c.pattern, c.start), c.expected)
        << "\"" << c.pattern << "\" in \"" << c.text << "\" from " << c.start;
  EXPECT_EQ(FindText("abc", "a", INT64_MIN), 0);
}

TEST(ReplaceAll, Cases) {
  struct Case {
    std::string s;
    const char* find;
    const char* repl;
    bool ignoreCase;
    int64_t count;
    std::string after;
  };
  const Case cases[] = {
      {"     ", "  ", " ", false, 2, "   "},
      {"abc", "", "x", false, 0, "abc"},
      {"abc", "x", "y", false, 0, "abc"},
      {"", "x", "y", false, 0, ""},
      {"aaaa", "aa", "a", false, 2, "aa"},
      {"aaa", "a", "aa", false, 3, "aaaaaa"},  // replaced text is not searched again
      {"e4 E4 e4", "e4", "d4", false, 2, "d4 E4 d4"},
      {"e4 E4 e4", "e4", "d4", true, 3, "d4 d4 d4"},
      {"a.b.c", ".", "", false, 2, "abc"},
      {"xyz", "xyz", "", false, 1, ""},
      {"e4 e5", "e?", "X", false, 2, "X X"},
  };
  for (const Case& c : cases) {
    std::string s = c.s;
    EXPECT_EQ(ReplaceAll(s, c.find, c.repl, c.ignoreCase), c.count) << "\"" << c.s << "\"";
    EXPECT_EQ(s, c.after) << "\"" << c.s << "\"";
  }
}

TEST(ReplaceAll, NulBytesAreOrdinaryBytes) {
  std::string s = "a\0b\0"s;
  EXPECT_EQ(ReplaceAll(s, std::string_view("\0", 1), "--", false), 2);
  EXPECT_EQ(s, "a--b--");
}

TEST(ReplaceAll, GrowsFarBeyondTheOriginalLength) {
  std::string s(1000, 'x');
  EXPECT_EQ(ReplaceAll(s, "x", "0123456789", false), 1000);
  EXPECT_EQ(s.size(), 10000u);
  for (size_t i = 0; i < s.size(); ++i) ASSERT_EQ(s[i], '0' + char(i % 10));
}

TEST(ReplaceAll, FindTextMayBeAViewOfTheString) {
  std::string s = "ab ab ab";
  std::string_view find(s.data(), 2);
  EXPECT_EQ(ReplaceAll(s, find, "c", false), 3);
  EXPECT_EQ(s, "c c c");
}

TEST(CopyInto, Cases) {
  struct Case {
    const char* src;
    int64_t srcPos;
    const char* dest;
    int64_t destPos;
    int64_t count;
    const char* after;
  };
  const Case cases[] = {
      {"xyz", 1, "abcdef", 2, 3, "axyzef"},
      {"xyz", 2, "abcdef", 1, 9, "yzcdef"},  // limited by the source
      {"xyz", 1, "abcdef", 5, 3, "abcdxy"},  // limited by the destination
      {"xyz", 0, "abcdef", 0, 1, "xbcdef"},  // position 0 counts as 1
      {"xyz", 4, "abcdef", 1, 1, "abcdef"},  // source position beyond the end
      {"xyz", 1, "abcdef", 7, 1, "abcdef"},  // destination position beyond the end
      {"xyz", 1, "abcdef", 1, 0, "abcdef"},
      {"", 1, "abcdef", 1, 3, "abcdef"},
      {"xyz", 1, "", 1, 3, ""},
      {"xyz", -1, "abcdef", 1, 3, "abcdef"},
      {"xyz", 1, "abcdef", 1, -3, "abcdef"},
  };
  for (const Case& c : cases) {
    std::string d = c.dest;
    CopyInto(c.src, c.srcPos, d, c.destPos, c.count);
    EXPECT_EQ(d, c.after) << c.src << "@" << c.srcPos << " -> " << c.dest << "@" << c.destPos;
  }
}

TEST(CopyInto, OverlappingWithinOneString) {
  std::string s = "abcdef";
  CopyInto(s, 1, s, 3, 4);
  EXPECT_EQ(s, "ababcd");
}

TEST(RemoveChar, KeepsOthersInOrderAndPadsWithBlanks) {
  struct Case {
    const char* s;
    char c;
    int64_t kept;
    const char* after;
  };
  const Case cases[] = {
      {"e4.e5.", '.', 4, "e4e5  "}, {"", '.', 0, ""},         {"....", '.', 0, "    "},
      {"e4", '.', 2, "e4"},         {".a.b", '.', 2, "ab  "}, {"a  b", ' ', 2, "ab  "},
  };
  for (const Case& c : cases) {
    std::string s = c.s;
    EXPECT_EQ(RemoveChar(s, c.c), c.kept) << c.s;
    EXPECT_EQ(s, c.after) << c.s;
  }
}

TEST(TrimChar, Cases) {
  const std::pair<const char*, const char*> cases[] = {
      {"   ", ""}, {"", ""}, {" a b ", "a b"}, {"a  b", "a  b"}, {"  x", "x"}, {"x  ", "x"},
  };
  for (auto [in, out] : cases) EXPECT_EQ(TrimChar(in, ' '), out) << "\"" << in << "\"";
  EXPECT_EQ(TrimChar("..e4..", '.'), "e4");
}

TEST(ReplaceChar, Cases) {
  std::string s = "a\tb\t\tc";
  ReplaceChar(s, '\t', ' ');
  EXPECT_EQ(s, "a b  c");
  ReplaceChar(s, 'x', 'y');
  EXPECT_EQ(s, "a b  c");
  ReplaceChar(s, ' ', ' ');
  EXPECT_EQ(s, "a b  c");
  std::string empty;
  ReplaceChar(empty, 'a', 'b');
  EXPECT_EQ(empty, "");
  std::string withNul("a\0b\0"s);
  ReplaceChar(withNul, '\0', '.');
  EXPECT_EQ(withNul, "a.b.");
}

TEST(ReplaceCharSet, Cases) {
  struct Case {
    std::string s;
    std::string set;
    char n;
    std::string after;
  };
  const Case cases[] = {
      {"e4\r\ne5", "\r\n ", ' ', "e4  e5"},
      {"abcABC", "aC", '-', "-bcAB-"},  // exact: no letter of the other case
      {"abc", "", '-', "abc"},
      {"", "a", '-', ""},
      {"aaa", "aaaa", 'b', "bbb"},
      {"a\xff\x80\0"s, "\xff\0"s, '.', "a.\x80."s},
  };
  for (const Case& c : cases) {
    std::string s = c.s;
    ReplaceCharSet(s, c.set, c.n);
    EXPECT_EQ(s, c.after) << "\"" << c.s << "\"";
  }
}

TEST(ReplaceCharSet, SetOf256BytesIsUsedAndLongerSetsAreIgnored) {
  std::string all(256, '\0');
  for (int i = 0; i < 256; ++i) all[i] = char(i);
  std::string s = "e4 e5";
  ReplaceCharSet(s, all, '*');
  EXPECT_EQ(s, "*****");
  s = "e4 e5";
  ReplaceCharSet(s, all + "e", '*');
  EXPECT_EQ(s, "e4 e5");
}

TEST(MakeCharSet, StartAndBothCases) {
  int64_t from = -5, remaining = -5;
  ASSERT_TRUE(MakeCharSet("abcdef", "xB", 3, from, remaining));
  EXPECT_EQ(from, 3);
  EXPECT_EQ(remaining, 4);
  // A negative start also takes letters in the other case.
  ASSERT_TRUE(MakeCharSet("abcdef", "b", -2, from, remaining));
  EXPECT_EQ(from, 2);
  EXPECT_EQ(remaining, 5);
  EXPECT_FALSE(MakeCharSet("abc", "b", 4, from, remaining));
  EXPECT_FALSE(MakeCharSet("abc", "b", 0, from, remaining));
  EXPECT_FALSE(MakeCharSet("", "b", 1, from, remaining));
  EXPECT_FALSE(MakeCharSet("abc", "", 1, from, remaining));
}

}  // namespace
