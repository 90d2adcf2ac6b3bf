// The JSON pieces: strings escaped as RFC 8259 asks, numbers with a point in any locale.
#include <gtest/gtest.h>

#include <clocale>
#include <string>

#include "text/json_text.h"

using namespace kelvane;

namespace {

TEST(JsonTextTest, StringsEscapeQuotesBackslashesAndControlCharacters) {
  const std::pair<std::string, std::string> cases[] = {
      {"plain", "\"plain\""},
      {"say \"hi\"", "\"say \\\"hi\\\"\""},
      {"a\\b", "\"a\\\\b\""},
      {"a\nb\tc\r", "\"a\\nb\\tc\\r\""},
      {std::string("\x01\x1f\0", 3), "\"\\u0001\\u001f\\u0000\""},
      {"M\xC3\xBCller \x7f", "\"M\xC3\xBCller \x7f\""},  // UTF-8 and DEL as they are
  };
  for (const auto& [in, out] : cases) {
    std::string got;
    AppendJsonString(got, in);
    EXPECT_EQ(got, out);
  }
}

TEST(JsonTextTest, NumbersUseAPointWhateverTheLocale) {
  const char* old = std::setlocale(LC_NUMERIC, "de_DE.UTF-8");
  std::string got;
  AppendJsonNumber(got, 2301.428, 1);
  got += ' ';
  AppendJsonNumber(got, 50, 1);
  EXPECT_EQ(got, "2301.4 50.0");
  if (old) std::setlocale(LC_NUMERIC, "C");
}

}  // namespace
