// Tolerant reading in whole scans: the report's added line, the log file and its entries,
// the same output as the usual reading for files that reading reads without an odd line,
// and real game files read to their end with every game counted.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "engine/reading_log.h"
#include "engine/scan_run.h"
#include "platform/fault.h"
#include "platform/file_system.h"
#include "platform/io_result.h"
#include "scripted_dialogs.h"
#include "test_support.h"
#include "text/path_parts.h"

using namespace kelvane;

namespace {

using Log = std::vector<std::string>;

// Counts the games of a PGN text by the standard's tokens, not by its lines, and so without
// the program's reader: a result (1-0, 0-1, 1/2-1/2, *) that stands outside comments,
// variations, tag pairs and escape lines ends a game; text after the last result that holds
// a move number is one more game. bench/count_games.mjs counts the same way and also plays
// the games with chess.js.
int64_t CountGames(const std::string& text) {
  int64_t games = 0;
  int depth = 0;
  bool movesSinceResult = false;
  const size_t n = text.size();
  auto lineStart = [&](size_t i) { return i == 0 || text[i - 1] == '\n' || text[i - 1] == '\r'; };
  auto toLineEnd = [&](size_t i) {
    while (i < n && text[i] != '\n' && text[i] != '\r') ++i;
    return i;
  };
  for (size_t i = 0; i < n;) {
    const char c = text[i];
    if (c == '{') {
      size_t close = text.find('}', i + 1);
      i = close == std::string::npos ? n : close + 1;
    } else if (c == ';' || (c == '%' && lineStart(i))) {
      i = toLineEnd(i);
    } else if (c == '[' && depth == 0) {
      bool inString = false;
      for (++i; i < n && (inString || text[i] != ']'); ++i) {
        if (text[i] == '\\' && inString)
          ++i;
        else if (text[i] == '"')
          inString = !inString;
        else if ((text[i] == '\n' || text[i] == '\r') && !inString)
          break;
      }
      ++i;
    } else if (c == '(' || c == ')') {
      depth = c == '(' ? depth + 1 : std::max(depth - 1, 0);
      ++i;
    } else if (c == ' ' || c == '\t' || c == '\n' || c == '\r') {
      ++i;
    } else {
      size_t j = i;
      while (j < n && std::string_view(" \t\r\n{}()[];").find(text[j]) == std::string_view::npos)
        ++j;
      const std::string_view token(text.data() + i, j - i);
      if (depth == 0 && (token == "1-0" || token == "0-1" || token == "1/2-1/2" || token == "*")) {
        ++games;
        movesSinceResult = false;
      } else if (token.find('.') != std::string_view::npos && token[0] >= '0' && token[0] <= '9') {
        movesSinceResult = true;
      }
      i = j;
    }
  }
  return games + (movesSinceResult ? 1 : 0);
}

TEST(CountGames, CountsByTokensNotByLines) {
  const std::pair<const char*, int64_t> cases[] = {
      {"", 0},
      {"{ a description, 1-0 }\n[Event \"a ] 1-0\"]\n\n1.e4 (1.d4 1-0) e5 *\n", 1},
      {"1.e4 ; 0-1\ne5 1-0\n\n1.d4\n\n1/2-1/2 1.c4", 3},
      {"% 1-0 escaped\n[A \"1\"]\n1.e4 {\n\n1-0\n} 0-1", 1},
  };
  for (const auto& [text, games] : cases) EXPECT_EQ(CountGames(text), games) << text;
}

class TolerantScan : public ::testing::Test {
 protected:
  void SetUp() override { TakeIoResult(); }

