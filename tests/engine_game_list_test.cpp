// The list of the games a scan writes: the rows and the list file of a scan (on one thread
// and in chunks alike), the offsets that give each game back whole, the list's sorting and
// filter, and the replay of a listed game.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/fen.h"
#include "engine/game_list.h"
#include "engine/game_moves.h"
#include "engine/scan_run.h"
#include "platform/fault.h"
#include "platform/file_system.h"
#include "scripted_dialogs.h"
#include "test_support.h"

using namespace kelvane;

namespace {

class Rows : public ScanObserver {
 public:
  void Progress(const ScanProgress&) override {}
  void Written(const ListedGame& game) override { list.Add(game); }
  GameList list;
};

ListedGame Row(std::vector<std::string_view> tags, int64_t plies = 0) {
  ListedGame g;
  for (size_t k = 0; k < tags.size(); ++k) g.tags[k] = tags[k];
  g.plies = plies;
  return g;
}

TEST(GameListTest, ScanListsEveryWrittenGameWithItsOffsetOnOneThreadAndInChunks) {
  TempDir dir;
  // A Latin-1 name, a tag in other case, a tag missing; enough games for chunks.
  const std::string first =
      "[Event \"Open\"]\n[White \"G\xF3mez\"]\n[Black \"Li\"]\n[Result \"1-0\"]\n"
      "[date \"2001.02.03\"]\n[WhiteElo \"2400\"]\n\n1.e4 {a comment} e5 (1...c5) 2.Nf3 1-0\n\n";
  const std::string other = "[Event \"E\"]\n[White \"A\"]\n[Black \"B\"]\n\n1.d4 d5 *\n\n";
  std::string input = first;
  for (int i = 0; i < 30000; ++i) input += other;
  WriteFile(dir / "in.pgn", input);
  std::string lists[2];
  for (unsigned threads : {1u, 2u}) {
    ScanRequest request;
    request.inputPath = dir / "in.pgn";
    request.outputPath = dir / "out.pgn";
    request.listPath = dir / "list.tsv";
    request.listGames = true;
    request.method.threads = threads;
    ScopedScriptedDialogs dialogs;
    dialogs.AnswerConfirm(DialogButton::Ok);  // the second run's output is there
    Rows rows;
    RunScan(request, dialogs, fileSystem(), &rows);
    const std::string output = ReadFile(dir / "out.pgn");
    ASSERT_EQ(rows.list.Size(), 30001u);
    for (size_t row = 0; row < rows.list.Size(); ++row) {
      const uint64_t from = rows.list.Offset(row);
      const uint64_t to = row + 1 < rows.list.Size() ? rows.list.Offset(row + 1) : output.size();
      const std::string game = output.substr(from, to - from);
      ASSERT_EQ(game.rfind("[Event ", 0), 0u) << row;
      ASSERT_EQ(game.substr(game.size() - 4), "\r\n\r\n") << row;
    }
    EXPECT_EQ(rows.list.Text(0, ListColumn::White), "G\xF3mez");
    EXPECT_EQ(rows.list.Text(0, ListColumn::Date), "2001.02.03");
    EXPECT_EQ(rows.list.Plies(0), 3);
    lists[threads - 1] = ReadFile(dir / "list.tsv");
  }
  EXPECT_EQ(lists[0], lists[1]);
  const std::string& list = lists[0];
  EXPECT_EQ(list.substr(0, list.find('\n', list.find('\n') + 1) + 1),
            "Number\tWhite\tBlack\tResult\tDate\tEvent\tECO\tWhiteElo\tBlackElo\tPlies\tMatchedAt\n"
            "1\tG\xC3\xB3mez\tLi\t1-0\t2001.02.03\tOpen\t\t2400\t\t3\t\n");
  EXPECT_EQ(list.substr(list.size() - 21), "\n30001\tA\tB\t\t\tE\t\t\t\t2\t\n");
}

TEST(GameListTest, ListFileIsRefusedOverTheInputOrAnOutput) {
  TempDir dir;
  WriteFile(dir / "in.pgn", "[Event \"E\"]\n\n1.e4 *\n\n");
  for (const std::string name : {"in.pgn", "out.pgn"}) {
    ScanRequest request;
    request.inputPath = dir / "in.pgn";
    request.outputPath = dir / "out.pgn";
    request.listPath = dir / name;
    ScopedScriptedDialogs dialogs;
    EXPECT_EQ(RunScan(request, dialogs, fileSystem()).outcome, ScanOutcome::SameFile) << name;
    EXPECT_EQ(ReadFile(dir / "in.pgn"), "[Event \"E\"]\n\n1.e4 *\n\n");
  }
}

TEST(GameListTest, ListValuesAreUtf8OnOneLine) {
  const std::pair<std::string, std::string> cases[] = {
      {"plain", "plain"},
      {"G\xC3\xB3mez", "G\xC3\xB3mez"},  // UTF-8 stays
      {"G\xF3mez", "G\xC3\xB3mez"},      // Latin-1 converted
      {"a\tb\r\nc", "a b  c"},
  };
  for (const auto& [in, out] : cases) {
    std::string got;
    AppendListValue(got, in);
    EXPECT_EQ(got, out) << in;
  }
}

TEST(GameListTest, ListLinesBlankTabsAndConvertLatin1WhereverTheValueStands) {
  // White's value in each case; the line around it is plain.
  const std::pair<std::string, std::string> cases[] = {
      {"Carlsen, Magnus", "Carlsen, Magnus"},
      {"Carlsen,\tMagnus and more", "Carlsen, Magnus and more"},  // a tab inside a word of 8
      {"A\x01", "A\x01"},                                         // kept: only tabs, CR, LF go
      {"M\xFCller", "M\xC3\xBCller"},
      {"", ""},
  };
  for (const auto& [white, shown] : cases) {
    ListedGame g;
    g.tags = {
        white, "Black", "1-0", "2024.01.02", "Open", "B01", "2500", "",
    };
    g.plies = 41;
    g.matchedAt = "12...Nf6";
    std::string line = "x";
    AppendListLine(line, 7, g);
    EXPECT_EQ(line, "x7\t" + shown + "\tBlack\t1-0\t2024.01.02\tOpen\tB01\t2500\t\t41\t12...Nf6\n")
        << white;
  }
}

TEST(GameListTest, SortsByValueKeepingEqualRowsInOrderAndFiltersFolded) {
  GameList list;
  list.Add(Row({"Gómez", "x", "", "", "", "", "2400"}, 10));
  list.Add(Row({"adams", "y", "", "", "", "", "?"}, 30));
  list.Add(Row({"Brown", "z", "", "", "", "", "900"}, 20));
  list.Add(Row({"GOMEZ", "w", "", "", "", "", "2400"}, 10));
  using V = std::vector<uint32_t>;
  EXPECT_EQ(list.SortedBy(ListColumn::WhiteElo, false), (V{2, 0, 3, 1}));
  EXPECT_EQ(list.SortedBy(ListColumn::WhiteElo, true), (V{1, 0, 3, 2}));
  EXPECT_EQ(list.SortedBy(ListColumn::White, false), (V{1, 2, 3, 0}));
  EXPECT_EQ(list.SortedBy(ListColumn::Plies, true), (V{1, 2, 0, 3}));
  EXPECT_EQ(list.SortedBy(ListColumn::Number, true), (V{3, 2, 1, 0}));
  EXPECT_EQ(list.Filtered({3, 2, 1, 0}, "gomez"), (V{3, 0}));
  EXPECT_EQ(list.Filtered({0, 1, 2, 3}, "Y"), (V{1}));
  EXPECT_EQ(list.Shown(3, ListColumn::Number), "4");
  EXPECT_EQ(list.Text(3, ListColumn::White), "GOMEZ");
}

TEST(GameListTest, ReplaysTheWrittenGameToEachPly) {
  std::string_view header, moveText;
  const std::string game =
      "[Event \"E\"]\r\n\r\n1.e4 {x} e5 (1...c5 2.Nf3) 2.Nf3 Nc6 3.Bb5 *\r\n\r\n[Event \"F\"]\r\n";
  SplitWrittenGame(game, header, moveText);
  EXPECT_EQ(header, "[Event \"E\"]\r\n");
  EXPECT_EQ(moveText, "1.e4 {x} e5 (1...c5 2.Nf3) 2.Nf3 Nc6 3.Bb5 *\r\n");
  const GameMoves moves = ReplayMoves(header, moveText);
  EXPECT_EQ(moves.fault, "");
  ASSERT_EQ(moves.positions.size(), 6u);
  EXPECT_EQ(moves.labels,
            (std::vector<std::string>{"1.e4", "1...e5", "2.Nf3", "2...Nc6", "3.Bb5"}));
  EXPECT_EQ(WriteFen(moves.positions[4]),
            "r1bqkbnr/pppp1ppp/2n5/4p3/4P3/5N2/PPPP1PPP/RNBQKB1R w KQkq - 2 3");
  // From a FEN tag, and a move that cannot be played ends the replay.
  const GameMoves fromFen = ReplayMoves(
      "[SetUp \"1\"]\r\n[FEN \"4k3/8/8/8/8/8/8/4K2R w K - 0 40\"]\r\n", "40.O-O Kd7 41.Rh2 *\r\n");
  EXPECT_EQ(fromFen.labels, (std::vector<std::string>{"40.O-O", "40...Kd7"}));
  EXPECT_EQ(WriteFen(fromFen.positions[2]), "8/3k4/8/8/8/8/8/5RK1 w - - 2 41");
  EXPECT_NE(fromFen.fault, "");
}

// A row's Matched at is the latest of the moves the criteria located: the matcher's, or the
// ply that reached the position or the material.
TEST(GameListTest, MatchedAtIsWhicheverCriterionWasMetLast) {
  TempDir dir;
  WriteFile(dir / "in.pgn",
            "[Event \"E\"]\n\n1.e4 c5 2.Nf3 d6 3.d4 cxd4 4.Nxd4 Nf6 5.Nc3 a6 6.Be3 e5 *\n");
  const char* najdorf = "rnbqkb1r/1p2pppp/p2p1n2/8/3NP3/2N5/PPP2PPP/R1BQKB1R w";
  const char* pawnEach = "KQRRBBNNPPPPPPP v KQRRBBNNPPPPPPP";  // after 4.Nxd4
  const struct {
    std::string contains, position, material, at;
  } cases[] = {
      {"1.e4 c5", najdorf, "", "5...a6"},
      {"1.e4 c5 2.Nf3 d6 3.d4 cxd4 4.Nxd4 Nf6 5.Nc3 a6 6.Be3 e5", najdorf, "", "6...e5"},
      {"", "", pawnEach, "4.Nxd4"},
      {"1.e4", najdorf, pawnEach, "5...a6"},
  };
  for (const auto& c : cases) {
    ScanRequest request{dir / "in.pgn", dir / "out.pgn", false, {}};
    request.criteria.mustContain = c.contains;
    request.criteria.mustContainRange = {1, 6};
    request.criteria.position = c.position;
    request.criteria.material = c.material;
    request.listGames = true;
    ScopedScriptedDialogs dialogs;
    dialogs.AnswerConfirm(DialogButton::Ok);
    Rows rows;
    RunScan(request, dialogs, fileSystem(), &rows);
    ASSERT_EQ(rows.list.Size(), 1u) << c.at;
    EXPECT_EQ(rows.list.Text(0, ListColumn::MatchedAt), c.at);
  }
}

// With the duplicates test on, only the games that stay in the output are listed, numbered
// and placed as written there, also when the prefix rule holds the games until the end; the
// row keeps the move where the game was matched. The list and duplicates files fail at steps
// of their own.
TEST(GameListTest, WithDuplicatesTheListHoldsTheGamesLeftInTheOutput) {
  TempDir dir;
  auto game = [](const char* event, const char* white, const char* result, const char* moves) {
    return std::string("[Event \"") + event + "\"]\n[White \"" + white + "\"]\n[Black \"B\"]\n" +
           "[Result \"" + result + "\"]\n\n" + moves + "\n\n";
  };
  WriteFile(dir / "in.pgn", game("cut", "A", "*", "1.e4 e5 2.Nf3 *") +
                                game("other", "C", "0-1", "1.e4 e5 2.Nc3 0-1") +
                                game("whole", "A", "1-0", "1.e4 e5 2.Nf3 Nc6 1-0") +
                                game("copy", "A", "1-0", "1.e4 e5 2.Nf3 Nc6 1-0"));
  auto line = [](int n, const char* event, const char* white, const char* result, int plies) {
    return std::to_string(n) + "\t" + white + "\tB\t" + result + "\t\t" + event + "\t\t\t\t" +
           std::to_string(plies) + "\t1...e5\n";
  };
  const std::string header = ListFileHeader();
  const struct {
    bool prefix;
    std::vector<std::string> events;
    std::string list;
  } cases[] = {
      {false,
       {"cut", "other", "whole"},
       header + line(1, "cut", "A", "*", 3) + line(2, "other", "C", "0-1", 3) +
           line(3, "whole", "A", "1-0", 4)},
      {true,
       {"other", "whole"},
       header + line(1, "other", "C", "0-1", 3) + line(2, "whole", "A", "1-0", 4)},
  };
  for (const SequenceForm form : {SequenceForm::Notation, SequenceForm::Moves})
    for (const auto& c : cases)
      for (unsigned threads : {1u, 2u}) {
        SCOPED_TRACE(::testing::Message() << c.prefix << " " << threads);
        ::unlink((dir / "out.pgn").c_str());
        ScanRequest request;
        request.inputPath = dir / "in.pgn";
        request.outputPath = dir / "out.pgn";
        request.criteria.mustContain = form == SequenceForm::Notation ? "1.e4 e5" : "..e5";
        request.criteria.mustContainForm = form;
        request.criteria.mustContainRange = {1, 5};
        request.duplicatesPath = dir / "dups.pgn";
        request.duplicatesPrefix = c.prefix;
        request.listPath = dir / "list.tsv";
        request.listGames = true;
        request.method.threads = threads;
        request.method.chunkBytes = 64;
        ScopedScriptedDialogs dialogs;
        Rows rows;
        RunScan(request, dialogs, fileSystem(), &rows);
        EXPECT_EQ(ReadFile(dir / "list.tsv"), c.list);
        const std::string output = ReadFile(dir / "out.pgn");
        ASSERT_EQ(rows.list.Size(), c.events.size());
        for (size_t row = 0; row < rows.list.Size(); ++row)
          EXPECT_EQ(output.substr(rows.list.Offset(row), 10 + c.events[row].size()),
                    "[Event \"" + c.events[row] + "\"]");
      }

  const struct {
    std::string dups, list, fault;
  } faults[] = {
      {"none/dups.pgn", "list.tsv", "An I/O error has occurred at 104. The result code is 2"},
      {"dups.pgn", "none/list.tsv", "An I/O error has occurred at 105. The result code is 2"},
      {"/dev/full", "list.tsv", "An I/O error has occurred at 203 (full). The result code is 28"},
      {"dups.pgn", "/dev/full", "An I/O error has occurred at 204. The result code is 28"},
  };
  for (const auto& f : faults) {
    if (!Exists("/dev/full") && f.fault.find(" 28") != std::string::npos) continue;
    SCOPED_TRACE(f.fault);
    ::unlink((dir / "out.pgn").c_str());
    ScanRequest request;
    request.inputPath = dir / "in.pgn";
    request.outputPath = dir / "out.pgn";
    request.duplicatesPath = f.dups[0] == '/' ? f.dups : std::string(dir / f.dups);
    request.listPath = f.list[0] == '/' ? f.list : std::string(dir / f.list);
    ScopedScriptedDialogs dialogs;
    try {
      RunScan(request, dialogs, fileSystem());
      ADD_FAILURE() << "no fatal fault";
    } catch (const FatalError& e) {
      EXPECT_EQ(e.what(), f.fault);
    }
  }
}

}  // namespace
