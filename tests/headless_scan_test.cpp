// The headless scan as a user meets it: the built program run with --scan in a folder of
// its own, its report, messages, exit status and the files it leaves.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <zstd.h>

#include <algorithm>
#include <atomic>
#include <cctype>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <functional>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "compress_for_tests.h"
#include "test_support.h"

using namespace kelvane;

namespace {

using Args = std::vector<std::string>;

// White opens with e4 in A, with d4 in B; C is a Sicilian; D reaches A's first moves in
// another order (Nf3 first, e4 at move 2).
const std::string kGameA = "[Event \"A\"]\n[Result \"1-0\"]\n\n1.e4 e5 2.Nf3 Nc6 3.Bb5 1-0\n\n";
const std::string kGameB = "[Event \"B\"]\n\n1.d4 d5 2.c4 *\n\n";
const std::string kGameC = "[Event \"C\"]\n\n1.e4 c5 2.Nf3 d6 0-1\n\n";
const std::string kGameD = "[Event \"D\"]\n\n1.Nf3 e5 2.e4 Nc6 1/2-1/2\n\n";
const std::string kOutA =
    "[Event \"A\"]\r\n[Result \"1-0\"]\r\n\r\n1.e4 e5 2.Nf3 Nc6 3.Bb5 1-0\r\n\r\n";
const std::string kOutB = "[Event \"B\"]\r\n\r\n1.d4 d5 2.c4 *\r\n\r\n";
const std::string kOutC = "[Event \"C\"]\r\n\r\n1.e4 c5 2.Nf3 d6 0-1\r\n\r\n";
const std::string kOutD = "[Event \"D\"]\r\n\r\n1.Nf3 e5 2.e4 Nc6 1/2-1/2\r\n\r\n";

// Settings with every criterion empty and every range 1 to 15.
const std::string kEmptyCriteria =
    "[Strings]\n7=\n8=\n9=\n10=\n11=\n"
    "[Integers]\n0=1\n1=15\n2=1\n3=15\n4=1\n5=15\n6=1\n7=15\n8=1\n9=15\n"
    "[Booleans]\nRadNota=0\n";

class HeadlessScan : public ::testing::Test {
 protected:
  void SetUp() override {
    WriteFile(dir_ / "empty.ini", kEmptyCriteria);
    WriteFile(dir_ / "in.pgn", kGameA + kGameB + kGameC + kGameD);
  }
  // kelvane --scan --settings empty.ini ARGS, run in the test's folder.
  ProcessResult Scan(const Args& args, const std::string& settings = "empty.ini",
                     const WhileRunning& watch = {}) {
    Args all = {"--scan", "--settings", settings};
    all.insert(all.end(), args.begin(), args.end());
    return RunKelvane(all, dir_.path(), watch);
  }
  // Scans in.pgn (or the --input given) into out.pgn (replacing it) with the given
  // criteria options.
  ProcessResult ScanWith(const Args& criteria) {
    Args args = {"--output", "out.pgn", "--yes"};
    if (std::find(criteria.begin(), criteria.end(), "--input") == criteria.end())
      args.insert(args.begin(), {"--input", "in.pgn"});
    args.insert(args.end(), criteria.begin(), criteria.end());
    return Scan(args);
  }
  std::string Out(const std::string& name = "out.pgn") { return ReadFile(dir_ / name); }

  TempDir dir_;
};

TEST_F(HeadlessScan, CompletedScanReportsOnStandardOutput) {
  ProcessResult r = Scan({"--input", "in.pgn", "--output", "out.pgn"});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, "4 games read from in.pgn\n4 games written to out.pgn\n");
  EXPECT_EQ(r.err, "");
  EXPECT_EQ(Out(), kOutA + kOutB + kOutC + kOutD);
  EXPECT_FALSE(Exists(dir_ / "out2.pgn"));
}

TEST_F(HeadlessScan, SplitWritesTheFailingGamesAndAThirdReportLine) {
  WriteFile(dir_ / "out2.pgn", "old");  // overwritten without a question
  ProcessResult r = Scan({"--input", dir_ / "in.pgn", "--output", dir_ / "out.pgn", "--split",
                          "--without", "e4", "--without-range", "1-15"});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out,
            "4 games read from in.pgn\n1 games written to out.pgn\n3 games written to out2.pgn\n");
  EXPECT_EQ(Out(), kOutB);
  EXPECT_EQ(Out("out2.pgn"), kOutA + kOutC + kOutD);
}

TEST_F(HeadlessScan, ExistingOutputWithoutYesAndWithoutATerminalIsKept) {
  WriteFile(dir_ / "out.pgn", "keep me");
  for (const char* quiet : {"--progress", "--quiet"}) {
    ProcessResult r = Scan({"--input", "in.pgn", "--output", "out.pgn", quiet});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "");
    // The question that could not be asked is told, also with --quiet.
    EXPECT_EQ(r.err, "Overwrite out.pgn? Cancelled: no terminal to ask; use --yes\n");
    EXPECT_EQ(Out(), "keep me");
  }
  ProcessResult r;

  r = Scan({"--input", "in.pgn", "--output", "out.pgn", "--yes"});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(Out(), kOutA + kOutB + kOutC + kOutD);
}

// "kelvane --count" prints the games read and selected on standard output, whatever the
// output's name and Split; it refuses the options that would write a file.
TEST_F(HeadlessScan, CountPrintsTheGamesReadAndSelectedAndNeedsNoOutput) {
  const std::string counted = "4 games read from in.pgn\n1 games selected\n";
  const struct {
    Args args;
    int status;
    std::string out;
  } cases[] = {
      {{}, 0, counted},
      {{"--output", "-", "--split"}, 0, counted},
      {{"--output", "-", "--duplicates", "-"}, 0, counted + "0 of them are duplicates\n"},
      {{"--list", "l.tsv"}, 2, ""},
      {{"--tolerant", "--log", "l.txt"}, 2, ""},
      {{"--summary"}, 2, ""},
      {{"--summary-json", "s.json"}, 2, ""},
  };
  for (const auto& c : cases) {
    Args args = {"--count", "--settings", "empty.ini", "--input", "in.pgn", "--without", "e4"};
    args.insert(args.end(), c.args.begin(), c.args.end());
    const ProcessResult r = RunKelvane(args, dir_.path());
    EXPECT_EQ(r.status, c.status) << r.err;
    EXPECT_EQ(r.out, c.out);
  }
}

TEST_F(HeadlessScan, MissingInputIsStatusOne) {
  ProcessResult r = Scan({"--input", "sub/missing.pgn", "--output", "out.pgn"});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.out, "");
  EXPECT_EQ(r.err, "File sub/missing.pgn not found\n");
  EXPECT_FALSE(Exists(dir_ / "out.pgn"));
}

TEST_F(HeadlessScan, BadOptionsAndCriteriaAreStatusTwoAndNameTheField) {
  struct Case {
    Args args;
    std::string inMessage;
  };
  const Case cases[] = {
      {{"--bogus"}, "--bogus"},
      {{"--input"}, "--input"},
      {{"--cond1-range", "1-x"}, "--cond1-range"},
      {{"--without-range", "x"}, "--without-range"},
      {{"--cond1", "Kh1 = Qe1"}, "--cond1"},
      {{"--cond2", "Kh1 < Qe1 < Qd1"}, "--cond2"},
      {{"--cond1", "Kh1 < Qe1", "--cond1-range", "5-5"}, "--cond1-range"},
      {{"--cond3", "Kh1 < Qe1", "--cond3-range", "6-5"}, "--cond3-range"},
      {{"--contains", "e4 ..c5", "--contains-range", "3-2"}, "--contains-range"},
      {{"--without", "e4", "--without-range", "0-0"}, "--without-range"},
      {{"--output", "in.pgn"}, "Input and output cannot be the same file"},
      {{"--split=yes"}, "--split takes no value"},
      {{"--cond1-range=9"}, "--cond1-range"},
      {{"--max-game-size", "0"}, "--max-game-size"},
      {{"--max-game-size", "1.5"}, "--max-game-size"},
      {{"--tag", "WhiteElo >= abc"}, "Header (--tag): line \"WhiteElo >= abc\": "},
      {{"--tag", "Event = A", "--tag", "Event"}, "Header (--tag): line \"Event\": "},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::PrintToString(c.args));
    Args args = {"--input", "in.pgn", "--output", "out.pgn"};
    args.insert(args.end(), c.args.begin(), c.args.end());
    ProcessResult r = Scan(args);
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.out, "");
    EXPECT_NE(r.err.find(c.inMessage), std::string::npos) << r.err;
    EXPECT_FALSE(Exists(dir_ / "out.pgn"));
  }
  // An empty criterion needs no usable range.
  ProcessResult r = ScanWith({"--cond1", "", "--cond1-range", "5-5"});
  EXPECT_EQ(r.status, 0) << r.err;
}

