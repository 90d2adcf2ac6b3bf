// The scan run: reads the input game by game, writes passing games to the output file and,
// with Split, failing games to the split file, then reports the counts.
#pragma once

#include <atomic>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "engine/criteria.h"
#include "engine/game_list.h"
#include "engine/reading_log.h"
#include "engine/scan_method.h"
#include "platform/dialogs.h"
#include "platform/file_system.h"

namespace kelvane {

class SelectionSummary;

// How the input is read: the usual way, or tolerantly (see TolerantReader).
struct ReadingOptions {
  bool tolerant = false;
  // Tolerant: the file that lists what was skipped and the faulty games (empty: none), and
  // whether each entry is also shown as a notice.
  std::string logPath;
  bool listAsNotices = false;
};

// Everything one run needs to know.
struct ScanRequest {
  std::string inputPath;
  std::string outputPath;
  bool split = false;  // failing games go to the split file
  Criteria criteria;
  // When set (from any thread, or a signal handler), the run stops after the game in hand.
  const std::atomic<bool>* cancel = nullptr;
  ScanMethod method = {};
  // The most bytes a game's text may take. A larger one is never held whole: the run ends
  // with "Game N is larger than ..." after the games before it or, read tolerantly, the game
  // is skipped and listed.
  size_t maxGameBytes = size_t{kDefaultMaxGameSize} * kBytesPerMB;
  ReadingOptions reading = {};
  // A passing game whose moves and result are those of a game already written goes to
  // this file, not to the output (empty: no such test). With duplicatesPrefix, so does one
  // whose moves begin a longer game's of the same players; the games are then held until
  // the input has been read.
  std::string duplicatesPath = {};
  bool duplicatesPrefix = false;
  // The list file (engine/game_list.h): a line per game written to the output; empty: none.
  // Written like the outputs, never over the input or one of them.
  std::string listPath = {};
  // The observer hears of every game written to the output with its row (ScanObserver::Written).
  bool listGames = false;
  // Count only: every game is read and decided as the run would, with the duplicates test
  // when duplicatesPath names a file, but nothing is written, created or asked: no output,
  // split, duplicates, list or log file. Games that pass are counted as written to the output
  // (or the duplicates file); the report says how many were selected.
  bool countOnly = false;
  // The summary that hears of every game written to the output (none: nullptr), and the file
  // its JSON is written to at the end (empty: none), written like the list file. Without a
  // summary of the caller's, the run keeps one of its own for the file.
  SelectionSummary* summary = nullptr;
  std::string summaryPath = {};
  // Several inputs, read one after another, in this order, into the one output (and split,
  // duplicates and list file): files, or folders whose game files (platform/game_folder.h),
  // the run's own outputs left out, stand in their place. Empty: inputPath alone, which
  // may be a folder too. A file that cannot be opened ends the run (a terminating error
  // that names it) with the games of the files before it written; the files after it are
  // not read.
  std::vector<std::string> inputPaths = {};
  bool recursive = false;  // a folder's subfolders too
  // With several files, the report ends with a line per file: its games read and selected.
  bool perFile = false;
};

// The files a run writes (a name may be empty), which a folder of its inputs leaves out.
std::vector<std::string> RunOutputs(const ScanRequest& request);

// Whether a run finds the row of every game written to the output.
inline bool ListsRows(const ScanRequest& request) {
  return request.listGames || !request.listPath.empty() || request.summary ||
         !request.summaryPath.empty();
}

// How far a run has got.
struct ScanProgress {
  uint64_t bytesRead = 0;
  uint64_t totalBytes = 0;  // the input file's size; 0 when it has none (a pipe)
  int64_t gamesRead = 0;
  int64_t gamesWritten = 0;
  int64_t splitWritten = 0;
};

// Told after every kProgressEvery games and at the end how far a run has got, on the
// thread that runs the scan.
inline constexpr int64_t kProgressEvery = 4096;
class ScanObserver {
 public:
  virtual ~ScanObserver() = default;
  virtual void Progress(const ScanProgress& progress) = 0;
  // The run has passed its checks and questions and opened its files: the games come next.
  virtual void FilesOpened() {}
  // Before FilesOpened: the file the output's games are written to until the run ends.
  virtual void OutputWritingTo(const std::string& /*path*/) {}
  // With ScanRequest::listGames: a game was written to the output, in output order, with its
  // row (its offset in the output included). The output's bytes may still wait in its buffer.
  virtual void Written(const ListedGame& /*game*/) {}
};

enum class ScanOutcome {
  Completed,       // the report was shown
  Declined,        // the overwrite question was not answered OK
  InputMissing,    // "File ... not found"
  SameFile,        // output or split file is the input file under another name
  SameOutputFile,  // the split file is the output file under another name
  Cancelled,       // stopped on request; the games decided so far are written and reported
  // The duplicates file is the output or the split file.
  SameDuplicatesFile,
};

inline constexpr char kSameOutputMessage[] = "Output and split file cannot be the same file";
// The split file would be the input: the message names the split file, not the output.
inline constexpr char kSameSplitMessage[] = "Input and split file cannot be the same file";
// A folder given as the input that holds no game file: "No game files in DIR".
inline constexpr char kNoGameFilesMessage[] = "No game files in ";
inline constexpr char kSameDuplicatesMessage[] =
    "The duplicates file cannot be the output or the split file";

// Of a run of several files, one file's games: read, and selected (passed the criteria:
// written to the output or, as duplicates, to the duplicates file).
struct FileCounts {
  std::string path;
  int64_t gamesRead = 0;
  int64_t selected = 0;
};

struct ScanResult {
  ScanOutcome outcome = ScanOutcome::Completed;
  int64_t gamesRead = 0;
  int64_t gamesWritten = 0;
  int64_t splitWritten = 0;  // games written to the split file
  ReadingCounts listed;      // what tolerant reading listed
  // Games written to the duplicates file.
  int64_t duplicatesWritten = 0;
  // With several input files: each file begun, in the order read.
  std::vector<FileCounts> files;
};

// Asks before overwriting, reports through dialogs and looks at files through fileSystem.
// A failed write of a game ends the run at once (I/O error at step 199 for the output file,
// 200 for the split file); a report that cannot be shown is an I/O error at step 201.
// The output files are written beside the old ones and take their places at the end, once
// every file of the run could be opened. A fatal fault throws FatalError after the files
// have been flushed and closed and have taken their places.
ScanResult RunScan(const ScanRequest& request, ScanReporter& dialogs, FileSystem& fileSystem,
                   ScanObserver* observer = nullptr);

}  // namespace kelvane
