#include "app/qt_launcher.h"

#include "app/help_viewer.h"

namespace kelvane {

QtLauncher::~QtLauncher() {
  CloseHelpWindow();
}

int QtLauncher::StartProgram(const std::string& program, const std::string& argument,
                             const std::string& workingDir) {
  return StartDetached(program, argument, workingDir);
}

void QtLauncher::ShowHelp(int topic) {
  ShowHelpWindow(topic);
}

}  // namespace kelvane
