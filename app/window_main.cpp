#include "app/window_main.h"

#include <string>
#include <vector>

#include "app/about.h"
#include "app/kelvane_application.h"
#include "app/program_picture.h"
#include "app/qt_dialogs.h"
#include "app/qt_launcher.h"
#include "app/unit1.h"
#include "app/unit6.h"

int RunWindow(int argc, char** argv) {
  KelvaneApplication app(argc, argv);
  QApplication::setWindowIcon(ProgramWindowIcon());
  ScopedQtDialogs qtDialogs;
  QtLauncher qtLauncher;
  SetLauncher(&qtLauncher);
  int result = 0;
  {
    // QApplication has taken its own options out of argv; what is left is the program's.
    std::vector<std::string> args(argv + 1, argv + argc);
    TForm1 form1(args);
    TForm6 form6;
    TAboutBox aboutBox;
    form1.show();
    result = app.exec();
  }
  SetLauncher(nullptr);
  return result;
}
