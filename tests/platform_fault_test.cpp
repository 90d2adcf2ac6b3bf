#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>
#include <ctime>
#include <fstream>
#include <optional>
#include <string>

#include "platform/fault.h"
#include "platform/io_result.h"
#include "platform/orderly_exit.h"
#include "scripted_dialogs.h"
#include "test_support.h"

using namespace kelvane;

namespace {

constexpr int kShellSees = kTrapExitCode & 255;  // 231
constexpr const char* kDirVar = "KELVANE_FAULT_TEST_DIR";

void AppendLine(const std::string& path, const std::string& line) {
  std::ofstream(path, std::ios::app) << line << "\n";
}

// The text of the fatal fault that f throws, or "" when it throws none.
template <typename F>
std::string FaultOf(F f) {
  try {
    f();
  } catch (const FatalError& e) {
    return e.what();
  }
  return "";
}

TEST(ReportTrap, ThrowsTheFaultWithItsText) {
  EXPECT_EQ(FaultOf([] { ReportTrap("no period in file name"); }), "no period in file name");
}

class FaultDeathTest : public ::testing::Test {
 protected:
  void SetUp() override { GTEST_FLAG_SET(death_test_style, "threadsafe"); }
};

TEST_F(FaultDeathTest, EndingOnAFaultShowsThePrefixedMessageAndExitsWith999) {
  EXPECT_EXIT(EndOnFatalError(FatalError("no period in file name")),
              ::testing::ExitedWithCode(kShellSees),
              "^Terminating error: no period in file name\n$");
}

TEST_F(FaultDeathTest, EndingOnAFaultBeepsShowsTheWholeMessageAndRunsExitStepsFirst) {
  SharedDir dir(kDirVar);
  const std::string log = dir / "log.txt";
  const std::string message(300, 'm');
  EXPECT_EXIT(
      {
        static ScopedScriptedDialogs scripted;
        AddExitStep([&] {
          for (const std::string& line : scripted.log) AppendLine(log, line);
          AppendLine(log, "exit step ran");
        });
        EndOnFatalError(FatalError(message));
        AppendLine(log, "after the end");  // must never run
      },
      ::testing::ExitedWithCode(kShellSees), "");
  const std::string shown = "Terminating error: " + message;
  EXPECT_EQ(ReadFile(log), "beep\nmessage: " + shown + "\nexit step ran\n");
}

TEST(CheckIO, TrapsWithStepAndResultCode) {
  EXPECT_EQ(FaultOf([] {
              SetIoResult(2);
              CheckIO(100);
            }),
            "An I/O error has occurred at 100. The result code is 2");
  EXPECT_EQ(FaultOf([] {
              SetIoResult(13);
              CheckIO(-7);
            }),
            "An I/O error has occurred at -7. The result code is 13");
  EXPECT_EQ(PeekIoResult(), 0);
}

TEST(CheckIO, NothingPendingDoesNothing) {
  ScopedScriptedDialogs scripted;
  TakeIoResult();
  CheckIO(100);
  EXPECT_TRUE(scripted.log.empty());
  EXPECT_EQ(PeekIoResult(), 0);
}

// Sets a file's access and modification times to a local date and time.
void SetLocalTime(const std::string& path, int year, int month, int day, int hour, int min,
                  int sec) {
  std::tm tm{};
  tm.tm_year = year - 1900;
  tm.tm_mon = month - 1;
  tm.tm_mday = day;
  tm.tm_hour = hour;
  tm.tm_min = min;
  tm.tm_sec = sec;
  tm.tm_isdst = -1;
  timespec times[2];
  times[0].tv_sec = times[1].tv_sec = std::mktime(&tm);
  times[0].tv_nsec = times[1].tv_nsec = 0;
  ASSERT_EQ(::utimensat(AT_FDCWD, path.c_str(), times, 0), 0) << path;
}

// Sets a file's modification time to the given local time of 1 March 2021.
void SetLocalMtime(const std::string& path, int hour, int min, int sec) {
  SetLocalTime(path, 2021, 3, 1, hour, min, sec);
}

TEST(CompareFileAges, ComparesAtTwoSecondSteps) {
  TempDir dir;
  const std::string a = dir / "a.pgn", b = dir / "b.pgn";
  WriteFile(a, "a");
  WriteFile(b, "b");
  struct Case {
    int aSec, bSec;  // seconds past 10:00 local time
    int expected;
  };
  const Case cases[] = {
      {0, 0, 0},     {2, 3, 0},         {3, 2, 0},  // one two-second step
      {1, 2, -1},    {2, 1, 1},                     // one second apart across an even second
      {0, 3600, -1}, {3600 * 5, 59, 1},             // hours apart
  };
  for (const Case& c : cases) {
    SetLocalMtime(a, 10 + c.aSec / 3600, (c.aSec / 60) % 60, c.aSec % 60);
    SetLocalMtime(b, 10 + c.bSec / 3600, (c.bSec / 60) % 60, c.bSec % 60);
    EXPECT_EQ(CompareFileAges(a, b), c.expected) << c.aSec << " vs " << c.bSec;
  }
  EXPECT_EQ(CompareFileAges(a, a), 0);
}

// Sets a file's modification time to noon local time of the given day.
void SetLocalDate(const std::string& path, int year, int month, int day) {
  SetLocalTime(path, year, month, day, 12, 0, 0);
}

TEST(CompareFileAges, OldFilesCompareByTheirWholeDate) {
  TempDir dir;
  const std::string a = dir / "a.pgn", b = dir / "b.pgn";
  WriteFile(a, "a");
  WriteFile(b, "b");
  struct Case {
    int aYear, aMonth, bYear, bMonth;
    int expected;
  } cases[] = {
      {1975, 12, 1979, 1, -1},                          // before 1980: the year still counts
      {1979, 1, 1975, 12, 1},  {1965, 6, 1969, 2, -1},  // before 1970 too
      {1969, 12, 1971, 1, -1}, {1960, 3, 2021, 3, -1}, {2021, 3, 1960, 3, 1}, {1975, 5, 1975, 5, 0},
  };
  for (const Case& c : cases) {
    SetLocalDate(a, c.aYear, c.aMonth, 1);
    SetLocalDate(b, c.bYear, c.bMonth, 1);
    EXPECT_EQ(CompareFileAges(a, b), c.expected)
        << c.aYear << "-" << c.aMonth << " vs " << c.bYear << "-" << c.bMonth;
  }
}

TEST(CompareFileAges, TrapsOnMissingFileOrDirectory) {
  TempDir dir;
  const std::string file = dir / "game.pgn";
  WriteFile(file, "x");
  const std::string missing = dir / "missing.pgn";
  EXPECT_EQ(FaultOf([&] { CompareFileAges(file, missing); }), "Logic #6538");
  EXPECT_EQ(FaultOf([&] { CompareFileAges(missing, file); }), "Logic #6538");
  EXPECT_EQ(FaultOf([&] { CompareFileAges(file, dir / ""); }), "Logic #6538");
  EXPECT_EQ(FaultOf([&] { CompareFileAges("", file); }), "Logic #6538");
}

}  // namespace
