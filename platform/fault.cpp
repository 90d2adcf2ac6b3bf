#include "platform/fault.h"

#include "platform/dialogs.h"
#include "platform/file_system.h"
#include "platform/io_result.h"
#include "platform/orderly_exit.h"
#include "text/bounded_text.h"

namespace kelvane {

void ReportTrap(std::string_view message) {
  throw FatalError(std::string(message));
}

void EndOnFatalError(const FatalError& error) {
  dialogs().Beep();
  BoundedText text("Terminating error: ");
  text.append(error.what());
  dialogs().ShowMessage(text.str());
  OrderlyExit(kTrapExitCode);
}

void CheckIO(int step, std::string_view file) {
  int result = TakeIoResult();
  if (result == 0) return;
  std::string where = std::to_string(step);
  if (!file.empty()) where.append(" (").append(file).append(")");
  ReportTrap("An I/O error has occurred at " + where + ". The result code is " +
             std::to_string(result));
}

int CompareFileAges(const std::string& first, const std::string& second) {
  std::optional<int64_t> a = fileSystem().FileAge(first);
  std::optional<int64_t> b = fileSystem().FileAge(second);
  if (!a || !b) ReportTrap("Logic #6538");
  return *a < *b ? -1 : (*a > *b ? 1 : 0);
}

}  // namespace kelvane
