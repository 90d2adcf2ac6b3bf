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
#include "engine/criteria_kinds.h"
#include "engine/duplicates.h"
#include "engine/scan_run.h"
#include "engine/selection_summary.h"
#include "platform/byte_source.h"
#include "platform/console_dialogs.h"
#include "platform/fault.h"
#include "platform/file_system.h"
#include "platform/io_result.h"
#include "platform/text_files.h"
#include "settings/settings.h"
#include "text/path_parts.h"

namespace kelvane {

namespace {

constexpr int kExitNoScan = 1;
constexpr int kExitBadInput = 2;

// What the options give one kind of criterion (a row of CriterionKinds()).
struct CriterionOptions {
  std::optional<std::string> text;
  std::vector<std::string> lines;  // a repeatable option's values
  std::optional<MoveRange> range;
  bool form = false;  // its switch (--moves)
};

struct ScanOptions {
  std::optional<std::string> settings, output, log, maxGameSize, duplicates, list;
  std::optional<std::string> summaryJson;
  std::vector<std::string> inputs;  // --input, once per file or folder
  std::vector<CriterionOptions> criteria = std::vector<CriterionOptions>(CriterionKinds().size());
  bool split = false, yes = false, quiet = false, progress = false, tolerant = false;
  bool duplicatesPrefix = false, summary = false;
  bool count = false;
  bool recursive = false, perFile = false;
};

struct UsageError {
  std::string message;
};

// The part of a criterion an option sets.
enum class CriterionPart { None, Value, Range, Form };

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
  std::vector<std::string> ScanOptions::*values = nullptr;  // a repeatable option's values
  // A criterion's option: its row of CriterionKinds() and the part it sets.
  size_t row = 0;
  CriterionPart part = CriterionPart::None;
};

using O = ScanOptions;
// The options before the criteria's and after them, in the order of the usage text.
const Option kFileOptions[] = {
    {.name = "--settings",
     .value = "FILE",
     .help = "read settings from FILE (never written)",
     .text = &O::settings},
    {.name = "--input",
     .value = "PATH",
     .help = "the game file to read; repeatable: the files are read in\n"
             "order into one output; a folder: its game files (content\n"
             "compressed or beginning with \"[\", \"{\" or \"1\"; hidden\n"
             "files and the run's outputs left out), by name",
     .values = &O::inputs},
    {.name = "--recursive", .help = "a folder's subfolders too", .flag = &O::recursive},
    {.name = "--per-file",
     .help = "with several files, a report line per file: its games\n"
             "read and selected",
     .flag = &O::perFile},
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
    {.name = "--duplicates",
     .value = "FILE",
     .help = "a passing game whose moves and result are those of a game\n"
             "already written goes to FILE, with [DuplicateOf \"N\"];\n"
             "\"\" turns the stored option off",
     .text = &O::duplicates},
    {.name = "--duplicates-prefix",
     .help = "with duplicates, also a game whose moves begin a longer\n"
             "game of the same White and Black (the games are held\n"
             "until the input has been read)",
     .flag = &O::duplicatesPrefix},
    {.name = "--yes", .help = "overwrite an existing output file without asking", .flag = &O::yes},
    {.name = "--list",
     .value = "FILE",
     .help = "write a tab-separated line per game written to the output\n"
             "(number, tags, plies) to FILE; \"-\": standard output",
     .text = &O::list},
    {.name = "--count",
     .help = "count only: print the games read and selected, write no\n"
             "file (the output's name is not needed, and not used)",
     .flag = &O::count},
    {.name = "--summary",
     .help = "after the report, print a summary of the games written to\n"
             "the output (results, years, ratings, players, openings,\n"
             "time classes, length) on standard output",
     .flag = &O::summary},
    {.name = "--summary-json",
     .value = "FILE",
     .help = "write that summary as JSON to FILE; \"-\": standard output",
     .text = &O::summaryJson},
};
const Option kReadingOptions[] = {
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

// Every option: the files', then each criterion's value, range and switch, then the
// reading's and the output's.
const std::vector<Option>& Options() {
  static const std::vector<Option> options = [] {
    std::vector<Option> all(std::begin(kFileOptions), std::end(kFileOptions));
    const auto kinds = CriterionKinds();
    for (size_t row = 0; row < kinds.size(); ++row) {
      const CriterionKind& kind = kinds[row];
      auto add = [&](const OptionText& t, CriterionPart part, CriteriaFault fault) {
        if (t.name)
          all.push_back({.name = t.name,
                         .value = t.value,
                         .help = t.help,
                         .field = t.field,
                         .fault = fault,
                         .row = row,
                         .part = part});
      };
      add(kind.option, CriterionPart::Value, kind.check ? LineFault(row) : CriteriaFault::None);
      add(kind.rangeOption, CriterionPart::Range, RangeFault(row));
      add(kind.formOption, CriterionPart::Form, CriteriaFault::None);
    }
    all.insert(all.end(), std::begin(kReadingOptions), std::end(kReadingOptions));
    return all;
  }();
  return options;
}

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
  for (const Option& option : Options())
    if (name == option.name) return &option;
  return nullptr;
}

// "condition 1 range (--cond1-range)": the field at fault and the option that sets it.
std::string FieldName(const Option& option) {
  return std::string(option.field) + " (" + option.name + ")";
}

std::string FaultField(CriteriaFault fault) {
  for (const Option& option : Options())
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
    if (option->values) (o.*option->values).push_back(value);
    CriterionOptions& criterion = o.criteria[option->row];
    switch (option->part) {
      case CriterionPart::None:
        break;
      case CriterionPart::Value:
        if (CriterionKinds()[option->row].repeatable)
          criterion.lines.push_back(value);
        else
          criterion.text = value;
        break;
      case CriterionPart::Range:
        criterion.range = ParseRange(*option, value);
        break;
      case CriterionPart::Form:
        criterion.form = true;
        break;
    }
  }
  return o;
}

