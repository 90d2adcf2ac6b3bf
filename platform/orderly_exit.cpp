#include "platform/orderly_exit.h"

#include <unistd.h>

#include <cstdio>
#include <utility>
#include <vector>

namespace kelvane {

namespace {
struct Step {
  ExitStepId id;
  std::function<void()> run;
};
// The steps are global because a fatal fault may end the program from any depth of any
// window's handler, and each open window must still get to save what it holds.
std::vector<Step>& Steps() {
  static std::vector<Step> steps;
  return steps;
}
ExitStepId nextId = 1;
bool exiting = false;
}  // namespace

ExitStepId AddExitStep(std::function<void()> step) {
  Steps().push_back({nextId, std::move(step)});
  return nextId++;
}

void RemoveExitStep(ExitStepId id) {
  auto& steps = Steps();
  for (auto it = steps.begin(); it != steps.end(); ++it) {
    if (it->id == id) {
      steps.erase(it);
      return;
    }
  }
}

void OrderlyExit(int code) {
  // A step that fails into another fatal fault ends the process without running the
  // remaining steps a second time.
  if (!exiting) {
    exiting = true;
    auto& steps = Steps();
    while (!steps.empty()) {
      Step step = std::move(steps.back());
      steps.pop_back();
      step.run();
    }
  }
  std::fflush(nullptr);
  // _exit, not exit: the window's objects are still alive on the stack, and their
  // destructors must not run behind the closing steps' back.
  ::_exit(code);
}

}  // namespace kelvane
