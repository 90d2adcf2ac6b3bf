// The scan on every core. The input is cut into chunks of a few megabytes at places where a
// game is sure to begin; threads read and decide the games of the chunks while the scan's
// own thread reads the next chunks, and the games are then written, counted and reported
// chunk after chunk in file order. Files, counts, messages and their order, game numbers,
// progress, a cancel and a fatal fault come out as from a scan that reads the whole file
// line by line on one thread.
#pragma once

#include <cstddef>

#include "engine/scan_run.h"
#include "platform/text_files.h"

namespace kelvane {

// Scans the whole input in chunks, delivers every game to output (or, with Split, to split)
// and tells the observer, and returns true. Returns false, having read nothing, when the run
// may use one core only or the input is no larger than one chunk: the caller then reads it
// line by line. Throws as the line-by-line scan would (a fatal fault after the games before
// it were written).
bool ScanInChunks(InputFile& input, OutputFile& output, OutputFile& split,
                  const ScanRequest& request, Dialogs& dialogs, ScanObserver* observer,
                  ScanResult& result);

// The cores the process may run on (its affinity mask), at least 1.
unsigned CoresForScan();

// Looks for a place to cut a file where a game is sure to begin: the end of an empty line
// that follows a stretch of non-empty lines which holds a start of move text ("1.", "{" or a
// bare result) and comes after another empty line. A line reader that starts a game at the
// start of the file is then between two games there, or has met an invalid tag line before.
class CutFinder {
 public:
  static constexpr size_t kNone = static_cast<size_t>(-1);

  // Looks from the first line that starts after offset from.
  explicit CutFinder(size_t from) : pos_(from) {}
  // The first such place in data[0, n) with at least one byte after it, or kNone when the
  // data ends first; a later call with more of the same data goes on from there.
  size_t Find(const char* data, size_t n);

 private:
  size_t pos_;
  bool atLineStart_ = false;
  bool afterEmptyLine_ = false;  // an empty line came before the stretch in hand
  bool moveTextStart_ = false;   // the stretch in hand holds a start of move text
};

}  // namespace kelvane
