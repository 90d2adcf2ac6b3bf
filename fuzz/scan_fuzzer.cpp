// A whole scan of any game file with any criteria, as the headless scan runs it: it ends
// with the report or with the trap of an invalid header line, never otherwise, the counts
// agree, every message is shown through the console's escaping and cutting, and no
// temporary file stays behind.
//
// Input: five lines, then the game file. Line 1: options, one letter each (S: split,
// M: convert Must contain to Moves form), then up to eight whole numbers, the ranges of
// condition 1 and 2, Must contain and Without; lines 2 to 5: condition 1, condition 2,
// Must contain, Without.
#include <dirent.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "engine/criteria.h"
#include "engine/criteria_entry.h"
#include "engine/scan_run.h"
#include "fuzz/fuzz_folder.h"
#include "platform/console_dialogs.h"
#include "platform/fault.h"
#include "platform/file_system.h"
#include "platform/io_result.h"
#include "platform/temp_files.h"
#include "settings/settings.h"

using namespace kelvane;
using kelvane_fuzz::Check;
using kelvane_fuzz::Folder;
using kelvane_fuzz::NoTempFileLeft;

namespace {

std::string_view NextLine(std::string_view& rest) {
  const size_t end = rest.find('\n');
  const std::string_view line = rest.substr(0, end);
  rest = end == std::string_view::npos ? std::string_view() : rest.substr(end + 1);
  return line;
}

// Up to count whole numbers of text; the others stay as they were.
void ReadNumbers(std::string_view text, int32_t* numbers, size_t count) {
  size_t k = 0;
  for (size_t i = 0; i < text.size() && k < count;) {
    if ((text[i] < '0' || text[i] > '9') && text[i] != '-') {
      ++i;
      continue;
    }
    const size_t start = i++;
    while (i < text.size() && text[i] >= '0' && text[i] <= '9') ++i;
    int32_t n;
    if (WholeNumber(std::string(text.substr(start, i - start)), n)) numbers[k++] = n;
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string_view rest(reinterpret_cast<const char*>(data), size);
  const std::string_view options = NextLine(rest);
  const std::string_view cond1 = NextLine(rest), cond2 = NextLine(rest);
  const std::string_view contains = NextLine(rest), without = NextLine(rest);

  // The criteria as the headless scan takes them from its options.
  Settings settings;
  settings.input = {Folder(), "in.pgn"};
  settings.output = {Folder(), "out.pgn"};
  Criteria& c = settings.criteria;
  int32_t ranges[8] = {1, 15, 1, 15, 1, 15, 1, 15};
  ReadNumbers(options, ranges, 8);
  c.conditions = {std::string(cond1), std::string(cond2), ""};
  c.conditionRanges = {MoveRange{ranges[0], ranges[1]}, MoveRange{ranges[2], ranges[3]},
                       MoveRange{1, 15}};
  c.mustContainRange = {ranges[4], ranges[5]};
  c.without = std::string(without);
  c.withoutRange = {ranges[6], ranges[7]};
  if (!TypeMustContain(c, std::string(contains), true)) return 0;
  if (options.find('M') != std::string_view::npos && !ChooseMovesForm(c, true)) return 0;
  for (std::string& condition : c.conditions) {
    const ConditionCheck check = CheckCondition(condition);
    if (check.failed) return 0;  // refused before a run
    condition = check.text;
  }
  CleanTexts(c);
  if (CheckCriteria(c, settings.input.path(), settings.output.path()) != CriteriaFault::None)
    return 0;

  {
    FILE* game = std::fopen(settings.input.path().c_str(), "wb");
    Check(game != nullptr);
    Check(std::fwrite(rest.data(), 1, rest.size(), game) == rest.size());
    Check(std::fclose(game) == 0);
  }
  static FILE* devNull = std::fopen("/dev/null", "w");
  ConsoleDialogs console({.assumeYes = true, .quiet = false}, devNull, devNull, nullptr, false);
  const bool split = options.find('S') != std::string_view::npos;
  TakeIoResult();
  try {
    const ScanResult r =
        RunScan({settings.input.path(), settings.output.path(), split, c}, console, fileSystem());
    Check(r.outcome == ScanOutcome::Completed);
    Check(r.gamesWritten >= 0 && r.splitWritten >= 0);
    if (split)
      Check(r.gamesWritten + r.splitWritten == r.gamesRead);
    else
      Check(r.splitWritten == 0 && r.gamesWritten <= r.gamesRead);
  } catch (const FatalError& e) {
    // The two faults a game file can cause: a line where a tag should be, and compressed
    // data that is damaged (the file's first bytes may be any compressed form's).
    const std::string_view what = e.what();
    Check(what == kInvalidHeaderTrap || what.starts_with("in.pgn is damaged: "));
  }
  Check(NoTempFileLeft());
  return 0;
}
