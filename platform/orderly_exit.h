// The program's orderly exit: closing steps that run, newest first, before the process
// ends with an exit code. Open scan files and the main window register theirs here.
#pragma once

#include <functional>

namespace kelvane {

using ExitStepId = int;

// Registers a closing step; returns its id for RemoveExitStep.
ExitStepId AddExitStep(std::function<void()> step);
void RemoveExitStep(ExitStepId id);
// Runs every registered step once (newest first) and ends the process with code.
[[noreturn]] void OrderlyExit(int code);

}  // namespace kelvane
