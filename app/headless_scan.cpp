// The headless scan: the window's Run command without the window. Options are applied as
// if typed into the window's fields and the fields left, then checked and prepared by the
// same routines the window uses, and the same scan runs.
#include "app/headless_scan.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <new>
#include <optional>

#include "app/progress_line.h"
#include "engine/criteria.h"
#include "engine/criteria_entry.h"
#include "engine/scan_run.h"
#include "platform/byte_source.h"
#include "platform/console_dialogs.h"
#include "platform/fault.h"
#include "platform/file_system.h"
#include "platform/text_files.h"
#include "settings/settings.h"

namespace kelvane {

namespace {

constexpr int kExitNoScan = 1;
constexpr int kExitBadInput = 2;

struct ScanOptions {
  std::optional<std::string> settings, input, output, cond1, cond2, cond3, contains, without, log,
      maxGameSize;
  std::optional<MoveRange> cond1Range, cond2Range, cond3Range, containsRange, withoutRange;
  bool split = false, yes = false, moves = false, quiet = false, progress = false, tolerant = false;
};

struct UsageError {
  std::string message;
};

// One command-line option: how it is written, the field of ScanOptions it sets, how the
// usage text explains it, and what messages about its value call it.
struct Option {
  const char* name;
  const char* value = nullptr;  // what the value stands for ("TEXT"); none for a switch
  const char* help = "";
  const char* field = nullptr;                // e.g. "condition 1 range"
  CriteriaFault fault = CriteriaFault::None;  // the check before a run that names it
  bool ScanOptions::*flag = nullptr;
  std::optional<std::string> ScanOptions::*text = nullptr;
  std::optional<MoveRange> ScanOptions::*range = nullptr;
};

using O = ScanOptions;
const Option kOptions[] = {
    {.name = "--settings",
     .value = "FILE",
     .help = "read settings from FILE (never written)",
     .text = &O::settings},
    {.name = "--input", .value = "PATH", .help = "the game file to read", .text = &O::input},
    {.name = "--output",
     .value = "PATH",
     .help = "the file to write",
     .field = "output file",
     .fault = CriteriaFault::SameFile,
     .text = &O::output},
    {.name = "--split",
     .help = "failing games go to the split file: the output file's name\n"
             "with \"2\" before its first \".\"",
     .flag = &O::split},
    {.name = "--yes", .help = "overwrite an existing output file without asking", .flag = &O::yes},
    {.name = "--cond1",
     .value = "TEXT",
     .help = "order condition 1, e.g. \"Kh1 < Qe1\"",
     .field = "condition 1",
     .text = &O::cond1},
    {.name = "--cond1-range",
     .value = "A-B",
     .help = "its range of move numbers",
     .field = "condition 1 range",
     .fault = CriteriaFault::Condition1To,
     .range = &O::cond1Range},
    {.name = "--cond2",
     .value = "TEXT",
     .help = "order condition 2",
     .field = "condition 2",
     .text = &O::cond2},
    {.name = "--cond2-range",
     .value = "A-B",
     .help = "its range of move numbers",
     .field = "condition 2 range",
     .fault = CriteriaFault::Condition2To,
     .range = &O::cond2Range},
    {.name = "--cond3",
     .value = "TEXT",
     .help = "order condition 3",
     .field = "condition 3",
     .text = &O::cond3},
    {.name = "--cond3-range",
     .value = "A-B",
     .help = "its range of move numbers",
     .field = "condition 3 range",
     .fault = CriteriaFault::Condition3To,
     .range = &O::cond3Range},
    {.name = "--contains",
     .value = "TEXT",
     .help = "Must contain, in Notation (\"1.e4 c5 2.Nf3\")\n"
             "or Moves form (\"e4 ..c5 Nf3\")",
     .field = "Must contain",
     .text = &O::contains},
    {.name = "--contains-range",
     .value = "A-B",
     .help = "its range (a Notation text sets its own otherwise)",
     .field = "Must contain range",
     .fault = CriteriaFault::MustContainTo,
     .range = &O::containsRange},
    {.name = "--moves",
     .help = "convert a Notation Must contain text to Moves form",
     .flag = &O::moves},
    {.name = "--without",
     .value = "TEXT",
     .help = "moves a game must not contain",
     .field = "Without",
     .text = &O::without},
    {.name = "--without-range",
     .value = "A-B",
     .help = "their range of move numbers",
     .field = "Without range",
     .fault = CriteriaFault::WithoutTo,
     .range = &O::withoutRange},
    {.name = "--tolerant",
     .help = "tolerant reading: read files that stop the scan with\n"
             "\"invalid PGN\"; lines that belong to no game are skipped,\n"
             "and they and faulty games are listed on standard error",
     .flag = &O::tolerant},
    {.name = "--log",
     .value = "FILE",
     .help = "with tolerant reading, write that list to FILE",
     .text = &O::log},
    {.name = "--max-game-size",
     .value = "MB",
     .help = "a game larger than MB megabytes (of 10^6 bytes; default 256)\n"
             "is not held: it ends the scan, or is skipped and listed\n"
             "with tolerant reading",
     .text = &O::maxGameSize},
    {.name = "--progress", .help = "progress on standard error", .flag = &O::progress},
    {.name = "--quiet", .help = "no messages but errors", .flag = &O::quiet},
    {.name = "--help", .help = "print this text and exit"},
};

// "A-B": two whole numbers; the separator is the first "-" after the first character, so
// a negative first number still reads.
MoveRange ParseRange(const Option& option, const std::string& text) {
  size_t dash = text.find('-', 1);
  MoveRange r;
  if (dash == std::string::npos || !WholeNumber(text.substr(0, dash), r.from) ||
      !WholeNumber(text.substr(dash + 1), r.to))
    throw UsageError{std::string(option.name) +
                     ": Non-numeric value in range (expected A-B, e.g. 1-15): \"" + text + "\""};
  return r;
}

const Option* FindOption(std::string_view name) {
  for (const Option& option : kOptions)
    if (name == option.name) return &option;
  return nullptr;
}

// "condition 1 range (--cond1-range)": the field at fault and the option that sets it.
std::string FieldName(const Option& option) {
  return std::string(option.field) + " (" + option.name + ")";
}

std::string FaultField(CriteriaFault fault) {
  for (const Option& option : kOptions)
    if (option.fault == fault && option.field) return FieldName(option);
  return "";
}

// Options take their value as the next argument or after "=" ("--input=games.pgn").
ScanOptions ParseOptions(const std::vector<std::string>& args) {
  ScanOptions o;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    size_t equals = arg.rfind("--", 0) == 0 ? arg.find('=') : std::string::npos;
    std::string name = arg.substr(0, equals);
    const Option* option = FindOption(name);
    if (!option) throw UsageError{"unknown option " + arg};
    std::string value;
    if (equals != std::string::npos) {
      if (!option->value) throw UsageError{name + " takes no value"};
      value = arg.substr(equals + 1);
    } else if (option->value) {
      if (i + 1 >= args.size()) throw UsageError{arg + " needs a value"};
      value = args[++i];
    }
    if (option->flag) o.*option->flag = true;
    if (option->text) o.*option->text = value;
    if (option->range) o.*option->range = ParseRange(*option, value);
  }
  return o;
}

FileLocation Location(const std::string& path) {
  return {DirectoryPart(path), FileNamePart(path)};
}

// Applies the options to the loaded settings as the window's fields would.
void ApplyOptions(const ScanOptions& o, Settings& settings) {
  if (o.input) settings.input = Location(*o.input);
  if (o.output) settings.output = Location(*o.output);
  Criteria& c = settings.criteria;
  const std::optional<std::string>* conditions[3] = {&o.cond1, &o.cond2, &o.cond3};
  const std::optional<MoveRange>* ranges[3] = {&o.cond1Range, &o.cond2Range, &o.cond3Range};
  for (int k = 0; k < 3; ++k) {
    if (*conditions[k]) c.conditions[k] = **conditions[k];
    if (*ranges[k]) c.conditionRanges[k] = **ranges[k];
  }
  if (o.without) c.without = *o.without;
  if (o.withoutRange) c.withoutRange = *o.withoutRange;
  if (o.containsRange) c.mustContainRange = *o.containsRange;
  if (o.maxGameSize &&
      (!WholeNumber(*o.maxGameSize, settings.maxGameSize) || settings.maxGameSize < 1))
    throw UsageError{"--max-game-size: expected a whole number of MB, 1 or more: \"" +
                     *o.maxGameSize + "\""};

  // Typing into Must contain; choosing "Moves" converts a Notation text.
  const bool keepRange = o.containsRange.has_value();
  const UsageError tooLarge{std::string("--contains: ") + kMoveNumberTooLarge};
  if (o.contains && !TypeMustContain(c, *o.contains, keepRange)) throw tooLarge;
  if (o.moves && !ChooseMovesForm(c, keepRange)) throw tooLarge;

  // Every field exit checks the three conditions and stores the normalised texts.
  if (int wrong = NormaliseConditions(c); wrong != 0) {
    std::string msg = ConditionFormMessage();
    std::replace(msg.begin(), msg.end(), '\r', ' ');
    const Option& option = *FindOption("--cond" + std::to_string(wrong));
    throw UsageError{FieldName(option) + ": " + msg};
  }
  CleanTexts(settings.criteria);
}

// SIGINT, SIGTERM and SIGHUP ask the scan to stop after the game in hand; a second one
// ends the program at once. An input that waits for data (a FIFO without a writer, a
// stalled pipe) stops at once, without the game in hand: the open is interrupted (no
// SA_RESTART), and a waiting read is woken.
std::atomic<bool> cancelRequested = false;
volatile std::sig_atomic_t signalReceived = 0;

void OnStopSignal(int signal) {
  if (signalReceived != 0) ::_exit(128 + signal);
  signalReceived = signal;
  cancelRequested.store(true, std::memory_order_relaxed);
  CancelWaitingReads();
}

void CatchStopSignals() {
  AllowReadCancel();
  struct sigaction action {};
  action.sa_handler = OnStopSignal;
  sigemptyset(&action.sa_mask);
  action.sa_flags = 0;
  for (int signal : {SIGINT, SIGTERM, SIGHUP}) ::sigaction(signal, &action, nullptr);
  // A reader of standard output that goes away ends the program quietly with SIGPIPE (141),
  // also when the caller set SIGPIPE to be ignored: EPIPE is the same event.
  ::signal(SIGPIPE, SIG_DFL);
  sigset_t pipe;
  sigemptyset(&pipe);
  sigaddset(&pipe, SIGPIPE);
  ::sigprocmask(SIG_UNBLOCK, &pipe, nullptr);
}

// The line in the "invalid PGN" message: the way past that stop.
constexpr char kTolerantAdvice[] =
    "\rUse --tolerant (tolerant reading) to scan files like this one.";

int RunScanFromOptions(const ScanOptions& o, Dialogs& dialogs, ProgressLine* line) {
  if (o.settings && !fileSystem().FileExists(*o.settings)) {
    const char* what = fileSystem().DirExists(*o.settings) ? "is a folder" : "not found";
    std::fprintf(stderr, "kelvane: settings file %s %s\n", o.settings->c_str(), what);
    return kExitBadInput;
  }
  Settings settings;
  LoadSettings(settings, o.settings ? *o.settings : SettingsFileName());
  try {
    ApplyOptions(o, settings);
  } catch (const UsageError& e) {
    std::fprintf(stderr, "kelvane: %s\n", e.message.c_str());
    return kExitBadInput;
  }
  // The names come first: nothing is opened under a name that cannot be one.
  if (NameFault names = CheckNames(settings.input, settings.output, o.split, fileSystem());
      names != NameFault::None) {
    dialogs.ShowMessage(NameFaultMessage(names, settings.input, settings.output));
    return kExitNoScan;
  }
  CriteriaFault fault =
      CheckCriteria(settings.criteria, settings.input.path(), settings.output.path());
  if (fault == CriteriaFault::SameFile) {
    dialogs.ShowMessage(kSameFileMessage);
    return kExitBadInput;
  }
  if (fault != CriteriaFault::None) {
    std::fprintf(stderr, "kelvane: %s: %s\n", FaultField(fault).c_str(), CriteriaFaultRule(fault));
    return kExitBadInput;
  }

  ScanRequest request{settings.input.path(), settings.output.path(), o.split, settings.criteria,
                      &cancelRequested};
  request.maxGameBytes = static_cast<size_t>(settings.maxGameSize) * kBytesPerMB;
  // Tolerant reading, as the window's Options menu or the command line asks; the list goes
  // to standard error, and to a log file only when --log names one.
  ReadingOptions reading;
  reading.tolerant = o.tolerant || settings.tolerant;
  if (o.log && !reading.tolerant) {
    std::fprintf(stderr, "kelvane: --log needs tolerant reading (--tolerant)\n");
    return kExitBadInput;
  }
  reading.logPath = o.log.value_or("");
  reading.listAsNotices = true;
  reading.invalidLineAdvice = kTolerantAdvice;
  const ScanOutcome outcome = RunScan(request, dialogs, fileSystem(), line, reading).outcome;
  if (line) line->End();
  if (const int signal = signalReceived) return 128 + signal;
  return outcome == ScanOutcome::Completed ? 0 : kExitNoScan;
}

// A standard stream the program was started without is held by a descriptor that takes
// no write: otherwise the next file opened would take its number, and messages meant for
// the terminal would land in a game file. A write to it still fails, as on a closed stream.
void KeepStandardStreamsApart() {
  for (int fd = STDIN_FILENO; fd <= STDERR_FILENO; ++fd) {
    if (::fcntl(fd, F_GETFD) != -1 || errno != EBADF) continue;
    int held = ::open("/dev/null", O_RDONLY);
    if (held >= 0 && held != fd) {
      ::dup2(held, fd);
      ::close(held);
    }
  }
}

}  // namespace

