// Fatal fault reports: ReportTrap ends the program through the orderly exit with code 999.
#pragma once

#include <string>
#include <string_view>

namespace kelvane {

inline constexpr int kTrapExitCode = 999;

// Beeps, shows "Terminating error: " + message (cut at 255 bytes), runs the orderly exit
// and ends the process with exit code 999.
[[noreturn]] void ReportTrap(std::string_view message);
// Takes the pending I/O result; when a failure was pending, traps with
// "An I/O error has occurred at <step>. The result code is <code>".
void CheckIO(int step);
// -1 when first is older than second, 1 when newer, 0 when both have the same two-second
// age. Traps with "Logic #6538" when either is missing or a directory.
int CompareFileAges(const std::string& first, const std::string& second);

}  // namespace kelvane
