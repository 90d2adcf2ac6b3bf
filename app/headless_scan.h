// The headless scan: `kelvane --scan [OPTIONS]`, the window's Run command without a window.
#pragma once

#include <string>
#include <vector>

#include "settings/settings.h"

namespace kelvane {

// Runs one scan from the options that follow "--scan"; returns the exit status.
int RunHeadlessScan(const std::vector<std::string>& args);
// The options that follow "--scan" applied to settings as the window's fields would take
// them; false, with the fault in fault, when they cannot be.
bool ApplyScanOptions(const std::vector<std::string>& args, Settings& settings, std::string& fault);
// The usage text of the command line.
std::string UsageText();

}  // namespace kelvane
