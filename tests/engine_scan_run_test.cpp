#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <functional>
#include <optional>
#include <random>
#include <stdexcept>
#include <string>
#include <vector>

#include "compress_for_tests.h"
#include "engine/criteria.h"
#include "engine/file_names.h"
#include "engine/scan_run.h"
#include "platform/console_dialogs.h"
#include "platform/fault.h"
#include "platform/io_result.h"
#include "platform/write_all.h"
#include "scripted_dialogs.h"
#include "settings/settings.h"
#include "test_support.h"

using namespace kelvane;

namespace {

using namespace std::string_literals;

// Small games: white opens with e4 in the first and third, with d4 in the second.
const std::string kGameA = "[Event \"A\"]\n[Result \"1-0\"]\n\n1.e4 e5 2.Nf3 1-0\n\n";
const std::string kGameB = "[Event \"B\"]\n\n1.d4 d5 *\n\n";
const std::string kGameC = "[Event \"C\"]\n\n1.e4 c5 0-1\n\n";
const std::string kOutA = "[Event \"A\"]\r\n[Result \"1-0\"]\r\n\r\n1.e4 e5 2.Nf3 1-0\r\n\r\n";
const std::string kOutB = "[Event \"B\"]\r\n\r\n1.d4 d5 *\r\n\r\n";
const std::string kOutC = "[Event \"C\"]\r\n\r\n1.e4 c5 0-1\r\n\r\n";

class ScanRun : public ::testing::Test {
 protected:
  void SetUp() override { TakeIoResult(); }

  // Games that white opens with e4 fail (Without "e4", moves 1 to 15).
  void FailE4Games() {
    criteria_.without = "e4";
    criteria_.withoutRange = {1, 15};
  }

  // One run with the fixture's criteria (empty: every game passes) and Split choice.
  ScanOutcome Run(const std::string& in, const std::string& out, ScanObserver* observer = nullptr) {
    result_ = RunScan({in, out, split_, criteria_}, scripted_, fileSystem(), observer);
    return result_.outcome;
  }
  // A completed run; returns its wall time in seconds.
  double TimedScan(const std::string& in, const std::string& out) {
    auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(Run(in, out), ScanOutcome::Completed);
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  }
  // A run that must end in a fatal fault; returns its text.
  std::string RunToTrap(const std::string& in, const std::string& out) {
    try {
      Run(in, out);
    } catch (const FatalError& e) {
      return e.what();
    }
    ADD_FAILURE() << "no fatal fault";
    return "";
  }

  std::string Input(const std::string& bytes) {
    WriteFile(dir_ / "in.pgn", bytes);
    return dir_ / "in.pgn";
  }

