#include <gtest/gtest.h>

#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "engine/game_reader.h"
#include "engine/header_criteria.h"
#include "engine/move_text_parser.h"
#include "engine/scan_run.h"
#include "platform/file_system.h"
#include "platform/io_result.h"
#include "scan_compare.h"
#include "scripted_dialogs.h"
#include "test_support.h"
#include "text/clean_line.h"

using namespace kelvane;

namespace {

// Four headers as the reader gives them. A: UTF-8 names; B: Latin-1 names, a date with
// unknown parts, an escaped quote; C: an unknown date and rating, a correspondence game;
// D: almost nothing known.
const std::vector<std::string> kHeaders = {
    "[Event \"Chess Olympiad\"]\r\n[Site \"?\"]\r\n[Date \"2023.05.14\"]\r\n[Round \"3\"]\r\n"
    "[White \"G\xC3\xB3mez, Ana\"]\r\n[Black \"Carlsen, Magnus\"]\r\n[Result \"1-0\"]\r\n"
    "[WhiteElo \"2400\"]\r\n[BlackElo \"2850\"]\r\n[ECO \"B90\"]\r\n"
    "[TimeControl \"180+2\"]\r\n[Annotator \"?\"]\r\n",
    "[Event \"Club \\\"Open\\\" 2023\"]\r\n[Date \"2023.??.??\"]\r\n[UTCDate \"2022.12.31\"]\r\n"
    "[Round \"9\"]\r\n[White \"M\xFCller, J\xF6rg\"]\r\n[Black \"S\xF8rensen, Bj\xF8rn\"]\r\n"
    "[Result \"0-1\"]\r\n[WhiteElo \"2199\"]\r\n[BlackElo \"2200\"]\r\n[ECO \"E99\"]\r\n"
    "[TimeControl \"40/7200:3600\"]\r\n",
    "[Event \"Online\"]\r\n[Date \"????.??.??\"]\r\n[UTCDate \"2021.06.01\"]\r\n"
    "[Round \"10\"]\r\n[White \"Carlsen, Magnus\"]\r\n[Black \"Nakamura, Hikaru\"]\r\n"
    "[Result \"1/2-1/2\"]\r\n[WhiteElo \"-\"]\r\n[BlackElo \"2700\"]\r\n[ECO \"a00\"]\r\n"
    "[TimeControl \"-\"]\r\n[Annotator \"Dvo\xC5\x99\xC3\xA1k\"]\r\n",
    "[White \"?\"]\r\n[Black \"\"]\r\n[Result \"*\"]\r\n[TimeControl \"15\"]\r\n",
};

struct LineCase {
  std::vector<std::string> lines;
  const char* passes;  // per header of kHeaders: 1 passes, 0 fails
};

const LineCase kLineCases[] = {
    // Numbers; a missing, "-" or "?" rating fails, except with != and !~.
    {{"WhiteElo >= 2400"}, "1000"},
    {{"WhiteElo>=2400"}, "1000"},
    {{"whiteelo >= 2400"}, "1000"},
    {{"WhiteElo != 2400"}, "0111"},
    {{"WhiteElo = 2199|2400"}, "1100"},
    {{"WhiteElo != 2199|2400"}, "0011"},
    {{"WhiteElo < 2400"}, "0100"},
    {{"WhiteElo <= 2400"}, "1100"},
    {{"WhiteElo > 2199"}, "1000"},
    {{"BlackElo >= 2700"}, "1010"},
    {{"MinElo >= 2200"}, "1000"},
    {{"MaxElo >= 2200"}, "1100"},
    {{"AvgElo >= 2200"}, "1000"},  // 2199.5 is no 2200
    {{"AvgElo = 2199.5"}, "0100"},
    {{"EloDiff > 400"}, "1000"},
    {{"EloDiff < 2"}, "0100"},
    {{"EloDiff != 450"}, "0111"},
    // Text: case, accents in UTF-8 and Latin-1, escapes, quotes, alternatives.
    {{"Black ~ carlsen"}, "1000"},
    {{"Player ~ Carlsen"}, "1010"},
    {{"Player !~ Carlsen"}, "0101"},
    {{"Player = gomez, ana"}, "1000"},
    {{"White = MULLER, JORG"}, "0100"},
    {{"White ~ M\xC3\xBCller"}, "0100"},
    {{"Black ~ bjorn"}, "0100"},
    {{"Annotator = Dvorak"}, "0010"},
    {{"Annotator != Dvorak"}, "1101"},
    {{"Event ~ Olympiad"}, "1000"},
    {{"Event = club \"open\" 2023"}, "0100"},
    {{"Event = \"Chess Olympiad\""}, "1000"},
    {{"Result = 1-0|0-1"}, "1100"},
    {{"Result = 1-0 | 0-1"}, "1100"},
    {{"Result != 1/2-1/2|*"}, "1100"},
    {{"Site != Moscow"}, "1111"},
    {{"White < M"}, "1010"},
    {{"Round > 9"}, "0010"},  // both numbers: 10 > 9
    // Dates pass only when every day they may be passes.
    {{"Date >= 2023.01.01"}, "1100"},
    {{"Date >= 2023.05.01"}, "1000"},
    {{"Date < 2024"}, "1100"},
    {{"Date = 2023"}, "1100"},
    {{"Date = 2023.05"}, "1000"},
    {{"Date != 2023.05.14"}, "0011"},
    {{"Date ~ 05.14"}, "1000"},
    {{"UTCDate < 2022"}, "0010"},
    {{"Year = 2023"}, "1100"},
    {{"Year < 2023"}, "0010"},  // from UTCDate when Date's year is unknown
    // Time classes, ECO codes.
    {{"TimeClass = blitz"}, "1000"},
    {{"TimeClass = Blitz"}, "1000"},
    {{"TimeClass = ultrabullet|correspondence"}, "0011"},
    {{"TimeClass <= bullet"}, "0001"},
    {{"TimeClass != blitz"}, "0111"},
    {{"ECO >= B90"}, "1100"},
    {{"ECO < b00"}, "0010"},
    {{"eco = b90"}, "1000"},
    {{"ECO ~ B9"}, "1000"},
    // Plies lines wait for the move text; every line must pass.
    {{"Plies >= 10"}, "1111"},
    {{"WhiteElo >= 2000", "Player ~ carlsen"}, "1000"},
    {{"", "  "}, "1111"},
};

TEST(HeaderCriteria, LinesDecideTheHandWrittenHeaders) {
  for (const LineCase& c : kLineCases) {
    SCOPED_TRACE(c.lines.front());
    for (const std::string& line : c.lines) EXPECT_EQ(HeaderCriteria::Check(line), std::nullopt);
    const HeaderCriteria criteria(c.lines);
    std::string got;
    for (const std::string& header : kHeaders)
      got += criteria.PassesHeader(GameView{header, {}}) ? '1' : '0';
    EXPECT_EQ(got, c.passes);
  }
}

TEST(HeaderCriteria, RefusedLinesAreToldWhy) {
  const std::pair<const char*, const char*> cases[] = {
      {"WhiteElo 2400", "no operator"},
      {">= 2400", "no tag name"},
      {"WhiteElo >=", "no value"},
      {"White = \"\"", "no value"},
      {"WhiteElo >= abc", "the value of WhiteElo must be a number"},
      {"MinElo = 2400|x", "must be a number"},
      {"Plies >= 2e3", "must be a number"},
      {"WhiteElo ~ 24", "WhiteElo is a number"},
      {"Plies !~ 3", "is a number"},
      {"Date >= 2023.13.01", "must be a date"},
      {"Date >= 2023.02.29", "must be a date"},
      {"Date < 2023.04.31", "must be a date"},
      {"Date < 2023.00", "must be a date"},
      {"Date = 23.01.01", "must be a date"},
      {"Date >= ????.??.??", "must be a date"},
      {"ECO >= Z99", "A00 to E99"},
      {"ECO = B9", "A00 to E99"},
      {"TimeClass = fast", "ultrabullet, bullet, blitz"},
      {"TimeClass ~ bullet", "TimeClass takes"},
      {"White Elo >= 2400", "tag name"},
      {"\"White\" = x", "tag name"},
      {"White ! x", "\"!\" must be followed"},
      {"Result = 1-0||0-1", "empty alternative"},
      {"Result = |1-0", "empty alternative"},
  };
  for (const auto& [line, reason] : cases) {
    const std::optional<std::string> fault = HeaderCriteria::Check(line);
    ASSERT_TRUE(fault.has_value()) << line;
    EXPECT_NE(fault->find(reason), std::string::npos) << line << ": " << *fault;
    // Used anyway, the line passes no game rather than widening the selection.
    EXPECT_FALSE(HeaderCriteria({line}).PassesHeader(GameView{kHeaders[0], {}})) << line;
  }
  EXPECT_EQ(HeaderCriteria::Check("Date >= 2024.02.29"), std::nullopt);  // a leap day
}

TEST(HeaderCriteria, PliesLinesAreDecidedOnTheCount) {
  const HeaderCriteria none({"WhiteElo > 1"});
  EXPECT_FALSE(none.NeedsPlies());
  EXPECT_TRUE(HeaderCriteria({}).Empty());
  EXPECT_TRUE(HeaderCriteria({"", " "}).Empty());
  const HeaderCriteria plies({"Plies >= 40", "Plies != 41|50"});
  EXPECT_TRUE(plies.NeedsPlies());
  EXPECT_FALSE(plies.PassesPlies(39));
  EXPECT_TRUE(plies.PassesPlies(40));
  EXPECT_FALSE(plies.PassesPlies(41));
  EXPECT_FALSE(plies.PassesPlies(50));
  EXPECT_TRUE(plies.PassesPlies(51));
}

TEST(CountPlies, CountsTheMainLineOnly) {
  const std::pair<const char*, int64_t> cases[] = {
      {"", 0},
      {"*", 0},
      {"1. e4 e5 2. Nf3 Nc6 1-0", 4},
      {"1.e4 e5 2.Nf3 Nc6 1/2-1/2\r\n", 4},
      {"12... Qe1+ 13. Kh1 Qxf1# 0-1", 3},
      {"1. e4 $14 $1 e5!? 2. O-O-O -- 0-0 *", 5},
      {"1.e4 {a (note) 2. d4} e5 (1... c5 2. Nf3 (2. c3 {x}) d6) 2.Nf3 Nc6 *", 4},
      {"1. e4 ; a note to the line's end: d4 d5\r\n1... e5 2. Nf3 0-1", 3},
      {"%an escape line 1. d4\r\n1. e4 e5 *", 2},
      {"{ [%clk 0:03:00] } 1. e4 { [%clk 0:02:59] } 1... e5\r\n2. Nf3 *", 3},
  };
  for (const auto& [text, plies] : cases) EXPECT_EQ(CountPlies(text), plies) << text;
}

// The parser's count of a move text's moves; -1 when it finds the text faulty.
int64_t ParserCount(const std::string& moveText) {
  MoveTextParser parser(moveText, false, true);
  try {
    parser.Parse();
  } catch (const MoveTextError&) {
    return -1;
  }
  return static_cast<int64_t>(parser.Moves.size());
}

class QuietNotes : public ReadingNotes {
 public:
  void LineSkipped(int64_t, std::string_view) override {}
  void OddLine(int64_t, std::string_view) override {}
  void GameSkipped(int64_t, size_t) override {}
};

// Holds CountPlies against the parser on every game of a file that the parser accepts;
// returns how many games that was.
int AgreeOnFile(const std::string& path) {
  InputFile in;
  in.Open(path);
  QuietNotes notes;
  TolerantReader reader(in, notes);
  int agreed = 0;
  std::string header, moves;
  for (bool eof = false; !eof;) {
    if (!reader.ReadGame(eof, header, moves)) break;
    const int64_t parsed = ParserCount(moves);
    if (parsed < 0) continue;
    EXPECT_EQ(CountPlies(moves), parsed) << moves;
    ++agreed;
  }
  TakeIoResult();
  return agreed;
}

TEST(CountPlies, AgreesWithTheParserOnRealGames) {
  const std::string dir = CorpusDir();
  if (dir.empty()) GTEST_SKIP() << "no corpus folder";
  int agreed = 0;
  for (const auto& entry : std::filesystem::directory_iterator(dir))
    if (entry.path().extension() == ".pgn") agreed += AgreeOnFile(entry.path().string());
  EXPECT_GE(agreed, 166);
}

TEST(CountPlies, AgreesWithTheParserOnAnnotatedGeneratedGames) {
  TempDir dir;
  GeneratedCorpus(dir, "g.pgn",
                  {"--seed", "5", "--size", "300K", "--comments", "--variations", "--nags"});
  EXPECT_GT(AgreeOnFile(dir / "g.pgn"), 100);
}

TEST(CountPlies, AgreesWithTheParserOnRandomMoveTexts) {
  std::mt19937 rng(7);
  const char* const pieces[] = {"e4",
                                "Nxf3+",
                                "O-O",
                                "0-0",
                                "e8=Q#",
                                "--",
                                "exd5!?",
                                "12.",
                                "3...",
                                "4. ",
                                "$12",
                                "$1",
                                " ",
                                "\r\n",
                                "\t",
                                "{a (b) 1. c4}",
                                "(1... c5 {x} (2. d4) d6)",
                                "{}",
                                "Qe1",
                                "..."};
  const char* const results[] = {"", " 1-0", " 0-1", " 1/2-1/2", " *"};
  for (int round = 0; round < 20000; ++round) {
    std::string text;
    const size_t n = rng() % 60;  // past 64 bytes too, which are counted a block at a time
    for (size_t i = 0; i < n; ++i) {
      text += pieces[rng() % std::size(pieces)];
      if (rng() % 2) text += ' ';
    }
    text += results[rng() % std::size(results)];
    const int64_t parsed = ParserCount(text);
    if (parsed >= 0) {
      EXPECT_EQ(CountPlies(text), parsed) << text;
    }
  }
}

// Six games: the tags pass for Ann, Cid and Fay (WhiteElo 2400 or more); Cid's name is
// "Cid van Dam" once its line is cleaned, whether it is read or decided raw. Bob's plain move
// text and Dan's, which begins with a comment, are read past; Eve's has an odd line first,
// shown however the game is read.
const std::string kGames =
    "[White \"Ann\"]\n[WhiteElo \"2500\"]\n\n1.e4 e5 2.Nf3 Nc6 1-0\n\n"
    "[White \"Bob\"]\n[WhiteElo \"2100\"]\n\n1.d4 d5\n2.c4 0-1\n\n"
    "[White \"Cid \tvan  Dam\"]\n[WhiteElo \"2450\"]\n\n1.e4 c5 *\n\n"
    "[White \"Dan\"]\n[WhiteElo \"1900\"]\n\n{first} 1.c4 e5 *\n\n"
    "[White \"Eve\"]\n\nodd line\n1.e4 e5 *\n\n"
    "[White \"Fay\"]\n[WhiteElo \"2600\"]\n\n1.e4 e5 2.Qh5 Nc6 3.Bc4 Nf6 4.Qxf7# 1-0\n\n";

// The games of kGames named, as the scan writes them: their lines cleaned.
std::string Written(const std::string& names, int times) {
  std::string games;
  for (size_t at = 0; at < kGames.size();) {
    const size_t end = kGames.find("\n\n[", at);
    const std::string game = kGames.substr(at, end == std::string::npos ? end : end + 2 - at);
    if (names.find(game[8]) != std::string::npos) games += game;
    at = end == std::string::npos ? kGames.size() : end + 2;
  }
  // Each line cleaned, and ended by CR LF.
  std::string once;
  for (size_t at = 0; at < games.size();) {
    const size_t end = games.find('\n', at);
    std::string line = games.substr(at, end - at);
    CleanLine(line);
    once += line + "\r\n";
    at = end + 1;
  }
  std::string out;
  for (int i = 0; i < times; ++i) out += once;
  return out;
}

TEST(HeaderCriteriaScan, TagsSelectAlikeInEveryWayOfScanning) {
  TempDir dir;
  constexpr int kTimes = 40;  // enough for several chunks
  std::string input;
  for (int i = 0; i < kTimes; ++i) input += kGames;
  WriteFile(dir / "in.pgn", input);
  struct Case {
    std::vector<std::string> header;
    std::string without;  // moves the games must not play
    const char* passing;  // first letters of the passing games' players
  };
  const Case cases[] = {
      {{"WhiteElo >= 2400"}, "", "ACF"},
      {{"WhiteElo >= 2400"}, "..c5", "AF"},
      {{"WhiteElo >= 2400", "Plies >= 5"}, "", "F"},
      {{"Plies < 5"}, "", "ABCDE"},
      {{"White = cid van dam|fay"}, "", "CF"},
      {{"White != Fay"}, "", "ABCDE"},  // the last game, read past to the file's end
  };
  ScanMethod oneThread;
  oneThread.threads = 1;
  ScanMethod lineByLine = oneThread;
  lineByLine.rawQuickTest = false;
  ScanMethod chunked;
  chunked.threads = 2;
  chunked.chunkBytes = 1500;
  const std::pair<const char*, ScanMethod> methods[] = {
      {"one thread", oneThread}, {"line by line", lineByLine}, {"chunks", chunked}};
  for (const Case& c : cases) {
    for (bool split : {false, true}) {
      Criteria criteria;
      criteria.header = c.header;
      criteria.without = c.without;
      criteria.withoutRange = {1, 99};
      std::string failing;
      for (char name : std::string("ABCDEF"))
        if (std::string(c.passing).find(name) == std::string::npos) failing += name;
      for (const auto& [what, method] : methods) {
        SCOPED_TRACE(c.header.front() + " / " + c.without + (split ? " / split / " : " / ") + what);
        const ScanRecord r = RecordScan(dir / "in.pgn", criteria, split, method, dir);
        EXPECT_EQ(r.result.gamesRead, 6 * kTimes);
        EXPECT_EQ(r.output, Written(c.passing, kTimes));
        if (split) {
          EXPECT_EQ(r.split, Written(failing, kTimes));
        }
        // Eve's odd line is told once per copy, whether her game is read or read past.
        EXPECT_EQ(std::count(r.log.begin(), r.log.end(), "notice: odd line: \"odd line\""), kTimes);
      }
      // Read tolerantly.
      std::remove((dir / "tolerant.pgn").c_str());
      ScriptedDialogs dialogs;
      ScanRequest request{dir / "in.pgn", dir / "tolerant.pgn", split, criteria};
      request.reading.tolerant = true;
      RunScan(request, dialogs, fileSystem());
      EXPECT_EQ(ReadFile(dir / "tolerant.pgn"), Written(c.passing, kTimes));
    }
  }
}

}  // namespace