TEST_F(HeadlessScan, HelpAnywherePrintsTheUsageOfEveryOption) {
  for (const Args& args : {Args{"--help"}, Args{"--input", "in.pgn", "--help", "--bogus"}}) {
    ProcessResult r = Scan(args);
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, "");
    for (const char* option :
         {"--settings FILE", "--input PATH", "--split", "--cond3-range A-B", "--contains TEXT",
          "--moves", "--without-range A-B", "--tag LINE", "--quiet", "--max-game-size MB"})
      EXPECT_NE(r.out.find(option), std::string::npos) << option;
  }
  EXPECT_FALSE(Exists(dir_ / "out.pgn"));
}

// The second line of the "invalid PGN" message.
const std::string kAdvice = "Use --tolerant (tolerant reading) to scan files like this one.\n";

// A file the usual reading stops on: a description in front of the tags, tags without an
// empty line before the moves, and a note between the games.
const std::string kUntidy = "{ Games }\n[Event \"A\"]\n1.e4 e5 1-0\n\nnotes\n1.d4 *\n";

TEST_F(HeadlessScan, TolerantReadingListsWhatItSkipsOnStandardErrorOrInALog) {
  WriteFile(dir_ / "untidy.pgn", kUntidy);
  const Args files = {"--input", "untidy.pgn", "--output", "out.pgn", "--yes"};
  auto scan = [&](Args more) {
    Args args = files;
    args.insert(args.end(), more.begin(), more.end());
    return Scan(args);
  };
  // As before without the option: the message, and the stop.
  ProcessResult r = scan({});
  EXPECT_EQ(r.status, 231);
  EXPECT_EQ(r.err, "invalid PGN: { Games }\n" + kAdvice + "Terminating error: trap 7365\n");

  const std::string entries =
      "line 1, game 1: skipped: { Games }\nline 5, game 2: skipped: notes\n";
  r = scan({"--tolerant"});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, "2 games read from untidy.pgn\n2 games written to out.pgn\n2 lines skipped\n");
  EXPECT_EQ(r.err, entries);
  EXPECT_EQ(Out(), "[Event \"A\"]\r\n\r\n1.e4 e5 1-0\r\n\r\n\r\n1.d4 *\r\n\r\n");
  EXPECT_FALSE(Exists(dir_ / "out.pgn.log"));

  r = scan({"--tolerant", "--quiet"});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out + r.err, "");

  r = scan({"--tolerant", "--log", "list.txt"});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out,
            "2 games read from untidy.pgn\n2 games written to out.pgn\n2 lines skipped, listed "
            "in list.txt\n");
  EXPECT_EQ(r.err, entries);
  EXPECT_EQ(ReadFile(dir_ / "list.txt"),
            "line 1, game 1: skipped: { Games }\r\nline 5, game 2: skipped: notes\r\n");

  // A log needs tolerant reading; the log may not be the input.
  r = scan({"--log", "list.txt"});
  EXPECT_EQ(r.status, 2);
  EXPECT_EQ(r.err, "kelvane: --log needs tolerant reading (--tolerant)\n");
  r = scan({"--tolerant", "--log", "untidy.pgn"});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err, "Input and output cannot be the same file\n");
  EXPECT_EQ(ReadFile(dir_ / "untidy.pgn"), kUntidy);

  r = Scan({"--help"});
  EXPECT_NE(r.out.find("\n  --tolerant "), std::string::npos);
  EXPECT_NE(r.out.find("\n  --log FILE "), std::string::npos);
}

TEST_F(HeadlessScan, TolerantReadingTurnedOnInTheSettingsHolds) {
  WriteFile(dir_ / "untidy.pgn", kUntidy);
  WriteFile(dir_ / "tolerant.ini", kEmptyCriteria + "Tolerant=1\n");
  ProcessResult r =
      Scan({"--input", "untidy.pgn", "--output", "out.pgn", "--log", "list.txt"}, "tolerant.ini");
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out,
            "2 games read from untidy.pgn\n2 games written to out.pgn\n2 lines skipped, listed "
            "in list.txt\n");
  EXPECT_EQ(ReadFile(dir_ / "tolerant.ini"), kEmptyCriteria + "Tolerant=1\n");
}

TEST_F(HeadlessScan, DuplicatesFromTheSettingsOrTheCommandLine) {
  WriteFile(dir_ / "in.pgn", kGameA + kGameB + kGameA);
  WriteFile(dir_ / "dups.ini", kEmptyCriteria + "Duplicates=1\n");
  const Args files = {"--input", "in.pgn", "--output", "out.pgn", "--yes"};
  // The stored option names the file after the output; "" turns it off.
  ProcessResult r = Scan(files, "dups.ini");
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out,
            "3 games read from in.pgn\n2 games written to out.pgn\n1 duplicates written to "
            "outdup.pgn\n");
  Args off = files;
  off.insert(off.end(), {"--duplicates", ""});
  r = Scan(off, "dups.ini");
  EXPECT_EQ(r.out, "3 games read from in.pgn\n3 games written to out.pgn\n");
  // The prefix rule needs duplicates.
  Args prefix = files;
  prefix.push_back("--duplicates-prefix");
  r = Scan(prefix);
  EXPECT_EQ(r.status, 2);
  EXPECT_EQ(r.err, "kelvane: --duplicates-prefix needs duplicates (--duplicates FILE)\n");
}

TEST_F(HeadlessScan, OptionValuesMayFollowAnEqualsSign) {
  ProcessResult r = Scan({"--input=in.pgn", "--output=out.pgn", "--without=e4",
                          "--without-range=1-1", "--cond1=..Nc6 > e4", "--cond1-range=1-15"});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, "4 games read from in.pgn\n1 games written to out.pgn\n");
  EXPECT_EQ(Out(), kOutD);
}

TEST_F(HeadlessScan, InputUnderAnotherNameIsRefusedAndKept) {
  const std::string input = ReadFile(dir_ / "in.pgn");
  ASSERT_EQ(::symlink("in.pgn", (dir_ / "link.pgn").c_str()), 0);
  for (const Args& args : {Args{"--output", "./in.pgn"}, Args{"--output", "link.pgn", "--yes"},
                           Args{"--output", dir_ / "in.pgn"}}) {
    SCOPED_TRACE(::testing::PrintToString(args));
    Args all = {"--input", "in.pgn"};
    all.insert(all.end(), args.begin(), args.end());
    ProcessResult r = Scan(all);
    EXPECT_NE(r.status, 0);
    EXPECT_NE(r.status, 231);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, "Input and output cannot be the same file\n");
    EXPECT_EQ(ReadFile(dir_ / "in.pgn"), input);
  }
  // The split file of x.pgn is x2.pgn: here the input itself.
  WriteFile(dir_ / "x2.pgn", input);
  ProcessResult r = Scan({"--input", "x2.pgn", "--output", "x.pgn", "--split"});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err, "Input and split file cannot be the same file\n");
  EXPECT_EQ(ReadFile(dir_ / "x2.pgn"), input);
  EXPECT_FALSE(Exists(dir_ / "x.pgn"));
}

TEST_F(HeadlessScan, TerminatingErrorIsStatus231AndKeepsTheGamesWritten) {
  WriteFile(dir_ / "bad.pgn", kGameA + kGameB + "Garbage line\n\n1.e4\n");
  ProcessResult r =
      Scan({"--input", "bad.pgn", "--output", "out.pgn", "--split", "--without", "e4"});
  EXPECT_EQ(r.status, 231);
  EXPECT_EQ(r.out, "");
  EXPECT_EQ(r.err, "invalid PGN: Garbage line\n" + kAdvice + "Terminating error: trap 7365\n");
  EXPECT_EQ(Out(), kOutB);
  EXPECT_EQ(Out("out2.pgn"), kOutA);

  // A failed create.
  r = Scan({"--input", "in.pgn", "--output", "/proc/out.pgn"});
  EXPECT_EQ(r.status, 231);
  EXPECT_EQ(r.err, "Terminating error: An I/O error has occurred at 101. The result code is 2\n");
}