std::string UsageText() {
  std::string text =
      "Usage:\n"
      "  kelvane [FILE]              start the window; FILE becomes the input file\n"
      "  kelvane --scan [OPTIONS]    run one scan without a window, then exit\n"
      "  kelvane --help | --version\n"
      "\n"
      "Scan options (criteria not given come from the settings file; an option's value may\n"
      "also follow an \"=\", as in --input=games.pgn):\n";
  for (const Option& option : kOptions) {
    std::string left = std::string("  ") + option.name;
    if (option.value) left += std::string(" ") + option.value;
    constexpr size_t kHelpColumn = 30;
    left.resize(std::max(left.size() + 1, kHelpColumn), ' ');
    std::string help = option.help;
    for (size_t at = help.find('\n'); at != std::string::npos; at = help.find('\n', at + 1))
      help.insert(at + 1, kHelpColumn, ' ');
    text += left + help + "\n";
  }
  text +=
      "An empty TEXT clears that criterion.\n"
      "Exit status: 0 scan completed, 1 no scan ran, 2 bad options or criteria,\n"
      "231 after a terminating error.\n";
  return text;
}

int RunHeadlessScan(const std::vector<std::string>& args) {
  // --help anywhere wins over every other option, even a faulty one.
  if (std::find(args.begin(), args.end(), "--help") != args.end()) {
    std::fputs(UsageText().c_str(), stdout);
    return 0;
  }
  ScanOptions o;
  try {
    o = ParseOptions(args);
  } catch (const UsageError& e) {
    std::fprintf(stderr, "kelvane: %s\nTry 'kelvane --help'.\n", e.message.c_str());
    return kExitBadInput;
  }
  KeepStandardStreamsApart();
  const bool toStandardOutput = o.output && *o.output == kStandardStream;
  if (toStandardOutput && o.split) {
    std::fprintf(stderr,
                 "kelvane: --split cannot go with --output - (the split file needs a name)\n");
    return kExitBadInput;
  }
  // Progress on a terminal is one line redrawn in place; it outlives the console, which ends
  // it before each message and the report so that they start on a line of their own.
  const bool terminal = ::isatty(STDERR_FILENO);
  std::optional<ProgressLine> line;
  if (o.progress || (!o.quiet && terminal)) line.emplace(stderr, terminal);
  // With the games on standard output, the report goes to standard error.
  ConsoleDialogs console(ConsoleDialogs::Options{o.yes, o.quiet, toStandardOutput});
  if (line) console.SetBeforeWriting([&line] { line->End(); });
  SetDialogs(&console);
  static_assert(std::atomic<bool>::is_always_lock_free, "set from a signal handler");
  CatchStopSignals();
  try {
    return RunScanFromOptions(o, console, line ? &*line : nullptr);
  } catch (const FatalError& e) {
    EndOnFatalError(e);
  } catch (const std::bad_alloc&) {
    EndOnFatalError(FatalError(kOutOfMemoryMessage));
  }
}

}  // namespace kelvane
