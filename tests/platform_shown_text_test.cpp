// Texts from files as they are shown: control characters escaped on the console and
// replaced in the window, long quoted lines cut.
#include <gtest/gtest.h>

#include <string>

#include "platform/shown_text.h"

using namespace kelvane;

namespace {

using namespace std::string_literals;

struct ShownCase {
  std::string text;
  std::string console;
  std::string window;
};

TEST(ShownText, ControlCharactersAreEscapedOrReplaced) {
  const std::string fffd = "\xEF\xBF\xBD";
  const ShownCase cases[] = {
      {"plain [Event \"x\"] 1.e4", "plain [Event \"x\"] 1.e4", "plain [Event \"x\"] 1.e4"},
      // Tab and the line breaks of a message stay.
      {"a\tb\rc\nd\r\n", "a\tb\rc\nd\r\n", "a\tb\rc\nd\r\n"},
      // A terminal's escape sequences: retitle, recolour, clear.
      {"\x1b]0;owned\x07", "\\x1B]0;owned\\x07", fffd + "]0;owned" + fffd},
      {"\x1b[31mred\x1b[2J", "\\x1B[31mred\\x1B[2J", fffd + "[31mred" + fffd + "[2J"},
      {"nul\0bs\x08"
       "del\x7f"s,
       "nul\\x00bs\\x08del\\x7F", "nul" + fffd + "bs" + fffd + "del" + fffd},
      // C1 controls: written in UTF-8 (two bytes), or as lone bytes an 8-bit terminal obeys.
      {"csi\xc2\x9b"
       "2J",
       "csi\\xC2\\x9B2J", "csi" + fffd + "2J"},
      {"csi\x9b"
       "2J",
       "csi\\x9B2J", "csi" + fffd + "2J"},
      // Letters stay, in UTF-8 or not; so do bytes that only look like C1 inside one.
      {"K\xc3\xb6nig \xe2\x82\xac", "K\xc3\xb6nig \xe2\x82\xac", "K\xc3\xb6nig \xe2\x82\xac"},
      {"Mor\xe9 \xa0x", "Mor\xe9 \xa0x", "Mor\xe9 \xa0x"},
      {"\xc2\xa0nbsp", "\xc2\xa0nbsp", "\xc2\xa0nbsp"},
      // A character cut short, or an overlong form, is no character: its bytes count alone.
      {"\xe2\x82", "\xe2\\x82", "\xe2" + fffd},
      {"\xc0\x9b", "\xc0\\x9B", "\xc0" + fffd},
      // The byte-order mark shows as nothing: the console spells it out.
      {"\xEF\xBB\xBF[Event", "\\xEF\\xBB\\xBF[Event", "\xEF\xBB\xBF[Event"},
      {"", "", ""},
  };
  for (const ShownCase& c : cases) {
    SCOPED_TRACE(::testing::PrintToString(c.text));
    EXPECT_EQ(EscapeControls(c.text), c.console);
    EXPECT_EQ(ReplaceControls(c.text), c.window);
  }
}

TEST(ShownText, LongQuotedLinesAreCutWithTheCountLeftOut) {
  const std::string a200(200, 'a');
  const std::pair<std::string, std::string> cases[] = {
      {"", ""},
      {a200, a200},
      {a200 + "b", a200 + "... (1 more bytes)"},
      {a200 + std::string(1000000, 'z'), a200 + "... (1000000 more bytes)"},
      // Not inside a character: "ö" (2 bytes) across the cut stays whole, after it.
      {std::string(199, 'a') + "\xc3\xb6" + "xyz", std::string(199, 'a') + "... (5 more bytes)"},
      {std::string(198, 'a') + "\xe2\x82\xac" + "x", std::string(198, 'a') + "... (4 more bytes)"},
      // Bytes that are no character are cut where they are.
      {std::string(210, '\x80'), std::string(200, '\x80') + "... (10 more bytes)"},
  };
  for (const auto& [line, shown] : cases) EXPECT_EQ(CutQuotedLine(line), shown);
}

TEST(ShownText, NamesAreCutInTheirMiddleBetweenCharacters) {
  const std::pair<std::string, std::string> cases[] = {
      {"abcdefghij", "abcdefghij"},
      {"abcdefghijk", "abc...hijk"},
      // "\xc3\xb6" is one character: it stays whole or goes whole.
      {"ab\xc3\xb6"
       "efghijk",
       "ab...hijk"},
      {"abcdef\xc3\xb6ijk", "abc...ijk"},
      {"abcdefg\xc3\xb6jk", "abc...\xc3\xb6jk"},
  };
  for (const auto& [name, shown] : cases) EXPECT_EQ(CutInMiddle(name, 10), shown) << name;
}

}  // namespace
