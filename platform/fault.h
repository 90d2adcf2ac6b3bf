// Fatal faults: states the program cannot go on from. They are thrown where they are found
// and carried to the program's edge (the headless scan, the window's event handlers), which
// shows them and ends the program through the orderly exit with code 999.
#pragma once

#include <stdexcept>
#include <string>
#include <string_view>

namespace kelvane {

inline constexpr int kTrapExitCode = 999;
// The fatal fault of an allocation that failed.
inline constexpr char kOutOfMemoryMessage[] = "out of memory";

// A fatal fault; what() is the text shown after "Terminating error: ".
class FatalError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Throws FatalError(message).
[[noreturn]] void ReportTrap(std::string_view message);
// Takes the pending I/O result; when a failure was pending, traps with
// "An I/O error has occurred at <step>. The result code is <code>", with " (<file>)" after
// the step when a file is named.
void CheckIO(int step, std::string_view file = {});
// -1 when first is older than second, 1 when newer, 0 when both have the same two-second
// age. Traps with "Logic #6538" when either is missing or a directory.
int CompareFileAges(const std::string& first, const std::string& second);

// At the edge: beeps, shows "Terminating error: " + the fault's whole text, runs the
// orderly exit and ends the process with exit code 999. Main thread only.
[[noreturn]] void EndOnFatalError(const FatalError& error);

// A fault's text that names a file, before + name + after: when "Terminating error: " and
// the text would pass 255 bytes, the name is cut in its middle (CutInMiddle), never the
// rest, which says what went wrong.
std::string FaultNaming(std::string_view before, std::string_view name, std::string_view after);

}  // namespace kelvane