// The games come through a named pipe, so the scan is still running when the signal comes;
// the signal is sent once the progress line shows that games are being read.
TEST_F(HeadlessScan, StopSignalsEndTheScanAfterWholeGames) {
  ::signal(SIGPIPE, SIG_IGN);  // the writer may outlive the reader
  for (int signal : {SIGTERM, SIGINT, SIGHUP}) {
    SCOPED_TRACE(signal);
    const std::string fifo = dir_ / "games.fifo";
    std::remove(fifo.c_str());
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    std::atomic<bool> signalled = false;
    std::thread writer([&] {
      // Waits at most ten seconds for the reader, so a program that fails early ends the test.
      int fd = -1;
      for (int tries = 0; fd < 0 && tries < 1000; ++tries) {
        fd = ::open(fifo.c_str(), O_WRONLY | O_NONBLOCK);
        if (fd < 0) ::usleep(10000);
      }
      if (fd < 0) return;
      ::fcntl(fd, F_SETFL, 0);
      // Games until the signal, then some more so that the reader sees the next game.
      for (int extra = 0; extra < 200;) {
        if (::write(fd, kGameB.data(), kGameB.size()) < 0) break;
        if (signalled) ++extra;
      }
      ::close(fd);
    });
    ProcessResult r = Scan({"--input", fifo, "--output", "out.pgn", "--yes", "--progress"},
                           "empty.ini", [&](pid_t pid, const ProcessResult& soFar) {
                             if (!signalled && soFar.err.find("games") != std::string::npos) {
                               signalled = true;
                               ::kill(pid, signal);
                             }
                           });
    writer.join();
    EXPECT_EQ(r.status, 128 + signal) << r.err;
    const size_t read = std::stoul(r.out);
    EXPECT_GE(read, 4096u);  // the first progress line comes after 4096 games
    EXPECT_EQ(r.out, std::to_string(read) + " games read from games.fifo\n" + std::to_string(read) +
                         " games written to out.pgn\n");
    EXPECT_NE(r.err.find("Scan cancelled after " + std::to_string(read) + " games\n"),
              std::string::npos)
        << r.err;
    std::string expected;
    for (size_t g = 0; g < read; ++g) expected += kOutB;
    EXPECT_TRUE(Out() == expected);
  }
}

TEST_F(HeadlessScan, NamesAreCheckedBeforeAnythingIsOpened) {
  ::mkdir((dir_ / "folder.pgn").c_str(), 0755);
  struct Case {
    Args args;
    std::string err;
  };
  const Case cases[] = {
      {{"--input", "in.pgn", "--output", ""}, "The output file has no name\n"},
      {{"--input", "", "--output", "out.pgn"}, "The input file has no name\n"},
      {{"--input", "in.pgn", "--output", "sub/"}, "The output file has no name\n"},
      // A folder is read for its game files.
      {{"--input", "folder.pgn", "--output", "out.pgn"}, "No game files in folder.pgn\n"},
      {{"--input", "in.pgn", "--output", "folder.pgn", "--yes"},
       "The output file folder.pgn is a folder\n"},
      {{"--input", "in.pgn", "--output", "noext", "--split"},
       "Split needs a file name with an extension, such as games.pgn\n"},
      {{"--input", "in.pgn", "--output", "nodir/out.pgn"},
       "The folder nodir/ of the output file does not exist\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::PrintToString(c.args));
    ProcessResult r = Scan(c.args);
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, c.err);
  }
  EXPECT_FALSE(Exists(dir_ / "noext"));
  EXPECT_FALSE(Exists(dir_ / "noext2"));
}

TEST_F(HeadlessScan, NamesAreUsedByteForByte) {
  WriteFile(dir_ / "two  blanks.pgn", kGameA + kGameB);
  WriteFile(dir_ / "res 2.pgn", "an unrelated file");
  ProcessResult r = Scan({"--input", "two  blanks.pgn", "--output", "res  2.pgn", "--yes"});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, "2 games read from two  blanks.pgn\n2 games written to res  2.pgn\n");
  EXPECT_EQ(Out("res  2.pgn"), kOutA + kOutB);
  EXPECT_EQ(Out("res 2.pgn"), "an unrelated file");
}

// Sets a resource limit of this process, which the programs it starts inherit, for the
// object's lifetime.
class ScopedLimit {
 public:
  ScopedLimit(int resource, rlim_t value) : resource_(resource) {
    ::getrlimit(resource, &old_);
    rlimit limit{value, old_.rlim_max};
    ok_ = ::setrlimit(resource, &limit) == 0;
  }
  ~ScopedLimit() { ::setrlimit(resource_, &old_); }
  bool ok() const { return ok_; }

 private:
  int resource_;
  rlimit old_{};
  bool ok_ = false;
};

TEST_F(HeadlessScan, OldOutputsStayUntilEveryFileOfTheRunIsOpen) {
  WriteFile(dir_ / "out.pgn", "old output");
  ASSERT_EQ(::mkdir((dir_ / "out2.pgn").c_str(), 0755), 0);
  ProcessResult r = Scan({"--input", "in.pgn", "--output", "out.pgn", "--split", "--yes"});
  EXPECT_EQ(r.status, 231);
  EXPECT_EQ(r.err, "Terminating error: An I/O error has occurred at 102. The result code is 21\n");
  EXPECT_EQ(Out(), "old output");
  EXPECT_TRUE(TempFilesIn(dir_.path()).empty());
}

