// Helpers for the tests that hold two ways of scanning against each other: one scan with
// everything it leaves behind, the criteria worth comparing under, generated corpora and
// hostile variants of them.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "engine/scan_run.h"
#include "platform/fault.h"
#include "platform/file_system.h"
#include "platform/io_result.h"
#include "scripted_dialogs.h"
#include "settings/settings.h"
#include "test_support.h"

namespace kelvane {

// Everything a scan leaves: its files, counts and messages, and a fatal fault's text.
struct ScanRecord {
  ScanResult result;
  std::string output;
  std::string split;
  std::vector<std::string> log;
  std::string fault;
  bool operator==(const ScanRecord& o) const {
    return result.outcome == o.result.outcome && result.gamesRead == o.result.gamesRead &&
           result.gamesWritten == o.result.gamesWritten &&
           result.splitWritten == o.result.splitWritten && output == o.output && split == o.split &&
           log == o.log && fault == o.fault;
  }
};

inline void PrintTo(const ScanRecord& r, std::ostream* os) {
  *os << "{read " << r.result.gamesRead << ", written " << r.result.gamesWritten << ", split "
      << r.result.splitWritten << ", output " << r.output.size() << " bytes, split file "
      << r.split.size() << " bytes, " << r.log.size() << " messages";
  if (!r.log.empty()) *os << " (first: " << r.log.front() << ", last: " << r.log.back() << ")";
  if (!r.fault.empty()) *os << ", fault: " << r.fault;
  *os << "}";
}

// Scans input with the given method into a fresh output in dir.
inline ScanRecord RecordScan(const std::string& input, const Criteria& criteria, bool split,
                             const ScanMethod& method, const TempDir& dir) {
  const std::string out = dir / "out.pgn";
  const std::string out2 = dir / "out2.pgn";
  std::remove(out.c_str());
  std::remove(out2.c_str());
  TakeIoResult();
  ScanRecord r;
  ScriptedDialogs dialogs;
  ScanRequest request{input, out, split, criteria};
  request.method = method;
  try {
    r.result = RunScan(request, dialogs, fileSystem());
  } catch (const FatalError& e) {
    r.fault = e.what();
  }
  // A run that puts no output in place leaves none here.
  r.output = Exists(out) ? ReadFile(out) : "(no file)";
  if (split) r.split = Exists(out2) ? ReadFile(out2) : "(no file)";
  r.log = dialogs.log;
  return r;
}

// The criteria the comparisons run under: the program's defaults (few games pass), an
// opening (many pass), words that stand in comments and variations too, a Moves-form
// sequence, one word in every game, and none at all (every game is parsed).
inline std::vector<std::pair<std::string, Criteria>> ComparedCriteria() {
  std::vector<std::pair<std::string, Criteria>> list;
  list.emplace_back("default", DefaultSettings().criteria);
  Criteria opening;
  opening.mustContain = "1.e4 c5 2.Nf3 d6";
  opening.mustContainRange = {1, 2};
  list.emplace_back("opening", opening);
  Criteria words;
  words.conditions[0] = "Nf3 < Qe1";
  words.conditionRanges[0] = {1, 40};
  words.without = "..Kh8";
  words.withoutRange = {1, 40};
  list.emplace_back("condition", words);
  Criteria moves;
  moves.mustContain = "Nf3 ..Nc6 O-O";
  moves.mustContainForm = SequenceForm::Moves;
  moves.mustContainRange = {1, 30};
  list.emplace_back("moves", moves);
  Criteria common;
  common.mustContain = "e4";
  common.mustContainForm = SequenceForm::Moves;
  common.mustContainRange = {1, 999};
  list.emplace_back("common word", common);
  list.emplace_back("none", Criteria{});
  return list;
}

#ifdef KELVANE_GEN_CORPUS
// A corpus from the benchmark's generator (options as its command line takes them).
inline std::string GeneratedCorpus(const TempDir& dir, const std::string& name,
                                   const std::vector<std::string>& options) {
  std::vector<std::string> args = options;
  args.push_back("--output");
  args.push_back(dir / name);
  ProcessResult p = RunProcess(KELVANE_GEN_CORPUS, args);
  EXPECT_EQ(p.status, 0) << p.err;
  return ReadFile(dir / name);
}
#endif

// A hostile variant of a game file: bytes the line rules treat apart (tabs, runs of blanks,
// lone CRs, NULs, stray text and odd lines, lines of blanks, missing or doubled empty
// lines, brackets) put in at random places.
inline std::string Roughen(std::string bytes, uint32_t seed, int changes) {
  static const char* const kPieces[] = {"\t",
                                        " ",
                                        "   ",
                                        "\r",
                                        "\0",
                                        "\n",
                                        "\r\n",
                                        "\n\n",
                                        "\n \n",
                                        "\n\t\n",
                                        "{",
                                        "}",
                                        "(",
                                        ")",
                                        "$",
                                        "odd line\n",
                                        "\n[Tag \"x\"]\n",
                                        "\n1.e4 e5\n",
                                        "\n*\n",
                                        " Qe1 ",
                                        "\tKh1\t",
                                        "\n  1.d4\n",
                                        "\n{c}\n",
                                        "1-0\n\n",
                                        "\n\r\n",
                                        "\r\r\n",
                                        "..",
                                        "\n\n\n",
                                        "\n;x\n",
                                        "\n1/2-1/2\n"};
  std::mt19937 rng(seed);
  for (int i = 0; i < changes && !bytes.empty(); ++i) {
    const size_t at = rng() % bytes.size();
    const size_t pick = rng() % (std::size(kPieces) + 2);
    if (pick == std::size(kPieces)) {
      bytes.erase(at, 1 + rng() % 3);
    } else if (pick == std::size(kPieces) + 1) {
      bytes[at] = static_cast<char>(rng() % 128);
    } else {
      const char* piece = kPieces[pick];
      bytes.insert(
          at, std::string(piece, piece[0] == '\0' ? 1 : std::char_traits<char>::length(piece)));
    }
  }
  return bytes;
}

}  // namespace kelvane
