// The headless scan: the window's Run command without the window. Options are applied as
// if typed into the window's fields and the fields left, then checked and prepared by the
// same routines the window uses, and the same scan runs.
#include "app/headless_scan.h"

#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <optional>

#include "engine/criteria.h"
#include "engine/scan_run.h"
#include "platform/console_dialogs.h"
#include "platform/file_system.h"
#include "settings/settings.h"

namespace kelvane {

namespace {

constexpr int kExitNoScan = 1;
constexpr int kExitBadInput = 2;

struct Range {
  int32_t from = 0;
  int32_t to = 0;
};

struct ScanOptions {
  std::optional<std::string> settings, input, output, cond[3], contains, without;
  std::optional<Range> condRange[3], containsRange, withoutRange;
  bool split = false, yes = false, moves = false, quiet = false;
  std::optional<bool> progress;
};

struct UsageError {
  std::string message;
};

// "A-B": two whole numbers; the separator is the first "-" after the first character, so
// a negative first number still reads.
Range ParseRange(const std::string& option, const std::string& text) {
  size_t dash = text.find('-', 1);
  Range r;
  if (dash == std::string::npos || !WholeNumber(text.substr(0, dash), r.from) ||
      !WholeNumber(text.substr(dash + 1), r.to))
    throw UsageError{option + ": Non-numeric value in range (expected A-B, e.g. 1-15): \"" + text +
                     "\""};
  return r;
}

ScanOptions ParseOptions(const std::vector<std::string>& args) {
  ScanOptions o;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    auto value = [&]() -> std::string {
      if (i + 1 >= args.size()) throw UsageError{a + " needs a value"};
      return args[++i];
    };
    if (a == "--settings")
      o.settings = value();
    else if (a == "--input")
      o.input = value();
    else if (a == "--output")
      o.output = value();
    else if (a == "--split")
      o.split = true;
    else if (a == "--yes")
      o.yes = true;
    else if (a == "--moves")
      o.moves = true;
    else if (a == "--quiet")
      o.quiet = true;
    else if (a == "--progress")
      o.progress = true;
    else if (a == "--cond1" || a == "--cond2" || a == "--cond3")
      o.cond[a[6] - '1'] = value();
    else if (a == "--cond1-range" || a == "--cond2-range" || a == "--cond3-range")
      o.condRange[a[6] - '1'] = ParseRange(a, value());
    else if (a == "--contains")
      o.contains = value();
    else if (a == "--contains-range")
      o.containsRange = ParseRange(a, value());
    else if (a == "--without")
      o.without = value();
    else if (a == "--without-range")
      o.withoutRange = ParseRange(a, value());
    else
      throw UsageError{"unknown option " + a};
  }
  return o;
}

void SetPath(const std::string& path, int dirSlot, int nameSlot) {
  IniValues.Strings[dirSlot] = DirectoryPart(path);
  IniValues.Strings[nameSlot] = FileNamePart(path);
}

void SetRange(const Range& r, int fromSlot) {
  IniValues.Integers[fromSlot] = r.from;
  IniValues.Integers[fromSlot + 1] = r.to;
}

// What typing text into Must contain does: the Notation/Moves choice follows the text, and
// a Notation text has its line breaks turned to blanks and (unless a range was given)
// sets its own range. Returns the choice: true for Notation.
bool TypeMustContain(std::string text, bool keepRange) {
  if (IsMovesText(text)) {
    IniValues.Strings[10] = text;
    return false;
  }
  LineBreaksToBlanks(text);
  IniValues.Strings[10] = text;
  if (!keepRange) {
    int32_t from, to;
    if (!MoveNumberRange(text, from, to))
      throw UsageError{std::string("--contains: ") + kMoveNumberTooLarge};
    IniValues.Integers[6] = from;
    IniValues.Integers[7] = to;
  }
  return true;
}

// Applies the options to the loaded record as the window's fields would.
void ApplyOptions(const ScanOptions& o) {
  if (o.input) SetPath(*o.input, 3, 1);
  if (o.output) SetPath(*o.output, 4, 2);
  for (int k = 0; k < 3; ++k) {
    if (o.cond[k]) IniValues.Strings[7 + k] = *o.cond[k];
    if (o.condRange[k]) SetRange(*o.condRange[k], 2 * k);
  }
  if (o.without) IniValues.Strings[11] = *o.without;
  if (o.withoutRange) SetRange(*o.withoutRange, 8);
  if (o.containsRange) SetRange(*o.containsRange, 6);

  bool notation = IniValues.RadNota;
  if (o.contains) notation = TypeMustContain(*o.contains, o.containsRange.has_value());
  if (o.moves && notation) {
    // Choosing "Moves" converts a Notation text; the text then decides the choice again.
    std::string converted = IniValues.Strings[10];
    NotationToMoves(converted);
    notation = TypeMustContain(converted, o.containsRange.has_value());
  }
  IniValues.RadNota = notation;

  // Every field exit checks the three conditions and stores the normalised texts.
  for (int k = 0; k < 3; ++k) {
    ConditionCheck c = CheckCondition(IniValues.Strings[7 + k]);
    if (c.failed) {
      std::string msg = ConditionFormMessage();
      for (char& ch : msg)
        if (ch == '\r') ch = ' ';
      throw UsageError{"condition " + std::to_string(k + 1) + " (--cond" + std::to_string(k + 1) +
                       "): " + msg};
    }
    IniValues.Strings[7 + k] = c.text;
  }
  CleanTextSlots();
}

const char* FaultField(CriteriaFault f) {
  switch (f) {
    case CriteriaFault::SameFile:
      return "output file (--output)";
    case CriteriaFault::Condition1To:
      return "condition 1 range (--cond1-range)";
    case CriteriaFault::Condition2To:
      return "condition 2 range (--cond2-range)";
    case CriteriaFault::Condition3To:
      return "condition 3 range (--cond3-range)";
    case CriteriaFault::MustContainTo:
      return "Must contain range (--contains-range)";
    case CriteriaFault::WithoutTo:
      return "Without range (--without-range)";
    case CriteriaFault::None:
      break;
  }
  return "";
}

const char* FaultRule(CriteriaFault f) {
  switch (f) {
    case CriteriaFault::SameFile:
      return kSameFileMessage;
    case CriteriaFault::Condition1To:
    case CriteriaFault::Condition2To:
    case CriteriaFault::Condition3To:
      return "the last move number must be greater than the first";
    default:
      return "the last move number must not be 0 nor less than the first";
  }
}

// A progress line on standard error, redrawn at most a few times a second.
class ProgressLine : public ScanObserver {
 public:
  void Progress(uint64_t bytes, uint64_t total, int64_t games) override {
    auto now = std::chrono::steady_clock::now();
    if (now - last_ < std::chrono::milliseconds(250) && bytes < total) return;
    last_ = now;
    double seconds = std::chrono::duration<double>(now - start_).count();
    double mb = bytes / 1e6;
    std::fprintf(stderr, "\r%lld games read, %.1f MB, %.1f MB/s, %d%%   ",
                 static_cast<long long>(games), mb, seconds > 0 ? mb / seconds : 0.0,
                 total ? static_cast<int>(100.0 * bytes / total) : 100);
    std::fflush(stderr);
    shown_ = true;
  }
  ~ProgressLine() override {
    if (shown_) std::fputc('\n', stderr);
  }

