#include "platform/dialogs.h"

#include "platform/console_dialogs.h"

namespace kelvane {

namespace {
Dialogs* current = nullptr;
}

Dialogs& dialogs() {
  static ConsoleDialogs fallback;
  return current ? *current : fallback;
}

void SetDialogs(Dialogs* d) {
  current = d;
}

}  // namespace kelvane
