#include "engine/scan_run.h"

#include "engine/criteria.h"
#include "engine/game_matcher.h"
#include "engine/game_reader.h"
#include "platform/dialogs.h"
#include "platform/fault.h"
#include "platform/file_system.h"
#include "platform/orderly_exit.h"
#include "platform/text_files.h"
#include "settings/settings.h"

namespace kelvane {

int64_t GamesRead = 0;

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

ScanOutcome RunScan(const std::string& inputPath, const std::string& outputPath,
                    ScanObserver* observer) {
  FileSystem& fs = fileSystem();
  // Creating the output would empty the input before it is read.
  if (fs.SameFile(inputPath, outputPath)) {
    dialogs().ShowMessage(kSameFileMessage);
    return ScanOutcome::SameFile;
  }
  if (fs.FileExists(outputPath) && dialogs().Confirm("Overwrite " + FileNamePart(outputPath) + "?",
                                                     DialogButtons::OkCancel) != DialogButton::Ok)
    return ScanOutcome::Declined;
  if (!fs.FileExists(inputPath)) {
    dialogs().ShowMessage("File " + inputPath + " not found");
    return ScanOutcome::InputMissing;
  }

  GamesRead = 0;
  int64_t written = 0;
  int64_t splitWritten = 0;
  bool eof = false;
  const bool split = IniValues.Split;
  std::string splitPath;
  if (split) {
    splitPath = SplitFileName(outputPath);
    if (fs.SameFile(inputPath, splitPath)) {
      dialogs().ShowMessage(kSameFileMessage);
      return ScanOutcome::SameFile;
    }
  }

  InputFile input;
  OutputFile output;
  OutputFile splitOutput;
  // A fatal fault in the middle of the run still delivers every game decided before it.
  // The step refers to the files above, so it goes with them however the run is left.
  struct ClosingStep {
    ExitStepId id;
    ~ClosingStep() { RemoveExitStep(id); }
  } closeFiles{AddExitStep([&] {
    output.Close();
    splitOutput.Close();
    input.Close();
  })};
  input.Open(inputPath);
  CheckIO(100);
  output.Create(outputPath);
  CheckIO(101);
  if (split) {
    splitOutput.Create(splitPath);
    CheckIO(102);
  }

  // A file without a single line holds no game.
  if (input.AtEnd()) eof = true;
  std::string header;
  std::string moveText;
  while (!eof) {
    ReadHeader(input, eof, header);
    ReadMoveText(input, eof, moveText);
    if (GameMatches(moveText)) {
      WriteGame(output, header, moveText);
      ++written;
    } else if (split) {
      WriteGame(splitOutput, header, moveText);
      ++splitWritten;
    }
    ++GamesRead;
    if (observer && GamesRead % kProgressEvery == 0)
      observer->Progress(input.BytesRead(), input.Size(), GamesRead);
  }
  if (observer) observer->Progress(input.BytesRead(), input.Size(), GamesRead);

  std::string report = Counted(GamesRead, " games read from ", inputPath) + "\r" +
                       Counted(written, " games written to ", outputPath);
  input.Close();
  output.Close();
  CheckIO(199);
  if (split) {
    report += "\r" + Counted(splitWritten, " games written to ", SplitFileName(outputPath));
    splitOutput.Close();
    CheckIO(200);
  }
  dialogs().ShowReport(report);
  return ScanOutcome::Completed;
}

}  // namespace kelvane