 private:
  std::chrono::steady_clock::time_point start_ = std::chrono::steady_clock::now();
  std::chrono::steady_clock::time_point last_{};
  bool shown_ = false;
};

}  // namespace

std::string UsageText() {
  return "Usage:\n"
         "  kelvane [FILE]              start the window; FILE becomes the input file\n"
         "  kelvane --scan [OPTIONS]    run one scan without a window, then exit\n"
         "  kelvane --help | --version\n"
         "\n"
         "Scan options (criteria not given come from the settings file):\n"
         "  --settings FILE             read settings from FILE (never written)\n"
         "  --input PATH, --output PATH the game file to read and the file to write\n"
         "  --split                     failing games go to the split file (\"2\" before\n"
         "                              the first \".\" of the output file's name)\n"
         "  --yes                       overwrite an existing output file without asking\n"
         "  --cond1 TEXT ... --cond3 TEXT   order conditions, e.g. \"Kh1 < Qe1\"\n"
         "  --cond1-range A-B ... --cond3-range A-B   their ranges of move numbers\n"
         "  --contains TEXT             Must contain, Notation (\"1.e4 c5 2.Nf3\") or\n"
         "                              Moves form (\"e4 ..c5 Nf3\")\n"
         "  --contains-range A-B        its range (a Notation text sets its own otherwise)\n"
         "  --moves                     convert a Notation Must contain text to Moves form\n"
         "  --without TEXT, --without-range A-B   moves a game must not contain\n"
         "  --progress, --quiet         progress on standard error / no messages but errors\n"
         "An empty TEXT clears that criterion.\n"
         "Exit status: 0 scan completed, 1 no scan ran, 2 bad options or criteria,\n"
         "231 after a terminating error.\n";
}

int RunHeadlessScan(const std::vector<std::string>& args) {
  ScanOptions o;
  try {
    o = ParseOptions(args);
  } catch (const UsageError& e) {
    std::fprintf(stderr, "kelvane: %s\nTry 'kelvane --help'.\n", e.message.c_str());
    return kExitBadInput;
  }
  ConsoleDialogs console(ConsoleDialogs::Options{o.yes, o.quiet});
  SetDialogs(&console);

  if (o.settings) {
    if (!fileSystem().FileExists(*o.settings)) {
      std::fprintf(stderr, "kelvane: settings file %s not found\n", o.settings->c_str());
      return kExitBadInput;
    }
    SetIniFileOverride(*o.settings);
  }
  IniValues.Reset();
  IniValues.RadNota = true;
  LoadSettings();
  IniValues.Split = o.split;

  try {
    ApplyOptions(o);
  } catch (const UsageError& e) {
    std::fprintf(stderr, "kelvane: %s\n", e.message.c_str());
    return kExitBadInput;
  }
  CriteriaFault fault = CheckCriteria();
  if (fault != CriteriaFault::None) {
    if (fault != CriteriaFault::SameFile)
      std::fprintf(stderr, "kelvane: %s: %s\n", FaultField(fault), FaultRule(fault));
    return kExitBadInput;
  }
  PrepareMatcherInputs();

  bool progress = o.progress.value_or(!o.quiet && ::isatty(STDERR_FILENO));
  std::optional<ProgressLine> line;
  if (progress) line.emplace();
  const auto& s = IniValues.Strings;
  ScanOutcome outcome = RunScan(s[3] + s[1], s[4] + s[2], line ? &*line : nullptr);
  return outcome == ScanOutcome::Completed ? 0 : kExitNoScan;
}

}  // namespace kelvane
