// The headless scan's progress line: its text, and how often it is drawn.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "app/progress_line.h"

using namespace kelvane;

namespace {

TEST(ProgressText, SaysWhatIsReadTheGamesTheSpeedAndTheTimeLeft) {
  const uint64_t kMB = 1000 * 1000;  // decimal units: 1 MB = 10^6 bytes
  struct Case {
    ScanProgress progress;
    double seconds;
    const char* text;
  } cases[] = {
      {{0, 0, 0, 0, 0}, 0, "0 B, 0 games"},
      {{512, 0, 3, 0, 0}, 0, "512 B, 3 games"},
      {{1500, 0, 3, 0, 0}, 0, "1.5 kB, 3 games"},
      {{300 * kMB, 0, 5000, 1, 0}, 2, "300.0 MB, 5000 games, 150.0 MB/s"},  // a pipe: no size
      {{1000 * kMB, 3000 * kMB, 2000000, 7, 3},
       1,
       "1.0 GB of 3.0 GB (33%), 2000000 games, "
       "1000.0 MB/s, 0:02 left"},
      {{10 * kMB, 36010 * kMB, 9, 0, 0},
       10,
       "10.0 MB of 36.0 GB (0%), 9 games, 1.0 MB/s, "
       "10:00:00 left"},
      {{5 * kMB, 5 * kMB, 9, 0, 0}, 1, "5.0 MB of 5.0 MB (100%), 9 games, 5.0 MB/s, 0:00 left"},
      // 4 GiB is 4.3 GB, not "4.0 GB".
      {{4294967296, 0, 1, 0, 0}, 0, "4.3 GB, 1 games"},
  };
  for (const auto& c : cases) EXPECT_EQ(ProgressText(c.progress, c.seconds), c.text);
}

// Everything a ProgressLine writes, with a clock the test moves.
struct Drawn {
  std::string text;
  double now = 100;
  std::string Run(bool live, const std::vector<std::pair<double, ScanProgress>>& calls) {
    char* buffer = nullptr;
    size_t size = 0;
    FILE* out = open_memstream(&buffer, &size);
    {
      ProgressLine line(out, live, [this] { return now; });
      for (const auto& [at, progress] : calls) {
        now = at;
        line.Progress(progress);
      }
    }
    std::fclose(out);
    text.assign(buffer, size);
    std::free(buffer);
    return text;
  }
};

TEST(ProgressLine, LiveLineIsRedrawnAtMostTenTimesASecondAndEndsWithALineEnd) {
  const ScanProgress p{1024, 4096, 1, 0, 0}, end{4096, 4096, 4, 0, 0};
  Drawn d;
  const std::string text = d.Run(true, {{100.0, p}, {100.05, p}, {100.11, p}, {100.15, end}});
  // Drawn at 100.0 and 100.11; the end of the input is always drawn.
  EXPECT_EQ(std::count(text.begin(), text.end(), '\r'), 3) << text;
  EXPECT_EQ(text.back(), '\n');
  EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 1);
}

TEST(ProgressLine, PlainLinesAtMostOnceASecond) {
  const ScanProgress p{1024, 0, 1, 0, 0};
  Drawn d;
  const std::string text = d.Run(false, {{100.0, p}, {100.5, p}, {101.2, p}, {101.9, p}});
  EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 2) << text;
  EXPECT_EQ(text.find('\r'), std::string::npos);
}

}  // namespace
