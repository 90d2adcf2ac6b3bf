#include "engine/scan_run.h"

#include <new>
#include <optional>

#include "engine/chunked_scan.h"
#include "engine/criteria_entry.h"
#include "engine/duplicates.h"
#include "engine/file_names.h"
#include "engine/game_decider.h"
#include "engine/game_list.h"
#include "engine/game_reader.h"
#include "engine/selection_summary.h"
#include "platform/fault.h"
#include "platform/io_result.h"
#include "platform/shown_text.h"
#include "platform/temp_files.h"
#include "platform/text_files.h"
#include "text/path_parts.h"

namespace kelvane {

namespace {

void WriteGame(OutputFile& f, std::string_view header, std::string_view moveText) {
  f.Write(header.data(), header.size());
  f.Write("\r\n", 2);
  f.Write(moveText.data(), moveText.size());
  f.Write("\r\n", 2);
}

std::string Counted(int64_t n, const char* what, const std::string& path) {
  return std::to_string(n) + what + EscapeLineBreaks(FileNamePart(path));
}

// The report's first lines: the games read, and the games written to the output; of a
// count, the games selected and, with the duplicates test, how many of them are duplicates.
std::string ReadAndWritten(const ScanRequest& request, const ScanResult& result) {
  std::string lines = Counted(result.gamesRead, " games read from ", request.inputPath) + "\r";
  if (!request.countOnly)
    return lines + Counted(result.gamesWritten, " games written to ", request.outputPath);
  lines += std::to_string(result.gamesWritten + result.duplicatesWritten) + " games selected";
  if (!request.duplicatesPath.empty())
    lines += "\r" + std::to_string(result.duplicatesWritten) + " of them are duplicates";
  return lines;
}

// The files of a run, opened in order; a failed step traps at its step number. The new
// outputs (the log file too) take the old ones' places only after a run that wrote them all
// whole (see EndOnFault): until then the old files stay as they were.
struct ScanFiles {
  InputFile input;
  OutputFile output;
  OutputFile split;
  OutputFile duplicates;
  OutputFile list;  // the list file, when the request names one
  // The summary of the games written (the request's, or the run's own for its file), and the
  // file of its JSON when the request names one.
  SelectionSummary* summary = nullptr;
  std::optional<SelectionSummary> ownSummary;
  OutputFile summaryFile;
  ReadingLog* log = nullptr;
  bool opened = false;  // every file could be opened
  bool counting = false;  // count only: no game is written
  // The games of the duplicates test: those kept, or (prefix rule) every passing game.
  KeptGames kept;
  HeldGames held;
  // The listing of the games written to the output: the observer that hears of each (when
  // the request lists games), where the next one starts in the output, and the rows of the
  // held games (when they are listed), found while they were decided.
  ScanObserver* listObserver = nullptr;
  uint64_t outputOffset = 0;
  std::string listLine;
  std::vector<ListedPlaces> heldRows;

  bool Listing() const { return listObserver || list.IsOpen() || summary; }

