#include "engine/reading_log.h"

#include "platform/fault.h"
#include "platform/shown_text.h"
#include "text/path_parts.h"

namespace kelvane {

namespace {

// "1 line skipped", "3 lines skipped".
std::string Count(int64_t n, const char* one, const char* many) {
  return std::to_string(n) + (n == 1 ? one : many);
}

}  // namespace

std::string LogFileName(const std::string& outputPath) {
  return outputPath + ".log";
}

ReadingLog::ReadingLog(ScanReporter& dialogs, std::string path, bool showNotices)
    : dialogs_(dialogs),
      faults_(*this, dialogs),
      path_(std::move(path)),
      showNotices_(showNotices) {}

void ReadingLog::Create() {
  if (path_.empty()) return;
  file_.Create(path_);
  CheckIO(kLogCreateStep);
}

void ReadingLog::CheckWrites() {
  if (file_.Failed()) CheckIO(kLogStep, FileNamePart(path_));
}

void ReadingLog::Finish() {
  if (path_.empty()) return;
  file_.Finish();
  CheckIO(kLogStep, FileNamePart(path_));
}

void ReadingLog::Close() {
  if (path_.empty()) return;
  file_.Close();
  CheckIO(kLogStep, FileNamePart(path_));
}

void ReadingLog::Add(int64_t line, std::string_view what) {
  std::string entry =
      inputName_ + "line " + std::to_string(line) + ", game " + std::to_string(game_) + ": ";
  entry.append(what);
  if (showNotices_) dialogs_.ShowNotice(entry);
  entry.append("\r\n");
  // A line of a game file may hold any byte: the log shows its controls as the console does.
  file_.Write(EscapeControls(entry));
}

void ReadingLog::LineSkipped(int64_t line, std::string_view text) {
  ++counts_.linesSkipped;
  Add(line, "skipped: " + CutQuotedLine(text));
}

void ReadingLog::OddLine(int64_t line, std::string_view text) {
  ++counts_.oddLines;
  Add(line, "odd line: \"" + CutQuotedLine(text) + "\"");
}

void ReadingLog::GameSkipped(int64_t line, size_t most) {
  ++counts_.gamesSkipped;
  Add(line, "game larger than " + GameSizeText(most) + ", skipped");
}

void ReadingLog::GameFault(const std::string& notice) {
  ++counts_.faultyGames;
  // The matcher names the game itself; the entry names it like every other.
  const std::string own = "Game " + std::to_string(game_) + ": ";
  Add(gameLine_, notice.rfind(own, 0) == 0 ? std::string_view(notice).substr(own.size())
                                           : std::string_view(notice));
}

std::string ReadingLog::ReportLine() const {
  std::string line;
  auto part = [&line](int64_t n, const char* one, const char* many) {
    if (n == 0) return;
    if (!line.empty()) line += ", ";
    line += Count(n, one, many);
  };
  part(counts_.linesSkipped, " line skipped", " lines skipped");
  part(counts_.oddLines, " odd line", " odd lines");
  part(counts_.faultyGames, " game with faults", " games with faults");
  part(counts_.gamesSkipped, " game skipped", " games skipped");
  if (!line.empty() && !path_.empty())
    line += ", listed in " + EscapeLineBreaks(FileNamePart(path_));
  return line;
}

}  // namespace kelvane
