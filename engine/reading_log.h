// The list that tolerant reading keeps while a scan reads its input: the lines it skipped,
// the odd lines it kept and the games whose moves could not be read, each with its line
// number in the input file and its game number. The list goes to a log file and, when
// asked, to the dialogs as notices (the headless scan's standard error); the report gets
// one line with the counts.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "engine/game_reader.h"
#include "platform/dialogs.h"
#include "platform/text_files.h"

namespace kelvane {

struct ReadingCounts {
  int64_t linesSkipped = 0;
  int64_t oddLines = 0;
  int64_t faultyGames = 0;
  int64_t gamesSkipped = 0;  // too large to hold
  friend bool operator==(const ReadingCounts&, const ReadingCounts&) = default;
};

// The log file beside an output file: its path with ".log" added.
std::string LogFileName(const std::string& outputPath);

class ReadingLog : public ReadingNotes {
 public:
  // path: the log file (empty: none); showNotices: every entry is also a notice.
  ReadingLog(ScanReporter& dialogs, std::string path, bool showNotices);
  ReadingLog(const ReadingLog&) = delete;
  ReadingLog& operator=(const ReadingLog&) = delete;

  // Creates the log file from empty; a failure traps at step 103.
  void Create();
  // The game being read now: its number, and the line its first line has once it is known.
  void StartGame(int64_t number) { game_ = number; }
  void SetGameLine(int64_t line) { gameLine_ = line; }
  // Of a run of several files, the file being read: every entry then begins with its name.
  void SetInputName(const std::string& name) { inputName_ = name + ", "; }

  void LineSkipped(int64_t line, std::string_view text) override;
  void OddLine(int64_t line, std::string_view text) override;
  void GameSkipped(int64_t line, size_t most) override;
  // The dialogs for the game matcher: its notice about a faulty game ("Game N: fault")
  // becomes an entry; everything else goes on to the scan's dialogs.
  ScanReporter& MatcherDialogs() { return faults_; }

  // A failed write of the log file traps at step 202, with the file's name.
  void CheckWrites();
  // Flushes and closes the log file without putting it in place yet; a failure traps as
  // above. Close then puts it in place, Discard removes it (the old file stays).
  void Finish();
  // The log file itself, for a run that settles its files unchecked.
  OutputFile& File() { return file_; }
  // Closes the log file, complete; a failure traps at step 202.
  void Close();
  // The report's line about the list ("3 lines skipped, 2 games with faults, listed in
  // out.pgn.log"); empty when the list is empty.
  std::string ReportLine() const;
  const ReadingCounts& Counts() const { return counts_; }

 private:
  // The matcher's reporter: its fault notices go to the log, the rest on.
  class FaultDialogs : public ForwardingReporter {
   public:
    FaultDialogs(ReadingLog& log, ScanReporter& inner) : ForwardingReporter(inner), log_(log) {}
    void ShowNotice(const std::string& text) override { log_.GameFault(text); }

   private:
    ReadingLog& log_;
  };

  void GameFault(const std::string& notice);
  // Writes "line L, game N: what" to the file and, when asked, shows it.
  void Add(int64_t line, std::string_view what);

  ScanReporter& dialogs_;
  FaultDialogs faults_;
  std::string path_;
  bool showNotices_;
  OutputFile file_;
  ReadingCounts counts_;
  int64_t game_ = 0;
  int64_t gameLine_ = 0;
  std::string inputName_;
};

}  // namespace kelvane