TEST_F(HeadlessScan, SplitFileLinkedToTheOutputIsRefusedWithStatusOne) {
  WriteFile(dir_ / "out.pgn", "old output");
  for (bool hard : {false, true}) {
    SCOPED_TRACE(hard ? "hard link" : "symbolic link");
    ::unlink((dir_ / "out2.pgn").c_str());
    ASSERT_EQ(hard ? ::link((dir_ / "out.pgn").c_str(), (dir_ / "out2.pgn").c_str())
                   : ::symlink("out.pgn", (dir_ / "out2.pgn").c_str()),
              0);
    ProcessResult r = Scan({"--input", "in.pgn", "--output", "out.pgn", "--split", "--yes"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, "Output and split file cannot be the same file\n");
    EXPECT_EQ(Out(), "old output");
  }
}

TEST_F(HeadlessScan, KilledRunLeavesTheOldOutputWholeAndTheNextRunClearsUp) {
  std::string games, passed, failed;
  while (games.size() < (1u << 20)) {
    games += kGameA + kGameB;
    passed += kOutB;
    failed += kOutA;
  }
  WriteFile(dir_ / "big.pgn", games);
  WriteFile(dir_ / "out.pgn", "old output");
  WriteFile(dir_ / "out2.pgn", "old split");
  const Args args = {"--input", "big.pgn", "--output",  "out.pgn",
                     "--split", "--yes",   "--without", "e4"};
  ProcessResult r;
  {
    // Past 64 KiB a write raises SIGXFSZ, which ends the program as a kill would.
    ScopedLimit limit(RLIMIT_FSIZE, 64 * 1024);
    ASSERT_TRUE(limit.ok());
    r = Scan(args);
  }
  EXPECT_EQ(r.status, 128 + SIGXFSZ);
  EXPECT_EQ(Out(), "old output");
  EXPECT_EQ(Out("out2.pgn"), "old split");
  const std::vector<std::string> left = TempFilesIn(dir_.path());
  EXPECT_GE(left.size(), 1u);
  EXPECT_LE(left.size(), 2u);  // at most one beside each output

  r = Scan(args);
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_TRUE(TempFilesIn(dir_.path()).empty());
  EXPECT_TRUE(Out() == passed);
  EXPECT_TRUE(Out("out2.pgn") == failed);
}

#if defined(__SANITIZE_ADDRESS__)
constexpr bool kSanitized = true;  // the sanitizer reserves terabytes and pads every block
#else
constexpr bool kSanitized = false;
#endif

TEST_F(HeadlessScan, RunningOutOfMemoryIsATerminatingErrorThatKeepsTheGames) {
  if (kSanitized) GTEST_SKIP() << "memory limits do not apply under the sanitizer";
  // The games, then a tail of NUL bytes with no line end (a file cut short by a crash):
  // 3 GiB, which the file holds as a hole, so it takes no disk space.
  const std::string games = kGameA + kGameB + kGameC + kGameD;
  WriteFile(dir_ / "tail.pgn", games);
  ASSERT_EQ(::truncate((dir_ / "tail.pgn").c_str(), (off_t{3} << 30)), 0);
  struct Case {
    std::string input;
    std::string out;
    std::string out2;
  };
  const Case cases[] = {
      {"tail.pgn", kOutA + kOutC + kOutD, kOutB},
      {"/dev/zero", "", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.input);
    ProcessResult r;
    {
      ScopedLimit limit(RLIMIT_AS, rlim_t{768} << 20);
      ASSERT_TRUE(limit.ok());
      // Games may be larger than the memory: the line is read until the memory runs out.
      r = Scan({"--input", c.input, "--output", "out.pgn", "--split", "--yes", "--contains", "e4",
                "--quiet", "--max-game-size", "4000"});
    }
    EXPECT_EQ(r.status, 231);
    EXPECT_EQ(r.err, "Terminating error: out of memory\n");
    EXPECT_TRUE(Out() == c.out);
    EXPECT_TRUE(Out("out2.pgn") == c.out2);
  }
}

TEST_F(HeadlessScan, AGameLargerThanTheLimitEndsTheScanAfterTheGamesBeforeIt) {
  // Over 1 MB of moves in game 2: the option's limit, from the command line or the settings.
  std::string moves = "1.e4";
  while (moves.size() <= 1000000) moves += " e5 Nf3 Nf6";
  WriteFile(dir_ / "big.pgn", kGameA + "[Event \"Big\"]\n\n" + moves + "\n\n" + kGameB);
  std::string small = kEmptyCriteria;
  small.insert(small.find("[Booleans]"), "MaxGameSize=1\n");
  WriteFile(dir_ / "small.ini", small);
  const Args args = {"--input", "big.pgn", "--output", "out.pgn", "--yes"};
  Args option = args;
  option.insert(option.end(), {"--max-game-size", "1"});
  for (const ProcessResult& r : {Scan(option), Scan(args, "small.ini")}) {
    EXPECT_EQ(r.status, 231);
    EXPECT_EQ(r.err, "Terminating error: Game 2 is larger than 1 MB\n");
    EXPECT_TRUE(Out() == kOutA);
  }
  const ProcessResult r = Scan(args);  // 256 MB
  EXPECT_EQ(r.status, 0) << r.err;
}

TEST_F(HeadlessScan, UnderAnyMemoryLimitACompressedInputEndsWholeOrOutOfMemory) {
  if (kSanitized) GTEST_SKIP() << "memory limits do not apply under the sanitizer";
  // Every allocation and thread start on every thread may fail somewhere in this sweep: the
  // decoder's, its thread's, the chunks' and their threads'.
  std::string plain, expected;
  for (int i = 0; i < 20000; ++i) {
    plain += kGameB + kGameC;
    expected += kOutB + kOutC;
  }
  const std::pair<const char*, std::string> forms[] = {
      {"zstd", Zstd(plain)}, {"gzip", Gzip(plain)}, {"bzip2", Bzip2(plain)}, {"xz", Xz(plain)}};
  for (const auto& [form, bytes] : forms) {
    SCOPED_TRACE(form);
    WriteFile(dir_ / "in.pgn", bytes);
    int outOfMemory = 0, completed = 0;
    for (rlim_t mb = 40; mb <= 200; mb += 4) {
      SCOPED_TRACE(mb);
      ::unlink((dir_ / "out.pgn").c_str());
      ProcessResult r, started;
      {
        ScopedLimit limit(RLIMIT_AS, mb << 20);
        ASSERT_TRUE(limit.ok());
        started = Scan({"--help"});
        r = Scan({"--input", "in.pgn", "--output", "out.pgn", "--yes", "--quiet"});
      }
      if (started.status != 0) continue;  // too little to load the program and its libraries
      EXPECT_TRUE(TempFilesIn(dir_.path()).empty());
      if (r.status == 0) {
        ++completed;
        EXPECT_TRUE(Out() == expected);
      } else {
        ++outOfMemory;
        EXPECT_EQ(r.status, 231);
        EXPECT_EQ(r.err.rfind("Terminating error: out of memory", 0), 0u) << r.err;
      }
    }
    EXPECT_GT(outOfMemory, 0);
    EXPECT_GT(completed, 0);
  }
}

// The most memory the program took, in bytes, for one headless scan of input.
size_t PeakMemory(const std::string& dir, const std::string& input) {
  // The measure is taken in a child of the test, whose only child is that one run.
  int pipeFd[2];
  if (::pipe(pipeFd) != 0) return 0;
  pid_t pid = ::fork();
  if (pid == 0) {
    ProcessResult r = RunKelvane({"--scan", "--settings", "empty.ini", "--input", input, "--output",
                                  "peak.pgn", "--yes", "--quiet"},
                                 dir);
    rusage usage{};
    ::getrusage(RUSAGE_CHILDREN, &usage);
    long peak = r.status == 0 ? usage.ru_maxrss : 0;  // KiB
    ssize_t written = ::write(pipeFd[1], &peak, sizeof peak);
    ::_exit(written == sizeof peak ? 0 : 1);
  }
  ::close(pipeFd[1]);
  long peak = 0;
  if (::read(pipeFd[0], &peak, sizeof peak) != sizeof peak) peak = 0;
  ::close(pipeFd[0]);
  ::waitpid(pid, nullptr, 0);
  return static_cast<size_t>(peak) * 1024;
}

TEST_F(HeadlessScan, OneHugeGameCostsAFewTimesItsSize) {
  if (kSanitized) GTEST_SKIP() << "the sanitizer keeps freed memory";
  // The measure includes what this test holds when it starts the program: the files are
  // written piece by piece.
  const size_t base = PeakMemory(dir_.path(), "in.pgn");
  ASSERT_GT(base, 0u);
  constexpr size_t kSize = 48u << 20;
  using Piece = std::function<std::string(size_t)>;  // the piece that follows `size` bytes
  struct Case {
    const char* what;
    std::string head;
    Piece body;
    std::string tail;
    double times;  // the most it may cost, in multiples of its size
  };
  int n = 1;
  const Case cases[] = {
      // The text is held twice: the game as read, and the parser's working copy, which
      // becomes the normalised text.
      {"a comment", "[Event \"C\"]\n\n1.e4 {", [](size_t) { return std::string(1 << 16, 'c'); },
       "} e5 1-0\n", 2.5},
      {"an odd line", "[Event \"J\"]\n\n", [](size_t) { return std::string(1 << 16, 'z'); },
       "\n1.e4 1-0\n", 2.5},
      // Numbered moves on one line, as dense as real games: add 16 bytes for each move.
      {"moves", "[Event \"M\"]\n\n",
       [&n](size_t) {
         std::string s;
         for (; s.size() < (1u << 16); n += 2)
           s += std::to_string(n) + ".Nf3 Nf6 " + std::to_string(n + 1) + ".Ng1 Ng8 ";
         return s;
       },
       "1/2-1/2\n", 4.5},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    size_t size = 0;
    {
      std::ofstream f(dir_ / "huge.pgn", std::ios::binary | std::ios::trunc);
      f << c.head;
      while (size < kSize) {
        const std::string piece = c.body(size);
        f << piece;
        size += piece.size();
      }
      f << c.tail;
      size += c.head.size() + c.tail.size();
    }
    const size_t peak = PeakMemory(dir_.path(), "huge.pgn");
    ASSERT_GT(peak, 0u);
    EXPECT_LE(double(peak - std::min(peak, base)), c.times * double(size))
        << peak / 1048576 << " MiB at the peak, " << base / 1048576 << " MiB for a small file";
  }
}

// The built program, beside this test's folder in the build tree.
std::string ProgramPath() {
  std::error_code ec;
  const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", ec);
  const std::filesystem::path program = self.parent_path().parent_path() / "app" / "kelvane";
  return ec || !std::filesystem::exists(program) ? std::string() : program.string();
}

TEST_F(HeadlessScan, ReportThatCannotBeWrittenIsATerminatingError) {
  const std::string program = ProgramPath();
  if (program.empty()) GTEST_SKIP() << "program not found";
  WriteFile(dir_ / "odd.pgn", "[Event \"O\"]\n\nodd\n1.e4 *\n\n" + kGameB);
  const std::string scan =
      "exec \"$0\" --scan --settings empty.ini --input odd.pgn --output out.pgn --yes";
  struct Case {
    const char* redirect;
    std::string err;
  };
  const Case cases[] = {
      {">/dev/full",
       "odd line: \"odd\"\nTerminating error: An I/O error has occurred at 201. The result code "
       "is 28\n"},
      {">&-",
       "odd line: \"odd\"\nTerminating error: An I/O error has occurred at 201. The result code "
       "is 9\n"},
      // Without standard error the messages are lost, never written into a game file.
      {">&- 2>&-", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.redirect);
    ::unlink((dir_ / "out.pgn").c_str());
    ProcessResult r = RunProcess("/bin/sh", {"-c", scan + " " + c.redirect, program}, dir_.path());
    EXPECT_EQ(r.status, 231);
    EXPECT_EQ(r.err, c.err);
    EXPECT_EQ(Out(), "[Event \"O\"]\r\n\r\nodd\r\n1.e4 *\r\n\r\n" + kOutB);
  }
  // --quiet writes no report, so nothing can fail.
  ProcessResult r =
      RunProcess("/bin/sh", {"-c", scan + " --quiet >/dev/full", program}, dir_.path());
  EXPECT_EQ(r.status, 0);
}

std::string ZstdOf(const std::string& plain) {
  std::string out(ZSTD_compressBound(plain.size()), '\0');
  out.resize(ZSTD_compress(out.data(), out.size(), plain.data(), plain.size(), 3));
  return out;
}

TEST_F(HeadlessScan, CompressedInputIsToldByItsContentAndWrittenPlain) {
  std::string games;
  for (int i = 0; i < 20000; ++i) games += kGameA + kGameB;
  WriteFile(dir_ / "big.pgn", games);
  ASSERT_EQ(Scan({"--input", "big.pgn", "--output", "plain.pgn", "--without", "e4"}).status, 0);
  // Named like a plain file: the content decides.
  WriteFile(dir_ / "big.data", ZstdOf(games));
  ProcessResult r = Scan({"--input", "big.data", "--output", "out.pgn", "--without", "e4"});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, "40000 games read from big.data\n20000 games written to out.pgn\n");
  EXPECT_TRUE(Out() == Out("plain.pgn"));

  // Cut: the message names the file and what is wrong; no output is written.
  const std::string whole = ZstdOf(games);
  WriteFile(dir_ / "cut.pgn.zst", whole.substr(0, whole.size() / 2));
  r = Scan({"--input", "cut.pgn.zst", "--output", "cut.pgn", "--without", "e4"});
  EXPECT_EQ(r.status, 231);
  EXPECT_EQ(r.err,
            "Terminating error: cut.pgn.zst is damaged: zstd data: the data ends in the "
            "middle; no output was written\n");
  EXPECT_FALSE(Exists(dir_ / "cut.pgn"));
}

