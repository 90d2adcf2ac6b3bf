#include "engine/scan_run.h"

#include <algorithm>
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
#include "platform/game_folder.h"
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

// One input of a run: its path, its name in messages and the report (its file name, or
// its path inside the folder it was found in), and its size (0 when unknown).
struct Input {
  std::string path;
  std::string shown;
  uint64_t size = 0;
};

// A message about a file's data, of a run of several files: its game numbers (counted in
// the file) say the file ("NAME, game 37: ..."), any other message begins with "NAME: ".
// Unchanged when name is empty (a run of one file).
std::string InFile(const std::string& name, const std::string& text) {
  if (name.empty()) return text;
  if (text.starts_with("Game ") && text.size() > 5 && text[5] >= '0' && text[5] <= '9')
    return name + ", game " + text.substr(5);
  return name + ": " + text;
}

// The reports of the reading of one file of several, which name it (InFile).
class FileNaming : public ForwardingReporter {
 public:
  FileNaming(ScanReporter& target, std::string name)
      : ForwardingReporter(target), name_(std::move(name)) {}
  void ShowMessage(const std::string& text) override { target_.ShowMessage(InFile(name_, text)); }
  void ShowNotice(const std::string& text) override { target_.ShowNotice(InFile(name_, text)); }
  void ShowQuotedMessage(std::string_view before, std::string_view line,
                         std::string_view after) override {
    target_.ShowQuotedMessage(InFile(name_, std::string(before)), line, after);
  }
  void ShowQuotedNotice(std::string_view before, std::string_view line,
                        std::string_view after) override {
    target_.ShowQuotedNotice(InFile(name_, std::string(before)), line, after);
  }

 private:
  std::string name_;
};

// The files of a run, opened in order; a failed step traps at its step number. The new
// outputs (the log file too) take the old ones' places only after a run that wrote them all
// whole (see EndOnFault): until then the old files stay as they were.
struct ScanFiles {
  // The inputs, read one after another into input; of several, the one being read, the
  // games and bytes of those before it, and the sum of their sizes (0: a size is unknown).
  std::vector<Input> inputs;
  size_t current = 0;
  int64_t readBefore = 0;
  uint64_t bytesBefore = 0;
  uint64_t totalBytes = 0;
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
  ChunkMemory chunks = MakeChunkMemory();  // kept from one input file to the next

  bool Listing() const { return listObserver || list.IsOpen() || summary; }
  bool Several() const { return inputs.size() > 1; }
  // The name the messages about the file being read give it: none for a run of one file.
  std::string Naming() const { return Several() ? inputs[current].shown : std::string(); }

  bool Failed() {
    return output.Failed() || split.Failed() || duplicates.Failed() || list.Failed() ||
           summaryFile.Failed() || (log && log->File().Failed());
  }
};

void CheckDuplicatesIO(const ScanRequest& request) {
  CheckIO(kDuplicatesStep, FileNamePart(request.duplicatesPath));
}

// The report's first lines: the games read (from the input, or from "N files"), and the
// games written to the output; of a count, the games selected and, with the duplicates test,
// how many of them are duplicates.
std::string ReadAndWritten(const ScanFiles& files, const ScanRequest& request,
                           const ScanResult& result) {
  const std::string read =
      files.Several() ? std::to_string(files.inputs.size()) + " files" : files.inputs.front().path;
  std::string lines = Counted(result.gamesRead, " games read from ", read) + "\r";
  if (!request.countOnly)
    return lines + Counted(result.gamesWritten, " games written to ", request.outputPath);
  lines += std::to_string(result.gamesWritten + result.duplicatesWritten) + " games selected";
  if (!request.duplicatesPath.empty())
    lines += "\r" + std::to_string(result.duplicatesWritten) + " of them are duplicates";
  return lines;
}

// Opens the input files.current; of several, a failure names the file.
void OpenInput(ScanFiles& files, ScanResult& result) {
  const Input& input = files.inputs[files.current];
  files.input.Open(input.path);
  if (files.Several()) {
    CheckIO(kInputOpenStep, input.shown);
    result.files.push_back({input.path, 0, 0});
  } else {
    CheckIO(kInputOpenStep);
  }
}

