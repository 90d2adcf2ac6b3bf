// Starting other programs and showing help: the desktop services of the window.
#pragma once

#include <string>
#include <vector>

namespace kelvane {

class Launcher {
 public:
  virtual ~Launcher() = default;
  // Starts program detached with the one argument, in workingDir; returns 0 on success,
  // else the operating system's error number (errno).
  virtual int StartProgram(const std::string& program, const std::string& argument,
                           const std::string& workingDir) = 0;
  // Shows the help file at its contents (topic 0) or at the numbered topic.
  virtual void ShowHelp(int topic) = 0;
};

// What the user is told when program could not be started with error (an errno): a file
// that is missing, not executable or of no format the system runs is "not a program";
// other errors give their number.
std::string StartFailureMessage(const std::string& program, int error);

Launcher& launcher();
// Installs l (not owned; nullptr goes back to the default, which starts programs with
// StartDetached and has no help viewer).
void SetLauncher(Launcher* l);

// Starts a program detached: fork, then fork again so that the grandchild, in a session
// of its own, runs it with execv and nobody waits for it. A failed chdir or exec comes
// back as its errno through a pipe. Used by the default and the Qt launcher.
int StartDetached(const std::string& program, const std::string& argument,
                  const std::string& workingDir);
// The same with any number of arguments.
int StartDetached(const std::string& program, const std::vector<std::string>& arguments,
                  const std::string& workingDir);

}  // namespace kelvane