TEST_F(HeadlessScan, DashReadsStandardInputAndWritesStandardOutput) {
  const std::string kelvane = KelvanePath();
  ProcessResult r = RunProcess("/bin/sh",
                               {"-c", "'" + kelvane +
                                          "' --scan --settings empty.ini "
                                          "--input - --output - --without e4 < in.pgn"},
                               dir_.path());
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, kOutB);  // the games, and nothing else
  EXPECT_EQ(r.err, "4 games read from -\n1 games written to -\n");
  r = Scan({"--input", "in.pgn", "--output", "-", "--split"});
  EXPECT_EQ(r.status, 2);
  EXPECT_NE(r.err.find("--split"), std::string::npos);
}

TEST_F(HeadlessScan, SettingsFileIsReadAndNeverWritten) {
  // Criteria, names and folders from the file; its odd layout must survive untouched.
  const std::string settings =
      "; my settings\r\n[Strings]\r\n1=in.pgn\r\n2=from-settings.pgn\r\n3=" + dir_.path() +
      "\r\n4=" + dir_.path() +
      "\r\n7=\r\n8=\r\n9=\r\n10=\r\n 11 = ..c5 \r\n[Integers]\r\n8=1\r\n"
      "9=15\r\n[Booleans]\r\nRadNota=0\r\n[Mine]\r\nkeep=this\r\n";
  WriteFile(dir_ / "my.ini", settings);
  struct stat before;
  ASSERT_EQ(::stat((dir_ / "my.ini").c_str(), &before), 0);
  ProcessResult r = Scan({}, dir_ / "my.ini");
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, "4 games read from in.pgn\n3 games written to from-settings.pgn\n");
  EXPECT_EQ(Out("from-settings.pgn"), kOutA + kOutB + kOutD);
  EXPECT_EQ(ReadFile(dir_ / "my.ini"), settings);

  // Options replace what the file says; the file stays as it was.
  r = Scan({"--without", "", "--output", "other.pgn"}, dir_ / "my.ini");
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, "4 games read from in.pgn\n4 games written to other.pgn\n");
  EXPECT_EQ(ReadFile(dir_ / "my.ini"), settings);
  struct stat after;
  ASSERT_EQ(::stat((dir_ / "my.ini").c_str(), &after), 0);
  EXPECT_EQ(after.st_mtim.tv_sec, before.st_mtim.tv_sec);
  EXPECT_EQ(after.st_mtim.tv_nsec, before.st_mtim.tv_nsec);

  // A settings file that is not there.
  r = Scan({"--input", "in.pgn", "--output", "out.pgn"}, dir_ / "none.ini");
  EXPECT_EQ(r.status, 2);
  EXPECT_FALSE(Exists(dir_ / "none.ini"));
  EXPECT_FALSE(Exists(dir_ / "out.pgn"));
}

TEST_F(HeadlessScan, QuotedLinesAreCutAndTheirControlCharactersEscaped) {
  const std::string longLine = "\x1b[2J" + std::string(5 << 20, 'z');
  WriteFile(dir_ / "odd.pgn", "[Event \"O\"]\n\n" + longLine +
                                  "\n1.e4 *\n\n[Event \"x\x1b]0;t\x07\"]\n\n1.d4 *\n\n" +
                                  "\x1b[31mred\n");
  ProcessResult r = Scan({"--input", "odd.pgn", "--output", "out.pgn"});
  EXPECT_EQ(r.status, 231);
  // 196 bytes of the line follow its 4-byte escape sequence.
  EXPECT_EQ(r.err, "odd line: \"\\x1B[2J" + std::string(196, 'z') + "... (" +
                       std::to_string(longLine.size() - 200) + " more bytes)\"\n" +
                       "invalid PGN: \\x1B[31mred\n" + kAdvice + "Terminating error: trap 7365\n");
  // The files keep every byte.
  EXPECT_TRUE(Out() == "[Event \"O\"]\r\n\r\n" + longLine +
                           "\r\n1.e4 *\r\n\r\n[Event \"x\x1b]0;t\x07\"]\r\n\r\n1.d4 *\r\n\r\n");
}

TEST_F(HeadlessScan, QuietLeavesOutTheReportAndTheNotices) {
  WriteFile(dir_ / "odd.pgn", "[Event \"O\"]\n\n23.Kh1 Qe1\n1.e4\n");
  ProcessResult r = Scan({"--input", "odd.pgn", "--output", "out.pgn"});
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.err, "odd line: \"23.Kh1 Qe1\"\n");
  EXPECT_EQ(r.out, "1 games read from odd.pgn\n1 games written to out.pgn\n");

  r = Scan({"--input", "odd.pgn", "--output", "out.pgn", "--yes", "--quiet"});
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.err, "");
  EXPECT_EQ(r.out, "");
  EXPECT_EQ(Out(), "[Event \"O\"]\r\n\r\n23.Kh1 Qe1\r\n1.e4\r\n\r\n");

  // Errors still show.
  r = Scan({"--input", "missing.pgn", "--output", "out.pgn", "--yes", "--quiet"});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err, "File missing.pgn not found\n");
}

