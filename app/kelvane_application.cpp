#include "app/kelvane_application.h"

#include "app/event_errors.h"
#include "platform/dialogs.h"

namespace kelvane {

void ShowEventError(const char* what) {
  dialogs().ShowMessage(what);
}

KelvaneApplication::KelvaneApplication(int& argc, char** argv) : QApplication(argc, argv) {
  setApplicationName(QStringLiteral("Kelvane"));
}

bool KelvaneApplication::notify(QObject* receiver, QEvent* event) {
  bool result = false;
  RunHandler([&] { result = QApplication::notify(receiver, event); });
  return result;
}

}  // namespace kelvane
