// The application object of the window: one place that catches every error escaping an
// event handler, shows it, and lets the program go on.
#pragma once

#include <QApplication>

namespace kelvane {

class KelvaneApplication : public QApplication {
  Q_OBJECT
 public:
  KelvaneApplication(int& argc, char** argv);
  bool notify(QObject* receiver, QEvent* event) override;
};

}  // namespace kelvane
