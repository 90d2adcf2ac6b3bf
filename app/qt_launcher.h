// The window's launcher: programs start detached, help shows in the program's help window.
#pragma once

#include "platform/launcher.h"

namespace kelvane {

class QtLauncher : public Launcher {
 public:
  QtLauncher() = default;
  QtLauncher(const QtLauncher&) = delete;
  QtLauncher& operator=(const QtLauncher&) = delete;
  // Closes the help window, which is no child of any window of the program.
  ~QtLauncher() override;

  int StartProgram(const std::string& program, const std::string& argument,
                   const std::string& workingDir) override;
  void ShowHelp(int topic) override;
};

}  // namespace kelvane