TEST_F(HeadlessScan, ProgressGoesToStandardErrorOnly) {
  ProcessResult r = Scan({"--input", "in.pgn", "--output", "out.pgn", "--progress"});
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, "4 games read from in.pgn\n4 games written to out.pgn\n");
  EXPECT_NE(r.err.find("161 B of 161 B (100%), 4 games"), std::string::npos) << r.err;
  EXPECT_EQ(Out(), kOutA + kOutB + kOutC + kOutD);
}

TEST_F(HeadlessScan, CriteriaOptionsDecideTheGames) {
  struct Case {
    const char* what;
    Args criteria;
    std::string out;
  };
  const Case cases[] = {
      {"no criteria", {}, kOutA + kOutB + kOutC + kOutD},
      {"a condition", {"--cond1", "Nf3 > e4", "--cond1-range", "1-15"}, kOutA + kOutC},
      {"a condition with its range", {"--cond1", "e4 < Nf3", "--cond1-range", "2-15"}, ""},
      // Notation sets its own range, moves 2 to 2: D plays Nf3 at move 1.
      {"Notation Must contain", {"--contains", "2.Nf3"}, kOutA + kOutC},
      {"Notation with a range given",
       {"--contains", "2.Nf3", "--contains-range", "1-5"},
       kOutA + kOutC + kOutD},
      {"Notation sequence", {"--contains", "1.e4 e5 2.Nf3"}, kOutA},
      // In Moves form the order does not matter: D has the same moves.
      {"Notation converted to Moves", {"--contains", "1.e4 e5 2.Nf3", "--moves"}, kOutA + kOutD},
      {"Moves form", {"--contains", "Nf3 ..e5"}, kOutA + kOutD},
      {"Without", {"--without", "e4"}, kOutB},
      {"Without, range from move 2",
       {"--without", "e4", "--without-range", "2-15"},
       kOutA + kOutB + kOutC},
      {"Without a black move", {"--without", "..c5 ..d5"}, kOutA + kOutD},
      {"an empty text clears", {"--without", "e4", "--without", ""}, kOutA + kOutB + kOutC + kOutD},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    ProcessResult r = ScanWith(c.criteria);
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(Out(), c.out);
  }
}

TEST_F(HeadlessScan, EmptyCriterionFromTheCommandLineClearsTheSettings) {
  WriteFile(dir_ / "strict.ini",
            "[Strings]\n7=Kh1 < Qe1\n8=\n9=\n10=1.e4 c5\n11=..e6\n"
            "[Integers]\n0=1\n1=15\n6=1\n7=1\n8=1\n9=15\n[Booleans]\nRadNota=1\n");
  ProcessResult r = Scan({"--input", "in.pgn", "--output", "out.pgn"}, "strict.ini");
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, "4 games read from in.pgn\n0 games written to out.pgn\n");
  r = Scan({"--input", "in.pgn", "--output", "out.pgn", "--yes", "--cond1", "", "--contains", ""},
           "strict.ini");
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(Out(), kOutA + kOutB + kOutC + kOutD);
  r = Scan({"--input", "in.pgn", "--output", "out.pgn", "--yes", "--cond1", ""}, "strict.ini");
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(Out(), kOutC);
}

TEST_F(HeadlessScan, TagLinesGivenReplaceThoseOfTheSettingsAndAnEmptyOneClearsThem) {
  WriteFile(dir_ / "tagged.ini", kEmptyCriteria + "[Header]\nLine1=Event = A|C\n");
  const struct {
    Args tags;
    std::string out;
  } cases[] = {
      {{}, kOutA + kOutC},
      {{"--tag", "Event = B|C"}, kOutB + kOutC},
      {{"--tag", "Event = A|B", "--tag", "Result = 1-0"}, kOutA},  // all must pass
      {{"--tag", ""}, kOutA + kOutB + kOutC + kOutD},
      {{"--tag", "", "--tag", "Event != A"}, kOutB + kOutC + kOutD},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(::testing::PrintToString(c.tags));
    Args args = {"--input", "in.pgn", "--output", "out.pgn", "--yes"};
    args.insert(args.end(), c.tags.begin(), c.tags.end());
    ProcessResult r = Scan(args, "tagged.ini");
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(Out(), c.out);
  }
}

// A generated game: its tags (an empty text is a tag it lacks), the time class its
// TimeControl stands for, and its number of half-moves.
struct GeneratedGame {
  std::string black, date, whiteElo, timeControl, timeClass;
  int plies = 0;

  // The game as a file holds it, its lines ended by eol. The moves shuffle the knights.
  std::string Text(const std::string& eol) const {
    std::string text = "[White \"X\"]" + eol;
    for (const auto& [name, value] : {std::pair{"Black", black},
                                      {"Date", date},
                                      {"WhiteElo", whiteElo},
                                      {"TimeControl", timeControl}})
      if (!value.empty()) text += std::string("[") + name + " \"" + value + "\"]" + eol;
    text += eol;
    static const char* const kMoves[] = {"Nf3", "Nf6", "Ng1", "Ng8"};
    for (int ply = 0; ply < plies; ++ply)
      text += (ply % 2 ? "" : std::to_string(ply / 2 + 1) + ".") + kMoves[ply % 4] +
              (ply % 16 == 15 ? eol : " ");
    return text + "*" + eol + eol;
  }
  bool Carlsen() const {
    std::string lower = black;
    for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return lower.find("carlsen") != std::string::npos;
  }
};

TEST_F(HeadlessScan, TagLinesSelectTheGamesAnIndependentCountSelects) {
  std::mt19937 random(20260);
  auto pick = [&random](const auto& values) {
    return values[std::uniform_int_distribution<size_t>(0, std::size(values) - 1)(random)];
  };
  const char* const names[] = {"Carlsen, Magnus", "CARLSEN, M.", "Caruana, Fabiano", ""};
  const char* const dates[] = {"", "2022.12.31", "2023.01.01", "2023.06.15"};
  const char* const elos[] = {"", "?", "2399", "2400", "2700"};
  // TimeControl and its class: base + 40 x increment seconds, "-" correspondence.
  const std::pair<const char*, const char*> clocks[] = {
      {"", ""},           {"?", ""},          {"-", "correspondence"}, {"15+0", "ultrabullet"},
      {"60+0", "bullet"}, {"180+2", "blitz"}, {"300", "blitz"},        {"600+5", "rapid"}};
  std::vector<GeneratedGame> games(400);
  std::string corpus;
  for (GeneratedGame& g : games) {
    const auto clock = pick(clocks);
    g = {pick(names), pick(dates),  pick(elos),
         clock.first, clock.second, std::uniform_int_distribution<int>(0, 60)(random)};
    corpus += g.Text("\n");
  }
  WriteFile(dir_ / "tags.pgn", corpus);

  const struct {
    Args lines;
    std::function<bool(const GeneratedGame&)> passes;
  } cases[] = {
      {{"WhiteElo >= 2400", "Black ~ carlsen", "Plies < 30"},
       [](const GeneratedGame& g) {
         return (g.whiteElo == "2400" || g.whiteElo == "2700") && g.Carlsen() && g.plies < 30;
       }},
      // A missing tag passes a line that says what the tag must not be.
      {{"Black !~ Carlsen"}, [](const GeneratedGame& g) { return !g.Carlsen(); }},
      {{"TimeClass = blitz|ultrabullet", "Date >= 2023.01.01"},
       [](const GeneratedGame& g) {
         return (g.timeClass == "blitz" || g.timeClass == "ultrabullet") && g.date >= "2023";
       }},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(::testing::PrintToString(c.lines));
    Args args = {"--input", "tags.pgn", "--output", "out.pgn", "--yes"};
    for (const std::string& line : c.lines) args.insert(args.end(), {"--tag", line});
    std::string expected;
    size_t count = 0;
    for (const GeneratedGame& g : games)
      if (c.passes(g)) expected += g.Text("\r\n"), ++count;
    ProcessResult r = Scan(args);
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "400 games read from tags.pgn\n" + std::to_string(count) +
                         " games written to out.pgn\n");
    EXPECT_TRUE(Out() == expected) << "not the games the count selects";
    EXPECT_GT(count, 0u);
  }
}

