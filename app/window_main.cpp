#include "app/window_main.h"

#include <QApplication>
#include <QMessageBox>

int RunWindow(int argc, char** argv) {
  QApplication app(argc, argv);
  QMessageBox::information(nullptr, "Kelvane", "The window is being built.");
  return 0;
}
