// The scan spread over processes by GNU parallel (bench/parallel_scan.sh) writes the same
// games as one scan of the whole file, the parts cut at game starts.
#include <gtest/gtest.h>

#include <string>

#include "test_support.h"

using namespace kelvane;

namespace {

TEST(ParallelScan, PartsTogetherEqualOneScanOfTheWholeFile) {
  if (RunProcess("/bin/sh", {"-c", "command -v parallel"}).status != 0)
    GTEST_SKIP() << "GNU parallel is not installed";
  TempDir dir;
  WriteFile(dir / "empty.ini", "");
  const std::string gen = KELVANE_GEN_CORPUS;
  struct Case {
    const char* what;
    std::vector<std::string> corpus;  // gen_corpus options
    std::vector<std::string> criteria;
  } cases[] = {
      {"default criteria", {"--seed", "5", "--size", "1M"}, {}},
      {"every game, CR LF and comments",
       {"--seed", "6", "--size", "1M", "--crlf", "--comments", "--variations"},
       {"--cond1", "", "--contains", "", "--without", ""}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    std::vector<std::string> args = c.corpus;
    args.insert(args.end(), {"--output", dir / "in.pgn"});
    ASSERT_EQ(RunProcess(gen, args).status, 0);
    std::vector<std::string> whole = {"--scan", "--settings", dir / "empty.ini", "--input",
                                      dir / "in.pgn", "--output", "-", "--quiet"};
    whole.insert(whole.end(), c.criteria.begin(), c.criteria.end());
    ProcessResult one = RunKelvane(whole);
    ASSERT_EQ(one.status, 0) << one.err;
    // Small parts, so that many cuts fall between games.
    std::vector<std::string> parts = {"KELVANE_BUILD=" KELVANE_BUILD_DIR, "bash",
                                      SourcePath("bench/parallel_scan.sh"), dir / "in.pgn",
                                      "--block", "64k", "--", "--quiet"};
    parts.insert(parts.end(), c.criteria.begin(), c.criteria.end());
    ProcessResult many = RunProcess("/usr/bin/env", parts);
    ASSERT_EQ(many.status, 0) << many.err;
    EXPECT_FALSE(one.out.empty());
    EXPECT_TRUE(many.out == one.out) << many.out.size() << " vs " << one.out.size();
  }
}

}  // namespace