  TempDir dir_;
  ScriptedDialogs scripted_;
  Criteria criteria_;
  bool split_ = false;
  ScanResult result_;
};

using Log = std::vector<std::string>;

// A folder in the test's folder.
void MakeDir(const std::string& path) {
  ASSERT_TRUE(::mkdir(path.c_str(), 0755) == 0 || errno == EEXIST) << path;
}

TEST_F(ScanRun, WritesCleanedGamesWithCrLfAndReportsTwoLines) {
  const std::string in = Input(
      "\t[Event  \"Casual   game\"] \n[White \"A\"]\n\n\n1.e4\te5  2.Nf3 {a  comment}\n"
      "   Nc6 1-0\r\n\r\n[Event \"B\"]\r\r1.d4 d5 *");
  EXPECT_EQ(Run(in, dir_ / "out.pgn"), ScanOutcome::Completed);
  EXPECT_EQ(ReadFile(dir_ / "out.pgn"),
            "[Event \"Casual game\"]\r\n[White \"A\"]\r\n\r\n1.e4 e5 2.Nf3 {a comment}\r\nNc6 "
            "1-0\r\n\r\n[Event \"B\"]\r\n\r\n1.d4 d5 *\r\n\r\n");
  EXPECT_EQ(scripted_.log, Log{"report: 2 games read from in.pgn\r2 games written to out.pgn"});
  EXPECT_EQ(result_.gamesRead, 2);
  EXPECT_FALSE(Exists(dir_ / "out2.pgn"));
}

TEST_F(ScanRun, CancelAtTheOverwriteQuestionChangesNothing) {
  const std::string in = Input(kGameA);
  WriteFile(dir_ / "out.pgn", "keep me");
  scripted_.AnswerConfirm(DialogButton::Cancel);
  EXPECT_EQ(Run(in, dir_ / "out.pgn"), ScanOutcome::Declined);
  EXPECT_EQ(scripted_.log, Log{"confirm: Overwrite out.pgn?"});
  EXPECT_EQ(ReadFile(dir_ / "out.pgn"), "keep me");
  EXPECT_EQ(result_.gamesRead, 0);

  // OK overwrites.
  scripted_.Clear();
  scripted_.AnswerConfirm(DialogButton::Ok);
  EXPECT_EQ(Run(in, dir_ / "out.pgn"), ScanOutcome::Completed);
  EXPECT_EQ(ReadFile(dir_ / "out.pgn"), kOutA);
  EXPECT_EQ(scripted_.log, (Log{"confirm: Overwrite out.pgn?",
                                "report: 1 games read from in.pgn\r1 games written to out.pgn"}));
}

TEST_F(ScanRun, MissingInputIsToldAfterTheQuestionWithThePathAsPassed) {
  WriteFile(dir_ / "out.pgn", "keep me");
  const std::string missing = dir_ / "sub/../nothere.pgn";
  scripted_.AnswerConfirm(DialogButton::Ok);
  EXPECT_EQ(Run(missing, dir_ / "out.pgn"), ScanOutcome::InputMissing);
  EXPECT_EQ(scripted_.log,
            (Log{"confirm: Overwrite out.pgn?", "message: File " + missing + " not found"}));
  EXPECT_EQ(ReadFile(dir_ / "out.pgn"), "keep me");
  EXPECT_EQ(result_.gamesRead, 0);

  // Without an output file there is no question, and no output is created.
  scripted_.Clear();
  split_ = true;
  EXPECT_EQ(Run("nothere.pgn", dir_ / "new.pgn"), ScanOutcome::InputMissing);
  EXPECT_EQ(scripted_.log, Log{"message: File nothere.pgn not found"});
  EXPECT_FALSE(Exists(dir_ / "new.pgn"));
  EXPECT_FALSE(Exists(dir_ / "new2.pgn"));
}

TEST_F(ScanRun, SplitSendsFailingGamesToTheSplitFileAndReportsThreeLines) {
  FailE4Games();
  split_ = true;
  const std::string in = Input(kGameA + kGameB + kGameC);
  WriteFile(dir_ / "out2.pgn", "old split file");  // overwritten without a question
  EXPECT_EQ(Run(in, dir_ / "out.pgn"), ScanOutcome::Completed);
  EXPECT_EQ(ReadFile(dir_ / "out.pgn"), kOutB);
  EXPECT_EQ(ReadFile(dir_ / "out2.pgn"), kOutA + kOutC);
  EXPECT_EQ(scripted_.log, Log{"report: 3 games read from in.pgn\r1 games written to "
                               "out.pgn\r2 games written to out2.pgn"});

  // Without Split the failing games are dropped.
  scripted_.Clear();
  split_ = false;
  scripted_.AnswerConfirm(DialogButton::Ok);
  WriteFile(dir_ / "out2.pgn", "untouched");
  EXPECT_EQ(Run(in, dir_ / "out.pgn"), ScanOutcome::Completed);
  EXPECT_EQ(ReadFile(dir_ / "out.pgn"), kOutB);
  EXPECT_EQ(ReadFile(dir_ / "out2.pgn"), "untouched");
  EXPECT_EQ(scripted_.reports, Log{"3 games read from in.pgn\r1 games written to out.pgn"});
}

TEST_F(ScanRun, SplitFileIsCreatedEvenWhenNoGameFails) {
  split_ = true;
  const std::string in = Input(kGameA + kGameB);
  WriteFile(dir_ / "out2.pgn", "old split file");
  EXPECT_EQ(Run(in, dir_ / "out.pgn"), ScanOutcome::Completed);
  EXPECT_EQ(ReadFile(dir_ / "out.pgn"), kOutA + kOutB);
  EXPECT_EQ(ReadFile(dir_ / "out2.pgn"), "");
  EXPECT_EQ(scripted_.reports, Log{"2 games read from in.pgn\r2 games written to out.pgn\r0 "
                                   "games written to out2.pgn"});
}

TEST_F(ScanRun, SplitFileStaysInADottedFolder) {
  split_ = true;
  FailE4Games();
  const std::string in = Input(kGameA + kGameB);
  MakeDir(dir_ / "ann.lee");
  EXPECT_EQ(Run(in, dir_ / "ann.lee/out.pgn"), ScanOutcome::Completed);
  EXPECT_EQ(ReadFile(dir_ / "ann.lee/out.pgn"), kOutB);
  EXPECT_EQ(ReadFile(dir_ / "ann.lee/out2.pgn"), kOutA);
  EXPECT_FALSE(Exists(dir_ / "ann2.lee"));
  EXPECT_EQ(scripted_.reports, Log{"2 games read from in.pgn\r1 games written to out.pgn\r1 "
                                   "games written to out2.pgn"});
}

TEST(SplitFileName, TwoGoesBeforeTheFirstDotOfTheFileName) {
  const std::pair<std::string, std::string> cases[] = {
      {"out.pgn", "out2.pgn"},
      {"/home/ann.lee/out.pgn", "/home/ann.lee/out2.pgn"},
      {"/a.b/c.d/games.tar.pgn", "/a.b/c.d/games2.tar.pgn"},
      {"./out.pgn", "./out2.pgn"},
      {"../x/out.", "../x/out2."},
      {"/tmp/.pgn", "/tmp/2.pgn"},
  };
  for (const auto& [path, split] : cases) EXPECT_EQ(SplitFileName(path), split) << path;
}

TEST_F(ScanRun, SplitFileNameTrapsWithoutADotInTheFileName) {
  for (const char* path : {"/home/ann.lee/out", "out", "a.b/", "/x.y/z"}) {
    try {
      SplitFileName(path);
      ADD_FAILURE() << path;
    } catch (const FatalError& e) {
      EXPECT_STREQ(e.what(), "no period in file name") << path;
    }
  }
}

TEST_F(ScanRun, NoDotWithSplitTrapsBeforeAnyFileIsOpened) {
  const std::string in = Input(kGameA);
  MakeDir(dir_ / "ann.lee");
  split_ = true;
  EXPECT_EQ(RunToTrap(in, dir_ / "ann.lee/out"), "no period in file name");
  EXPECT_FALSE(Exists(dir_ / "ann.lee/out"));
  EXPECT_EQ(ReadFile(in), kGameA);
}

TEST_F(ScanRun, SameFileUnderAnotherNameIsRefusedBeforeAnythingIsOpened) {
  const std::string games = kGameA + kGameB;
  struct Case {
    const char* what;
    std::string output;
    bool split;
    std::string mustNotExist;
  };
  MakeDir(dir_ / "sub");
  const Case cases[] = {
      {"./in.pgn", dir_ / "./in.pgn", false, ""},
      {"a double slash", dir_ / "/in.pgn", false, ""},
      {"through a subfolder", dir_ / "sub/../in.pgn", false, ""},
      {"a symbolic link", dir_ / "link.pgn", false, ""},
      {"a hard link", dir_ / "hard.pgn", false, ""},
      {"the split file is the input", dir_ / "in.x.pgn", true, dir_ / "in.x.pgn"},
      {"the split file is a link to the input", dir_ / "y.pgn", true, dir_ / "y.pgn"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const std::string in = Input(games);
    ASSERT_EQ(::symlink("in.pgn", (dir_ / "link.pgn").c_str()), 0);
    ASSERT_EQ(::link(in.c_str(), (dir_ / "hard.pgn").c_str()), 0);
    ASSERT_EQ(::symlink("in.pgn", (dir_ / "y2.pgn").c_str()), 0);
    // in.x.pgn's split file is in2.x.pgn: make that the input's other name.
    ASSERT_EQ(::link(in.c_str(), (dir_ / "in2.x.pgn").c_str()), 0);

    scripted_.Clear();
    split_ = c.split;
    EXPECT_EQ(Run(in, c.output), ScanOutcome::SameFile);
    EXPECT_EQ(scripted_.log, Log{c.split ? "message: Input and split file cannot be the same file"
                                         : "message: Input and output cannot be the same file"});
    EXPECT_EQ(ReadFile(in), games);
    if (!c.split) {
      EXPECT_EQ(result_.gamesRead, 0);
    }
    if (!c.mustNotExist.empty()) {
      EXPECT_FALSE(Exists(c.mustNotExist));
    }
    for (const char* name : {"link.pgn", "hard.pgn", "y2.pgn", "in2.x.pgn"})
      ::unlink((dir_ / name).c_str());
  }
}

TEST_F(ScanRun, CopyOfTheInputIsNotTheSameFile) {
  const std::string in = Input(kGameA);
  WriteFile(dir_ / "copy.pgn", kGameA);
  scripted_.AnswerConfirm(DialogButton::Ok);
  EXPECT_EQ(Run(in, dir_ / "copy.pgn"), ScanOutcome::Completed);
  EXPECT_EQ(ReadFile(dir_ / "copy.pgn"), kOutA);
}

TEST_F(ScanRun, InputWithoutALineHoldsNoGame) {
  for (const std::string& bytes : {""s, "\x1a"s, "\x1a[Event \"A\"]\n\n1.e4\n"s}) {
    SCOPED_TRACE(::testing::PrintToString(bytes));
    scripted_.Clear();
    split_ = true;
    const std::string in = Input(bytes);
    ::unlink((dir_ / "out.pgn").c_str());
    EXPECT_EQ(Run(in, dir_ / "out.pgn"), ScanOutcome::Completed);
    EXPECT_EQ(scripted_.log, Log{"report: 0 games read from in.pgn\r0 games written to "
                                 "out.pgn\r0 games written to out2.pgn"});
    EXPECT_EQ(ReadFile(dir_ / "out.pgn"), "");
    EXPECT_EQ(ReadFile(dir_ / "out2.pgn"), "");
    EXPECT_EQ(result_.gamesRead, 0);
  }
}

TEST_F(ScanRun, TrailingEmptyLinesCountOneEmptyGame) {
  struct Case {
    std::string tail;
    int64_t read;
    std::string out;
    Log notices;
  };
  const std::string two = "[Event \"A\"]\n\n1.e4\n\n[Event \"B\"]\n\n1.d4";
  const std::string two_out = "[Event \"A\"]\r\n\r\n1.e4\r\n\r\n[Event \"B\"]\r\n\r\n1.d4\r\n\r\n";
  const Case cases[] = {
      {"", 2, two_out, {}},
      {"\n", 2, two_out, {}},
      {"\n\n", 2, two_out, {}},
      // The empty game reaches the parser, which finds no move; it still passes.
      {"\n\n\n", 3, two_out + "\r\n\r\n", {"Game 3: null game"}},
      {"\r\n\r\n \r\n\t\r\n", 3, two_out + "\r\n\r\n", {"Game 3: null game"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::PrintToString(c.tail));
    scripted_.Clear();
    const std::string in = Input(two + c.tail);
    ::unlink((dir_ / "out.pgn").c_str());
    EXPECT_EQ(Run(in, dir_ / "out.pgn"), ScanOutcome::Completed);
    EXPECT_EQ(result_.gamesRead, c.read);
    EXPECT_EQ(ReadFile(dir_ / "out.pgn"), c.out);
    EXPECT_EQ(scripted_.messages, c.notices);
  }
  // With a criterion the empty game fails the quick test and goes to the split file.
  scripted_.Clear();
  FailE4Games();
  criteria_.mustContain = "d4";
  criteria_.mustContainForm = SequenceForm::Moves;
  criteria_.mustContainRange = {1, 15};
  split_ = true;
  ::unlink((dir_ / "out.pgn").c_str());
  EXPECT_EQ(Run(Input(two + "\n\n\n"), dir_ / "out.pgn"), ScanOutcome::Completed);
  EXPECT_EQ(ReadFile(dir_ / "out.pgn"), "[Event \"B\"]\r\n\r\n1.d4\r\n\r\n");
  EXPECT_EQ(ReadFile(dir_ / "out2.pgn"), "[Event \"A\"]\r\n\r\n1.e4\r\n\r\n\r\n\r\n");
  EXPECT_EQ(scripted_.reports, Log{"3 games read from in.pgn\r1 games written to out.pgn\r2 "
                                   "games written to out2.pgn"});
}

class LastProgress : public ScanObserver {
 public:
  void Progress(const ScanProgress& p) override {
    ++calls;
    last = {p.bytesRead, p.totalBytes, p.gamesRead, p.gamesWritten, p.splitWritten};
  }
  int calls = 0;
  std::tuple<uint64_t, uint64_t, int64_t, int64_t, int64_t> last{};
};

TEST_F(ScanRun, ObserverHearsTheEndOfTheRun) {
  const std::string bytes = kGameA + kGameB + kGameC;
  LastProgress progress;
  FailE4Games();
  split_ = true;
  EXPECT_EQ(Run(Input(bytes), dir_ / "out.pgn", &progress), ScanOutcome::Completed);
  EXPECT_GE(progress.calls, 1);
  EXPECT_EQ(progress.last, std::make_tuple(uint64_t{bytes.size()}, uint64_t{bytes.size()},
                                           int64_t{3}, int64_t{1}, int64_t{2}));
}

// Dialogs that ask the run to stop when it reports a chosen faulty game.
class CancelAtNotice : public ScriptedDialogs {
 public:
  explicit CancelAtNotice(std::atomic<bool>& cancel) : cancel_(cancel) {}
  void ShowNotice(const std::string& text) override {
    ScriptedDialogs::ShowNotice(text);
    cancel_ = true;
  }

 private:
  std::atomic<bool>& cancel_;
};

TEST_F(ScanRun, CancelStopsAfterTheGameInHandAndLeavesWholeGames) {
  // Ten games, white opening alternately with e4 (to the split file) and d4; game k has a
  // faulty move text, whose report asks for the cancel.
  auto games = [](int faulty) {
    std::string in;
    for (int g = 1; g <= 10; ++g)
      in += "[Event \"" + std::to_string(g) + "\"]\n\n1." + (g % 2 ? "e4" : "d4") + " e5" +
            (g == faulty ? ")" : "") + " *\n\n";
    return in;
  };
  FailE4Games();
  split_ = true;
  for (int k : {1, 4, 7, 10}) {
    SCOPED_TRACE(k);
    const std::string in = Input(games(k));
    for (const char* name : {"full.pgn", "full2.pgn", "cut.pgn", "cut2.pgn"})
      std::remove((dir_ / name).c_str());
    ASSERT_EQ(Run(in, dir_ / "full.pgn"), ScanOutcome::Completed);
    const std::string full = ReadFile(dir_ / "full.pgn");
    const std::string fullSplit = ReadFile(dir_ / "full2.pgn");
    std::atomic<bool> cancel = false;
    CancelAtNotice dialogs(cancel);
    ScanResult r = RunScan({in, dir_ / "cut.pgn", true, criteria_, &cancel}, dialogs, fileSystem());
    // A cancel after the last game changes nothing: the run has completed.
    EXPECT_EQ(r.outcome, k < 10 ? ScanOutcome::Cancelled : ScanOutcome::Completed);
    EXPECT_EQ(r.gamesRead, k);
    const std::string out = ReadFile(dir_ / "cut.pgn"), split = ReadFile(dir_ / "cut2.pgn");
    EXPECT_EQ(r.gamesWritten + r.splitWritten, k);
    EXPECT_EQ(full.compare(0, out.size(), out), 0) << out;
    EXPECT_EQ(fullSplit.compare(0, split.size(), split), 0) << split;
    const std::string counts = std::to_string(k) + " games read from in.pgn\r" +
                               std::to_string(r.gamesWritten) + " games written to cut.pgn\r" +
                               std::to_string(r.splitWritten) + " games written to cut2.pgn";
    EXPECT_EQ(dialogs.reports,
              (k < 10 ? Log{"Scan cancelled after " + std::to_string(k) + " games\r" + counts}
                      : Log{counts}));
  }
}

// --- Terminating errors in the middle of a run ---

TEST_F(ScanRun, InvalidHeaderMidScanKeepsTheGamesAlreadyWritten) {
  const std::string in = Input(kGameA + kGameB + kGameC + "Garbage here\n\n1.c4\n");
  FailE4Games();
  split_ = true;
  EXPECT_EQ(RunToTrap(in, dir_ / "out.pgn"), "trap 7365");
  EXPECT_EQ(scripted_.messages, Log{"invalid PGN: Garbage here"});
  EXPECT_EQ(ReadFile(dir_ / "out.pgn"), kOutB);
  EXPECT_EQ(ReadFile(dir_ / "out2.pgn"), kOutA + kOutC);
  EXPECT_EQ(ReadFile(in), kGameA + kGameB + kGameC + "Garbage here\n\n1.c4\n");
}

TEST_F(ScanRun, ManyGamesBeforeTheTrapAllReachTheOutput) {
  // More than the output buffer holds, so part of it is still buffered at the trap.
  std::string games;
  std::string expected;
  for (int i = 0; i < 40000; ++i) {
    games += kGameA;
    expected += kOutA;
  }
  const std::string in = Input(games + "no tag\n");
  EXPECT_EQ(RunToTrap(in, dir_ / "out.pgn"), "trap 7365");
  EXPECT_EQ(ReadFile(dir_ / "out.pgn").size(), expected.size());
  EXPECT_TRUE(ReadFile(dir_ / "out.pgn") == expected);
}

TEST_F(ScanRun, DamagedCompressedInputLeavesTheOldOutputs) {
  // Games, then an invalid line: the run traps there, with the games before it in place
  // when its input is right. A bit flipped anywhere in a compressed form of it either
  // changes nothing that is read (a field no check covers), or makes the input damaged: then
  // no output takes the place of the old one, whatever the flip did to the games read before
  // the damage came to light, and the fault says so.
  std::string games;
  for (int i = 0; i < 60; ++i)
    games += "[Event \"" + std::to_string(i) + "\"]\n\n1." +
             (i % 3 ? "e4 e5 2.Nf3" : "d4 d5 2.c4") + " {" + std::to_string(i * 7919 % 1000) +
             "} *\n\n";
  games += "not a tag\n";
  FailE4Games();
  const std::string out = dir_ / "out.pgn", out2 = dir_ / "out2.pgn";
  ASSERT_EQ(RunToTrap(Input(games), out), "trap 7365");
  std::remove(out.c_str());
  split_ = true;
  ASSERT_EQ(RunToTrap(Input(games), out), "trap 7365");
  const std::string passed = ReadFile(out), failed = ReadFile(out2);
  const std::pair<const char*, std::string> forms[] = {
      {"zstd", Zstd(games)}, {"gzip", Gzip(games)}, {"bzip2", Bzip2(games)}, {"xz", Xz(games)}};
  std::mt19937 random(17);
  for (const auto& [form, bytes] : forms)
    for (int flip = -1; flip < 20; ++flip) {
      std::string file = bytes;
      const size_t bit = random() % (file.size() * 8);
      if (flip >= 0) file[bit / 8] = static_cast<char>(file[bit / 8] ^ (1 << bit % 8));
      for (unsigned threads : {1u, 2u}) {
        SCOPED_TRACE(std::string(form) + (flip < 0 ? " whole" : ", bit " + std::to_string(bit)) +
                     ", threads " + std::to_string(threads));
        WriteFile(out, "old");
        WriteFile(out2, "old2");
        scripted_.AnswerConfirm(DialogButton::Ok);
        ScanRequest request{Input(file), out, true, criteria_};
        request.method = {.threads = threads, .chunkBytes = 256};
        std::string fault;
        try {
          RunScan(request, scripted_, fileSystem());
        } catch (const FatalError& e) {
          fault = e.what();
        }
        if (fault == "trap 7365") {
          EXPECT_EQ(ReadFile(out), passed);
          EXPECT_EQ(ReadFile(out2), failed);
        } else {
          EXPECT_TRUE(fault.starts_with("in.pgn is damaged: ") &&
                      fault.ends_with("; no output was written"))
              << fault;
          EXPECT_EQ(ReadFile(out), "old");
          EXPECT_EQ(ReadFile(out2), "old2");
        }
        if (flip < 0) {
          EXPECT_EQ(fault, "trap 7365");
        }
        EXPECT_EQ(TempFilesIn(dir_.path()), Log{});
      }
    }
}

// The file name whose temporary file the seam of the file layer fails every write to.
std::string failingName;
int FailWritesToFailingName(int fd) {
  char path[4096];
  const ssize_t n = ::readlink(("/proc/self/fd/" + std::to_string(fd)).c_str(), path, sizeof path);
  const std::string name = n > 0 ? std::string(path, static_cast<size_t>(n)) : "";
  const bool failing = !failingName.empty() && name.find("/." + failingName + ".") != name.npos;
  return failing ? ENOSPC : 0;
}

TEST_F(ScanRun, FailedWriteOfAnyOutputLeavesEveryOldOutput) {
  // The log of tolerant reading counts as an output; its failure names it. A log that
  // cannot be made stops the run before it begins.
  const std::string in = Input(kGameA + "junk\n\n" + kGameB);
  FailE4Games();
  split_ = true;
  const struct {
    std::string failing;
    std::string log;
    std::string fault;
  } cases[] = {
      {"games.pgn", "list.txt", "An I/O error has occurred at 199. The result code is 28"},
      {"games2.pgn", "list.txt", "An I/O error has occurred at 200. The result code is 28"},
      {"list.txt", "list.txt",
       "An I/O error has occurred at 202 (list.txt). The result code is 28"},
      {"", "none/list.txt", "An I/O error has occurred at 103. The result code is 2"},
  };
  SetWriteFault(FailWritesToFailingName);
  for (const auto& [name, log, fault] : cases) {
    SCOPED_TRACE(name);
    failingName = name;
    for (const char* old : {"games.pgn", "games2.pgn", "list.txt"}) WriteFile(dir_ / old, old);
    scripted_.AnswerConfirm(DialogButton::Ok);
    try {
      ScanRequest request{in, dir_ / "games.pgn", true, criteria_};
      request.reading = {.tolerant = true, .logPath = dir_ / log};
      RunScan(request, scripted_, fileSystem());
      ADD_FAILURE() << "no fatal fault";
    } catch (const FatalError& e) {
      EXPECT_EQ(e.what(), fault);
    }
    for (const char* old : {"games.pgn", "games2.pgn", "list.txt"})
      EXPECT_EQ(ReadFile(dir_ / old), old);
    EXPECT_EQ(TempFilesIn(dir_.path()), Log{});
  }
  SetWriteFault(nullptr);
}

TEST_F(ScanRun, FailedFileStepsTrapWithTheirNumbers) {
  const std::string in = Input(kGameA);
  // An output folder that does not exist: the create fails with ENOENT.
  EXPECT_EQ(RunToTrap(in, dir_ / "nofolder/out.pgn"),
            "An I/O error has occurred at 101. The result code is 2");
  // A folder where the split file should be: the create fails with EISDIR.
  MakeDir(dir_ / "out2.pgn");
  split_ = true;
  EXPECT_EQ(RunToTrap(in, dir_ / "out.pgn"),
            "An I/O error has occurred at 102. The result code is 21");
  split_ = false;
  // A full device: the writes fail, which the check after closing finds (ENOSPC). The
  // device exists, so the overwrite question is answered.
  if (Exists("/dev/full")) {
    scripted_.AnswerConfirm(DialogButton::Ok);
    EXPECT_EQ(RunToTrap(in, "/dev/full"),
              "An I/O error has occurred at 199. The result code is 28");
  }
  EXPECT_EQ(ReadFile(in), kGameA);
}

// The folder's entries that are our temporary files.
TEST_F(ScanRun, OldOutputsStayWholeWhenTheRunCannotOpenEveryFile) {
  const std::string in = Input(kGameA + kGameB);
  split_ = true;
  WriteFile(dir_ / "out.pgn", "old output");
  // The split file cannot be created: a folder has its name.
  MakeDir(dir_ / "out2.pgn");
  scripted_.AnswerConfirm(DialogButton::Ok);
  EXPECT_EQ(RunToTrap(in, dir_ / "out.pgn"),
            "An I/O error has occurred at 102. The result code is 21");
  EXPECT_EQ(ReadFile(dir_ / "out.pgn"), "old output");
  EXPECT_EQ(TempFilesIn(dir_.path()), Log{});

  // The output's folder is missing: nothing is made anywhere.
  MakeDir(dir_ / "sub");
  EXPECT_EQ(RunToTrap(in, dir_ / "sub/missing/out.pgn"),
            "An I/O error has occurred at 101. The result code is 2");
  EXPECT_EQ(TempFilesIn(dir_ / "sub"), Log{});
}

TEST_F(ScanRun, OutputsTakeTheOldFilesPlacesKeepingLinksAndModes) {
  const std::string in = Input(kGameA + kGameB + "no tag line\n");
  FailE4Games();
  split_ = true;
  MakeDir(dir_ / "real");
  WriteFile(dir_ / "real/games.pgn", "old output");
  ASSERT_EQ(::chmod((dir_ / "real/games.pgn").c_str(), 0600), 0);
  ASSERT_EQ(::symlink("real/games.pgn", (dir_ / "out.pgn").c_str()), 0);
  WriteFile(dir_ / "out2.pgn", "old split file");
  ASSERT_EQ(::chmod((dir_ / "out2.pgn").c_str(), 0640), 0);
  // A terminating error in the middle still puts the decided games in place.
  scripted_.AnswerConfirm(DialogButton::Ok);
  EXPECT_EQ(RunToTrap(in, dir_ / "out.pgn"), "trap 7365");
  struct stat st;
  ASSERT_EQ(::lstat((dir_ / "out.pgn").c_str(), &st), 0);
  EXPECT_TRUE(S_ISLNK(st.st_mode));
  EXPECT_EQ(ReadFile(dir_ / "real/games.pgn"), kOutB);
  ASSERT_EQ(::stat((dir_ / "real/games.pgn").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 0600u);
  EXPECT_EQ(ReadFile(dir_ / "out2.pgn"), kOutA);
  ASSERT_EQ(::stat((dir_ / "out2.pgn").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 0640u);
  EXPECT_EQ(TempFilesIn(dir_.path()), Log{});
  EXPECT_EQ(TempFilesIn(dir_ / "real"), Log{});
}

TEST_F(ScanRun, SplitFileThatIsTheOutputUnderAnotherNameIsRefused) {
  const std::string games = kGameA + kGameB;
  struct Case {
    const char* what;
    std::function<void()> make;
  };
  const std::string out = dir_ / "out.pgn", out2 = dir_ / "out2.pgn";
  const Case cases[] = {
      {"the split file links to the output",
       [&] {
         WriteFile(out, "old output");
         ASSERT_EQ(::symlink("out.pgn", out2.c_str()), 0);
       }},
      {"the output links to the split file",
       [&] {
         WriteFile(out2, "old output");
         ASSERT_EQ(::symlink("out2.pgn", out.c_str()), 0);
       }},
      {"a hard link",
       [&] {
         WriteFile(out, "old output");
         ASSERT_EQ(::link(out.c_str(), out2.c_str()), 0);
       }},
      {"a link to a file not made yet", [&] { ASSERT_EQ(::symlink("out2.pgn", out.c_str()), 0); }},
  };
  const std::string in = Input(games);
  split_ = true;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    c.make();
    const bool existed = Exists(out);
    scripted_.Clear();
    if (existed) scripted_.AnswerConfirm(DialogButton::Ok);
    EXPECT_EQ(Run(in, out), ScanOutcome::SameOutputFile);
    Log expected = {"message: Output and split file cannot be the same file"};
    if (existed) expected.insert(expected.begin(), "confirm: Overwrite out.pgn?");
    EXPECT_EQ(scripted_.log, expected);
    if (existed) {
      EXPECT_EQ(ReadFile(out), "old output");
    } else {
      EXPECT_FALSE(Exists(out2));
    }
    EXPECT_EQ(TempFilesIn(dir_.path()), Log{});
    ::unlink(out.c_str());
    ::unlink(out2.c_str());
  }
  // Two files with the same content are two files.
  WriteFile(out2, "old split");
  EXPECT_EQ(Run(in, out), ScanOutcome::Completed);
  EXPECT_EQ(ReadFile(out2), "");
}

// Dialogs that note, at every message, what the output files hold by then.
class FileWatchingDialogs : public ScriptedDialogs {
 public:
  explicit FileWatchingDialogs(std::string dir) : dir_(std::move(dir)) {}
  void ShowMessage(const std::string& text) override {
    Note();
    ScriptedDialogs::ShowMessage(text);
  }
  void ShowNotice(const std::string& text) override {
    Note();
    ScriptedDialogs::ShowNotice(text);
  }
  // The bytes in the folder's temporary files at each message, in the order of the names.
  std::vector<Log> seen;

 private:
  void Note() {
    std::vector<std::string> names = TempFilesIn(dir_);
    std::sort(names.begin(), names.end());
    Log contents;
    for (const std::string& name : names) contents.push_back(ReadFile(dir_ + name));
    seen.push_back(contents);
  }
  std::string dir_;
};

TEST_F(ScanRun, DecidedGamesAreHandedOverBeforeAMessageIsShown) {
  // An odd line, a faulty game and an invalid header line, each after decided games.
  const std::string in = Input(kGameA + kGameB + "[Event \"O\"]\n\nodd\n1.c4 *\n\n" + kGameC +
                               "[Event \"F\"]\n\n1.e4 {open\n\n" + kGameB + "bad\n");
  FileWatchingDialogs watching(dir_.path());
  FailE4Games();
  ScanRequest request{in, dir_ / "out.pgn", true, criteria_};
  try {
    RunScan(request, watching, fileSystem());
    ADD_FAILURE() << "no fatal fault";
  } catch (const FatalError& e) {
    EXPECT_STREQ(e.what(), "trap 7365");
  }
  const std::string odd = "[Event \"O\"]\r\n\r\nodd\r\n1.c4 *\r\n\r\n";
  const std::string faulty = "[Event \"F\"]\r\n\r\n1.e4 {open\r\n\r\n";
  EXPECT_EQ(watching.messages,
            (Log{"odd line: \"odd\"", "Game 5: game ended in comment", "invalid PGN: bad"}));
  // The temporary files sort as .out.pgn... before .out2.pgn... The faulty game passes: its
  // fault comes before Without is tested.
  EXPECT_EQ(watching.seen, (std::vector<Log>{{kOutB, kOutA},
                                             {kOutB + odd, kOutA + kOutC},
                                             {kOutB + odd + faulty + kOutB, kOutA + kOutC}}));
  EXPECT_EQ(ReadFile(dir_ / "out.pgn"), kOutB + odd + faulty + kOutB);
}

TEST_F(ScanRun, FailedWriteEndsTheRunAtOnce) {
  if (!Exists("/dev/full")) GTEST_SKIP() << "no /dev/full";
  // A game larger than the output buffer is written at once; thousands of games follow,
  // which a run that goes on reading would report progress for.
  const std::string big = "[Event \"Big\"]\n\n1.e4 {" + std::string(2 << 20, 'c') + "} e5 1-0\n\n";
  std::string rest;
  for (int i = 0; i < 10000; ++i) rest += kGameB;
  const std::string in = Input(big + rest);
  ASSERT_EQ(::symlink("/dev/full", (dir_ / "x2.pgn").c_str()), 0);
  struct Case {
    std::string output;
    bool split;  // and the big game fails, to go to the split file
    const char* fault;
  };
  const Case cases[] = {
      {"/dev/full", false, "An I/O error has occurred at 199. The result code is 28"},
      {dir_ / "x.pgn", true, "An I/O error has occurred at 200. The result code is 28"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.output);
    LastProgress progress;
    if (c.split) FailE4Games();
    split_ = c.split;
    if (Exists(c.output)) scripted_.AnswerConfirm(DialogButton::Ok);
    try {
      Run(in, c.output, &progress);
      ADD_FAILURE() << "no fatal fault";
    } catch (const FatalError& e) {
      EXPECT_EQ(std::string(e.what()), c.fault);
    }
    EXPECT_EQ(progress.calls, 0);
    // The other output, written whole, does not take the place of the old one (none).
    if (c.split) {
      EXPECT_FALSE(Exists(c.output));
    }
    criteria_ = Criteria{};
  }
}

TEST_F(ScanRun, WriteThatFailsBeforeAMessageEndsTheRunAtOnce) {
  if (!Exists("/dev/full")) GTEST_SKIP() << "no /dev/full";
  // A passing game waits in the output's buffer; the odd line of the next game has it
  // handed over, which fails; every later game goes to the split file.
  std::string games = kGameB + "[Event \"O\"]\n\nodd\n1.e4 *\n\n";
  for (int i = 0; i < 10000; ++i) games += kGameA;
  const std::string in = Input(games);
  ASSERT_EQ(::symlink("/dev/full", (dir_ / "x.pgn").c_str()), 0);
  FailE4Games();
  split_ = true;
  LastProgress progress;
  scripted_.AnswerConfirm(DialogButton::Ok);
  try {
    Run(in, dir_ / "x.pgn", &progress);
    ADD_FAILURE() << "no fatal fault";
  } catch (const FatalError& e) {
    EXPECT_STREQ(e.what(), "An I/O error has occurred at 199. The result code is 28");
  }
  EXPECT_EQ(progress.calls, 0);
  EXPECT_EQ(scripted_.messages, Log{"odd line: \"odd\""});
}

class ThrowingObserver : public ScanObserver {
 public:
  void Progress(const ScanProgress&) override { throw std::runtime_error("stop"); }
};

TEST_F(ScanRun, AnErrorLeavingTheRunStillDeliversTheGamesDecided) {
  // The observer is told after every 4096 games; its error leaves the run there, and the
  // files are flushed and closed on the way out.
  std::string games;
  for (int i = 0; i < 5000; ++i) games += kGameB;
  const std::string in = Input(games);
  ThrowingObserver observer;
  EXPECT_THROW(Run(in, dir_ / "out.pgn", &observer), std::runtime_error);
  std::string expected;
  for (int i = 0; i < 4096; ++i) expected += kOutB;
  EXPECT_TRUE(ReadFile(dir_ / "out.pgn") == expected);
}

// --- Hostile input: never a crash, never a hang; an odd line, a faulty game or a trap ---

TEST_F(ScanRun, FiftyMegabyteMoveLine) {
  // One game on one line of about 50 MB of moves, parsed whole.
  std::string line;
  line.reserve(51u << 20);
  for (int n = 1; line.size() < (50u << 20); n += 2) {
    line += std::to_string(n) + ".Nf3 Nf6 " + std::to_string(n + 1) + ".Ng1 Ng8 ";
  }
  line += "1/2-1/2";
  const std::string in = Input("[Event \"Long\"]\n\n" + line + "\n\n" + kGameB);
  criteria_.without = "e4";  // Without e4: parsed, walked ply by ply, passes
  criteria_.withoutRange = {1, 10000000};
  double seconds = TimedScan(in, dir_ / "out.pgn");
  EXPECT_LT(seconds, 120.0);
  EXPECT_EQ(scripted_.log, Log{"report: 2 games read from in.pgn\r2 games written to out.pgn"});
  EXPECT_EQ(ReadFile(dir_ / "out.pgn"), "[Event \"Long\"]\r\n\r\n" + line + "\r\n\r\n" + kOutB);
}

TEST_F(ScanRun, FiftyMegabyteLineOfJunkIsOneOddLine) {
  const std::string junk(50u << 20, 'z');
  const std::string in = Input("[Event \"J\"]\n\n" + junk + "\n1.e4\n\n" + kGameB);
  double seconds = TimedScan(in, dir_ / "out.pgn");
  EXPECT_LT(seconds, 120.0);
  // The parser reads the junk as one move word; the game passes with no criteria.
  ASSERT_EQ(scripted_.log.size(), 2u);
  EXPECT_TRUE(scripted_.log[0] == "notice: odd line: \"" + junk + "\"");
  EXPECT_EQ(scripted_.log[1], "report: 2 games read from in.pgn\r2 games written to out.pgn");
  EXPECT_EQ(ReadFile(dir_ / "out.pgn").size(),
            std::string("[Event \"J\"]\r\n\r\n").size() + junk.size() + 2 + 6 + 2 + kOutB.size());
}

TEST_F(ScanRun, TenThousandNestedBrackets) {
  const std::string open(10000, '('), close(10000, ')');
  const std::string balanced = "1.e4 " + open + "1.d4 " + close + " e5 2.Nf3 1-0";
  const std::string unbalanced = "1.e4 " + open + "1.d4 e5";
  const std::string extra = "1.e4 e5 " + close;
  const std::string braces = "1.e4 " + std::string(10000, '{') + "x" + std::string(10000, '}');
  const std::string in =
      Input("[Event \"1\"]\n\n" + balanced + "\n\n[Event \"2\"]\n\n" + unbalanced +
            "\n\n[Event \"3\"]\n\n" + extra + "\n\n[Event \"4\"]\n\n" + braces + "\n");
  // Must contain Nf3 (Moves form): only the balanced game plays it outside a variation.
  criteria_.mustContain = "Nf3";
  criteria_.mustContainForm = SequenceForm::Moves;
  criteria_.mustContainRange = {1, 15};
  split_ = true;
  TimedScan(in, dir_ / "out.pgn");
  EXPECT_EQ(ReadFile(dir_ / "out.pgn"), "[Event \"1\"]\r\n\r\n" + balanced + "\r\n\r\n");
  EXPECT_EQ(scripted_.reports, Log{"4 games read from in.pgn\r1 games written to out.pgn\r3 "
                                   "games written to out2.pgn"});

  // With no criteria every game is parsed: the faulty ones are reported and pass.
  criteria_ = Criteria{};
  split_ = false;
  scripted_.Clear();
  scripted_.AnswerConfirm(DialogButton::Ok);
  TimedScan(in, dir_ / "out.pgn");
  ASSERT_EQ(scripted_.reports.size(), 1u);
  EXPECT_EQ(scripted_.reports[0], "4 games read from in.pgn\r4 games written to out.pgn");
  EXPECT_EQ(scripted_.messages, (Log{"Game 2: game ended in comment", "Game 3: extra )/} found"}));
}

TEST_F(ScanRun, MegabyteComment) {
  const std::string comment = "{" + std::string(1u << 20, 'c') + " Nf3 ..e6 }";
  const std::string inComment = "1.e4 " + comment + " e5 2.d4 1-0";  // Nf3 only in comment
  const std::string played = "1.e4 " + comment + " e5 2.Nf3 1-0";    // Nf3 played
  const std::string in =
      Input("[Event \"1\"]\n\n" + inComment + "\n\n[Event \"2\"]\n\n" + played + "\n");
  criteria_.mustContain = "Nf3";
  criteria_.mustContainForm = SequenceForm::Moves;
  criteria_.mustContainRange = {1, 15};
  criteria_.without = "..e6";
  criteria_.withoutRange = {1, 15};
  TimedScan(in, dir_ / "out.pgn");
  EXPECT_EQ(ReadFile(dir_ / "out.pgn"), "[Event \"2\"]\r\n\r\n" + played + "\r\n\r\n");
  EXPECT_EQ(scripted_.log, Log{"report: 2 games read from in.pgn\r1 games written to out.pgn"});
}

TEST_F(ScanRun, NulAndControlBytesAreCarriedThrough) {
  const std::string tag = "[Event \"\0\x01\x02\x7f\xfe\"]"s;
  const std::string moves = "1.e4 \0e5\x07 2.Nf3\x1b Nc6 \x0b\x0c 1-0"s;
  const std::string in = Input(tag + "\n\n" + moves + "\n\n" + kGameB);
  split_ = true;
  TimedScan(in, dir_ / "out.pgn");
  // No criteria: both games pass, whatever the parser made of the control bytes.
  EXPECT_EQ(ReadFile(dir_ / "out.pgn"), tag + "\r\n\r\n" + moves + "\r\n\r\n" + kOutB);
  ASSERT_FALSE(scripted_.reports.empty());
  EXPECT_EQ(scripted_.reports.back(),
            "2 games read from in.pgn\r2 games written to out.pgn\r0 "
            "games written to out2.pgn");
  for (const std::string& m : scripted_.messages) EXPECT_EQ(m.rfind("Game 1: ", 0), 0u) << m;
}

std::string RandomBytes(size_t n, uint32_t seed, bool lineBreaks) {
  std::mt19937 gen(seed);
  std::string s(n, '\0');
  for (char& c : s) {
    c = static_cast<char>(gen() & 0xff);
    if (!lineBreaks && (c == '\r' || c == '\n' || c == 26)) c = 'x';
  }
  return s;
}

TEST_F(ScanRun, BinaryDataInsideAMoveText) {
  // One line of random bytes after the move text has begun: kept, parsed, decided.
  for (uint32_t seed : {1u, 2u, 3u, 4u}) {
    SCOPED_TRACE(seed);
    scripted_.Clear();
    scripted_.AnswerConfirm(DialogButton::Ok);
    const std::string binary = RandomBytes(1u << 20, seed, false);
    const std::string in = Input("[Event \"1\"]\n\n1.e4 " + binary + "\n\n" + kGameB);
    split_ = false;
    TimedScan(in, dir_ / "out.pgn");
    ASSERT_EQ(scripted_.reports.size(), 1u);
    EXPECT_EQ(scripted_.reports[0].substr(0, 25), "2 games read from in.pgn\r");
    const std::string out = ReadFile(dir_ / "out.pgn");
    EXPECT_EQ(out.substr(out.size() - kOutB.size()), kOutB);
  }
}

TEST_F(ScanRun, DamagedCompressedInputTrapsAndLeavesNoTemporaryFile) {
  // Found by fuzzing: a game file whose first bytes are a compressed form's magic number.
  struct Case {
    std::string bytes;
    const char* fault;
  } cases[] = {
      {"\x28\xB5\x2F\xFDnt \"Casual\"]\n\n1.e4 *\n", "in.pgn is damaged: zstd data: "},
      {"\x1F\x8B\x08garbage", "in.pgn is damaged: gzip data: "},
      {"BZh9garbage", "in.pgn is damaged: bzip2 data: "},
      {std::string("\xFD"
                   "7zXZ\0garbage",
                   13),
       "in.pgn is damaged: xz data: "},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.fault);
    const std::string fault = RunToTrap(Input(c.bytes), dir_ / "out.pgn");
    EXPECT_EQ(fault.rfind(c.fault, 0), 0u) << fault;
    EXPECT_TRUE(fault.ends_with("; no output was written")) << fault;
    EXPECT_FALSE(Exists(dir_ / "out.pgn"));
    EXPECT_TRUE(TempFilesIn(dir_.path()).empty());
  }
}

// The names, sizes and change times of a folder's files.
std::vector<std::string> Listing(const std::string& dir) {
  std::vector<std::string> entries;
  for (const std::string& name : FolderEntries(dir)) {
    struct stat st {};
    ::lstat((dir + name).c_str(), &st);
    entries.push_back(name + " " + std::to_string(st.st_size) + " " +
                      std::to_string(st.st_mtim.tv_sec) + "." + std::to_string(st.st_mtim.tv_nsec));
  }
  return entries;
}

// A count decides the games as the run with the same request does (split, duplicates and
// their prefix rule, one thread or chunks) and touches no file of the folder: no output,
// split, duplicates, list or log file, no question about the old output.
TEST_F(ScanRun, CountWritesNothingAndCountsAsTheScanWould) {
  // Games that open with e4 fail; of the others, each pair of players has copies of a game
  // and of its start.
  std::string games;
  for (int i = 0; i < 400; ++i)
    games += i % 3 == 0 ? kGameA
                        : "[White \"W" + std::to_string(i % 7) + "\"]\n\n1.d4 d5 2." +
                              char('a' + i % 7) + (i % 5 ? "3 e6 3.Nf3 *\n\n" : "3 *\n\n");
  const std::string in = Input(games);
  FailE4Games();
  WriteFile(dir_ / "out.pgn", "old");
  const struct {
    bool split, duplicates, prefix;
    unsigned threads;
  } cases[] = {{false, false, false, 1}, {true, false, false, 1}, {false, true, false, 1},
               {true, true, true, 1},    {true, true, false, 2},  {false, true, true, 2}};
  for (const auto& c : cases) {
    SCOPED_TRACE(::testing::Message() << c.split << c.duplicates << c.prefix << c.threads);
    ScanRequest request{in, dir_ / "out.pgn", c.split, criteria_};
    if (c.duplicates) request.duplicatesPath = dir_ / "dup.pgn";
    request.duplicatesPrefix = c.prefix;
    request.method = {.threads = c.threads, .chunkBytes = 1024};
    request.listPath = dir_ / "list.tsv";
    // Tolerant reading is done on one thread.
    if (c.threads == 1) request.reading = {.tolerant = true, .logPath = dir_ / "log.txt"};
    request.countOnly = true;
    const std::vector<std::string> before = Listing(dir_.path());
    scripted_.Clear();
    const ScanResult counted = RunScan(request, scripted_, fileSystem());
    EXPECT_EQ(Listing(dir_.path()), before);
    // The 134 games that open with e4 fail.
    const int64_t duplicates = !c.duplicates ? 0 : c.prefix ? 259 : 252;
    EXPECT_EQ(
        scripted_.log,
        Log{"report: 400 games read from in.pgn\r266 games selected" +
            (c.duplicates ? "\r" + std::to_string(duplicates) + " of them are duplicates" : "")});
    request.countOnly = false;
    scripted_.AnswerConfirm(DialogButton::Ok);
    const ScanResult scanned = RunScan(request, scripted_, fileSystem());
    EXPECT_EQ(counted.gamesRead, scanned.gamesRead);
    EXPECT_EQ(counted.gamesWritten, scanned.gamesWritten);
    EXPECT_EQ(counted.duplicatesWritten, scanned.duplicatesWritten);
  }
}

TEST_F(ScanRun, RandomBinaryFileTrapsOnItsFirstLine) {
  std::string binary = RandomBytes(4u << 20, 7, true);
  binary[0] = '\x01';  // a first line that cannot be blank, a tag or a Ctrl-Z
  const std::string in = Input(binary);
  EXPECT_EQ(RunToTrap(in, dir_ / "out.pgn"), "trap 7365");
  ASSERT_EQ(scripted_.messages.size(), 1u);
  EXPECT_EQ(scripted_.messages[0].substr(0, 13), "invalid PGN: ");
  EXPECT_EQ(ReadFile(dir_ / "out.pgn"), "");
  EXPECT_TRUE(ReadFile(in) == binary);
}

// Several inputs: the request of a run that reads the files (or folders) given.
ScanRequest SeveralRequest(std::vector<std::string> inputs, const std::string& out) {
  ScanRequest request;
  request.outputPath = out;
  request.inputPaths = std::move(inputs);
  return request;
}

TEST_F(ScanRun, SeveralInputsGoToOneOutputWithFileNamesInMessagesAndAReportLinePerFile) {
  const std::string faulty = "[Event \"F\"]\n\n1.e4 {open\n\n";
  WriteFile(dir_ / "a.pgn", kGameA + kGameB);
  // The same game as the first of a.pgn is a duplicate across the files.
  WriteFile(dir_ / "b.pgn", kGameC + kGameA + faulty);
  const uint64_t total = (kGameA + kGameB + kGameC + kGameA + faulty).size();
  // Line by line, and in chunks of a few bytes on two threads.
  for (const unsigned threads : {1u, 2u}) {
    SCOPED_TRACE(threads);
    ScriptedDialogs dialogs;
    LastProgress progress;
    ScanRequest request = SeveralRequest({dir_ / "a.pgn", dir_ / "b.pgn"}, dir_ / "out.pgn");
    request.method = {.threads = threads, .chunkBytes = 16};
    request.duplicatesPath = dir_ / "dups.pgn";
    request.perFile = true;
    dialogs.AnswerConfirm(DialogButton::Ok);
    dialogs.AnswerConfirm(DialogButton::Ok);
    const ScanResult r = RunScan(request, dialogs, fileSystem(), &progress);
    EXPECT_EQ(r.outcome, ScanOutcome::Completed);
    EXPECT_EQ(ReadFile(dir_ / "out.pgn"),
              kOutA + kOutB + kOutC + "[Event \"F\"]\r\n\r\n1.e4 {open\r\n\r\n");
    EXPECT_EQ(dialogs.messages, Log{"b.pgn, game 3: game ended in comment"});
    EXPECT_EQ(dialogs.reports,
              Log{"5 games read from 2 files\r4 games written to out.pgn\r1 duplicates written to "
                  "dups.pgn\ra.pgn: 2 games read, 2 selected\rb.pgn: 3 games read, 3 selected"});
    EXPECT_EQ(std::get<0>(progress.last), total);
    EXPECT_EQ(std::get<1>(progress.last), total);
  }
}

TEST_F(ScanRun, SeveralFilesOnTwoThreadsGiveWhatOneThreadGives) {
  // Files above four chunks are read in chunks by threads kept from one file to the next;
  // the smaller ones are read and scanned whole ahead of their turn, but for the compressed
  // one, which is read in its turn. Faulty games are named, duplicates judged across files.
  std::string big;
  for (int i = 0; i < 60; ++i) big += i % 3 ? kGameB : kGameC;
  const std::string faulty = "[Event \"F\"]\n\n1.e4 {open\n\n";
  const std::vector<std::pair<std::string, std::string>> files = {
      {"a.pgn", big},
      {"b.pgn", "[Event \"A\"]\r\n[Result \"1-0\"]\r\n\r\n1.e4 e5 2.Nf3 1-0\r\n"},
      {"c.pgn", Zstd(kGameC + kGameB)},
      {"d.pgn", kGameB + "\x1a" + "not read\n"},
      {"e.pgn", faulty + kGameC},
      {"f.pgn", big + faulty + big},
      {"g.pgn", kGameA},
  };
  std::vector<std::string> paths;
  for (const auto& [name, bytes] : files) {
    WriteFile(dir_ / name, bytes);
    paths.push_back(dir_ / name);
  }
  std::string written[2];
  Log messages[2], reports[2];
  for (const unsigned threads : {1u, 2u}) {
    ScriptedDialogs dialogs;
    ScanRequest request = SeveralRequest(paths, dir_ / "out.pgn");
    request.method = {.threads = threads, .chunkBytes = 256};
    request.perFile = true;
    request.duplicatesPath = dir_ / "dups.pgn";
    request.listPath = dir_ / "list.tsv";
    request.summaryPath = dir_ / "summary.json";
    for (int k = 0; k < 4; ++k) dialogs.AnswerConfirm(DialogButton::Ok);
    EXPECT_EQ(RunScan(request, dialogs, fileSystem()).outcome, ScanOutcome::Completed);
    for (const char* name : {"out.pgn", "dups.pgn", "list.tsv", "summary.json"})
      written[threads - 1] += ReadFile(dir_ / name) + "|";
    messages[threads - 1] = dialogs.messages;
    reports[threads - 1] = dialogs.reports;
  }
  EXPECT_EQ(written[1], written[0]);
  EXPECT_EQ(messages[0], (Log{"e.pgn, game 1: game ended in comment",
                              "f.pgn, game 61: game ended in comment"}));
  EXPECT_EQ(messages[1], messages[0]);
  EXPECT_EQ(reports[1], reports[0]);
  ASSERT_EQ(reports[0].size(), 1u);
  EXPECT_TRUE(reports[0][0].starts_with("188 games read from 7 files\r4 games written to out.pgn\r"
                                        "184 duplicates written to dups.pgn\r"));
}

TEST_F(ScanRun, OutputsInTheInputFolderAreNoInputsOfTheNextRun) {
  ::mkdir((dir_ / "games").c_str(), 0755);
  WriteFile(dir_ / "games/a.pgn", kGameA + kGameB);
  ScanRequest request = SeveralRequest({dir_ / "games"}, dir_ / "games/out.pgn");
  request.split = true;
  request.duplicatesPath = dir_ / "games/dup.pgn";
  request.listPath = dir_ / "games/list.tsv";
  request.summaryPath = dir_ / "games/summary.json";
  for (int run = 0; run < 2; ++run) {
    ScriptedDialogs dialogs;
    for (int k = 0; k < 6; ++k) dialogs.AnswerConfirm(DialogButton::Ok);
    const ScanResult r = RunScan(request, dialogs, fileSystem());
    EXPECT_EQ(r.outcome, ScanOutcome::Completed) << run;
    EXPECT_EQ(r.gamesRead, 2) << run;
  }
}

TEST_F(ScanRun, FaultsInOneOfSeveralFilesNameIt) {
  struct Case {
    std::string second;  // the second file's bytes
    std::string trap;
    std::string written;  // the first file's games are written
  };
  const std::string kept = "1 games read from 2 files\r1 games written to out.pgn";
  const std::vector<Case> cases = {
      {kGameB + "bad\n", "b.pgn: trap 7365",
       "2 games read from 2 files\r2 games written to out.pgn"},
      {kGameB + "[Event \"Big\"]\n\n1.e4 {" + std::string(2000, 'x') + "} *\n",
       "b.pgn, game 2 is larger than 1000 bytes",
       "2 games read from 2 files\r2 games written to out.pgn"},
  };
  for (const Case& c : cases) {
    WriteFile(dir_ / "a.pgn", kGameA);
    WriteFile(dir_ / "b.pgn", c.second);
    ScanRequest request = SeveralRequest({dir_ / "a.pgn", dir_ / "b.pgn"}, dir_ / "out.pgn");
    request.maxGameBytes = 1000;
    scripted_.AnswerConfirm(DialogButton::Ok);
    try {
      RunScan(request, scripted_, fileSystem());
      ADD_FAILURE() << "no fatal fault";
    } catch (const ScanFileError& e) {
      EXPECT_EQ(e.what(), c.trap);
      EXPECT_EQ(e.Written(), c.written);
    }
  }
}

TEST_F(ScanRun, NoticesAboutOneOfSeveralFilesNameIt) {
  struct Case {
    bool tolerant;
    std::string second;
    Log messages;
  };
  const std::vector<Case> cases = {
      {false, "[Event \"O\"]\n\nodd\n1.c4 *\n\n", {"b.pgn: odd line: \"odd\""}},
      {true, kGameB + "junk\n\n" + kGameC, {"b.pgn, line 5, game 2: skipped: junk"}},
  };
  for (const Case& c : cases) {
    WriteFile(dir_ / "a.pgn", kGameA);
    WriteFile(dir_ / "b.pgn", c.second);
    ScanRequest request = SeveralRequest({dir_ / "a.pgn", dir_ / "b.pgn"}, dir_ / "out.pgn");
    request.reading.tolerant = c.tolerant;
    request.reading.listAsNotices = true;
    ScriptedDialogs dialogs;
    dialogs.AnswerConfirm(DialogButton::Ok);
    RunScan(request, dialogs, fileSystem());
    EXPECT_EQ(dialogs.messages, c.messages);
  }
}

// A file that cannot be read ends the run after the games of the files before it, which
// are written; the files after it are not read.
TEST_F(ScanRun, AnUnreadableInputEndsTheRunAfterTheFilesBeforeIt) {
  WriteFile(dir_ / "a.pgn", kGameA);
  WriteFile(dir_ / "locked.pgn", kGameB);
  WriteFile(dir_ / "c.pgn", kGameC);
  ::chmod((dir_ / "locked.pgn").c_str(), 0);
  ::chmod(dir_.path().c_str(), 0777);
  const ScanRequest request =
      SeveralRequest({dir_ / "a.pgn", dir_ / "locked.pgn", dir_ / "c.pgn"}, dir_ / "out.pgn");
  EXPECT_EQ(InChild(
                [&] {
                  try {
                    RunScan(request, scripted_, fileSystem());
                  } catch (const ScanFileError& e) {
                    return std::string(e.what()) ==
                                       "An I/O error has occurred at 100 (locked.pgn). The result "
                                       "code is 13" &&
                                   e.Written() ==
                                       "1 games read from 3 files\r1 games written to out.pgn"
                               ? 0
                               : 2;
                  }
                  return 1;
                },
                true),
            0);
  EXPECT_EQ(ReadFile(dir_ / "out.pgn"), kOutA);
}

TEST_F(ScanRun, AFolderGivesItsGameFilesButNotTheRunsOwnOutputs) {
  MakeDir(dir_ / "games");
  WriteFile(dir_ / "games/b.pgn", kGameB);
  WriteFile(dir_ / "games/a.pgn", kGameA);
  WriteFile(dir_ / "games/out.pgn", kGameC);  // the old output
  scripted_.AnswerConfirm(DialogButton::Ok);
  EXPECT_EQ(
      RunScan(SeveralRequest({dir_ / "games"}, dir_ / "games/out.pgn"), scripted_, fileSystem())
          .outcome,
      ScanOutcome::Completed);
  EXPECT_EQ(ReadFile(dir_ / "games/out.pgn"), kOutA + kOutB);
  EXPECT_EQ(scripted_.reports, Log{"2 games read from 2 files\r2 games written to out.pgn"});
  // A folder of one game file reports that file, as a run of the file does.
  MakeDir(dir_ / "one");
  WriteFile(dir_ / "one/a.pgn", kGameA);
  scripted_.Clear();
  RunScan({dir_ / "one", dir_ / "out.pgn", false, criteria_}, scripted_, fileSystem());
  EXPECT_EQ(scripted_.reports, Log{"1 games read from a.pgn\r1 games written to out.pgn"});
  // A folder without game files, and an output named as an input, are refused.
  MakeDir(dir_ / "none");
  scripted_.Clear();
  EXPECT_EQ(
      RunScan(SeveralRequest({dir_ / "none"}, dir_ / "x.pgn"), scripted_, fileSystem()).outcome,
      ScanOutcome::InputMissing);
  EXPECT_EQ(scripted_.messages, Log{"No game files in " + dir_ / "none"});
  EXPECT_EQ(
      RunScan(SeveralRequest({dir_ / "one/a.pgn", dir_ / "games/a.pgn"}, dir_ / "games/a.pgn"),
              scripted_, fileSystem())
          .outcome,
      ScanOutcome::SameFile);
  EXPECT_EQ(ReadFile(dir_ / "games/a.pgn"), kGameA);
}

}  // namespace