TEST_F(HeadlessScan, SampleFileIsWrittenBackCleanedWithCrLf) {
  const std::string sample = SourcePath("samples/classics.pgn");
  if (!Exists(sample)) GTEST_SKIP() << "no sample file";
  ProcessResult r = Scan({"--input", sample, "--output", "out.pgn"});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, "36 games read from classics.pgn\n36 games written to out.pgn\n");
  EXPECT_EQ(r.err, "");
  // The sample is clean, one empty line between blocks and LF line ends: the output is
  // the same lines with CR LF and an empty line after the last game.
  std::string expected;
  for (char c : ReadFile(sample)) {
    if (c == '\n') expected += '\r';
    expected += c;
  }
  expected += "\r\n";
  EXPECT_TRUE(Out() == expected);

  // Black's move number as books write it: Notation, with the range it sets (5 to 6).
  r = ScanWith({"--input", sample, "--contains", "5...a6 6.Bg5 e6"});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, "36 games read from classics.pgn\n1 games written to out.pgn\n");

  // Two of the Sicilians play the Najdorf up to 5...a6, none goes on with 6.f4.
  r = ScanWith({"--input", sample, "--split", "--contains",
                "1.e4 c5 2.Nf3 d6 3.d4 cxd4 4.Nxd4 Nf6 5.Nc3 a6"});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out,
            "36 games read from classics.pgn\n2 games written to out.pgn\n34 games written to "
            "out2.pgn\n");
  r = ScanWith(
      {"--input", sample, "--contains", "1.e4 c5 2.Nf3 d6 3.d4 cxd4 4.Nxd4 Nf6 5.Nc3 a6 6.f4"});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, "36 games read from classics.pgn\n0 games written to out.pgn\n");
  EXPECT_EQ(Out(), "");
}

TEST_F(HeadlessScan, RealGameFilesScanToTheirEndOrTrap) {
  const std::string corpus = CorpusDir();
  if (corpus.empty()) GTEST_SKIP() << "no corpus";
  struct Case {
    const char* file;
    int status;
    std::string out;
  };
  const Case cases[] = {
      {"checkmate-puzzles.pgn", 0,
       "27 games read from checkmate-puzzles.pgn\n27 games written to out.pgn\n"},
      {"mate-in-2.pgn", 0, "166 games read from mate-in-2.pgn\n166 games written to out.pgn\n"},
      // An empty line inside a comment ends the block; the rest of the comment then
      // stands where a tag line should be.
      {"practice-zugzwang.pgn", 231, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.file);
    if (!Exists(corpus + c.file)) continue;
    ProcessResult r = ScanWith({"--input", corpus + c.file, "--quiet"});
    EXPECT_EQ(r.status, c.status) << r.err;
    EXPECT_EQ(r.out, "");  // quiet
    r = ScanWith({"--input", corpus + c.file});
    EXPECT_EQ(r.status, c.status);
    EXPECT_EQ(r.out, c.out);
    if (c.status == 231) {
      EXPECT_NE(r.err.find("Terminating error: trap 7365"), std::string::npos);
    }
    // Every written line ends in CR LF.
    const std::string out = Out();
    for (size_t i = out.find('\n'); i != std::string::npos; i = out.find('\n', i + 1))
      ASSERT_TRUE(i > 0 && out[i - 1] == '\r') << "at " << i;
  }
  // A file whose moves start later and with odd lines still scans to its end.
  const std::string lessons = corpus + "game-puzzles-lessons.pgn";
  if (Exists(lessons)) {
    ProcessResult r = ScanWith({"--input", lessons});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.err.find("odd line: \""), std::string::npos);
  }
}

TEST_F(HeadlessScan, NamesAndInputsThatHidTheirMessageAreShownReadably) {
  ::mkdir((dir_ / "folder").c_str(), 0755);
  const std::string longName = std::string(240, 'n') + ".zst", zst = ZstdOf(kGameA + kGameB);
  const std::string blanks(3 << 20, '\n'),
      noGame = "0 games read from blank.pgn\n0 games written to out.pgn\n";
  struct Case {
    std::string input, bytes;  // the input file and what it holds
    Args more;
    int status;
    std::string shown;  // on standard output and error
  };
  const Case cases[] = {
      // A byte-order mark is shown, with the way past the stop.
      {"bom.pgn",
       "\xEF\xBB\xBF" + kGameA,
       {},
       231,
       "invalid PGN: \\xEF\\xBB\\xBF[Event \"A\"]\n" + kAdvice + "Terminating error: trap 7365\n"},
      // Empty lines only, a few or enough for the scan in chunks, hold no game.
      {"blank.pgn", "\n \n\t\r\n\n", {}, 0, noGame},
      {"blank.pgn", blanks, {}, 0, noGame},
      {"blank.pgn", blanks, {"--tolerant"}, 0, noGame},
      // A line break in a name does not split a line of the report.
      {"a\nb.pgn", kGameB, {}, 0, "1 games read from a\\x0Ab.pgn\n1 games written to out.pgn\n"},
      {"in.pgn",
       kGameB,
       {"--settings", "folder"},
       2,
       "kelvane: settings file folder is a folder\n"},
      // A long name is cut in its middle; what went wrong is kept whole.
      {longName,
       zst.substr(0, zst.size() - 2),
       {},
       231,
       "Terminating error: " + longName.substr(0, 91) + "..." + longName.substr(240 - 87) +
           " is damaged: zstd data: the data ends in the middle; no output was written\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.input + " " + ::testing::PrintToString(c.more));
    WriteFile(dir_ / c.input, c.bytes);
    ::unlink((dir_ / "out.pgn").c_str());
    Args args = {"--input", c.input, "--output", "out.pgn"};
    args.insert(args.end(), c.more.begin(), c.more.end());
    ProcessResult r = Scan(args);
    EXPECT_EQ(r.status, c.status);
    EXPECT_EQ(r.out + r.err, c.shown);
    EXPECT_TRUE(c.status != 0 || Out() == (c.input == "blank.pgn" ? "" : kOutB));
  }
}

// True once process pid runs kelvane, with its stop signals caught, and waits.
bool WaitsWithStopSignalsCaught(pid_t pid) {
  const std::string proc = "/proc/" + std::to_string(pid);
  std::error_code ec;
  if (!std::filesystem::equivalent(proc + "/exe", KelvanePath(), ec)) return false;
  std::ifstream status(proc + "/status");
  bool sleeping = false, caught = false;
  for (std::string line; std::getline(status, line);) {
    if (line.rfind("State:\tS", 0) == 0) sleeping = true;
    if (line.rfind("SigCgt:\t", 0) == 0)
      caught = (std::stoull(line.substr(8), nullptr, 16) >> (SIGTERM - 1)) & 1;
  }
  return sleeping && caught;
}

// The input is a named pipe that nobody opens for writing, or whose writer stops inside a
// game; SIGTERM comes while the scan waits for it, SIGKILL ten seconds later.
TEST_F(HeadlessScan, StopSignalEndsAScanThatWaitsForItsInputAtOnce) {
  ::signal(SIGPIPE, SIG_IGN);
  const std::string fifo = dir_ / "games.fifo", stalled = kGameB + kGameB + "[Event \"C\"]\n\n1.";
  for (const std::string& bytes : {std::string(), stalled, ZstdOf(stalled)}) {
    std::remove(fifo.c_str());
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    std::atomic<bool> ended = false;
    std::thread writer([&] {
      if (bytes.empty()) return;
      const int fd = ::open(fifo.c_str(), O_WRONLY);
      EXPECT_EQ(::write(fd, bytes.data(), bytes.size()), ssize_t(bytes.size()));
      while (!ended) ::usleep(10000);
      ::close(fd);
    });
    std::thread stopper;
    auto stop = [&](pid_t pid, const ProcessResult&) {
      if (stopper.joinable()) return;
      stopper = std::thread([&ended, pid] {
        for (int t = 0; t < 1000 && !ended && !WaitsWithStopSignalsCaught(pid); ++t)
          ::usleep(10000);
        if (!ended) ::kill(pid, SIGTERM);
        for (int t = 0; t < 1000 && !ended; ++t) ::usleep(10000);
        if (!ended) ::kill(pid, SIGKILL);
      });
    };
    // The shell's line tells the program's process id: the shell becomes the program.
    ProcessResult r = RunProcess("/bin/sh",
                                 {"-c",
                                  "echo >&2; exec \"$0\" --scan --settings empty.ini --input "
                                  "games.fifo --output out.pgn --yes",
                                  KelvanePath()},
                                 dir_.path(), stop);
    ended = true;
    ::close(::open(fifo.c_str(), O_RDONLY | O_NONBLOCK));  // a writer still waiting goes on
    if (stopper.joinable()) stopper.join();
    writer.join();
    EXPECT_EQ(r.status, 128 + SIGTERM) << r.err;
    const std::string n = r.out.substr(0, r.out.find(' '));
    EXPECT_EQ(r.out, n + " games read from games.fifo\n" + n + " games written to out.pgn\n");
    EXPECT_NE(r.err.find("Scan cancelled after " + n + " games\n"), std::string::npos) << r.err;
    std::string whole;
    for (int g = 0; g < std::atoi(n.c_str()); ++g) whole += kOutB;
    EXPECT_EQ(Out(), whole);
  }
}

TEST_F(HeadlessScan, ReaderOfStandardOutputGoingAwayEndsTheScanQuietlyAsSigpipeDoes) {
  std::string games;
  for (int i = 0; i < 4000; ++i) games += kGameA;  // more than a pipe holds
  WriteFile(dir_ / "big.pgn", games);
  // The caller ignores SIGPIPE; the reader ends without reading.
  ProcessResult r =
      RunProcess("/bin/sh",
                 {"-c",
                  "trap '' PIPE; { \"$0\" --scan --settings empty.ini --input big.pgn "
                  "--output -; echo \"status $?\" >&2; } | true",
                  KelvanePath()},
                 dir_.path());
  EXPECT_EQ(r.err, "status 141\n");
}

TEST_F(HeadlessScan, ReportOnATerminalBeginsALineAfterTheProgressLine) {
  // script (util-linux) runs the scan on a terminal of its own and passes on what it shows.
  const ProcessResult r = RunProcess(
      "/usr/bin/script",
      {"-qec", KelvanePath() + " --scan --settings empty.ini --input in.pgn --output out.pgn",
       "/dev/null"},
      dir_.path());
  EXPECT_NE(r.out.find("4 games, "), std::string::npos) << r.out;  // the live line was drawn
  EXPECT_NE(r.out.find("\033[K\r\n4 games read from in.pgn\r\n"), std::string::npos) << r.out;
}

}  // namespace