void OpenFiles(ScanFiles& files, const ScanRequest& request, const std::string& splitPath,
               ScanResult& result) {
  OpenInput(files, result);
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
// With the summary's facts of the row when that thread found them too (facts).
void ListWritten(ScanFiles& files, int64_t number, std::string_view header,
                 std::string_view moveText, const ListedGame* row, const SummaryFacts* facts) {
  if (files.Listing()) {
    ListedGame game = row ? *row : ListGame(0, header, moveText);
    game.offset = files.outputOffset;
    if (files.listObserver) files.listObserver->Written(game);
    if (files.summary) facts ? files.summary->Add(game, *facts) : files.summary->Add(game);
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
                     std::string_view moveText, int64_t duplicateOf, const ListedGame* row,
                     const SummaryFacts* facts = nullptr) {
  if (duplicateOf == 0) {
    if (!files.counting) WriteGame(files.output, header, moveText);
    ++result.gamesWritten;
    ListWritten(files, result.gamesWritten, header, moveText, row, facts);
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

  void Upcoming(const GameKey& key) override {
    if (!request_.duplicatesPrefix) files_.kept.Prefetch(key);
  }

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
                      next_ ? &*next_ : nullptr, nextFacts_ ? &*nextFacts_ : nullptr);
    } else if (to == Destination::Split) {
      WriteGame(files_.split, header, moveText);
      ++result_.splitWritten;
    }
    next_.reset();
    nextFacts_.reset();
    ++result_.gamesRead;
    if (!result_.files.empty()) {
      ++result_.files.back().gamesRead;
      if (to == Destination::Output) ++result_.files.back().selected;
    }
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
    const uint64_t total = files_.Several() ? files_.totalBytes : files_.input.Size();
    observer_->Progress({files_.bytesBefore + position, total, result_.gamesRead,
                         result_.gamesWritten, result_.splitWritten});
  }

  void NextListed(const ListedGame& game, const SummaryFacts* facts) override {
    next_ = game;
    if (facts) nextFacts_ = *facts;
  }
  void ListedAhead(const SummaryFacts& facts) override {
    if (files_.summary) files_.summary->Prefetch(facts);
  }

 private:
  ScanFiles& files_;
  const ScanRequest& request_;
  ScanObserver* observer_;
  ScanResult& result_;
  std::optional<ListedGame> next_;  // the row of the next game, found on another thread
  std::optional<SummaryFacts> nextFacts_;  // and what the summary reads of it
};

// How many of the files after the one being read are read and scanned ahead of their turn.
constexpr size_t kFilesAhead = 4;

