// The scan in chunks on two threads against the scan of the whole file line by line on one:
// the places where files are cut, then whole runs on generated, messy and faulty files with
// chunks small enough that their borders fall everywhere, with cancel and progress.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <random>
#include <stdexcept>
#include <string>
#include <tuple>
#include <vector>

#include "compress_for_tests.h"
#include "engine/chunked_scan.h"
#include "engine/game_reader.h"
#include "scan_compare.h"

using namespace kelvane;

namespace {

using namespace std::string_literals;

constexpr size_t kNone = CutFinder::kNone;

size_t FirstCut(const std::string& bytes, size_t from = 0) {
  CutFinder finder(from);
  return finder.Find(bytes.data(), bytes.size());
}

TEST(CutFinder, PlacesWhereAGameIsSureToBegin) {
  struct Case {
    const char* what;
    std::string bytes;
    size_t cut;  // offset of the first cut, or kNone
  };
  const std::string game = "[A]\n\n1.e4 *\n\n";
  const Case cases[] = {
      {"after a move text", game + "[B]", game.size()},
      {"CR LF lines", "[A]\r\n\r\n1.e4 *\r\n\r\n[B]", 17},
      {"lone CR lines", "[A]\r\r1.e4 *\r\r[B]", 13},
      {"a move text from a comment", "[A]\n\n{c} 2.e4\n\n[B]", 15},
      {"a bare result", "[A]\n\n * \n\n[B]", 10},
      {"an indented first move", "[A]\n\n\t1.e4\n\n[B]", 12},
      {"a later line of the block starts the move text", "[A]\n\nodd\n1.e4\n\n[B]", 15},
      {"lines of blanks are empty", "[A]\n \t\n1.e4\n  \n[B]", 15},
      {"every empty line after the block", game + "\n\n[B]", game.size()},
      {"no start of move text", "[A]\n\n2.e4\n\n[B]\n\n1.e4\n\n[C]", 22},
      {"a result with more on its line", "[A]\n\n1-0 {x}\n\n[B]", kNone},
      {"tags alone", "[A]\n\n[B]\n\n[C]", kNone},
      {"no empty line before the block", "1.e4\n\n[B]", kNone},
      {"nothing after the cut", game, kNone},
      {"a CR LF cut after its CR", "[A]\r\n\r\n1.e4\r\n\r", kNone},
  };
  for (const Case& c : cases) EXPECT_EQ(FirstCut(c.bytes), c.cut) << c.what;
  // Looking starts at the line after the given offset: here the empty line after the first
  // move text, so the first block counts no more.
  EXPECT_EQ(FirstCut(game + game + "[C]", 5), 2 * game.size());
}

TEST(CutFinder, MoreDataGoesOnWhereTheLastCallStopped) {
  const std::string bytes = "[A]\r\n\r\n1.e4 *\r\n\r\n[B]\r\n";
  for (size_t split = 0; split <= bytes.size(); ++split) {
    CutFinder finder(0);
    const size_t early = finder.Find(bytes.data(), split);
    const size_t cut = early != kNone ? early : finder.Find(bytes.data(), bytes.size());
    EXPECT_EQ(cut, 17u) << split;
  }
}

// Where the line reader begins each game of a file, and where it met a fatal fault.
struct LineReading {
  std::vector<uint64_t> starts;
  uint64_t fault = UINT64_MAX;
};

LineReading ReadLineByLine(const std::string& bytes) {
  TempDir dir;
  WriteFile(dir / "in.pgn", bytes);
  InputFile in;
  in.Open(dir / "in.pgn");
  ScriptedDialogs dialogs;
  LineReading r;
  std::string header, moveText;
  bool eof = in.AtEnd();
  while (!eof) {
    r.starts.push_back(in.BytesRead());
    try {
      ReadHeader(in, eof, header, dialogs);
      ReadMoveText(in, eof, moveText, dialogs);
    } catch (const FatalError&) {
      r.fault = in.BytesRead();
      break;
    }
  }
  return r;
}

TEST(CutFinder, EveryCutIsAGameStartOfTheLineReader) {
  std::string base;
  for (int g = 0; g < 40; ++g)
    base += "[Event \"" + std::to_string(g) + "\"]\n\n" + (g % 4 ? "1.e4 e5\n2.Nf3 *" : "{x} *") +
            "\n\n";
  for (uint32_t seed = 1; seed <= 200; ++seed) {
    const std::string bytes = Roughen(base, seed, 1 + seed % 8);
    const LineReading reading = ReadLineByLine(bytes);
    for (size_t from = 0; from < bytes.size(); from += 1 + seed % 50) {
      const size_t cut = FirstCut(bytes, from);
      if (cut == kNone || cut >= reading.fault) continue;
      EXPECT_TRUE(std::binary_search(reading.starts.begin(), reading.starts.end(), cut))
          << "seed " << seed << ", from " << from << ", cut " << cut;
    }
  }
}

// --- Whole runs ---

// atOffsets: each thread reads its chunks of a plain file itself; off, the scan's thread
// reads every chunk, as it reads compressed files and streams.
ScanMethod Chunked(size_t chunkBytes, bool atOffsets = true) {
  ScanMethod m;
  m.threads = 2;
  m.chunkBytes = chunkBytes;
  m.readAtOffsets = atOffsets;
  return m;
}

ScanMethod OneThread() {
  ScanMethod m;
  m.threads = 1;
  return m;
}

class ChunkedScan : public ::testing::Test {
 protected:
  // The file under every compared criterion, with and without Split, in chunks of each
  // size against one thread.
  void ExpectSameScans(const std::string& bytes, const std::string& what,
                       const std::vector<size_t>& chunkSizes) {
    WriteFile(dir_ / "in.pgn", bytes);
    for (const auto& [name, criteria] : ComparedCriteria())
      for (bool split : {false, true}) {
        const ScanRecord one = RecordScan(dir_ / "in.pgn", criteria, split, OneThread(), dir_);
        for (size_t size : chunkSizes)
          for (bool atOffsets : {true, false}) {
            SCOPED_TRACE(what + ", " + name + (split ? ", split" : "") + ", chunks of " +
                         std::to_string(size) + (atOffsets ? ", read at offsets" : ""));
            EXPECT_EQ(RecordScan(dir_ / "in.pgn", criteria, split, Chunked(size, atOffsets), dir_),
                      one);
          }
      }
  }

