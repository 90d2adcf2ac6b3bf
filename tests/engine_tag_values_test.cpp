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

}  // namespace
