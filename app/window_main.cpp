#include "app/window_main.h"

#include <string>
#include <vector>

#include "app/about_dialog.h"
#include "app/editor_chooser.h"
#include "app/kelvane_application.h"
#include "app/main_window.h"
#include "app/program_picture.h"
#include "app/qt_dialogs.h"
#include "app/qt_launcher.h"
#include "platform/fault.h"

namespace kelvane {

int RunWindow(int argc, char** argv) {
  KelvaneApplication app(argc, argv);
  QApplication::setWindowIcon(ProgramWindowIcon());
  ScopedQtDialogs qtDialogs;
  QtLauncher qtLauncher;
  SetLauncher(&qtLauncher);
  int result = 0;
  try {
    // QApplication has taken its own options out of argv; what is left is the program's.
    std::vector<std::string> args(argv + 1, argv + argc);
    MainWindow mainWindow(args);
    EditorChooserDialog editorChooser;  // created once at start-up, as the about box
    AboutDialog aboutDialog;
    mainWindow.show();
    result = app.exec();
  } catch (const FatalError& e) {
    // A fault while the windows are created, such as an unreadable settings file.
    EndOnFatalError(e);
  }
  SetLauncher(nullptr);
  return result;
}

}  // namespace kelvane
