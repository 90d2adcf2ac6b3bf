// The headless scan: `kelvane --scan [OPTIONS]`, the window's Run command without a window.
#pragma once

#include <string>
#include <vector>

namespace kelvane {

// Runs one scan from the options that follow "--scan"; returns the exit status.
int RunHeadlessScan(const std::vector<std::string>& args);
// The usage text of the command line.
std::string UsageText();

}  // namespace kelvane
