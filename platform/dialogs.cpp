#include "platform/dialogs.h"

#include "platform/console_dialogs.h"
#include "platform/service.h"

namespace kelvane {

namespace {
using DialogsService = Service<Dialogs, ConsoleDialogs>;

std::string Joined(std::string_view before, std::string_view line, std::string_view after) {
  std::string text;
  text.reserve(before.size() + line.size() + after.size());
  text.append(before).append(line).append(after);
  return text;
}
}  // namespace

void ScanReporter::ShowQuotedMessage(std::string_view before, std::string_view line,
                                     std::string_view after) {
  ShowMessage(Joined(before, line, after));
}

void ScanReporter::ShowQuotedNotice(std::string_view before, std::string_view line,
                                    std::string_view after) {
  ShowNotice(Joined(before, line, after));
}

std::optional<std::vector<std::string>> Dialogs::OpenFiles(const FileDialogRequest& request) {
  std::optional<std::string> one = OpenFile(request);
  if (!one) return std::nullopt;
  return std::vector<std::string>{*one};
}

std::optional<FolderChoice> Dialogs::ChooseFolder(const FileDialogRequest&, bool) {
  return std::nullopt;
}

Dialogs& dialogs() {
  return DialogsService::Get();
}

void SetDialogs(Dialogs* d) {
  DialogsService::Set(d);
}

}  // namespace kelvane
