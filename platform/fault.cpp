#include "platform/fault.h"

#include <algorithm>

#include "platform/dialogs.h"
#include "platform/file_system.h"
#include "platform/io_result.h"
#include "platform/orderly_exit.h"
#include "platform/shown_text.h"
#include "text/bounded_text.h"

namespace kelvane {

void ReportTrap(std::string_view message) {
  throw FatalError(std::string(message));
}

void ReportScanFault(std::string_view message) {
  throw ScanFileError(std::string(message), "");
}

namespace {
constexpr std::string_view kTerminating = "Terminating error: ";
}  // namespace

void ShowFatalError(const FatalError& error) {
  dialogs().Beep();
  dialogs().ShowMessage(std::string(kTerminating) + error.what());
}

void EndOnFatalError(const FatalError& error) {
  ShowFatalError(error);
  OrderlyExit(kTrapExitCode);
}

std::string FaultNaming(std::string_view before, std::string_view name, std::string_view after) {
  constexpr size_t kLine = BoundedText::kMax;
  const size_t rest = kTerminating.size() + before.size() + after.size();
  // At least a few bytes of the name's start and end stay, however long the rest.
  constexpr size_t kLeast = 24;
  const size_t most = rest < kLine ? std::max(kLine - rest, kLeast) : kLeast;
  std::string text(before);
  text.append(CutInMiddle(name, most)).append(after);
  return text;
}

void CheckIO(int step, std::string_view file) {
  int result = TakeIoResult();
  if (result == 0) return;
  const std::string at = "An I/O error has occurred at " + std::to_string(step);
  const std::string code = ". The result code is " + std::to_string(result);
  if (file.empty()) ReportScanFault(at + code);
  // A long name is cut in its middle, so that the code stays in view.
  ReportScanFault(FaultNaming(at + " (", file, ")" + code));
}

int CompareFileAges(const std::string& first, const std::string& second) {
  std::optional<int64_t> a = fileSystem().FileAge(first);
  std::optional<int64_t> b = fileSystem().FileAge(second);
  if (!a || !b) ReportTrap(kFileAgeTrap);
  return *a < *b ? -1 : (*a > *b ? 1 : 0);
}

}  // namespace kelvane
