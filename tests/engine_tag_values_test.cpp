#include <gtest/gtest.h>

#include "engine/tag_values.h"

using namespace kelvane;

namespace {

TEST(TagValues, TimeControlGivesItsClass) {
  using enum TimeClass;
  const std::pair<const char*, std::optional<TimeClass>> cases[] = {
      {"15", UltraBullet},
      {"0+0", UltraBullet},
      {"29", UltraBullet},
      {"30", Bullet},
      {"0+1", Bullet},
      {"179", Bullet},
      {"180", Blitz},
      {"180+2", Blitz},
      {"479", Blitz},
      {"120+9", Rapid},
      {"1499", Rapid},
      {"1500", Classical},
      {"5400+30", Classical},
      {"-", Correspondence},
      {"40/7200:3600", std::nullopt},
      {"?", std::nullopt},
      {"", std::nullopt},
      {"300+", std::nullopt},
      {"+2", std::nullopt},
      {"9999999999", std::nullopt},
  };
  for (const auto& [control, cls] : cases) EXPECT_EQ(TimeClassOf(control), cls) << control;
}

TEST(TagValues, DatesSpanTheDaysTheyMayBe) {
  const std::tuple<const char*, double, double> known[] = {
      {"2023.05.14", 20230514, 20230514}, {"2023.05.??", 20230501, 20230531},
      {"2023.??.??", 20230101, 20231231}, {"2023", 20230101, 20231231},
      {"2023.05", 20230501, 20230531},    {"2024.02.29", 20240229, 20240229},
  };
  for (const auto& [text, low, high] : known) {
    const std::optional<ValueSpan> span = ReadDate(text);
    ASSERT_TRUE(span) << text;
    EXPECT_EQ(span->low, low) << text;
    EXPECT_EQ(span->high, high) << text;
  }
  for (const char* text : {"????.??.??", "2023.13.01", "2023.00.01", "2023.02.29", "2023.04.31",
                           "2023-05-14", "23.05.14", "2023.5.14", ""})
    EXPECT_FALSE(ReadDate(text)) << text;
}

TEST(TagValues, NumbersAndCodes) {
  EXPECT_EQ(ReadNumber(" 2400 "), 2400);
  EXPECT_EQ(ReadNumber("2199.5"), 2199.5);
  EXPECT_EQ(ReadNumber("-3"), -3);
  for (const char* text : {"", "-", "?", "24OO", "2400.", ".5", "1e3", "+5"})
    EXPECT_FALSE(ReadNumber(text)) << text;
  EXPECT_EQ(ReadEco("A00"), 0);
  EXPECT_EQ(ReadEco("b90"), 190);
  EXPECT_EQ(ReadEco("E99"), 499);
  for (const char* text : {"F00", "B9", "B900", "?", ""}) EXPECT_FALSE(ReadEco(text)) << text;
}

}  // namespace