  bool Failed() {
    return output.Failed() || split.Failed() || duplicates.Failed() || list.Failed() ||
           summaryFile.Failed() || (log && log->File().Failed());
  }
};

void CheckDuplicatesIO(const ScanRequest& request) {
  CheckIO(kDuplicatesStep, FileNamePart(request.duplicatesPath));
}

void OpenFiles(ScanFiles& files, const ScanRequest& request, const std::string& splitPath) {
  files.input.Open(request.inputPath);
  CheckIO(kInputOpenStep);
  if (request.countOnly) return;
  files.output.Create(request.outputPath);
  CheckIO(kOutputCreateStep);
  if (request.split) {
    files.split.Create(splitPath);
    CheckIO(kSplitCreateStep);
  }
  if (!request.duplicatesPath.empty()) {
    files.duplicates.Create(request.duplicatesPath);
    CheckIO(kDuplicatesCreateStep);
  }
  if (!request.listPath.empty()) {
    files.list.Create(request.listPath);
    CheckIO(kListCreateStep);
    files.list.Write(ListFileHeader());
  }
  if (!request.summaryPath.empty()) {
    files.summaryFile.Create(request.summaryPath);
    CheckIO(kSummaryCreateStep);
  }
  files.summary = request.summary;
  if (!files.summary && !request.summaryPath.empty()) files.summary = &files.ownSummary.emplace();
}

// The summary's JSON goes to its file once every game was written.
void WriteSummary(ScanFiles& files) {
  if (files.summaryFile.IsOpen()) files.summaryFile.Write(files.summary->Json());
}

// The observer and the list file hear of a game written to the output as number, with its
// row as the thread that scanned it found it (row), or found here.
void ListWritten(ScanFiles& files, int64_t number, std::string_view header,
                 std::string_view moveText, const ListedGame* row) {
  if (files.Listing()) {
    ListedGame game = row ? *row : ListGame(0, header, moveText);
    game.offset = files.outputOffset;
    if (files.listObserver) files.listObserver->Written(game);
    if (files.summary) files.summary->Add(game);
    if (files.list.IsOpen()) {
      files.listLine.clear();
      AppendListLine(files.listLine, number, game);
      files.list.Write(files.listLine);
    }
  }
  files.outputOffset += header.size() + moveText.size() + 4;  // as WriteGame writes it
}

// Writes a game that goes to the output, and lists it, or, when it is a duplicate of a
// game written there, writes it to the duplicates file with the kept game's number.
void WriteOutputGame(ScanFiles& files, ScanResult& result, std::string_view header,
                     std::string_view moveText, int64_t duplicateOf, const ListedGame* row) {
  if (duplicateOf == 0) {
    if (!files.counting) WriteGame(files.output, header, moveText);
    ++result.gamesWritten;
    ListWritten(files, result.gamesWritten, header, moveText, row);
  } else {
    if (!files.counting)
      WriteGame(files.duplicates, WithDuplicateOf(header, duplicateOf), moveText);
    ++result.duplicatesWritten;
  }
}

// With the prefix rule, the held games are judged and written once every game was read.
void WriteHeldGames(ScanFiles& files, ScanResult& result) {
  const std::vector<int64_t> target = files.held.Resolve();
  // The kept games' numbers in the output come first: a duplicate may stand before its game.
  std::vector<int64_t> number(target.size(), 0);
  int64_t written = result.gamesWritten;
  for (size_t i = 0; i < target.size(); ++i)
    if (target[i] == static_cast<int64_t>(i)) number[i] = ++written;
  for (size_t i = 0; i < target.size(); ++i) {
    const int64_t kept = target[i] == static_cast<int64_t>(i) ? 0 : number[target[i]];
    const std::string_view header = files.held.Header(i);
    std::optional<ListedGame> row;
    if (i < files.heldRows.size()) row = FromPlaces(header, files.heldRows[i]);
    WriteOutputGame(files, result, header, files.held.MoveText(i), kept, row ? &*row : nullptr);
  }
  files.held.Clear();
  files.heldRows.clear();
}

// The dialogs of the reader and the matcher during a run: every message about the data is
// shown after the games decided before it were handed to the system, so that what stays
// on screen (or what a user who stops the run sees) never runs ahead of the files.
class FlushingDialogs : public ForwardingReporter {
 public:
  FlushingDialogs(ScanReporter& shown, ScanFiles& files)
      : ForwardingReporter(shown), files_(files) {}

 private:
  void Forward(const std::function<void(ScanReporter&)>& call) override {
    files_.output.Flush();
    files_.split.Flush();
    files_.duplicates.Flush();
    call(target_);
  }

  ScanFiles& files_;
};

// What becomes of a decided game, in file order: it is written where it belongs and
// counted, a failed write ends the run, the observer hears of every kProgressEvery games,
// and a cancel stops the run after it.
class Delivery : public GameSink {
 public:
  Delivery(ScanFiles& files, const ScanRequest& request, ScanObserver* observer, ScanResult& result)
      : files_(files), request_(request), observer_(observer), result_(result) {}

  bool Deliver(Destination to, std::string_view header, std::string_view moveText,
               uint64_t position, bool eof, const GameKey* key) override {
    // The game that a stop request cut short, where the input waited for more, is left out.
    if (eof && files_.input.Cancelled()) return false;
    if (to == Destination::Output && key && request_.duplicatesPrefix) {
      files_.held.Hold(header, moveText, *key);
      // The held game's row is kept as places in its header, which the held games copy.
      if (files_.Listing())
        files_.heldRows.push_back(PlacesIn(header, next_ ? *next_ : ListGame(0, header, moveText)));
    } else if (to == Destination::Output) {
      WriteOutputGame(files_, result_, header, moveText,
                      key ? files_.kept.Judge(*key, result_.gamesWritten + 1) : 0,
                      next_ ? &*next_ : nullptr);
    } else if (to == Destination::Split) {
      WriteGame(files_.split, header, moveText);
      ++result_.splitWritten;
    }
    next_.reset();
    ++result_.gamesRead;
    // A failed write (of this game, or of the games handed over before a message) ends the
    // run at once with the error its file's close would report: reading on would only make
    // the user wait for an error that is known already. The log is written while a game is
    // read, before the game is.
    if (files_.log) files_.log->CheckWrites();
    if (files_.output.Failed()) CheckIO(kOutputStep);
    if (files_.split.Failed()) CheckIO(kSplitStep);
    if (files_.duplicates.Failed()) CheckDuplicatesIO(request_);
    if (files_.list.Failed()) CheckIO(kListStep);
    if (observer_ && result_.gamesRead % kProgressEvery == 0) Tell(position);
    // A cancel takes effect between games, so no file is left with half a game.
    if (request_.cancel && request_.cancel->load(std::memory_order_relaxed) && !eof) {
      result_.outcome = ScanOutcome::Cancelled;
      return false;
    }
    return true;
  }