  TempDir dir_;
};

TEST_F(ChunkedScan, GeneratedCorpora) {
  const std::vector<std::vector<std::string>> kinds = {
      {"--seed", "7", "--size", "300K"},
      {"--seed", "8", "--size", "300K", "--crlf"},
      {"--seed", "9", "--size", "300K", "--comments", "--variations", "--nags", "--crlf"},
  };
  for (const auto& kind : kinds) {
    std::string what;
    for (const auto& k : kind) what += k + " ";
    ExpectSameScans(GeneratedCorpus(dir_, "corpus.pgn", kind), what, {1500, 20000, 100000});
  }
}

TEST_F(ChunkedScan, MessyFiles) {
  // Odd lines, faulty move texts numbered across chunks, games run together, stretches too
  // long to cut, Ctrl-Z and traps, with chunks of a few hundred bytes.
  const std::string base = GeneratedCorpus(
      dir_, "base.pgn", {"--seed", "10", "--size", "30K", "--comments", "--variations", "--nags"});
  for (uint32_t seed = 1; seed <= 25; ++seed)
    ExpectSameScans(Roughen(base, seed, 1 + seed % 15), "variant " + std::to_string(seed),
                    {97, 400, 3000});
}

TEST_F(ChunkedScan, ATrapInTheMiddleKeepsEveryGameBeforeIt) {
  const std::string corpus =
      GeneratedCorpus(dir_, "corpus.pgn", {"--seed", "11", "--size", "200K"});
  const size_t middle = corpus.find("\n\n[Event", corpus.size() / 2) + 2;
  const std::string bytes = corpus.substr(0, middle) + "no tag here\n" + corpus.substr(middle);
  ExpectSameScans(bytes, "trap", {1000, 10000});
  const ScanRecord r = RecordScan(dir_ / "in.pgn", Criteria{}, false, Chunked(1000), dir_);
  EXPECT_EQ(r.fault, "trap 7365");
  ASSERT_FALSE(r.log.empty());
  EXPECT_EQ(r.log.back(), "message: invalid PGN: no tag here");
  // The games before the faulty line are written (the comparison above shows that it is
  // all of them, and none after it).
  EXPECT_GT(r.output.size(), corpus.size() / 3);
}

TEST_F(ChunkedScan, ACtrlZFarInsideAChunkEndsTheData) {
  // The Ctrl-Z lies well in front of the place where its chunk is cut, so that the thread
  // that reads and scans the chunk finds it, while later chunks are already cut and scanned.
  const std::string corpus =
      GeneratedCorpus(dir_, "corpus.pgn", {"--seed", "12", "--size", "200K"});
  const size_t gameStart = corpus.find("\n\n[Event", 30000) + 2;
  const size_t midLine = corpus.find("\n1.", 50000) + 5;
  for (size_t at : {gameStart, midLine}) {
    const std::string bytes = corpus.substr(0, at) + "\x1a" + corpus.substr(at);
    ExpectSameScans(bytes, "Ctrl-Z at " + std::to_string(at), {20000, 100000});
    const ScanRecord r = RecordScan(dir_ / "in.pgn", Criteria{}, false, Chunked(100000), dir_);
    size_t gamesBefore = 0;
    for (size_t p = corpus.find("[Event"); p < at; p = corpus.find("[Event", p + 1)) ++gamesBefore;
    EXPECT_EQ(r.result.gamesRead, static_cast<int64_t>(gamesBefore));
  }
}

TEST_F(ChunkedScan, EdgesOfFiles) {
  const std::string game = "[A \"1\"]\n\n1.e4 c5 2.Nf3 d6 *\n\n";
  std::string many;
  for (int i = 0; i < 30; ++i) many += game;
  const std::vector<std::pair<std::string, std::string>> files = {
      {"empty", ""},
      {"blank lines only", "\n \n\t\n\n"},
      {"a Ctrl-Z first", "\x1a" + many},
      {"a Ctrl-Z in the middle", many + "\x1a" + many},
      {"a Ctrl-Z after a game", many + game.substr(0, game.size() - 1) + "\x1a\n[B]"},
      {"trailing empty lines", many + "\n\n\n"},
      {"no final line end", many + "[B]\n\n1.d4 *"},
      {"a lone CR between games", many + "\r" + many},
      {"CR LF cut by a CR", many + "[B]\r\n\r\n1.d4\r\r\n\r\n" + many},
      {"NULs", many + "[B]\n\n1.d4\0 d5\n\n"s + many},
      {"one huge game", many + "[B]\n\n1." + std::string(50000, 'a') + " *\n\n" + many},
  };
  for (const auto& [what, bytes] : files) ExpectSameScans(bytes, what, {60, 200, 1000});
}

TEST_F(ChunkedScan, RealGameFiles) {
  const std::string corpus = CorpusDir();
  if (corpus.empty()) GTEST_SKIP() << "no folder of real game files";
  for (const char* name : {"checkmate-puzzles.pgn", "game-puzzles-lessons.pgn",
                           "practice-zugzwang.pgn", "mate-in-2.pgn"}) {
    if (!Exists(corpus + name)) continue;
    ExpectSameScans(ReadFile(corpus + name), name, {300, 4000});
  }
}

TEST_F(ChunkedScan, CompressedFilesWholeAndDamaged) {
  // A damaged file traps where the reading passes the last good byte, after the messages of
  // the games before it; no output takes the old one's place.
  const std::string corpus = GeneratedCorpus(dir_, "corpus.pgn", {"--seed", "12", "--size", "1M"});
  const std::string rough = Roughen(corpus, 5, 6);
  const std::string zstd = Zstd(corpus);
  const std::string gzip = Gzip(rough);
  std::string garbled = zstd;
  garbled[garbled.size() / 2] ^= 0x55;
  const std::vector<std::pair<std::string, std::string>> files = {
      {"zstd", zstd},
      {"gzip", gzip},
      {"zstd cut", zstd.substr(0, zstd.size() * 2 / 3)},
      {"gzip cut", gzip.substr(0, gzip.size() / 3)},
      {"zstd garbled", garbled},
  };
  for (const auto& [what, bytes] : files) ExpectSameScans(bytes, what, {3000, 70000});
  WriteFile(dir_ / "in.pgn", zstd.substr(0, zstd.size() / 2));
  const ScanRecord r = RecordScan(dir_ / "in.pgn", Criteria{}, false, Chunked(2000), dir_);
  EXPECT_EQ(r.fault.rfind("in.pgn is damaged: ", 0), 0u) << r.fault;
  EXPECT_TRUE(r.fault.ends_with("; no output was written")) << r.fault;
  EXPECT_EQ(r.output, "(no file)");
}

// Keeps every progress report.
class ProgressLog : public ScanObserver {
 public:
  void Progress(const ScanProgress& p) override {
    reports.emplace_back(p.bytesRead, p.totalBytes, p.gamesRead, p.gamesWritten, p.splitWritten);
  }
  std::vector<std::tuple<uint64_t, uint64_t, int64_t, int64_t, int64_t>> reports;
};

TEST_F(ChunkedScan, ProgressIsToldAtTheSameGamesWithTheSamePositions) {
  std::string bytes;
  for (int i = 0; i < 9000; ++i)
    bytes += "[G \"" + std::to_string(i) + "\"]\n\n1." + (i % 3 ? "e4" : "d4") + " *\n\n";
  WriteFile(dir_ / "in.pgn", bytes);
  Criteria d4;
  d4.mustContain = "d4";
  d4.mustContainForm = SequenceForm::Moves;
  d4.mustContainRange = {1, 5};
  std::vector<ProgressLog> logs(2);
  ScriptedDialogs dialogs;
  for (int k = 0; k < 2; ++k) {
    ScanRequest request{dir_ / "in.pgn", dir_ / "out.pgn", false, d4};
    // The raw quick test on one thread, every game read line by line in chunks.
    request.method = k ? Chunked(5000) : OneThread();
    request.method.rawQuickTest = k == 0;
    std::remove((dir_ / "out.pgn").c_str());
    RunScan(request, dialogs, fileSystem(), &logs[k]);
  }
  EXPECT_EQ(logs[0].reports.size(), 3u);  // after 4096 and 8192 games, and at the end
  EXPECT_EQ(logs[1].reports, logs[0].reports);
}

TEST_F(ChunkedScan, AnInvalidLineInAChunkKeepsItsKindForTheCallerToWord) {
  std::string bytes;
  for (int i = 0; i < 500; ++i) bytes += "[B]\n\n1.d4 d5 *\n\n";
  WriteFile(dir_ / "in.pgn", bytes + "no tag here\n" + bytes);
  ScriptedDialogs scripted;
  AdvisingReporter worded(scripted);
  ScanRequest request{dir_ / "in.pgn", dir_ / "out.pgn", false, Criteria{}};
  request.method = Chunked(1000);
  EXPECT_THROW(RunScan(request, worded, fileSystem()), FatalError);
  EXPECT_EQ(scripted.messages, std::vector<std::string>{"invalid PGN: no tag here\rTry this."});
}

class ThrowingObserver : public ScanObserver {
 public:
  void Progress(const ScanProgress&) override { throw std::runtime_error("stop"); }
};

TEST_F(ChunkedScan, AnErrorFromTheObserverLeavesTheGamesDecidedBeforeIt) {
  std::string bytes, expected;
  for (int i = 0; i < 5000; ++i) bytes += "[B]\n\n1.d4 d5 *\n\n";
  for (int i = 0; i < 4096; ++i) expected += "[B]\r\n\r\n1.d4 d5 *\r\n\r\n";
  WriteFile(dir_ / "in.pgn", bytes);
  ScriptedDialogs dialogs;
  ThrowingObserver observer;
  ScanRequest request{dir_ / "in.pgn", dir_ / "out.pgn", false, Criteria{}};
  request.method = Chunked(3000);
  EXPECT_THROW(RunScan(request, dialogs, fileSystem(), &observer), std::runtime_error);
  EXPECT_TRUE(ReadFile(dir_ / "out.pgn") == expected);
}

// Cuts the input file short when the first progress is told.
class CuttingObserver : public ScanObserver {
 public:
  CuttingObserver(std::string path, off_t size) : path_(std::move(path)), size_(size) {}
  void Progress(const ScanProgress&) override {
    if (!cut_) cut_ = ::truncate(path_.c_str(), size_) == 0;
  }
  bool cut_ = false;

