#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "text/clean_line.h"

using namespace kelvane;

namespace {

using namespace std::string_literals;

// The line clean-up spelled out the long way: tabs to blanks, halve blank runs with a
// replace-all until no two blanks stand together, then trim blanks at both ends. CleanLine
// does it in one pass and must give the same bytes.
std::string ReferenceCleanLine(std::string s) {
  std::replace(s.begin(), s.end(), '\t', ' ');
  while (s.find("  ") != std::string::npos) {
    std::string halved;
    size_t from = 0;
    for (size_t at; (at = s.find("  ", from)) != std::string::npos; from = at + 2) {
      halved.append(s, from, at - from);
      halved += ' ';
    }
    halved.append(s, from);
    s = halved;
  }
  size_t first = s.find_first_not_of(' ');
  if (first == std::string::npos) return std::string();
  return s.substr(first, s.find_last_not_of(' ') - first + 1);
}

TEST(CleanLine, Cases) {
  const std::pair<std::string, std::string> cases[] = {
      {"  e4\t\te5  ", "e4 e5"},
      {"", ""},
      {"e4\t     e5", "e4 e5"},
      {" \t \t ", ""},
      {"e4", "e4"},
      {"1. e4 e5 2. Nf3", "1. e4 e5 2. Nf3"},
      {"[Event \"A  B\"]\r", "[Event \"A B\"]\r"},  // CR and other controls stay
      {"\r \n", "\r \n"},
      {"a\0  b"s, "a\0 b"s},
      {" a", "a"},
      {"a ", "a"},
      {"a  ", "a"},
      {"a \t", "a"},
      {"ab c\td", "ab c d"},
  };
  for (const auto& [in, out] : cases) {
    std::string s = in;
    CleanLine(s);
    EXPECT_EQ(s, out) << "\"" << in << "\"";
    EXPECT_EQ(ReferenceCleanLine(in), out) << "\"" << in << "\"";
  }
}

TEST(CleanLine, SameAsTheRepeatedReplaceAllPassesOnRandomLines) {
  std::mt19937 rng(2024);
  const char bytes[] = {' ', ' ', ' ', '\t', '\r', '\n', '\0', 'a', 'b', 'e', '4'};
  std::uniform_int_distribution<size_t> pick(0, sizeof bytes - 1);
  for (int i = 0; i < 50000; ++i) {
    std::string s(std::uniform_int_distribution<size_t>(0, i < 1000 ? 6 : 40)(rng), ' ');
    for (char& c : s) c = bytes[pick(rng)];
    std::string cleaned = s;
    CleanLine(cleaned);
    ASSERT_EQ(cleaned, ReferenceCleanLine(s)) << "input of " << s.size() << " bytes";

    // CleanSpan gives the same bytes on a raw buffer and leaves what follows alone.
    std::string raw = s + "#";
    size_t n = CleanSpan(raw.data(), s.size());
    ASSERT_EQ(raw.substr(0, n), cleaned);
    ASSERT_EQ(raw.back(), '#');
  }
}

// The bounded-text CleanLine gives the bytes of the string one on the text cut at 255
// bytes; lengths around the cut put blank runs and tabs on both sides of it.
TEST(CleanLine, BoundedTextSameAsString) {
  std::mt19937 rng(255);
  const char bytes[] = {' ', ' ', '\t', '\r', '\0', 'a', 'e', '4'};
  std::uniform_int_distribution<size_t> pick(0, sizeof bytes - 1);
  std::uniform_int_distribution<size_t> length(0, 300);
  std::vector<std::string> texts = {"",
                                    "\t",
                                    std::string(255, ' '),
                                    std::string(255, 'a'),
                                    std::string(254, 'a') + "  b",
                                    std::string(300, 'x')};
  for (int i = 0; i < 20000; ++i) {
    std::string s(i % 2 ? length(rng) : 250 + length(rng) % 11, ' ');
    for (char& c : s) c = bytes[pick(rng)];
    texts.push_back(s);
  }
  for (const std::string& s : texts) {
    BoundedText t(s);
    CleanLine(t);
    std::string expected = s.substr(0, BoundedText::kMax);
    CleanLine(expected);
    ASSERT_EQ(t.str(), expected) << "input of " << s.size() << " bytes";
  }
}

TEST(CleanLine, CleanLineKeepsItsBuffer) {
  std::string s = "1. e4 e5 2. Nf3 Nc6 3. Bb5 a6 {a long enough comment to be on the heap}";
  const std::string copy = s;
  s.reserve(s.size() + 8);
  const char* before = s.data();
  CleanLine(s);
  EXPECT_EQ(s, copy);
  EXPECT_EQ(s.data(), before);
  s += "   \t";
  CleanLine(s);
  EXPECT_EQ(s, copy);
  EXPECT_EQ(s.data(), before);
}

TEST(StripExtension, Cases) {
  const std::pair<const char*, const char*> cases[] = {
      {"prog.exe", "prog"},
      {"a.b.c", "a.b"},
      {"ab", "ab"},
      {".ini", ".ini"},
      {"a.", "a"},
      {".", ""},
      {"", ""},
      {"x", "x"},
      {".a", ".a"},
      {"x.ab", "x"},
      {"kelvane", "kelvane"},
      {"dir.d/file", "dir"},  // the search does not stop at a "/"
  };
  for (auto [in, out] : cases) EXPECT_EQ(StripExtension(in), out) << "\"" << in << "\"";
}

}  // namespace
