// Fatal faults: states the program cannot go on from. They are thrown where they are found
// and carried to the program's edge (the headless scan, the window's event handlers), which
// shows them and ends the program through the orderly exit with code 999.
#pragma once

#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>

namespace kelvane {

inline constexpr int kTrapExitCode = 999;
// The fatal fault of an allocation that failed.
inline constexpr char kOutOfMemoryMessage[] = "out of memory";

// The steps a failed file operation is reported at ("An I/O error has occurred at <step>"):
// the number says which file, and whether it was being opened or written and closed.
inline constexpr int kInputOpenStep = 100;     // input file opened
inline constexpr int kOutputCreateStep = 101;  // output file created
inline constexpr int kSplitCreateStep = 102;   // split file created
inline constexpr int kLogCreateStep = 103;     // log file created
inline constexpr int kDuplicatesCreateStep = 104;  // duplicates file created
inline constexpr int kListCreateStep = 105;        // list file created
inline constexpr int kSummaryCreateStep = 106;     // summary file created
inline constexpr int kOutputStep = 199;        // output file written and closed (input closed)
inline constexpr int kSplitStep = 200;         // split file written and closed
inline constexpr int kReportStep = 201;        // report shown (a console writes it to stdout)
inline constexpr int kLogStep = 202;           // log file written and closed
inline constexpr int kDuplicatesStep = 203;    // duplicates file written and closed
inline constexpr int kListStep = 204;          // list file written and closed
inline constexpr int kSummaryStep = 205;       // summary file written and closed

// The texts of the fatal faults that carry a fixed reference instead of a description.
// ReadHeader met a line that does not begin with "[".
inline constexpr char kInvalidHeaderTrap[] = "trap 7365";
// CompareFileAges was given a file that is missing or a directory.
inline constexpr char kFileAgeTrap[] = "Logic #6538";
// The settings file could not be read.
inline constexpr char kIniReadTrap[] = "Ini error (ref: 6203)";

// A fatal fault; what() is the text shown after "Terminating error: ".
class FatalError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// A fatal fault of a scan's own files: a failed step of their opening, writing or closing,
// an input that is not PGN or is damaged, a game too large for the memory. It ends the
// scan; the headless scan ends on it as on any fatal fault, the window shows it and stays.
// written: what the scan left behind, to be shown after the fault (empty when the fault's
// text says it already).
class ScanFileError : public FatalError {
 public:
  ScanFileError(const std::string& what, std::string written)
      : FatalError(what), written_(std::move(written)) {}
  const std::string& Written() const { return written_; }

 private:
  std::string written_;
};

// Throws FatalError(message).
[[noreturn]] void ReportTrap(std::string_view message);
// Throws ScanFileError(message): a fault of a scan's own files.
[[noreturn]] void ReportScanFault(std::string_view message);
// Takes the pending I/O result; when a failure was pending, ends the scan (ReportScanFault) with
// "An I/O error has occurred at <step>. The result code is <code>", with " (<file>)" after
// the step when a file is named.
void CheckIO(int step, std::string_view file = {});
// -1 when first is older than second, 1 when newer, 0 when both have the same two-second
// age. Traps with kFileAgeTrap when either is missing or a directory.
int CompareFileAges(const std::string& first, const std::string& second);

// Beeps and shows "Terminating error: " + the fault's whole text.
void ShowFatalError(const FatalError& error);
// At the edge: beeps, shows "Terminating error: " + the fault's whole text, runs the
// orderly exit and ends the process with exit code 999. Main thread only.
[[noreturn]] void EndOnFatalError(const FatalError& error);

// A fault's text that names a file, before + name + after: when "Terminating error: " and
// the text would pass 255 bytes, the name is cut in its middle (CutInMiddle), never the
// rest, which says what went wrong.
std::string FaultNaming(std::string_view before, std::string_view name, std::string_view after);

}  // namespace kelvane
