#include "platform/dialogs.h"

#include "platform/console_dialogs.h"
#include "platform/service.h"

namespace kelvane {

namespace {
using DialogsService = Service<Dialogs, ConsoleDialogs>;
}

Dialogs& dialogs() {
  return DialogsService::Get();
}

void SetDialogs(Dialogs* d) {
  DialogsService::Set(d);
}

}  // namespace kelvane
