#include "engine/scan_run.h"

#include <optional>

#include "engine/criteria_entry.h"
#include "engine/game_matcher.h"
#include "engine/game_reader.h"
#include "platform/fault.h"
#include "platform/text_files.h"

namespace kelvane {

namespace {

constexpr int64_t kProgressEvery = 4096;  // games between two progress calls

void WriteGame(OutputFile& f, const std::string& header, const std::string& moveText) {
  f.Write(header);
  f.Write("\r\n", 2);
  f.Write(moveText);
  f.Write("\r\n", 2);
}

std::string Counted(int64_t n, const char* what, const std::string& path) {
  return std::to_string(n) + what + FileNamePart(path);
}

}  // namespace

std::string SplitFileName(const std::string& outputPath) {
  std::string dir = DirectoryPart(outputPath);
  std::string name = FileNamePart(outputPath);
  size_t dot = name.find('.');
  if (dot == std::string::npos) ReportTrap("no period in file name");
  return dir + name.substr(0, dot) + "2" + name.substr(dot);
}

namespace {

// The files of a run, opened in order; a failed step traps at its step number. Their
// destructors flush and close them, so a fatal fault still delivers every decided game.
struct ScanFiles {
  InputFile input;
  OutputFile output;
  OutputFile split;
};

void OpenFiles(ScanFiles& files, const ScanRequest& request, const std::string& splitPath) {
  files.input.Open(request.inputPath);
  CheckIO(100);
  files.output.Create(request.outputPath);
  CheckIO(101);
  if (request.split) {
    files.split.Create(splitPath);
    CheckIO(102);
  }
}

// Reads every game, decides it and writes it where it belongs. With a log, the input is
// read tolerantly and the log lists what the reading and the matcher found.
void ScanGames(ScanFiles& files, const ScanRequest& request, Dialogs& dialogs,
               ScanObserver* observer, ScanResult& result, const ReadingOptions& reading,
               ReadingLog* log) {
  GameMatcher matcher(request.criteria, log ? log->MatcherDialogs() : dialogs);
  std::optional<TolerantReader> tolerant;
  if (log) tolerant.emplace(files.input, *log);
  // A file without a single line holds no game.
  bool eof = files.input.AtEnd();
  std::string header;
  std::string moveText;
  while (!eof) {
    if (tolerant) {
      log->StartGame(result.gamesRead + 1);
      if (!tolerant->ReadGame(eof, header, moveText)) break;
      log->SetGameLine(tolerant->GameLine());
    } else {
      ReadHeader(files.input, eof, header, dialogs, reading.invalidLineAdvice);
      ReadMoveText(files.input, eof, moveText, dialogs);
    }
    if (matcher.Matches(moveText, result.gamesRead + 1)) {
      WriteGame(files.output, header, moveText);
      ++result.gamesWritten;
    } else if (request.split) {
      WriteGame(files.split, header, moveText);
      ++result.splitWritten;
    }
    ++result.gamesRead;
    if (observer && result.gamesRead % kProgressEvery == 0)
      observer->Progress(files.input.BytesRead(), files.input.Size(), result.gamesRead);
  }
  if (observer) observer->Progress(files.input.BytesRead(), files.input.Size(), result.gamesRead);
}

// Closes the files, checking each close, and shows the counts.
void CloseAndReport(ScanFiles& files, const ScanRequest& request, const std::string& splitPath,
                    const ScanResult& result, Dialogs& dialogs, ReadingLog* log) {
  std::string report = Counted(result.gamesRead, " games read from ", request.inputPath) + "\r" +
                       Counted(result.gamesWritten, " games written to ", request.outputPath);
  files.input.Close();
  files.output.Close();
  CheckIO(199);
  if (request.split) {
    report += "\r" + Counted(result.splitWritten, " games written to ", splitPath);
    files.split.Close();
    CheckIO(200);
  }
  if (log) {
    log->Close();
    if (std::string line = log->ReportLine(); !line.empty()) report += "\r" + line;
  }
  dialogs.ShowReport(report);
}

}  // namespace

ScanResult RunScan(const ScanRequest& request, Dialogs& dialogs, FileSystem& fs,
                   ScanObserver* observer, const ReadingOptions& reading) {
  ScanResult result;
  const std::string& inputPath = request.inputPath;
  const std::string& outputPath = request.outputPath;
  // Creating the output would empty the input before it is read.
  if (fs.SameFile(inputPath, outputPath)) {
    dialogs.ShowMessage(kSameFileMessage);
    result.outcome = ScanOutcome::SameFile;
    return result;
  }
  if (fs.FileExists(outputPath) && dialogs.Confirm("Overwrite " + FileNamePart(outputPath) + "?",
                                                   DialogButtons::OkCancel) != DialogButton::Ok) {
    result.outcome = ScanOutcome::Declined;
    return result;
  }
  if (!fs.FileExists(inputPath)) {
    dialogs.ShowMessage("File " + inputPath + " not found");
    result.outcome = ScanOutcome::InputMissing;
    return result;
  }
  std::string splitPath;
  if (request.split) {
    splitPath = SplitFileName(outputPath);
    if (fs.SameFile(inputPath, splitPath)) {
      dialogs.ShowMessage(kSameFileMessage);
      result.outcome = ScanOutcome::SameFile;
      return result;
    }
  }

  if (reading.tolerant && !reading.logPath.empty()) {
    // The log is written like the outputs: never over the input or one of them.
    const std::string* paths[] = {&inputPath, &outputPath, &splitPath};
    for (const std::string* path : paths) {
      if (path->empty() || (*path != reading.logPath && !fs.SameFile(*path, reading.logPath)))
        continue;
      dialogs.ShowMessage(kSameFileMessage);
      result.outcome = ScanOutcome::SameFile;
      return result;
    }
  }

  ScanFiles files;
  OpenFiles(files, request, splitPath);
  std::optional<ReadingLog> log;
  if (reading.tolerant) {
    log.emplace(dialogs, reading.logPath, reading.listAsNotices);
    log->Create();
  }
  ScanGames(files, request, dialogs, observer, result, reading, log ? &*log : nullptr);
  if (log) result.listed = log->Counts();
  CloseAndReport(files, request, splitPath, result, dialogs, log ? &*log : nullptr);
  return result;
}

}  // namespace kelvane