TEST_F(HeadlessScan, ListOnStandardOutputSendsTheReportToStandardErrorAndNeedsAnOutputFile) {
  ProcessResult r = Scan({"--input", "in.pgn", "--output", "out.pgn", "--list", "-"});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out.substr(0, r.out.find('\n', r.out.find('\n') + 1) + 1),
            "Number\tWhite\tBlack\tResult\tDate\tEvent\tECO\tWhiteElo\tBlackElo\tPlies\tMatchedAt\n"
            "1\t\t\t1-0\t\tA\t\t\t\t5\t\n");
  EXPECT_EQ(std::count(r.out.begin(), r.out.end(), '\n'), 5);
  EXPECT_EQ(r.err, "4 games read from in.pgn\n4 games written to out.pgn\n");
  r = Scan({"--input", "in.pgn", "--output", "-", "--list", "-"});
  EXPECT_EQ(r.status, 2);
  EXPECT_EQ(r.out, "");
}

namespace {

TEST_F(HeadlessScan, PositionGivenSelectsGamesThatReachItAndAnEmptyOneClearsTheSettings) {
  // A and D reach one position by two move orders.
  const std::string afterNc6 = "r1bqkbnr/pppp1ppp/2n5/4p3/4P3/5N2/PPPP1PPP/RNBQKB1R w KQkq - 2 3";
  WriteFile(dir_ / "positions.ini", kEmptyCriteria + "[Positions]\nPosition=" + afterNc6 + "\n");
  const struct {
    Args options;
    int status;
    std::string out;
  } cases[] = {
      {{}, 0, kOutA + kOutD},
      {{"--position", "rnbqkbnr/pppppppp/8/8/4P3/8/PPPP1PPP/RNBQKBNR b"}, 0, kOutA + kOutC},
      {{"--position", ""}, 0, kOutA + kOutB + kOutC + kOutD},
      {{"--position", "", "--material", "QRRBBNNPPPPPPP v QRRBBNNPPPPPPPP"}, 0, ""},
      {{"--position", "8/8/8"}, 2, "(not written)"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(::testing::PrintToString(c.options));
    WriteFile(dir_ / "out.pgn", "(not written)");
    Args args = {"--input", "in.pgn", "--output", "out.pgn", "--yes"};
    args.insert(args.end(), c.options.begin(), c.options.end());
    ProcessResult r = Scan(args, "positions.ini");
    EXPECT_EQ(r.status, c.status) << r.err;
    EXPECT_EQ(Out(), c.out);
  }
  // A game whose moves cannot be read passes, as it passes the criteria on moves, when its
  // text names the squares the position needs.
  WriteFile(dir_ / "faulty.pgn", kGameB + "[Event \"E\"]\n\n1.e4 e5 2.Nf3 Nc6 {never closed\n\n" +
                                     "[Event \"F\"]\n\n1.e4 e5 2.Nf3 {never closed\n\n");
  ProcessResult r =
      Scan({"--input", "faulty.pgn", "--output", "out.pgn", "--yes", "--quiet"}, "positions.ini");
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(Out(), "[Event \"E\"]\r\n\r\n1.e4 e5 2.Nf3 Nc6 {never closed\r\n\r\n");
}

TEST_F(HeadlessScan, InputRepeatsAndTakesFolders) {
  ::mkdir((dir_ / "games").c_str(), 0755);
  ::mkdir((dir_ / "games/sub").c_str(), 0755);
  WriteFile(dir_ / "games/b.pgn", kGameB);
  WriteFile(dir_ / "games/sub/c.pgn", kGameC);
  const std::string folder = "2 games read from 2 files\n2 games written to out.pgn\n";
  struct Case {
    Args inputs;
    std::string out;  // standard output
    std::string games;
  };
  const std::vector<Case> cases = {
      {{"--input", "in.pgn", "--input", "games/b.pgn"},
       "5 games read from 2 files\n5 games written to out.pgn\n",
       kOutA + kOutB + kOutC + kOutD + kOutB},
      {{"--input", "games/", "--per-file"},
       "1 games read from b.pgn\n1 games written to out.pgn\n",
       kOutB},
      {{"--input", "games", "--recursive", "--per-file"},
       folder + "b.pgn: 1 games read, 1 selected\nsub/c.pgn: 1 games read, 1 selected\n",
       kOutB + kOutC},
  };
  for (const Case& c : cases) {
    Args args = c.inputs;
    args.insert(args.end(), {"--output", "out.pgn", "--yes"});
    const ProcessResult r = Scan(args);
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, c.out);
    EXPECT_EQ(Out(), c.games);
  }
  // Without --input, the inputs the window keeps in the settings.
  std::string several = kEmptyCriteria + "[Inputs]\nFile2=games/b.pgn\n";
  several.replace(0, 10, "[Strings]\n1=in.pgn\n3=" + dir_.path() + "\n");
  WriteFile(dir_ / "several.ini", several);
  const ProcessResult r = Scan({"--output", "out.pgn", "--yes"}, "several.ini");
  EXPECT_EQ(r.out, "5 games read from 2 files\n5 games written to out.pgn\n") << r.err;
}

}  // namespace

TEST_F(HeadlessScan, SummaryFollowsTheReportOnStandardOutputWhichItTakesAlone) {
  ProcessResult r = Scan({"--input", "in.pgn", "--output", "out.pgn", "--summary"});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out.substr(0, r.out.find("Years")),
            "4 games read from in.pgn\n4 games written to out.pgn\nSummary: 4 games\n"
            "Results: 1-0 1 (25.0%), 1/2-1/2 0 (0.0%), 0-1 0 (0.0%), * 3 (75.0%)\n"
            "White's score: 100.0%\n");  // only game A has a Result tag
  for (const Args& two : {Args{"--output", "-", "--summary"},
                          Args{"--output", "o.pgn", "--list", "-", "--summary-json", "-"}}) {
    Args args = {"--input", "in.pgn"};
    args.insert(args.end(), two.begin(), two.end());
    r = Scan(args);
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("(one standard output)"), std::string::npos) << r.err;
  }
}