FileLocation Location(const std::string& path) {
  return {DirectoryPart(path), FileNamePart(path)};
}

// Applies the options to the loaded settings as the window's fields would.
void ApplyOptions(const ScanOptions& o, Settings& settings) {
  // A folder's name may end with "/".
  if (!o.inputs.empty()) {
    std::string first = o.inputs.front();
    while (first.size() > 1 && first.ends_with('/')) first.pop_back();
    settings.input = Location(first);
  }
  if (o.output) settings.output = Location(*o.output);
  // No criterion's value can fail before Must contain's typing, whose faults come after
  // this one.
  if (o.maxGameSize &&
      (!WholeNumber(*o.maxGameSize, settings.maxGameSize) || settings.maxGameSize < 1))
    throw UsageError{"--max-game-size: expected a whole number of MB, 1 or more: \"" +
                     *o.maxGameSize + "\""};
  Criteria& c = settings.criteria;
  const auto kinds = CriterionKinds();
  for (size_t row = 0; row < kinds.size(); ++row) {
    const CriterionKind& kind = kinds[row];
    const CriterionOptions& given = o.criteria[row];
    if (given.range) *kind.range(c) = *given.range;
    // Typing into Must contain sets its form, and its range unless an option gave one;
    // choosing "Moves" converts a Notation text.
    const bool keepRange = given.range.has_value();
    const UsageError refused{std::string(kind.option.name) + ": " +
                             (kind.typingFault ? kind.typingFault : "")};
    if (given.text && kind.type && !kind.type(c, *given.text, keepRange)) throw refused;
    if (given.text && !kind.type) *kind.text(c) = *given.text;
    if (!given.lines.empty()) {
      // The uses of a repeatable option make the whole list; an empty one adds no line, so
      // that it alone clears the list.
      std::vector<std::string>& lines = *kind.lines(c);
      lines.clear();
      for (const std::string& line : given.lines)
        if (!line.empty()) lines.push_back(line);
    }
    if (given.form && !kind.chooseForm(c, keepRange)) throw refused;
  }

  // Every field exit checks the three conditions and stores the normalised texts.
  if (int wrong = NormaliseConditions(c); wrong != 0) {
    std::string msg = ConditionFormMessage();
    std::replace(msg.begin(), msg.end(), '\r', ' ');
    const Option& option = *FindOption(kinds[wrong - 1].option.name);
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

// The scan's reports, with the way past the "invalid PGN" stop on the command line.
class HeadlessReporter : public ForwardingReporter {
 public:
  using ForwardingReporter::ForwardingReporter;
  void ShowInvalidLine(std::string_view line) override {
    target_.ShowQuotedMessage("invalid PGN: ", line,
                              "\rUse --tolerant (tolerant reading) to scan files like this one.");
  }
};

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
  // Several inputs, or a folder: the run reads the game files of each. Without --input, the
  // settings' inputs, as the window would read them.
  std::vector<std::string> inputs = o.inputs;
  if (inputs.empty()) inputs = SeveralInputs(settings);
  const bool several =
      inputs.size() > 1 || (inputs.size() == 1 && fileSystem().DirExists(inputs.front()));
  // The names come first: nothing is opened under a name that cannot be one. A count
  // writes nothing: only the input's name matters.
  if (NameFault names =
          o.count ? CheckInputName(settings.input, fileSystem(), several)
                  : CheckNames(settings.input, settings.output, o.split, fileSystem(), several);
      names != NameFault::None) {
    dialogs.ShowMessage(NameFaultMessage(names, settings.input, settings.output));
    return kExitNoScan;
  }
  CriteriaFault fault = CheckCriteria(settings.criteria, settings.input.path(),
                                      o.count ? std::string() : settings.output.path());
  if (fault == CriteriaFault::SameFile) {
    dialogs.ShowMessage(kSameFileMessage);
    return kExitBadInput;
  }
  if (fault != CriteriaFault::None) {
    const std::string rule =
        IsLineFault(fault) ? RefusedLineText(fault, settings.criteria) : CriteriaFaultRule(fault);
    std::fprintf(stderr, "kelvane: %s: %s\n", FaultField(fault).c_str(), rule.c_str());
    return kExitBadInput;
  }

  ScanRequest request{settings.input.path(), settings.output.path(), o.split, settings.criteria,
                      &cancelRequested};
  request.maxGameBytes = static_cast<size_t>(settings.maxGameSize) * kBytesPerMB;
  // Tolerant reading, as the window's Options menu or the command line asks; the list goes
  // to standard error, and to a log file only when --log names one.
  ReadingOptions& reading = request.reading;
  reading.tolerant = o.tolerant || settings.tolerant;
  if (o.log && !reading.tolerant) {
    std::fprintf(stderr, "kelvane: --log needs tolerant reading (--tolerant)\n");
    return kExitBadInput;
  }
  reading.logPath = o.log.value_or("");
  reading.listAsNotices = true;
  // Duplicates, as the Options menu or the command line asks: --duplicates names the file,
  // and "" turns the stored option off.
  if (o.duplicates) settings.duplicates = !o.duplicates->empty();
  if (o.duplicatesPrefix && !settings.duplicates) {
    std::fprintf(stderr, "kelvane: --duplicates-prefix needs duplicates (--duplicates FILE)\n");
    return kExitBadInput;
  }
  if (settings.duplicates) {
    const bool named = o.duplicates && !o.duplicates->empty();
    // A count only looks for duplicates: it writes no file.
    if (!o.count && ((!named && request.outputPath == kStandardStream) ||
                     (named && *o.duplicates == kStandardStream))) {
      std::fprintf(stderr, "kelvane: duplicates need a file of their own (--duplicates FILE)\n");
      return kExitBadInput;
    }
    request.duplicatesPath = named ? *o.duplicates : DuplicatesFileName(request.outputPath);
    request.duplicatesPrefix = o.duplicatesPrefix || settings.duplicatesPrefix;
  }
  request.listPath = o.list.value_or("");
  request.countOnly = o.count;
  std::optional<SelectionSummary> summary;
  if (o.summary) request.summary = &summary.emplace();
  request.summaryPath = o.summaryJson.value_or("");
  if (several) request.inputPaths = inputs;
  request.recursive = o.recursive || (o.inputs.empty() && settings.recursive);
  request.perFile = o.perFile;
  HeadlessReporter reporter(dialogs);
  const ScanOutcome outcome = RunScan(request, reporter, fileSystem(), line).outcome;
  if (line) line->End();
  // The summary follows the report of a run that wrote its games (also when stopped).
  if (summary && (outcome == ScanOutcome::Completed || outcome == ScanOutcome::Cancelled)) {
    const std::string text = summary->Text();
    if (std::fputs(text.c_str(), stdout) < 0 || std::fflush(stdout) != 0) {
      SetIoResult(errno);
      CheckIO(kReportStep);
    }
  }
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

bool ApplyScanOptions(const std::vector<std::string>& args, Settings& settings,
                      std::string& fault) {
  try {
    ApplyOptions(ParseOptions(args), settings);
    return true;
  } catch (const UsageError& e) {
    fault = e.message;
    return false;
  }
}

std::string UsageText() {
  std::string text =
      "Usage:\n"
      "  kelvane [FILE]              start the window; FILE becomes the input file\n"
      "  kelvane --scan [OPTIONS]    run one scan without a window, then exit\n"
      "  kelvane --count [OPTIONS]   the same as --scan --count\n"
      "  kelvane --help | --version\n"
      "\n"
      "Scan options (criteria not given come from the settings file; an option's value may\n"
      "also follow an \"=\", as in --input=games.pgn):\n";
  for (const Option& option : Options()) {
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
  // A count writes no file, and its report goes to standard output.
  // Nor does it gather the rows a summary is made from.
  if (o.count && (o.list || o.log || o.summary || o.summaryJson)) {
    std::fprintf(stderr, "kelvane: --count writes no file: not with %s\n",
                 o.list ? "--list" : o.log ? "--log" : o.summary ? "--summary" : "--summary-json");
    return kExitBadInput;
  }
  const bool toStandardOutput = !o.count && o.output && *o.output == kStandardStream;
  if (toStandardOutput && o.split) {
    std::fprintf(stderr,
                 "kelvane: --split cannot go with --output - (the split file needs a name)\n");
    return kExitBadInput;
  }
  const bool listToStandardOutput = o.list && *o.list == kStandardStream;
  if (toStandardOutput && listToStandardOutput) {
    std::fprintf(stderr, "kelvane: --list - cannot go with --output - (one standard output)\n");
    return kExitBadInput;
  }
  if (o.list && o.list->empty()) {
    std::fprintf(stderr, "kelvane: --list needs a file name\n");
    return kExitBadInput;
  }
  // The summary's text and its JSON take standard output alone.
  const bool jsonToStandardOutput = o.summaryJson && *o.summaryJson == kStandardStream;
  if (o.summaryJson && o.summaryJson->empty()) {
    std::fprintf(stderr, "kelvane: --summary-json needs a file name\n");
    return kExitBadInput;
  }
  if ((o.summary || jsonToStandardOutput) &&
      toStandardOutput + listToStandardOutput + jsonToStandardOutput + o.summary > 1) {
    std::fprintf(stderr, "kelvane: %s cannot go with %s (one standard output)\n",
                 o.summary ? "--summary" : "--summary-json -",
                 toStandardOutput       ? "--output -"
                 : listToStandardOutput ? "--list -"
                                        : "--summary-json -");
    return kExitBadInput;
  }
  // Progress on a terminal is one line redrawn in place; it outlives the console, which ends
  // it before each message and the report so that they start on a line of their own.
  const bool terminal = ::isatty(STDERR_FILENO);
  std::optional<ProgressLine> line;
  if (o.progress || (!o.quiet && terminal)) line.emplace(stderr, terminal);
  // With the games on standard output, the report goes to standard error.
  ConsoleDialogs console(ConsoleDialogs::Options{
      o.yes, o.quiet, toStandardOutput || listToStandardOutput || jsonToStandardOutput});
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
