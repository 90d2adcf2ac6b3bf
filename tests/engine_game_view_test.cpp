#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <string_view>

#include "engine/game_reader.h"
#include "engine/game_view.h"
#include "platform/io_result.h"
#include "platform/text_files.h"
#include "scripted_dialogs.h"
#include "test_support.h"

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

// The tag lines noted as a header is read give every name the value the walk over the
// header's bytes gives, on a plain game's raw lines and on the header ReadHeader reads.
TEST(GameViewTagLines, NotedLinesGiveWhatTheWalkGives) {
  using kelvane::GameView;
  const std::string_view names[] = {"White", "white", "WHITE",    "Black",
                                    "Event", "ECO",   "Date",     "Round",
                                    "W",     "Whit",  "WhiteElo", "AVeryLongTagNameOfThirtyBytes",
                                    "Wh te", "Whi"};
  const kelvane::TagNames wanted(names, 14);
  struct Case {
    const char* header;
    bool read;  // ReadHeader reads it too (every line begins with "[")
  };
  const Case cases[] = {
      // Case and duplicates: the name as written wins, else the first in another case.
      {"[white \"a\"]\n[WHITE \"b\"]\n[White \"c\"]\n[Black \"d\"]\n[Black \"e\"]\n", true},
      {"[BLACK \"a\"]\n[black \"b\"]\n[eco \"B20\"]\n", true},
      // No quoted value: the next line with the name counts.
      {"[White w]\n[White]\n[Black \"x]\n[Event \"\"]\n[White \"y\"]\n[Black \"z\"]\n", true},
      // Escaped quotes and backslashes; a line end escaped.
      {"[Event \"a \\\"b\\\" c\"]\n[Black \"x\\\\\"]\n[Date \"d\\\"]\n[Date \"e\"]\n", true},
      {"[Round \"r\\\r\n[Round \"s\"]\r\n", true},
      // CR LF; in raw lines, a CR inside a value or a name, and a line end of CR CR LF.
      {"[White \"a\"]\r\n[Black \"b\"]\r\n[Event \"e\"]\r\n", true},
      {"[Black \"b\rc\"]\r\n[Event \"e\"]\r\r\n[Whi\rte \"x\"]\r\n[Date\r\"d\"]\n[White\r\"v\"]\n",
       false},
      // Blanks and tabs around the name; a second tag on one line is no line of its own.
      {"[ White  \"a\"]\n[\tBlack\t\"b\"]\n[Date \"x\"] [Round \"y\"]\n", true},
      // A name in another line's value; a last line without its line end.
      {"[Event \"[White \\\"z\\\"]\"]\n[Annotator \"White\"]\n[White \"w\"]", true},
      {"[White \"w", true},
      {"[White", true},
      {"[Black \"b\"]\n[White \"a\\", true},
      // Long and short names.
      {"[AVeryLongTagNameOfThirtyBytes \"1\"]\n[W \"one\"]\n[WhiteElo \"2000\"]\n", true},
      // Lines that are no tag line (raw bytes only: reading them line by line stops).
      {" [White \"no\"]\nWhite \"no\"\n\n[Black \"b\"]\n", false},
      {"", false},
  };
  const auto same = [&](const GameView& walked, const GameView& noted, const std::string& what) {
    std::string_view byWalk[14], byNotes[14];
    walked.Tags(wanted, byWalk);
    noted.Tags(wanted, byNotes);
    for (int k = 0; k < 14; ++k) {
      SCOPED_TRACE(what + " / " + std::string(names[k]));
      const std::optional<std::string_view> value = walked.Tag(names[k]);
      EXPECT_EQ(noted.Tag(names[k]), value);
      // Tags gives what Tag gives; a tag that is missing has no data.
      EXPECT_EQ(byWalk[k], value.value_or(""));
      EXPECT_EQ(byWalk[k].data() != nullptr, value.has_value());
      EXPECT_EQ(byNotes[k], byWalk[k]);
      EXPECT_EQ(byNotes[k].data() != nullptr, byWalk[k].data() != nullptr);
    }
  };
  for (const Case& c : cases) {
    const std::string raw = c.header;
    kelvane::TagLines lines;
    kelvane::NoteTagLines(raw, lines);
    same(GameView{raw, {}}, GameView{raw, {}, &lines}, "raw: " + raw);
    if (!c.read) continue;
    SCOPED_TRACE(raw);
    kelvane::TempDir dir;
    kelvane::WriteFile(dir / "in.pgn", raw + "\n\n1.e4 *\n");
    std::string header, notedHeader;
    for (const bool note : {false, true}) {
      kelvane::ScriptedDialogs dialogs;
      kelvane::InputFile in;
      in.Open(dir / "in.pgn");
      ASSERT_EQ(kelvane::TakeIoResult(), 0);
      bool eof = false;
      lines.starts.assign(3, 99);  // replaced
      if (note)
        kelvane::ReadHeader(in, eof, notedHeader, lines, dialogs);
      else
        kelvane::ReadHeader(in, eof, header, dialogs);
    }
    ASSERT_EQ(notedHeader, header);
    same(GameView{header, {}}, GameView{header, {}, &lines}, "read: " + raw);
  }
}