  std::string Input(const std::string& bytes) {
    WriteFile(dir_ / "in.pgn", bytes);
    return dir_ / "in.pgn";
  }
  // A scan of in (answering OK to the overwrite question) into out.pgn.
  ScanResult Scan(const std::string& in, const ReadingOptions& reading) {
    scripted_.Clear();
    scripted_.AnswerConfirm(DialogButton::Ok);
    ScanRequest request{in, dir_ / "out.pgn", split_, criteria_};
    request.maxGameBytes = maxGameBytes_;
    request.reading = reading;
    return RunScan(request, scripted_, fileSystem());
  }
  // As the window scans with tolerant reading: the list in out.pgn.log.
  ScanResult ScanWithLog(const std::string& in) {
    ReadingOptions reading;
    reading.tolerant = true;
    reading.logPath = LogFileName(dir_ / "out.pgn");
    return Scan(in, reading);
  }
  std::string LogText() { return ReadFile(dir_ / "out.pgn.log"); }

  TempDir dir_;
  ScriptedDialogs scripted_;
  Criteria criteria_;
  bool split_ = false;
  size_t maxGameBytes_ = ScanRequest().maxGameBytes;
};

// A file with a little of everything tolerant reading lists.
const std::string kUntidy =
    "{ Club games\n\n  of 2024 }\n"  // lines 1 to 3: no game
    "[Event \"A\"]\n\n"              // game 1 at line 4
    "1.e4 {good\n\nmove} e5 (1...c5\n"
    ") 1-0\n\n"
    "stray text\n"          // line 11
    "[Event \"B\"]\n\n"     // game 2 at line 12
    "[Round \"2\"]\n"       // odd: the empty line above ended the header block
    "1.d4 d5 2.c4 } *\n\n"  // a brace too many: the parser finds a fault
    "1.c4 *\n";             // game 3, without tags

TEST_F(TolerantScan, TheLogListsEachLineAndFaultyGameAndTheReportCountsThem) {
  WriteFile(dir_ / "out.pgn.log", "an old log");
  ScanResult r = ScanWithLog(Input(kUntidy));
  EXPECT_EQ(r.outcome, ScanOutcome::Completed);
  EXPECT_EQ(r.gamesRead, 3);
  EXPECT_EQ(r.listed, (ReadingCounts{3, 1, 1}));
  EXPECT_EQ(scripted_.reports,
            Log{"3 games read from in.pgn\r3 games written to out.pgn\r3 lines skipped, 1 odd "
                "line, 1 game with faults, listed in out.pgn.log"});
  // No box per line or per game.
  EXPECT_EQ(scripted_.messages, Log{});
  EXPECT_EQ(LogText(),
            "line 1, game 1: skipped: { Club games\r\n"
            "line 3, game 1: skipped: of 2024 }\r\n"
            "line 11, game 2: skipped: stray text\r\n"
            "line 14, game 2: odd line: \"[Round \"2\"]\"\r\n"
            "line 12, game 2: extra )/} found\r\n");
  // The comment across the empty line is written whole.
  EXPECT_EQ(ReadFile(dir_ / "out.pgn"),
            "[Event \"A\"]\r\n\r\n1.e4 {good\r\nmove} e5 (1...c5\r\n) 1-0\r\n\r\n"
            "[Event \"B\"]\r\n\r\n[Round \"2\"]\r\n1.d4 d5 2.c4 } *\r\n\r\n"
            "\r\n1.c4 *\r\n\r\n");

  // With Split, the line about the list comes last.
  split_ = true;
  criteria_.mustContain = "c4";
  criteria_.mustContainForm = SequenceForm::Moves;
  criteria_.mustContainRange = {1, 1};
  ScanWithLog(Input(kUntidy));
  EXPECT_EQ(scripted_.reports,
            Log{"3 games read from in.pgn\r2 games written to out.pgn\r1 games written to "
                "out2.pgn\r3 lines skipped, 1 odd line, 1 game with faults, listed in "
                "out.pgn.log"});
}

TEST_F(TolerantScan, AGameLargerThanTheLimitIsSkippedListedAndTheScanGoesOn) {
  const std::string big = "[Event \"Big\"]\n\n1.e4 " + std::string(3000, 'x') + " 1-0\n\n";
  const std::string games = "[Event \"A\"]\n\n1.e4 *\n\n" + big + "[Event \"C\"]\n\n1.d4 *\n";
  maxGameBytes_ = 2000;
  split_ = true;
  ScanResult r = ScanWithLog(Input(games));
  EXPECT_EQ(r.gamesRead, 3);
  EXPECT_EQ(r.listed, (ReadingCounts{0, 0, 0, 1}));
  EXPECT_EQ(scripted_.reports,
            Log{"3 games read from in.pgn\r2 games written to out.pgn\r0 games written to "
                "out2.pgn\r1 game skipped, listed in out.pgn.log"});
  EXPECT_EQ(LogText(), "line 5, game 2: game larger than 2000 bytes, skipped\r\n");
  EXPECT_EQ(ReadFile(dir_ / "out.pgn"),
            "[Event \"A\"]\r\n\r\n1.e4 *\r\n\r\n[Event \"C\"]\r\n\r\n1.d4 *\r\n\r\n");
}

TEST_F(TolerantScan, LongLinesAreCutAndControlsEscapedInTheLogAndTheNotices) {
  const std::string junk = "\x1b]0;t\x07" + std::string(300 << 10, 'z');  // a title, then more
  const std::string entry =
      "line 1, game 1: skipped: \\x1B]0;t\\x07" + std::string(194, 'z') + "... (307006 more bytes)";
  ReadingOptions reading;
  reading.tolerant = true;
  reading.logPath = LogFileName(dir_ / "out.pgn");
  reading.listAsNotices = true;
  Scan(Input(junk + "\n[Event \"A\"]\n\n1.e4 *\n"), reading);
  EXPECT_EQ(LogText(), entry + "\r\n");
  ASSERT_EQ(scripted_.messages.size(), 1u);
  EXPECT_EQ(scripted_.messages[0].size(), entry.size() - 6);  // the controls as they are
}

TEST_F(TolerantScan, NothingToListLeavesTheReportAsItWasAndTheLogEmpty) {
  const std::string games = "[Event \"A\"]\n\n1.e4 e5 1-0\n\n[Event \"B\"]\n\n1.d4 *\n";
  WriteFile(dir_ / "out.pgn.log", "an old log");
  ScanResult r = ScanWithLog(Input(games));
  EXPECT_EQ(r.listed, ReadingCounts{});
  EXPECT_EQ(scripted_.reports, Log{"2 games read from in.pgn\r2 games written to out.pgn"});
  EXPECT_EQ(LogText(), "");  // written afresh, like the split file
}

TEST_F(TolerantScan, WithoutALogFileEachEntryIsANotice) {
  ReadingOptions reading;
  reading.tolerant = true;
  reading.listAsNotices = true;
  Scan(Input(kUntidy), reading);
  EXPECT_EQ(scripted_.log,
            (Log{"notice: line 1, game 1: skipped: { Club games",
                 "notice: line 3, game 1: skipped: of 2024 }",
                 "notice: line 11, game 2: skipped: stray text",
                 "notice: line 14, game 2: odd line: \"[Round \"2\"]\"",
                 "notice: line 12, game 2: extra )/} found",
                 "report: 3 games read from in.pgn\r3 games written to out.pgn\r3 lines "
                 "skipped, 1 odd line, 1 game with faults"}));
  EXPECT_FALSE(Exists(dir_ / "out.pgn.log"));
}

TEST_F(TolerantScan, ALogThatWouldBeTheInputOrAnOutputIsRefused) {
  const std::string in = Input(kUntidy);
  ASSERT_EQ(::symlink("in.pgn", (dir_ / "link.pgn").c_str()), 0);
  split_ = true;
  for (const std::string& log : {dir_ / "link.pgn", dir_ / "out.pgn", dir_ / "out2.pgn"}) {
    SCOPED_TRACE(log);
    ReadingOptions reading;
    reading.tolerant = true;
    reading.logPath = log;
    ::unlink((dir_ / "out.pgn").c_str());
    scripted_.Clear();
    ScanRequest request{in, dir_ / "out.pgn", split_, criteria_};
    request.reading = reading;
    EXPECT_EQ(RunScan(request, scripted_, fileSystem()).outcome, ScanOutcome::SameFile);
    EXPECT_EQ(scripted_.log, Log{"message: Input and output cannot be the same file"});
    EXPECT_FALSE(Exists(dir_ / "out.pgn"));
  }
  EXPECT_EQ(ReadFile(in), kUntidy);
}

TEST_F(TolerantScan, TheUsualReadingReportsItsStopAsAnInvalidLineForTheCallerToWord) {
  struct Worded : ForwardingReporter {
    using ForwardingReporter::ForwardingReporter;
    void ShowInvalidLine(std::string_view line) override {
      target_.ShowQuotedMessage("invalid PGN: ", line, "\rTry tolerant reading.");
    }
  } worded(scripted_);
  scripted_.AnswerConfirm(DialogButton::Ok);
  EXPECT_THROW(RunScan({Input(kUntidy), dir_ / "out.pgn", split_, criteria_}, worded, fileSystem()),
               FatalError);
  EXPECT_EQ(scripted_.messages, Log{"invalid PGN: { Club games\rTry tolerant reading."});
}

// ---- Generated corpora: tolerant reading changes nothing the usual reading reads -----

// A generated corpus of about size bytes (gen_corpus with the given options), cached for
// the test program's run.
std::string Corpus(const std::string& size, const std::vector<std::string>& options) {
  static TempDir cache;
  std::string name = "corpus-" + size;
  for (const std::string& o : options) name += o;
  const std::string path = cache / name + ".pgn";
  if (!Exists(path)) {
    std::vector<std::string> args = {"--seed", "7", "--size", size, "--output", path};
    args.insert(args.end(), options.begin(), options.end());
    ProcessResult r = RunProcess(KELVANE_GEN_CORPUS, args);
    EXPECT_EQ(r.status, 0) << r.err;
  }
  return path;
}

struct Outcome {
  ScanResult result;
  std::string out, split;
};

TEST_F(TolerantScan, GeneratedCorporaGiveTheSameFilesAndCounts) {
  const std::vector<std::string> kinds[] = {{},
                                            {"--crlf"},
                                            {"--comments", "--variations", "--nags"},
                                            {"--comments", "--variations", "--nags", "--crlf"}};
  for (const auto& options : kinds) {
    const std::string corpus = Corpus("1M", options);
    SCOPED_TRACE(corpus);
    for (bool criteria : {false, true}) {
      // No criteria: every game is parsed and written. Criteria: most fail, to the split file.
      criteria_ = Criteria{};
      split_ = criteria;
      if (criteria) {
        criteria_.conditions[0] = "Nf3 < Bc4";
        criteria_.conditionRanges[0] = {1, 20};
        criteria_.without = "..e6";
        criteria_.withoutRange = {1, 15};
      }
      Outcome outcome[2];
      for (int tolerant = 0; tolerant < 2; ++tolerant) {
        ReadingOptions reading;
        reading.tolerant = tolerant == 1;
        reading.logPath = reading.tolerant ? dir_ / "out.pgn.log" : "";
        outcome[tolerant].result = Scan(corpus, reading);
        outcome[tolerant].out = ReadFile(dir_ / "out.pgn");
        outcome[tolerant].split = split_ ? ReadFile(dir_ / "out2.pgn") : "";
      }
      const ScanResult& usual = outcome[0].result;
      const ScanResult& tolerant = outcome[1].result;
      EXPECT_GT(usual.gamesRead, 1000);
      EXPECT_EQ(tolerant.gamesRead, usual.gamesRead);
      EXPECT_EQ(tolerant.gamesWritten, usual.gamesWritten);
      EXPECT_EQ(tolerant.splitWritten, usual.splitWritten);
      EXPECT_EQ(tolerant.listed.linesSkipped + tolerant.listed.oddLines, 0);
      EXPECT_TRUE(outcome[1].out == outcome[0].out);
      EXPECT_TRUE(outcome[1].split == outcome[0].split);
      EXPECT_EQ(usual.gamesRead, CountGames(ReadFile(corpus)));
    }
  }
}

// The games of a generated LF corpus, one text each, ending with its empty line.
std::vector<std::string> GamesOf(const std::string& text) {
  std::vector<std::string> games;
  for (size_t at = 0; at < text.size();) {
    size_t tagsEnd = text.find("\n\n", at);
    size_t end = text.find("\n\n", tagsEnd + 2);
    end = end == std::string::npos ? text.size() : end + 2;
    games.push_back(text.substr(at, end - at));
    at = end;
  }
  return games;
}

// The game from move 18 on, as a database writes a game from a set-up position: a FEN tag,
// and a move text that begins with white's move 18 ("18.Nf3 ...") or, when blackFirst, with
// black's ("18...Nc6 ..."). Empty when the game is shorter.
std::string FromMove18(const std::string& game, bool blackFirst) {
  const size_t tagsEnd = game.find("\n\n") + 1;
  size_t at = game.find(" 18.", tagsEnd);
  if (at == std::string::npos) at = game.find("\n18.", tagsEnd);
  if (at == std::string::npos) return "";
  std::string moves = game.substr(at + 1);
  if (blackFirst) {
    size_t whiteMoveEnd = moves.find_first_of(" \n", 3);
    size_t blackMove = moves.find_first_not_of(" \n", whiteMoveEnd);
    moves = "18..." + moves.substr(blackMove);
  }
  return game.substr(0, tagsEnd) + "[SetUp \"1\"]\n[FEN \"8/8/8/8/8/8/8/K6k w - - 0 18\"]\n\n" +
         moves;
}

TEST_F(TolerantScan, GamesFromSetUpPositionsAreReadOneByOne) {
  // About 2,000 games, 3 % of them from set-up positions.
  std::vector<std::string> games = GamesOf(ReadFile(Corpus("1250K", {})));
  ASSERT_GT(games.size(), 1800u);
  std::string file;
  int setUp = 0;
  for (size_t k = 0; k < games.size(); ++k) {
    if (k % 33 == 5) {
      std::string later = FromMove18(games[k], k % 2 == 0);
      if (!later.empty()) {
        games[k] = later;
        ++setUp;
      }
    }
    file += games[k];
  }
  ASSERT_GT(setUp, 50);
  const std::string in = Input(file);

  // The usual reading runs each of them on into the next game.
  ScanResult usual = Scan(in, {});
  EXPECT_LT(usual.gamesRead, static_cast<int64_t>(games.size()) - setUp / 2);

  ReadingOptions reading;
  reading.tolerant = true;
  ScanResult tolerant = Scan(in, reading);
  EXPECT_EQ(tolerant.gamesRead, static_cast<int64_t>(games.size()));
  EXPECT_EQ(tolerant.gamesRead, CountGames(file));
  EXPECT_EQ(tolerant.listed.linesSkipped + tolerant.listed.oddLines, 0);
  // Every game is written as it stands, its lines ending in CR LF.
  std::string expected;
  for (char c : file) expected += c == '\n' ? "\r\n" : std::string(1, c);
  EXPECT_TRUE(ReadFile(dir_ / "out.pgn") == expected);
}

// ---- Real game files ------------------------------------------------------------------

// The PGN files under a folder and its subfolders, sorted.
std::vector<std::string> PgnFilesUnder(const std::string& dir) {
  std::vector<std::string> files;
  std::error_code ec;
  if (dir.empty() || !std::filesystem::is_directory(dir, ec)) return files;
  for (const auto& entry : std::filesystem::recursive_directory_iterator(dir, ec))
    if (entry.is_regular_file() && entry.path().extension() == ".pgn")
      files.push_back(entry.path().string());
  std::sort(files.begin(), files.end());
  return files;
}

// The real files at hand: the shared corpus, the PGN files that Debian's pychess and
// pgn-extract packages install, and those under $KELVANE_PGN_DIR (for example the packages
// unpacked with dpkg -x, without installing them).
std::vector<std::string> RealGameFiles() {
  std::vector<std::string> files;
  const char* extra = std::getenv("KELVANE_PGN_DIR");
  for (const std::string& dir :
       {CorpusDir(), std::string("/usr/share/pychess/learn"), std::string("/usr/share/pgn-extract"),
        std::string(extra ? extra : "")}) {
    std::vector<std::string> more = PgnFilesUnder(dir);
    files.insert(files.end(), more.begin(), more.end());
  }
  return files;
}

TEST_F(TolerantScan, RealFilesAreReadToTheirEndWithEveryGameCounted) {
  const std::vector<std::string> files = RealGameFiles();
  if (files.empty()) GTEST_SKIP() << "no real game files here";
  for (const std::string& file : files) {
    SCOPED_TRACE(file);
    // The usual reading: to the end without an odd line, or not.
    bool usualToTheEnd = true;
    ScanResult usual;
    try {
      usual = Scan(file, {});
    } catch (const FatalError&) {
      usualToTheEnd = false;
    }
    for (const std::string& m : scripted_.messages)
      if (m.rfind("odd line: ", 0) == 0) usualToTheEnd = false;
    const std::string usualOut = ReadFile(dir_ / "out.pgn");

    ScanResult r = ScanWithLog(file);
    EXPECT_EQ(r.outcome, ScanOutcome::Completed);
    EXPECT_EQ(r.gamesRead, CountGames(ReadFile(file)));
    EXPECT_EQ(r.gamesWritten, r.gamesRead);
    EXPECT_EQ(r.listed.oddLines, 0);
    EXPECT_EQ(scripted_.messages, Log{});
    if (usualToTheEnd) {
      EXPECT_EQ(r.gamesRead, usual.gamesRead);
      EXPECT_TRUE(ReadFile(dir_ / "out.pgn") == usualOut);
    }
  }
}

TEST_F(TolerantScan, TheLogOfARealFile) {
  const std::string file = CorpusDir() + "practice-zugzwang.pgn";
  if (CorpusDir().empty() || !Exists(file)) GTEST_SKIP() << "no corpus";
  ScanResult r = ScanWithLog(file);
  EXPECT_EQ(r.gamesRead, 4);
  // Three puzzles have no moves, only a comment and a result.
  EXPECT_EQ(LogText(),
            "line 19, game 2: null game\r\n"
            "line 35, game 3: null game\r\n"
            "line 51, game 4: null game\r\n");
  EXPECT_EQ(scripted_.reports.back(),
            "4 games read from practice-zugzwang.pgn\r4 games written to out.pgn\r3 games with "
            "faults, listed in out.pgn.log");
  // The first comment holds an empty line; all of it is written.
  const std::string out = ReadFile(dir_ / "out.pgn");
  EXPECT_NE(out.find("force mate in 2?\r\nThis is a composition by Paul Morphy, originally "
                     "published in the New York Clipper on June 28, 1856. }\r\n1. Ra6 *\r\n"),
            std::string::npos);
}

TEST_F(TolerantScan, TheDescriptionInFrontOfAFileIsListedLineByLine) {
  const std::vector<std::string> found = PgnFilesUnder("/usr/share/pgn-extract");
  const char* extra = std::getenv("KELVANE_PGN_DIR");
  std::vector<std::string> files = PgnFilesUnder(extra ? extra : "");
  files.insert(files.end(), found.begin(), found.end());
  auto eco = std::find_if(files.begin(), files.end(),
                          [](const std::string& f) { return FileNamePart(f) == "eco.pgn"; });
  if (eco == files.end()) GTEST_SKIP() << "no eco.pgn of pgn-extract here";
  ScanResult r = ScanWithLog(*eco);
  EXPECT_EQ(r.gamesRead, CountGames(ReadFile(*eco)));
  EXPECT_EQ(r.listed, (ReadingCounts{10, 0, 0}));
  const std::string log = LogText();
  EXPECT_EQ(log.rfind("line 1, game 1: skipped: {\r\nline 2, game 1: skipped: A PGN file", 0), 0u);
  EXPECT_NE(log.find("\r\nline 11, game 1: skipped: }\r\n"), std::string::npos);
  EXPECT_EQ(ReadFile(dir_ / "out.pgn").substr(0, 12), "[ECO \"A00\"]\r");
}

}  // namespace
