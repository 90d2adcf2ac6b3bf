// The summary of the games a scan writes: its figures on a file counted by eye (as JSON that
// parses, on one thread and in chunks), the rules by which a game counts, and its file.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/scan_run.h"
#include "engine/selection_summary.h"
#include "platform/fault.h"
#include "platform/file_system.h"
#include "scripted_dialogs.h"
#include "test_support.h"

using namespace kelvane;

namespace {

// A row with the given tags (by column) and half-moves.
ListedGame Game(std::vector<std::pair<ListColumn, std::string_view>> tags, int64_t plies = 0,
                std::string_view timeControl = {}, std::string_view opening = {}) {
  ListedGame g;
  for (const auto& [column, value] : tags) g.tags[static_cast<int>(column) - 1] = value;
  g.plies = plies;
  g.timeControl = timeControl;
  g.opening = opening;
  return g;
}

using C = ListColumn;

TEST(SelectionSummaryTest, HandMadeFileGivesTheFiguresCountedByEyeAsJsonThatParses) {
  TempDir dir;
  const std::string expected = ReadFile(SourcePath("tests/data/summary_games.json"));
  for (unsigned threads : {1u, 2u}) {
    ScanRequest request;
    request.inputPath = SourcePath("tests/data/summary_games.pgn");
    request.outputPath = dir / "out.pgn";
    request.summaryPath = dir / "summary.json";
    request.method.threads = threads;
    request.method.chunkBytes = 64;
    ScopedScriptedDialogs dialogs;
    dialogs.AnswerConfirm(DialogButton::Ok);
    RunScan(request, dialogs, fileSystem());
    EXPECT_EQ(ReadFile(dir / "summary.json"), expected) << threads;
  }
  const ProcessResult parsed = RunProcess(
      "/usr/bin/python3", {"-c",
                           "import json, sys\n"
                           "d = json.load(open(sys.argv[1], encoding='utf-8'))\n"
                           "print(d['games'], d['players'][3]['name'], d['eco'][1]['opening'])",
                           dir / "summary.json"});
  if (parsed.status == 127) GTEST_SKIP() << "no python3";
  EXPECT_EQ(parsed.out, "6 M\xC3\xBCller, H King's pawn\n") << parsed.err;
}

TEST(SelectionSummaryTest, GamesCountByTheirTags) {
  SelectionSummary s;
  s.Add(Game({{C::Result, " 1-0 "},
              {C::Date, "1950.??.??"},
              {C::WhiteElo, "2399.5"},
              {C::BlackElo, "0"},
              {C::White, "Dominguez G\xF3mez, Alejandro Jose"},
              {C::Black, "?"},
              {C::Eco, "z99"}},
             41, "40/7200", "Dutch"));
  s.Add(Game({{C::Result, "\xC2\xBD-\xC2\xBD"},
              {C::Date, "2001.13.01"},
              {C::WhiteElo, "4000"},
              {C::BlackElo, "abc"},
              {C::White, "Dominguez G\xC3\xB3mez, Alejandro Jose"},
              {C::Eco, "e97"}},
             0, "600+5", "Dutch"));
  s.Add(Game({{C::Result, "0-1"}, {C::Date, "2001"}, {C::BlackElo, "1000"}, {C::Black, "Li"}}, 1,
             "-"));
  EXPECT_EQ(s.Results(), (std::array<int64_t, 4>{1, 0, 1, 1}));
  EXPECT_EQ(s.WhiteScore(), 50.0);
  EXPECT_EQ(s.WithoutYear(), 1);  // month 13 is no date
  ASSERT_TRUE(s.ByDecade());      // 1950 to 2001
  const std::vector<SummaryBar> years = s.YearBars();
  ASSERT_EQ(years.size(), 6u);
  EXPECT_EQ(years.front().label, "1950s");
  EXPECT_EQ(years.back().label + "=" + std::to_string(years.back().games), "2000s=1");
  EXPECT_EQ(s.Ratings(), 2);
  EXPECT_EQ(s.RatedGames(), 2);
  EXPECT_EQ(s.AverageRating(), 1699.75);
  EXPECT_EQ(s.RatingBars().front().label, "1000");
  EXPECT_EQ(s.RatingBars().back().label, "2300");
  const std::vector<PlayerFigures> players = s.TopPlayers();
  ASSERT_EQ(players.size(), 2u);  // "?" is no player; both spellings are one
  EXPECT_EQ(players[0].name, "Dominguez G\xC3\xB3mez, Alejandro Jose");
  EXPECT_EQ(players[0].games, 2);
  EXPECT_EQ(players[0].Score(), 100.0);  // the unfinished game has no score
  const auto openings = s.TopOpenings();
  ASSERT_EQ(openings.size(), 2u);
  EXPECT_EQ(openings[0].name + (openings[0].isEco ? " eco" : ""), "E97 eco");
  EXPECT_EQ(openings[1].name + (openings[1].isEco ? " eco" : ""), "Dutch");
  EXPECT_EQ(s.TimeClasses(), (std::array<int64_t, 7>{0, 0, 0, 1, 0, 1, 1}));
  EXPECT_EQ(s.AverageMoves(), 22.0 / 3);  // 21 + 0 + 1 moves
}

TEST(SelectionSummaryTest, PlayersAndOpeningsKeepTheTenWithMostGamesThenByName) {
  SelectionSummary s;
  const std::string names[] = {"L", "K", "J", "I", "H", "G", "F", "E", "D", "C", "B", "A"};
  for (size_t k = 0; k < std::size(names); ++k)
    for (size_t n = 0; n <= (k < 2 ? 1 : 0); ++n)
      s.Add(Game({{C::White, names[k]}}, 0, {}, names[k]));
  std::string top;
  for (const PlayerFigures& p : s.TopPlayers()) top += p.name;
  EXPECT_EQ(top, "KLABCDEFGH");
  std::string openings;
  for (const auto& o : s.TopOpenings()) openings += o.name;
  EXPECT_EQ(openings, top);
}

TEST(SelectionSummaryTest, PlayersKeepTheirCountsWhileTheirTableGrows) {
  // Thousands of names with a game each, among them ten with more, short and long (a long
  // name is kept outside the table's slots), so that the table grows several times between
  // the games of the ten.
  SelectionSummary s;
  std::vector<std::string> names;
  for (int k = 0; k < 10; ++k)
    names.push_back((k % 2 ? "Player with a name of well over twenty-four bytes " : "P") +
                    std::to_string(k));
  std::vector<std::string> others;
  for (int n = 0; n < 6000; ++n) others.push_back("Other " + std::to_string(n));
  for (int round = 0; round < 12; ++round) {
    for (int k = 0; k < 10; ++k)
      if (round < k + 2) s.Add(Game({{C::White, names[k]}, {C::Result, "1-0"}}));
    for (int n = round * 500; n < (round + 1) * 500; ++n) s.Add(Game({{C::Black, others[n]}}));
  }
  const std::vector<PlayerFigures> top = s.TopPlayers();
  ASSERT_EQ(top.size(), 10u);
  for (int k = 0; k < 10; ++k) {
    EXPECT_EQ(top[k].name, names[9 - k]);
    EXPECT_EQ(top[k].games, 11 - k);
    EXPECT_EQ(top[k].wins, 11 - k);
  }
}

TEST(SelectionSummaryTest, AnEmptySelectionHasNoAveragesInItsJson) {
  EXPECT_EQ(
      SelectionSummary().Json(),
      "{\n  \"games\": 0,\n  \"results\": {\"1-0\": 0, \"1/2-1/2\": 0, \"0-1\": 0, \"*\": 0},"
      "\n  \"white_score\": null,\n  \"years\": {\"first\": null, \"last\": null, "
      "\"unknown\": 0, \"by_year\": {}, \"by_decade\": {}},\n  \"elo\": {\"ratings\": 0, "
      "\"games\": 0, \"average\": null, \"bands\": {}},\n  \"players\": [],\n  \"eco\": [],\n"
      "  \"time_classes\": {\"ultrabullet\": 0, \"bullet\": 0, \"blitz\": 0, \"rapid\": 0, "
      "\"classical\": 0, \"correspondence\": 0, \"unknown\": 0},\n  \"average_moves\": null\n}\n");
}

TEST(SelectionSummaryTest, SummaryFileIsAnOutputLikeTheOthers) {
  TempDir dir;
  WriteFile(dir / "in.pgn", "[Event \"E\"]\n\n1.e4 *\n\n");
  const struct {
    std::string summary;
    std::string fault;  // empty: refused as the same file
  } cases[] = {
      {"in.pgn", ""},
      {"out.pgn", ""},
      {"list.tsv", ""},
      {"none/s.json", "An I/O error has occurred at 106. The result code is 2"},
      {"/dev/full", "An I/O error has occurred at 205. The result code is 28"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.summary);
    ::unlink((dir / "out.pgn").c_str());
    ScanRequest request;
    request.inputPath = dir / "in.pgn";
    request.outputPath = dir / "out.pgn";
    request.listPath = dir / "list.tsv";
    request.summaryPath = c.summary[0] == '/' ? c.summary : std::string(dir / c.summary);
    ScopedScriptedDialogs dialogs;
    if (c.fault.empty()) {
      EXPECT_EQ(RunScan(request, dialogs, fileSystem()).outcome, ScanOutcome::SameFile);
      EXPECT_EQ(ReadFile(dir / "in.pgn"), "[Event \"E\"]\n\n1.e4 *\n\n");
      continue;
    }
    try {
      RunScan(request, dialogs, fileSystem());
      ADD_FAILURE() << "no fatal fault";
    } catch (const FatalError& e) {
      EXPECT_EQ(e.what(), c.fault);
    }
  }
}

}  // namespace
