// The quick test on raw bytes: the plain-game layout against the line-by-line reader, the raw
// word test against the matcher's quick test, and whole scans with and without it.
#include <dirent.h>
#include <gtest/gtest.h>

#include <optional>
#include <random>
#include <string>
#include <vector>

#include "engine/game_matcher.h"
#include "engine/game_reader.h"
#include "engine/raw_quick_test.h"
#include "scan_compare.h"

using namespace kelvane;

namespace {

using namespace std::string_literals;

constexpr size_t kNotPlain = static_cast<size_t>(-1);

// The game's end, or kNotPlain, looked at width bytes at once (0: the widest).
size_t PlainEnd(const std::string& bytes, size_t width = 0) {
  PlainGame g;
  return MeasurePlainGame(bytes.data(), bytes.size(), g, width) ? g.end : kNotPlain;
}

// The block widths this processor has, the byte-by-byte one included.
std::vector<size_t> Widths() {
  std::vector<size_t> widths;
  for (size_t w : {size_t{32}, size_t{16}, size_t{1}})
    if (BlockWidthAvailable(w)) widths.push_back(w);
  return widths;
}

TEST(MeasurePlainGame, LayoutsThatNeedNoLineRules) {
  struct Case {
    const char* what;
    std::string bytes;
    size_t end;
  };
  const std::string lf = "[A \"x\"]\n[B \"y\"]\n\n1.e4 e5\nNf3 *\n\n";
  const std::string crlf = "[A \"x\"]\r\n\r\n1.e4\te5  \r\nNf3 *\r\n\r\n";
  const Case cases[] = {
      {"LF", lf, lf.size()},
      {"CR LF, tabs and blanks inside lines", crlf, crlf.size()},
      {"mixed line ends", "[A]\r\n\n1.e4\r\n\r\n", 14},
      {"the next game follows", lf + lf, lf.size()},
      {"a NUL or lone CR after the game is not looked at", lf + "\0\r["s, lf.size()},
      {"a black first move", "[A]\n\n1...e5\n\n", 13},
      {"no [ at the start", "\n" + lf, kNotPlain},
      {"a blank before the first tag", " " + lf, kNotPlain},
      {"a tag line after a blank", "[A]\n [B]\n\n1.e4\n\n", kNotPlain},
      {"a line of blanks ends the tags", "[A]\n \n1.e4\n\n", kNotPlain},
      {"stray text among the tags", "[A]\nxyz\n\n1.e4\n\n", kNotPlain},
      {"two empty lines after the tags", "[A]\n\n\n1.e4\n\n", kNotPlain},
      {"move text from a comment", "[A]\n\n{c} 1.e4\n\n", kNotPlain},
      {"move text from move 2", "[A]\n\n2.e4\n\n", kNotPlain},
      {"an indented first move line", "[A]\n\n 1.e4\n\n", kNotPlain},
      {"an indented later move line", "[A]\n\n1.e4\n Nf3\n\n", kNotPlain},
      {"a move line after a tab", "[A]\n\n1.e4\n\tNf3\n\n", kNotPlain},
      {"a line of blanks among the moves", "[A]\n\n1.e4\n  \nNf3\n\n", kNotPlain},
      {"a lone CR among the tags", "[A]\r[B]\n\n1.e4\n\n", kNotPlain},
      {"a lone CR in the moves", "[A]\n\n1.e4\rNf3\n\n", kNotPlain},
      {"a lone CR as the empty line", "[A]\n\n1.e4\n\r1.d4\n\n", kNotPlain},
      {"a NUL in a tag", "[A\0]\n\n1.e4\n\n"s, kNotPlain},
      {"a NUL in the moves", "[A]\n\n1.e4\0\n\n"s, kNotPlain},
      {"no empty line at the end", "[A]\n\n1.e4 *\n", kNotPlain},
      {"no line end at the end", "[A]\n\n1.e4 *", kNotPlain},
      {"a CR LF cut after its CR", "[A]\r\n\r\n1.e4\r\n\r", kNotPlain},
      {"tags only", "[A]\n\n", kNotPlain},
      {"a move line that begins with a control byte", "[A]\n\n1.e4\n\x01Nf3\n\n", 16},
  };
  for (const Case& c : cases) EXPECT_EQ(PlainEnd(c.bytes), c.end) << c.what;
}

TEST(MeasurePlainGame, PartsOfTheGame) {
  const std::string bytes = "[A]\r\n\r\n1.e4 e5\r\nNf3\r\n\r\n[B]";
  PlainGame g;
  ASSERT_TRUE(MeasurePlainGame(bytes.data(), bytes.size(), g));
  EXPECT_EQ(bytes.substr(g.moveText, g.moveEnd - g.moveText), "1.e4 e5\r\nNf3\r\n");
  EXPECT_EQ(bytes.substr(g.end), "[B]");
}

TEST(MeasurePlainGame, EveryPlaceOfAFaultInABlockOfEveryWidth) {
  // A fault at each offset of games of many lengths, so that it falls at every place of a
  // block; a fault one byte past the game never counts.
  for (size_t width : Widths())
    for (size_t moves = 1; moves < 70; ++moves) {
      const std::string game = "[Event \"e\"]\r\n\r\n1." + std::string(moves, 'a') + "\r\n\r\n";
      ASSERT_EQ(PlainEnd(game + "\0"s, width), game.size()) << moves;
      for (size_t at = 1; at < game.size(); ++at)
        for (char bad : {'\0', '\r'}) {
          std::string broken = game;
          if (bad == '\r' && (broken[at] == '\n' || broken[at] == '\r')) continue;
          if (bad == '\r' && at + 1 < broken.size() && broken[at + 1] == '\n') continue;
          broken[at] = bad;
          EXPECT_EQ(PlainEnd(broken + "\n\n", width), kNotPlain)
              << width << " " << moves << " " << at;
        }
    }
}

TEST(MeasurePlainGame, EveryBlockWidthMeasuresAlike) {
  // Games with control bytes, blanks and line ends of every kind at random places, measured
  // from every tag start.
  std::string base;
  for (int g = 0; g < 40; ++g)
    base += "[Event \"G" + std::to_string(g) + "\"]\r\n[Result \"*\"]\n\n1.e4 c5 2.Nf3 d6 " +
            std::string(g % 7, 'x') + "3.Qe1 Kh1\r\n4.Nf3+ a6 *\n\n";
  const char odd[] = {'\0', '\x01', '\t', ' ', '\r', '\n', '[', '\x1f'};
  std::mt19937 random(5);
  for (int variant = 0; variant < 200; ++variant) {
    std::string bytes = base;
    for (int k = 0; k < 1 + variant % 6; ++k)
      bytes[random() % bytes.size()] = odd[random() % sizeof odd];
    for (size_t at = bytes.find('['); at != std::string::npos; at = bytes.find('[', at + 1)) {
      std::vector<size_t> ends;
      PlainGame first;
      for (size_t width : Widths()) {
        PlainGame g;
        const bool plain = MeasurePlainGame(bytes.data() + at, bytes.size() - at, g, width);
        ends.push_back(plain ? g.end : kNotPlain);
        if (plain && ends.size() == 1) first = g;
        if (plain) {
          EXPECT_EQ(g.moveText, first.moveText);
          EXPECT_EQ(g.moveEnd, first.moveEnd);
        }
      }
      EXPECT_EQ(std::count(ends.begin(), ends.end(), ends.front()),
                static_cast<std::ptrdiff_t>(ends.size()))
          << "variant " << variant << " at " << at;
    }
  }
}

// Moves-form criteria that ask for every one of the words anywhere in the game.
Criteria Words(const std::string& words) {
  Criteria c;
  c.mustContain = words;
  c.mustContainForm = SequenceForm::Moves;
  c.mustContainRange = {1, 999};
  return c;
}

// Notation-form criteria as the window sets them: the range from the text's move numbers.
Criteria Notation(const std::string& text, int32_t from, int32_t to) {
  Criteria c;
  c.mustContain = text;
  c.mustContainRange = {from, to};
  return c;
}

// Reads the file line by line from its start and, at each game, holds the plain layout and
// the raw test against what the reader and the matcher do: a plain game is read without a
// message up to its end, and a game the matcher passes passes the raw test.
void CheckAgainstTheReader(const std::string& bytes, const Criteria& criteria) {
  TempDir dir;
  WriteFile(dir / "in.pgn", bytes);
  InputFile in;
  in.Open(dir / "in.pgn");
  ScriptedDialogs dialogs;
  GameMatcher matcher(criteria, dialogs);
  RawQuickTest raw(matcher);
  bool eof = in.AtEnd();
  std::string header, moveText;
  for (int game = 1; !eof; ++game) {
    const std::string bytesThere(in.Buffered());
    PlainGame plain;
    const bool isPlain = MeasurePlainGame(bytesThere.data(), bytesThere.size(), plain);
    const uint64_t before = in.BytesRead();
    dialogs.Clear();
    try {
      ReadHeader(in, eof, header, dialogs);
      ReadMoveText(in, eof, moveText, dialogs);
    } catch (const FatalError&) {
      EXPECT_FALSE(isPlain) << "game " << game;
      return;
    }
    if (!isPlain) continue;
    SCOPED_TRACE("game " + std::to_string(game));
    EXPECT_TRUE(dialogs.log.empty()) << dialogs.log.front();
    EXPECT_EQ(in.BytesRead() - before, plain.end);
    std::optional<std::string> fault;
    if (matcher.Decide(moveText, fault)) {
      EXPECT_TRUE(raw.MayPass(
          std::string_view(bytesThere).substr(plain.moveText, plain.moveEnd - plain.moveText)))
          << moveText;
    }
  }
}

TEST(RawQuickTest, NeverRejectsWhatTheMatcherPasses) {
  // Games whose words stand between every kind of bound, with words looked for that sit at
  // line starts and ends, after move numbers, before marks and inside comments, and openings
  // that stand at the start, later, or behind an annotation code or a comment.
  const std::vector<Criteria> criteria = {
      Words("Qe1"),
      Words("e4 Nf3"),
      Words("Kh1 ..Qe1"),
      Words("O-O a6 Bb5+"),
      Notation("1.e4 c5 2.Nf3 d6", 1, 2),
      Notation("1.e4 c5 2.Nf3 d6", 1, 15),
      Notation("2...d6 3.Qe1", 2, 3),
      Notation("2.Nf3 d6", 2, 2),  // ends with black's move at the range's end
      Notation("e4 c5", 0, 1),
      DefaultSettings().criteria,
  };
  static const char* const kSeps[] = {" ", "  ", "\t",   " \t ", "\n",    "\r\n", " \n", "\t\r\n",
                                      ".", "!",  "+",    "?",    "#",     "{",    "}",   "(",
                                      ")", ",",  " $1 ", "$",    " 1-0 ", " * ",  "..."};
  static const char* const kWords[] = {"Qe1",  "e4",   "Nf3", "Kh1",  "c5",   "O-O",
                                       "a6",   "Bb5+", "d6",  "Qe1!", "1.",   "12...",
                                       "xQe1", "Kh1x", "e45", "d4",   "cxd4", "Nxd4"};
  static const char* const kOpenings[] = {"1.e4 c5 2.Nf3 d6 ",      "1. e4 c5\n2. Nf3 d6 ",
                                          "1.e4 c5 2.Nf3 $1 d6 ",   "1.e4 c5 {x} 2.Nf3 d6 ",
                                          "1.d4 c5 2.Nf3 d6 3.e4 ", "1.e4 c5 2.Nf3 d6+ 3.Qe1 "};
  for (uint32_t seed = 1; seed <= 40; ++seed) {
    std::mt19937 rng(seed);
    std::string bytes;
    for (int g = 0; g < 30; ++g) {
      bytes += "[Event \"" + std::to_string(g) + "\"]\n\n";
      bytes += rng() % 2 ? kOpenings[rng() % std::size(kOpenings)] : "1.";
      for (int k = 0, n = static_cast<int>(rng() % 30); k < n; ++k) {
        bytes += kWords[rng() % std::size(kWords)];
        std::string sep = kSeps[rng() % std::size(kSeps)];
        // A move line must not begin with a blank or a tab for the game to stay plain.
        if (sep.back() == '\n' && rng() % 2) sep += "9.";
        bytes += sep;
      }
      bytes += rng() % 4 ? " *\n\n" : "\n\n";
    }
    for (const Criteria& c : criteria) CheckAgainstTheReader(bytes, c);
  }
}

TEST(RawQuickTest, LayoutAndDecisionsAgreeWithTheReaderOnRoughFiles) {
  TempDir dir;
  std::string base;
  for (int g = 0; g < 60; ++g)
    base += "[Event \"G" + std::to_string(g) + "\"]\r\n[Result \"*\"]\r\n\r\n1.e4 c5 2.Nf3 d6 " +
            (g % 3 ? "3.Qe1 Kh1\r\n4.Nf3+ a6 *" : "3.d4 {Qe1} (3.Kh1) *") + "\r\n\r\n";
  for (uint32_t seed = 1; seed <= 60; ++seed) {
    const std::string rough = Roughen(base, seed, 1 + seed % 12);
    CheckAgainstTheReader(rough, Words("Qe1 Kh1 Nf3"));
    CheckAgainstTheReader(rough, Notation("1.e4 c5 2.Nf3 d6", 1, 2));
  }
}

TEST(RawQuickTest, NotationSequenceInTheFirstMoves) {
  struct Case {
    const char* text;
    bool mayPass;
  };
  // "e4 c5 Nf3 d6" within the first four moves.
  const Case cases[] = {
      {"1.e4 c5 2.Nf3 d6 3.d4 *\n", true},
      {"1. e4\tc5\n2. Nf3 d6 *\n", true},
      {"1.xe4 c5 2.Nf3 d6+ *\n", true},  // the ends of the first and last move
      {"1.d4 c5 2.Nf3 d6 3.e4 *\n", false},
      {"1.Nf3 d6 2.e4 c5 *\n", false},
      {"1.e4 c5 2.Nf3 Nc6 3.d6 *\n", false},
      {"1.d4 d5 2.e4 c5 3.Nf3 d6 *\n", false},  // too late
      {"1.e4 c5 2.Nf3 $1 d6 *\n", true},        // an annotation code: not looked at
      {"1.d4 d5 2.c4 $1 e6 *\n", true},
      {"1.d4 c5 2.Nf3 d6 {e4} *\n", true},  // brackets: the text may be faulty
      {"1.d4 c5 (2.e4) *\n", true},
      {"1.d4 *\n", false},  // all of a short game
      {"1.d4\n", true},     // one move: perhaps a null game
  };
  const std::vector<std::string_view> words = {"e4", "c5", "Nf3", "d6"};
  RawQuickTest raw(std::vector<std::string_view>{}, "e4 c5 Nf3 d6", 4);  // the moves alone
  for (const Case& c : cases) EXPECT_EQ(raw.MayPass(c.text), c.mayPass) << c.text;
  // The first moves looked at are only as many as asked for.
  std::string late = "1.d4 d5 ";
  for (int m = 2; m < 60; ++m) late += std::to_string(m) + ".Nc3 Nc6 ";
  RawQuickTest soon(words, "e4 c5 Nf3 d6", 20);
  EXPECT_FALSE(soon.MayPass(late + "60.e4 c5 61.Nf3 d6 *\n"));
  RawQuickTest later(words, "e4 c5 Nf3 d6", 130);
  EXPECT_TRUE(later.MayPass(late + "60.e4 c5 61.Nf3 d6 *\n"));
}

TEST(RawQuickTest, WordBounds) {
  struct Case {
    std::string text;
    bool mayPass;
  };
  // One word, Qe1, in the raw move-text lines of a game.
  const Case cases[] = {
      {"Qe1", true},          {"1.Qe1 *\n", true},    {"a\tQe1\tb\n", true},
      {"a\nQe1\n", true},     {"a\r\nQe1\r\n", true}, {"a Qe1  \n", true},
      {"a Qe1!\n", true},     {"a Qe1+\n", true},     {"a Qe1?\n", true},
      {"a Qe1#\n", false},    {"a Qe1,\n", false},    {"a Qe1)\n", false},
      {"a {Qe1}\n", false},   {"a (Qe1 b)\n", false}, {"a xQe1\n", false},
      {"a Qe12\n", false},    {"a Qe\n1\n", false},   {"a Qe1\0\n"s, false},
      {"a Qe1x Qe1\n", true}, {"Qe1x Qe1", true},     {"", false},
  };
  std::vector<std::string_view> words = {"Qe1"};
  RawQuickTest raw(words);
  for (const Case& c : cases) EXPECT_EQ(raw.MayPass(c.text), c.mayPass) << c.text;
}

TEST(RawQuickTest, EveryWordMustStandAndTheOrderDoesNotMatter) {
  std::vector<std::string_view> words = {"e4", "c5", "Nf3"};
  RawQuickTest raw(words);
  EXPECT_TRUE(raw.MayPass("1.e4 c5 2.Nf3\n"));
  EXPECT_FALSE(raw.MayPass("1.e4 e5 2.Nf3\n"));  // c5 rejects, and is looked for first next
  EXPECT_FALSE(raw.MayPass("1.d4 c5 2.Nf3\n"));
  EXPECT_TRUE(raw.MayPass("1.Nf3 c5 2.e4\n"));
}

TEST(RawQuickTest, UsableOnlyForWordsOfVisibleBytes) {
  const std::vector<std::vector<std::string_view>> unusable = {
      {}, {"e4", "a b"}, {"e4\t"}, {"\re4"}, {"e\n4"}, {std::string_view("e\0", 2)}};
  for (const auto& words : unusable) EXPECT_FALSE(RawQuickTest(words).Usable());
  std::vector<std::string_view> usable = {"e4", "..Nf6", "O-O-O", "\xC3\xA9"};
  EXPECT_TRUE(RawQuickTest(usable).Usable());
}

// --- Whole scans: the raw test changes no byte, count or message ---

class RawScan : public ::testing::Test {
 protected:
  // Scans input under every compared criterion, with and without Split, with and without
  // the raw test.
  void ExpectSameScans(const std::string& input, const std::string& what) {
    // One thread, so that the files are read line by line as they come.
    ScanMethod raw;
    raw.threads = 1;
    ScanMethod exact = raw;
    exact.rawQuickTest = false;
    for (const auto& [name, criteria] : ComparedCriteria())
      for (bool split : {false, true}) {
        SCOPED_TRACE(what + ", " + name + (split ? ", split" : ""));
        const ScanRecord fast = RecordScan(input, criteria, split, raw, dir_);
        EXPECT_EQ(fast, RecordScan(input, criteria, split, exact, dir_));
      }
  }

