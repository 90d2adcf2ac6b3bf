// The scan run: reads the input game by game, writes passing games to the output file and,
// with Split, failing games to the split file, then reports the counts.
#pragma once

#include <cstdint>
#include <string>

namespace kelvane {

// Games finished in the current (or last) run.
extern int64_t GamesRead;

// Told now and then how far a run has got (the headless scan's progress line).
class ScanObserver {
 public:
  virtual ~ScanObserver() = default;
  virtual void Progress(uint64_t bytesRead, uint64_t totalBytes, int64_t gamesRead) = 0;
};

enum class ScanOutcome {
  Completed,     // the report was shown
  Declined,      // the overwrite question was not answered OK
  InputMissing,  // "File ... not found"
  SameFile,      // output or split file is the input file under another name
};

ScanOutcome RunScan(const std::string& inputPath, const std::string& outputPath,
                    ScanObserver* observer = nullptr);
// The output path with "2" before the first "." of its file name; traps
// ("no period in file name") when the file name has none.
std::string SplitFileName(const std::string& outputPath);

}  // namespace kelvane
