#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <string_view>

#include "engine/game_view.h"

namespace kelvane {
namespace {

TEST(GameView, ATagIsLookedUpInTheHeaderBytes) {
  const std::string header =
      "[Event \"Club \\\"A\\\" cup\"]\r\n[white \"Kim\"]\r\n[White \"Lee\"]\r\n"
      "[Date \"\"]\r\n[Round 3]\r\n[ECO \"B90\"]";  // the last line without its CR LF
  struct Case {
    std::string_view name;
    std::optional<std::string_view> value;
  };
  const Case cases[] = {
      {"Event", R"(Club \"A\" cup)"},  // an escaped quote stays as written
      {"WHITE", "Kim"},                // names match in any case, the first line wins
      {"White", "Lee"},                // ... unless a line has the name as written
      {"Date", ""},
      {"Round", std::nullopt},  // no quoted value
      {"ECO", "B90"},
      {"Whit", std::nullopt},  // a name matches whole
      {"Black", std::nullopt},
      {"", std::nullopt},
  };
  const GameView game{header, "1.e4 *\r\n"};
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.name));
    EXPECT_EQ(game.Tag(c.name), c.value);
  }
  EXPECT_EQ(GameView{}.Tag("Event"), std::nullopt);

  // A plain game's raw tag lines end in LF or CR LF; a name in a value or in a longer
  // name is no tag line of that name.
  const std::string raw =
      "[Event \"Date night\"]\n[UTCDate \"2021.05.06\"]\r\n[Date\t\"2020.01.02\"]\n[Site \"x\"]";
  const GameView plain{raw, {}};
  EXPECT_EQ(plain.Tag("Date"), "2020.01.02");
  EXPECT_EQ(plain.Tag("UTCDate"), "2021.05.06");
  EXPECT_EQ(plain.Tag("Site"), "x");
}

}  // namespace
}  // namespace kelvane

// Tags finds in one reading what Tag finds for each name: the name as written first, then
// in another case; the first line with a value.
TEST(GameViewTags, AgreeWithTagForEachName) {
  const std::string_view names[] = {"White", "Black", "ECO", "Date", "Event"};
  const char* const headers[] = {
      "[white \"a\"]\r\n[White \"b\"]\r\n[Black \"c\"]\r\n[Black \"d\"]\r\n",
      "[WHITE \"x\"]\r\n[Eco]\r\n[eco \"B20\"]\r\n[Event \"[White \\\"y\\\"]\"]\r\n",
      "[Date \"2001.??.??\"]\n[Event \"\"]\n[Black\"z\"]\n",
      "",
      // Read sixteen bytes at a time: values and names past that, a line's CR (no part of
      // a name or value, but a byte of either inside the line), an escape as the line's last
      // byte, and a last line without its line end.
      "[White \"a \\\" value past sixteen \\\" bytes\"]\r\n[Black \"x\\\r\n[Black \"y\"]\r\n",
      "[White\r\"v\"]\n[Event \"a\rb\"]\r\n[Eventually \"w\"]\n[ECO \"A00\"]",
      "[AVeryLongTagNameOfThirtyBytes \"1\"]\r\n[Date  \"2000\"]\r\n[Event\t\"e\"]\r\r\n",
      "[Black \"b\\\"\r\n[white \"w\"",
      "[Event \"e\\\n[Date \"d\"]\n[Black \"b\\",
  };
  for (const char* header : headers) {
    const kelvane::GameView game{header, ""};
    std::string_view values[5];
    game.Tags(names, values, 5);
    for (int k = 0; k < 5; ++k) {
      EXPECT_EQ(values[k], game.Tag(names[k]).value_or("")) << header << " " << names[k];
      // A tag that is missing has no data; an empty one has.
      EXPECT_EQ(values[k].data() != nullptr, game.Tag(names[k]).has_value()) << header;
    }
  }
}