 private:
  std::string path_;
  off_t size_;
};

TEST_F(ChunkedScan, AFileCutShortDuringTheScanEndsWhereItWasCut) {
  // Another program cuts the file while chunks after the cut are being read: the scan ends
  // as a reading of the cut file would, without a fault, with every game before the cut.
  std::string bytes;
  for (int i = 0; i < 20000; ++i) bytes += "[B \"" + std::to_string(i) + "\"]\n\n1.d4 d5 *\n\n";
  const size_t cutAt = bytes.size() / 2;
  for (bool atOffsets : {true, false}) {
    SCOPED_TRACE(atOffsets ? "read at offsets" : "read by the scan's thread");
    WriteFile(dir_ / "in.pgn", bytes);
    std::remove((dir_ / "out.pgn").c_str());
    ScriptedDialogs dialogs;
    CuttingObserver observer(dir_ / "in.pgn", static_cast<off_t>(cutAt));
    ScanRequest request{dir_ / "in.pgn", dir_ / "out.pgn", false, Criteria{}};
    request.method = Chunked(4000, atOffsets);
    const ScanResult r = RunScan(request, dialogs, fileSystem(), &observer);
    ASSERT_TRUE(observer.cut_);
    EXPECT_EQ(r.outcome, ScanOutcome::Completed);
    // The games that start before the cut, the last perhaps cut too.
    EXPECT_EQ(r.gamesRead,
              static_cast<int64_t>(std::count(bytes.begin(), bytes.begin() + cutAt, '[')));
    // Whatever was read after the cut, no game is written twice or out of order.
    const std::string out = ReadFile(dir_ / "out.pgn");
    size_t games = 0;
    for (size_t p = out.find("[B \""); p != std::string::npos; p = out.find("[B \"", p + 1)) {
      EXPECT_EQ(
          out.compare(p, 5 + std::to_string(games).size(), "[B \"" + std::to_string(games) + "\""),
          0)
          << games;
      ++games;
    }
    EXPECT_EQ(static_cast<int64_t>(games), r.gamesWritten);
  }
}

// Dialogs that ask the run to stop when they show a chosen message.
class CancelAtMessage : public ScriptedDialogs {
 public:
  CancelAtMessage(std::atomic<bool>& cancel, std::string text) : cancel_(cancel), text_(text) {}
  void ShowNotice(const std::string& text) override {
    ScriptedDialogs::ShowNotice(text);
    if (text == text_) cancel_ = true;
  }

