#include <gtest/gtest.h>

#include "text/folded_text.h"

using namespace kelvane;

namespace {

TEST(FoldedText, CaseAndLatinAccentsFoldInUtf8AndLatin1) {
  const std::pair<const char*, const char*> cases[] = {
      {"Carlsen, MAGNUS", "carlsen, magnus"},
      {"G\xC3\xB3mez", "gomez"},  // UTF-8
      {"G\xF3mez", "gomez"},      // Latin-1
      {"Stra\xC3\x9F"
       "e",
       "strasse"},  // ß
      {"\xC3\x86sir \xC3\x98rsted", "aesir orsted"},
      {"\xC5\x81\xC3\xB3"
       "d\xC5\xBA",
       "lodz"},  // Łódź, Latin Extended-A
      {"\xC5\x92uvre \xC3\x9E\xC3\xB3r", "oeuvre thor"},
      {"Dvo\xC5\x99\xC3\xA1k \xC5\xA0"
       "a\xC5\xA1"
       "ek",
       "dvorak sasek"},
      {"\xDE\xF3r \xC6\xDF", "thor aess"},  // Latin-1 Þór Æß
      // A sign without a plain form stays, in UTF-8 either way.
      {"2\xC3\x97"
       "3",
       "2\xC3\x97"
       "3"},
      {"2\xD7"
       "3",
       "2\xC3\x97"
       "3"},
      // Not UTF-8 (a lead byte without its follower): the whole text is Latin-1.
      {"\xC3(\xE9", "a(e"},
      // Characters past the two blocks stay as they are.
      {"\xD0\x9A\xD0\xB0", "\xD0\x9A\xD0\xB0"},
  };
  for (const auto& [text, folded] : cases) EXPECT_EQ(Folded(text), folded) << text;
}

}  // namespace