  // Tells the observer, if there is one, how far the run has got.
  void Tell(uint64_t position) {
    if (!observer_) return;
    observer_->Progress({position, files_.input.Size(), result_.gamesRead, result_.gamesWritten,
                         result_.splitWritten});
  }

  void NextListed(const ListedGame& game) override { next_ = game; }

 private:
  ScanFiles& files_;
  const ScanRequest& request_;
  ScanObserver* observer_;
  ScanResult& result_;
  std::optional<ListedGame> next_;  // the row of the next game, found on another thread
};

// Reads every game, decides it and writes it where it belongs, until the input ends or the
// run is cancelled. With a log, the input is read tolerantly and the log lists what the
// reading and the matcher found.
void ScanGames(ScanFiles& files, const ScanRequest& request, ScanReporter& shown,
               ScanObserver* observer, ScanResult& result, ReadingLog* log) {
  FlushingDialogs dialogs(shown, files);
  Delivery delivery(files, request, observer, result);
  // With more than one core the usual reading scans the input in chunks on all of them.
  uint64_t position = 0;
  if (!log && ScanInChunks(files.input, request, dialogs, delivery, position)) {
    delivery.Tell(position);
    return;
  }
  GameDecider decider(request, dialogs, log);
  // A file without a single line holds no game.
  bool eof = files.input.AtEnd();
  while (!eof) {
    const int64_t number = result.gamesRead + 1;
    if (!decider.Next(files.input, eof, number == 1, number)) break;
    if (decider.To() == Destination::Output && ListsRows(request))
      delivery.NextListed(Listed(decider));
    if (!delivery.Deliver(decider.To(), decider.Header(), decider.MoveText(),
                          files.input.BytesRead(), eof, decider.Key()))
      break;
  }
  delivery.Tell(files.input.BytesRead());
}

std::string DuplicatesLine(const ScanRequest& request, const ScanResult& result) {
  return Counted(result.duplicatesWritten, " duplicates written to ", request.duplicatesPath);
}

// Closes the files, checking each close, and shows the counts.
void CloseAndReport(ScanFiles& files, const ScanRequest& request, const std::string& splitPath,
                    const ScanResult& result, ScanReporter& dialogs, ReadingLog* log) {
  std::string report = ReadAndWritten(request, result);

  // A compressed input read to its end (or to a Ctrl-Z) is checked up to where its reading
  // stopped: a failed read (pending) or damage found there ends the run.
  if (result.outcome != ScanOutcome::Cancelled && !files.input.CheckRead(request.cancel)) {
    CheckIO(kOutputStep);
    if (const std::string damage = files.input.Damage(); !damage.empty()) ReportScanFault(damage);
  }
  files.input.Close();
  // Every file is written whole before the first takes its place.
  files.output.Finish();
  CheckIO(kOutputStep);
  if (request.split) {
    files.split.Finish();
    CheckIO(kSplitStep);
  }
  if (!request.duplicatesPath.empty()) {
    files.duplicates.Finish();
    CheckDuplicatesIO(request);
  }
  if (!request.listPath.empty()) {
    files.list.Finish();
    CheckIO(kListStep);
  }
  if (!request.summaryPath.empty()) {
    WriteSummary(files);
    files.summaryFile.Finish();
    CheckIO(kSummaryStep);
  }
  if (log) log->Finish();
  files.output.Close();
  CheckIO(kOutputStep);
  if (request.split) {
    report += "\r" + Counted(result.splitWritten, " games written to ", splitPath);
    files.split.Close();
    CheckIO(kSplitStep);
  }
  if (!request.duplicatesPath.empty() && !request.countOnly) {
    report += "\r" + DuplicatesLine(request, result);
    files.duplicates.Close();
    CheckDuplicatesIO(request);
  }
  if (!request.listPath.empty()) {
    files.list.Close();
    CheckIO(kListStep);
  }
  if (!request.summaryPath.empty()) {
    files.summaryFile.Close();
    CheckIO(kSummaryStep);
  }
  if (log) {
    log->Close();
    if (std::string line = log->ReportLine(); !line.empty()) report += "\r" + line;
  }
  if (result.outcome == ScanOutcome::Cancelled)
    dialogs.ShowCancelledReport(
        "Scan cancelled after " + std::to_string(result.gamesRead) + " games", report);
  else
    dialogs.ShowReport(report);
  CheckIO(kReportStep);
}

// A run that ends on a fault (the exception in hand) puts its outputs in place only when
// they are whole: every write of every file succeeded, and every byte read from a
// compressed input has passed its frame's check, so that no game can come from data that
// turns out damaged later. Otherwise the old files stay as they were, the new ones are
// removed, and a fatal fault says so. A fault of the scan's files (and a failed allocation)
// is thrown again as a ScanFileError that tells what the run left behind; any other
// exception in hand is rethrown as it is.
[[noreturn]] void EndOnFault(ScanFiles& files, const ScanRequest& request,
                             const std::string& splitPath, ScanResult& result) {
  bool whole = files.opened && !files.Failed();
  std::string fault;
  if (whole && !files.input.CheckRead(request.cancel)) {
    whole = false;
    fault = files.input.Damage();
    if (fault.empty()) {
      try {
        throw;
      } catch (const FatalError& e) {
        fault = e.what();
      } catch (const std::bad_alloc&) {
        fault = kOutOfMemoryMessage;
      } catch (...) {
      }
    }
    if (!fault.empty()) fault += "; no output was written";
  }
  OutputFile* outputs[] = {&files.output,
                           &files.split,
                           &files.duplicates,
                           files.log ? &files.log->File() : nullptr,
                           request.listPath.empty() ? nullptr : &files.list,
                           request.summaryPath.empty() ? nullptr : &files.summaryFile};
  if (whole) {
    // The games held for the prefix rule were decided before the fault.
    if (files.held.Size() > 0) WriteHeldGames(files, result);
    WriteSummary(files);
    for (OutputFile* f : outputs)
      if (f) f->Finish();
    whole = !files.Failed();
  }
  for (OutputFile* f : outputs) {
    if (f && whole) f->Close();
    if (f && !whole) f->Discard();
  }
  TakeIoResult();  // the fault in hand is the one to report
  if (!fault.empty()) throw ScanFileError(fault, "");
  std::string written = "No output was written";
  if (whole) {
    written = ReadAndWritten(request, result);
    if (request.split)
      written += "\r" + Counted(result.splitWritten, " games written to ", splitPath);
    if (!request.duplicatesPath.empty() && !request.countOnly)
      written += "\r" + DuplicatesLine(request, result);
  }
  try {
    throw;
  } catch (const ScanFileError& e) {
    throw ScanFileError(e.what(), written);
  } catch (const std::bad_alloc&) {
    throw ScanFileError(kOutOfMemoryMessage, written);
  }
}

// The run: the checks of the names and the question, then the files and the games.
ScanResult Run(const ScanRequest& request, ScanReporter& dialogs, FileSystem& fs,
               ScanObserver* observer) {
  ScanResult result;
  const ReadingOptions& reading = request.reading;
  const std::string& inputPath = request.inputPath;
  const std::string& outputPath = request.outputPath;
  // Creating the output would empty the input before it is read. A count creates nothing
  // and asks nothing.
  const bool writing = !request.countOnly;
  if (writing && fs.SameFile(inputPath, outputPath)) {
    dialogs.ShowMessage(kSameFileMessage);
    result.outcome = ScanOutcome::SameFile;
    return result;
  }
  // Standard output ("-") is never asked about; standard input needs no file.
  if (writing && outputPath != kStandardStream && fs.FileExists(outputPath) &&
      dialogs.Confirm("Overwrite " + FileNamePart(outputPath) + "?", DialogButtons::OkCancel) !=
          DialogButton::Ok) {
    result.outcome = ScanOutcome::Declined;
    return result;
  }
  if (inputPath != kStandardStream && !fs.FileExists(inputPath)) {
    dialogs.ShowMessage("File " + inputPath + " not found");
    result.outcome = ScanOutcome::InputMissing;
    return result;
  }
  std::string splitPath;
  if (request.split) {
    splitPath = SplitFileName(outputPath);
    if (fs.SameFile(inputPath, splitPath)) {
      dialogs.ShowMessage(kSameSplitMessage);
      result.outcome = ScanOutcome::SameFile;
      return result;
    }
    // Two names of one file (a link, symbolic or hard): the two outputs would overwrite
    // each other's games.
    if (SameWriteTarget(outputPath, splitPath)) {
      dialogs.ShowMessage(kSameOutputMessage);
      result.outcome = ScanOutcome::SameOutputFile;
      return result;
    }
  }
  if (const std::string& dups = request.duplicatesPath; writing && !dups.empty()) {
    if (fs.SameFile(inputPath, dups)) {
      dialogs.ShowMessage(kSameFileMessage);
      result.outcome = ScanOutcome::SameFile;
      return result;
    }
    if (SameWriteTarget(outputPath, dups) || (request.split && SameWriteTarget(splitPath, dups))) {
      dialogs.ShowMessage(kSameDuplicatesMessage);
      result.outcome = ScanOutcome::SameDuplicatesFile;
      return result;
    }
  }

  if (reading.tolerant && !reading.logPath.empty()) {
    // The log is written like the outputs: never over the input or one of them.
    const std::string* paths[] = {&inputPath, &outputPath, &splitPath, &request.duplicatesPath};
    for (const std::string* path : paths) {
      if (path->empty() || (*path != reading.logPath && !fs.SameFile(*path, reading.logPath)))
        continue;
      dialogs.ShowMessage(kSameFileMessage);
      result.outcome = ScanOutcome::SameFile;
      return result;
    }
  }

  // The list and summary files, too, are never written over the input or another output.
  for (const std::string* named : {&request.listPath, &request.summaryPath}) {
    const std::string& list = *named;
    if (list.empty()) continue;
    const std::string* paths[] = {&inputPath,
                                  &outputPath,
                                  &splitPath,
                                  &reading.logPath,
                                  &request.duplicatesPath,
                                  named == &request.listPath ? nullptr : &request.listPath};
    for (const std::string* path : paths) {
      if (!path || path->empty() ||
          (*path != list && (list == kStandardStream || !fs.SameFile(*path, list))))
        continue;
      dialogs.ShowMessage(kSameFileMessage);
      result.outcome = ScanOutcome::SameFile;
      return result;
    }
  }

  ScanFiles files;
  std::optional<ReadingLog> log;
  try {
    OpenFiles(files, request, splitPath);
    if (reading.tolerant) {
      log.emplace(dialogs, reading.logPath, reading.listAsNotices);
      files.log = &*log;
      log->Create();
    }
    files.opened = true;
    files.counting = !writing;
    if (request.listGames) files.listObserver = observer;
    if (observer && writing) observer->OutputWritingTo(files.output.WritingPath());
    if (observer) observer->FilesOpened();
    try {
      ScanGames(files, request, dialogs, observer, result, log ? &*log : nullptr);
    } catch (const GameTooLarge&) {
      // Thrown while the game after the ones delivered was read.
      ReportScanFault(GameTooLargeMessage(result.gamesRead + 1, request.maxGameBytes));
    }
    if (files.input.Cancelled()) result.outcome = ScanOutcome::Cancelled;
    WriteHeldGames(files, result);
    if (files.output.Failed()) CheckIO(kOutputStep);
    if (files.duplicates.Failed()) CheckDuplicatesIO(request);
    if (log) result.listed = log->Counts();
    CloseAndReport(files, request, splitPath, result, dialogs, log ? &*log : nullptr);
  } catch (...) {
    EndOnFault(files, request, splitPath, result);
  }
  return result;
}

}  // namespace

ScanResult RunScan(const ScanRequest& request, ScanReporter& dialogs, FileSystem& fs,
                   ScanObserver* observer) {
  try {
    if (request.countOnly) {
      // A count leaves out what only says where games go: a game that fails need not be
      // read whole without Split, and no file or game list hears of the games.
      ScanRequest counting = request;
      counting.split = false;
      counting.listPath.clear();
      counting.listGames = false;
      counting.reading.logPath.clear();
      return Run(counting, dialogs, fs, observer);
    }
    return Run(request, dialogs, fs, observer);
  } catch (const std::bad_alloc&) {
    // A game too big for the memory (a line that never ends, say) ends the run like any
    // other fatal fault. The files were closed and put in place on the way here, and the
    // game's text was given back.
    ReportTrap(kOutOfMemoryMessage);
  }
}

}  // namespace kelvane