  TempDir dir_;
};

TEST_F(RawScan, RealGameFiles) {
  const std::string corpus = CorpusDir();
  if (corpus.empty()) GTEST_SKIP() << "no folder of real game files";
  DIR* d = ::opendir(corpus.c_str());
  ASSERT_NE(d, nullptr);
  int files = 0;
  while (dirent* e = ::readdir(d)) {
    const std::string name = e->d_name;
    if (name.size() < 4 || name.substr(name.size() - 4) != ".pgn") continue;
    ExpectSameScans(corpus + name, name);
    ++files;
  }
  ::closedir(d);
  EXPECT_GT(files, 0);
}

TEST_F(RawScan, GeneratedCorpora) {
  const std::vector<std::vector<std::string>> kinds = {
      {"--seed", "3", "--size", "400K"},
      {"--seed", "4", "--size", "400K", "--crlf"},
      {"--seed", "5", "--size", "400K", "--comments", "--variations", "--nags", "--crlf"},
  };
  for (const auto& kind : kinds) {
    std::string what;
    for (const auto& k : kind) what += k + " ";
    GeneratedCorpus(dir_, "corpus.pgn", kind);
    ExpectSameScans(dir_ / "corpus.pgn", what);
  }
}

TEST_F(RawScan, HostileVariantsOfAGeneratedCorpus) {
  const std::string base = GeneratedCorpus(
      dir_, "base.pgn", {"--seed", "6", "--size", "40K", "--comments", "--variations", "--nags"});
  for (uint32_t seed = 1; seed <= 30; ++seed) {
    WriteFile(dir_ / "rough.pgn", Roughen(base, seed, 1 + seed % 20));
    ExpectSameScans(dir_ / "rough.pgn", "variant " + std::to_string(seed));
  }
}

}  // namespace