// Reads every game, decides it and writes it where it belongs, until the input ends or the
// run is cancelled. With a log, the input is read tolerantly and the log lists what the
// reading and the matcher found.
void ScanGames(ScanFiles& files, const ScanRequest& request, ScanReporter& shown,
               ScanObserver* observer, ScanResult& result, ReadingLog* log) {
  FileNaming named(shown, files.Naming());
  FlushingDialogs dialogs(named, files);
  Delivery delivery(files, request, observer, result);
  // With more than one core the usual reading scans the input in chunks on all of them;
  // small files of several are read and scanned whole ahead of their turn, a few at a time,
  // so that the cores share them out.
  uint64_t position = 0;
  if (!log && files.Several()) {
    const size_t last = std::min(files.inputs.size(), files.current + 1 + kFilesAhead);
    for (size_t k = files.current + 1; k < last; ++k)
      ScanFileAhead(*files.chunks, k, files.inputs[k].path, files.inputs[k].size, files.input,
                    request);
    if (DeliverScannedAhead(*files.chunks, files.current, files.input, request, dialogs, delivery,
                            position)) {
      delivery.Tell(position);
      return;
    }
  }
  if (!log && ScanInChunks(files.input, request, dialogs, delivery, position, files.chunks.get())) {
    delivery.Tell(position);
    return;
  }
  GameDecider decider(request, dialogs, log);
  // A file without a single line holds no game.
  bool eof = files.input.AtEnd();
  while (!eof) {
    // Games are numbered in their file.
    const int64_t number = result.gamesRead - files.readBefore + 1;
    if (!decider.Next(files.input, eof, number == 1, number)) break;
    if (decider.To() == Destination::Output && ListsRows(request))
      delivery.NextListed(Listed(decider), nullptr);
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
  std::string report = ReadAndWritten(files, request, result);

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
  if (request.perFile && files.Several())
    for (size_t i = 0; i < result.files.size(); ++i)
      report += "\r" + EscapeLineBreaks(files.inputs[i].shown) + ": " +
                std::to_string(result.files[i].gamesRead) + " games read, " +
                std::to_string(result.files[i].selected) + " selected";
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
    written = ReadAndWritten(files, request, result);
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

// The files a run reads: the inputs given, each folder replaced by its game files (the run's
// own outputs left out). emptyFolder: a folder that gave none, when no input is left.
}  // namespace

std::vector<std::string> RunOutputs(const ScanRequest& request) {
  std::vector<std::string> outputs = {request.outputPath, request.duplicatesPath,
                                      request.listPath, request.summaryPath};
  if (request.split) outputs.push_back(SplitName(request.outputPath).value_or(""));
  if (request.reading.tolerant) outputs.push_back(request.reading.logPath);
  return outputs;
}

namespace {

std::vector<Input> GatherInputs(const ScanRequest& request, FileSystem& fs,
                                std::string& emptyFolder) {
  std::vector<std::string> given = request.inputPaths;
  if (given.empty()) given.push_back(request.inputPath);
  std::vector<Input> inputs;
  const std::vector<std::string> leaveOut = RunOutputs(request);
  for (const std::string& path : given) {
    if (path == kStandardStream || !fs.DirExists(path)) {
      inputs.push_back({path, FileNamePart(path), RegularFileSize(path)});
      continue;
    }
    const std::string dir = path.ends_with('/') ? path : path + "/";
    const std::vector<std::string> found = ListGameFiles(dir, request.recursive, leaveOut);
    if (found.empty() && emptyFolder.empty()) emptyFolder = path;
    for (const std::string& file : found)
      inputs.push_back({file, file.substr(dir.size()), RegularFileSize(file)});
  }
  return inputs;
}

// The run: the checks of the names and the question, then the files and the games.
ScanResult Run(const ScanRequest& request, ScanReporter& dialogs, FileSystem& fs,
               ScanObserver* observer) {
  ScanResult result;
  const ReadingOptions& reading = request.reading;
  const std::string& outputPath = request.outputPath;
  std::string emptyFolder;
  ScanFiles files;
  files.inputs = GatherInputs(request, fs, emptyFolder);
  // An input that is path under another name (byName: or under this one).
  auto isInput = [&](const std::string& path, bool byName) {
    return std::any_of(files.inputs.begin(), files.inputs.end(), [&](const Input& input) {
      return (byName && input.path == path) || fs.SameFile(input.path, path);
    });
  };
  // Creating the output would empty the input before it is read. A count creates nothing
  // and asks nothing.
  const bool writing = !request.countOnly;
  if (writing && isInput(outputPath, false)) {
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
  if (files.inputs.empty()) {
    dialogs.ShowMessage(kNoGameFilesMessage + emptyFolder);
    result.outcome = ScanOutcome::InputMissing;
    return result;
  }
  for (const Input& input : files.inputs) {
    if (input.path != kStandardStream && !fs.FileExists(input.path)) {
      dialogs.ShowMessage("File " + input.path + " not found");
      result.outcome = ScanOutcome::InputMissing;
      return result;
    }
    files.totalBytes += input.size;
    if (input.size == 0) files.totalBytes = 0;
  }
  std::string splitPath;
  if (request.split) {
    splitPath = SplitFileName(outputPath);
    if (isInput(splitPath, false)) {
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
    if (isInput(dups, false)) {
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
    const std::string* paths[] = {&outputPath, &splitPath, &request.duplicatesPath};
    for (const std::string* path : paths) {
      if ((path->empty() || (*path != reading.logPath && !fs.SameFile(*path, reading.logPath))) &&
          !isInput(reading.logPath, true))
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
    const std::string* paths[] = {&outputPath, &splitPath, &reading.logPath,
                                  &request.duplicatesPath,
                                  named == &request.listPath ? nullptr : &request.listPath};
    for (const std::string* path : paths) {
      if ((!path || path->empty() ||
           (*path != list && (list == kStandardStream || !fs.SameFile(*path, list)))) &&
          !isInput(list, true))
        continue;
      dialogs.ShowMessage(kSameFileMessage);
      result.outcome = ScanOutcome::SameFile;
      return result;
    }
  }

  std::optional<ReadingLog> log;
  try {
    OpenFiles(files, request, splitPath, result);
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
    for (;;) {
      if (log && files.Several()) log->SetInputName(files.Naming());
      try {
        ScanGames(files, request, dialogs, observer, result, log ? &*log : nullptr);
      } catch (const GameTooLarge&) {
        // Thrown while the game after the ones delivered was read.
        ReportScanFault(InFile(
            files.Naming(),
            GameTooLargeMessage(result.gamesRead - files.readBefore + 1, request.maxGameBytes)));
      } catch (const ScanFileError& e) {
        // The line that is no tag stops the reading of its file: the fault names it.
        if (!files.Several() || std::string_view(e.what()) != kInvalidHeaderTrap) throw;
        ReportScanFault(InFile(files.Naming(), e.what()));
      }
      if (files.input.Cancelled()) result.outcome = ScanOutcome::Cancelled;
      if (result.outcome == ScanOutcome::Cancelled || files.current + 1 >= files.inputs.size())
        break;
      // A stop request after the last game of a file stops the run before the next one.
      if (request.cancel && request.cancel->load(std::memory_order_relaxed)) {
        result.outcome = ScanOutcome::Cancelled;
        break;
      }
      // The next file, once this one's bytes are known to be right.
      if (!files.input.CheckRead(request.cancel)) {
        CheckIO(kOutputStep, files.Naming());
        if (const std::string damage = files.input.Damage(); !damage.empty())
          ReportScanFault(damage);
      }
      files.input.Close();
      CheckIO(kOutputStep, files.Naming());
      files.bytesBefore += files.inputs[files.current].size;
      files.readBefore = result.gamesRead;
      ++files.current;
      OpenInput(files, result);
    }
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