 private:
  std::atomic<bool>& cancel_;
  std::string text_;
};

TEST_F(ChunkedScan, CancelStopsAfterTheSameGame) {
  // Games with faulty move texts here and there; the report of one of them asks for the
  // cancel, which must stop both scans after that game.
  std::string bytes;
  for (int g = 1; g <= 400; ++g)
    bytes += "[Event \"" + std::to_string(g) + "\"]\n\n1." + (g % 2 ? "e4" : "d4") + " e5" +
             (g % 37 == 0 ? ")" : "") + " *\n\n";
  WriteFile(dir_ / "in.pgn", bytes);
  Criteria criteria;
  criteria.without = "e4";
  criteria.withoutRange = {1, 15};
  for (int faulty : {37, 185, 370}) {
    std::vector<ScanRecord> records;
    for (const ScanMethod& method : {OneThread(), Chunked(500)}) {
      std::atomic<bool> cancel = false;
      CancelAtMessage dialogs(cancel, "Game " + std::to_string(faulty) + ": extra )/} found");
      ScanRequest request{dir_ / "in.pgn", dir_ / "out.pgn", true, criteria, &cancel};
      request.method = method;
      std::remove((dir_ / "out.pgn").c_str());
      ScanRecord r;
      r.result = RunScan(request, dialogs, fileSystem());
      r.output = ReadFile(dir_ / "out.pgn");
      r.split = ReadFile(dir_ / "out2.pgn");
      r.log = dialogs.log;
      records.push_back(r);
    }
    EXPECT_EQ(records[0].result.outcome, ScanOutcome::Cancelled);
    EXPECT_EQ(records[0].result.gamesRead, faulty);
    EXPECT_EQ(records[1], records[0]) << faulty;
  }
}

TEST_F(ChunkedScan, AGameLargerThanTheLimitEndsEveryMethodAfterTheGamesBeforeIt) {
  // Game 31 is plain and rejected by the raw test, which must not pass over it unseen.
  std::string bytes;
  std::string expected;
  for (int g = 1; g <= 30; ++g) {
    bytes += "[Event \"" + std::to_string(g) + "\"]\n\n1.Nf3 *\n\n";
    expected += "[Event \"" + std::to_string(g) + "\"]\r\n\r\n1.Nf3 *\r\n\r\n";
  }
  std::string moves = "1.e4";
  while (moves.size() < 3000) moves += " e5 d4";
  bytes += "[Event \"Big\"]\n\n" + moves + "\n\n";
  for (int g = 32; g <= 60; ++g) bytes += "[Event \"" + std::to_string(g) + "\"]\n\n1.Nf3 *\n\n";
  WriteFile(dir_ / "in.pgn", bytes);
  Criteria criteria;
  criteria.mustContain = "Nf3";
  criteria.mustContainForm = SequenceForm::Moves;
  criteria.mustContainRange = {1, 15};
  ScanMethod lineByLine = OneThread();
  lineByLine.rawQuickTest = false;
  for (const ScanMethod& method :
       {OneThread(), lineByLine, Chunked(500), Chunked(500, false), Chunked(100000)}) {
    ScriptedDialogs dialogs;
    ScanRequest request{dir_ / "in.pgn", dir_ / "out.pgn", false, criteria};
    request.method = method;
    request.maxGameBytes = 2000;
    std::remove((dir_ / "out.pgn").c_str());
    std::string fault;
    try {
      RunScan(request, dialogs, fileSystem());
    } catch (const FatalError& e) {
      fault = e.what();
    }
    EXPECT_EQ(fault, "Game 31 is larger than 2000 bytes");
    EXPECT_TRUE(ReadFile(dir_ / "out.pgn") == expected);
  }
}

}  // namespace
