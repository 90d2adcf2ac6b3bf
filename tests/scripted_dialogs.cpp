#include "scripted_dialogs.h"

namespace kelvane {

void ScriptedDialogs::Clear() {
  log.clear();
  messages.clear();
  reports.clear();
  fileRequests.clear();
  beeps = 0;
  confirms_.clear();
  inputs_.clear();
  files_.clear();
  manyFiles_.clear();
  folders_.clear();
}

void ScriptedDialogs::ShowMessage(const std::string& text) {
  log.push_back("message: " + text);
  messages.push_back(text);
}

void ScriptedDialogs::ShowNotice(const std::string& text) {
  log.push_back("notice: " + text);
  messages.push_back(text);
}

void ScriptedDialogs::ShowReport(const std::string& text) {
  log.push_back("report: " + text);
  reports.push_back(text);
}

DialogButton ScriptedDialogs::Confirm(const std::string& text, DialogButtons buttons) {
  if (confirms_.empty()) {
    log.push_back("unanswered: confirm: " + text);
    return buttons == DialogButtons::OkCancel ? DialogButton::Cancel : DialogButton::No;
  }
  log.push_back("confirm: " + text);
  DialogButton b = confirms_.front();
  confirms_.pop_front();
  return b;
}

std::optional<std::string> ScriptedDialogs::InputBox(const std::string& caption,
                                                     const std::string& prompt,
                                                     const std::string& defaultText) {
  return NextAnswer(inputs_, "input: " + caption + "|" + prompt + "|" + defaultText);
}

void ScriptedDialogs::Beep() {
  log.push_back("beep");
  ++beeps;
}

std::optional<std::string> ScriptedDialogs::NextFile(const char* kind,
                                                     const FileDialogRequest& request) {
  fileRequests.push_back(request);
  return NextAnswer(files_, std::string(kind) + ": " + request.title);
}

std::optional<std::string> ScriptedDialogs::NextAnswer(
    std::deque<std::optional<std::string>>& answers, const std::string& entry) {
  if (answers.empty()) {
    log.push_back("unanswered: " + entry);
    return std::nullopt;
  }
  log.push_back(entry);
  std::optional<std::string> answer = std::move(answers.front());
  answers.pop_front();
  return answer;
}

std::optional<std::string> ScriptedDialogs::OpenFile(const FileDialogRequest& request) {
  return NextFile("open", request);
}

std::optional<std::string> ScriptedDialogs::SaveFile(const FileDialogRequest& request) {
  return NextFile("save", request);
}

std::optional<std::vector<std::string>> ScriptedDialogs::OpenFiles(
    const FileDialogRequest& request) {
  if (manyFiles_.empty()) return Dialogs::OpenFiles(request);
  fileRequests.push_back(request);
  log.push_back("open: " + request.title);
  std::vector<std::string> paths = std::move(manyFiles_.front());
  manyFiles_.pop_front();
  return paths;
}

std::optional<FolderChoice> ScriptedDialogs::ChooseFolder(const FileDialogRequest& request,
                                                          bool recursive) {
  fileRequests.push_back(request);
  const std::string entry = "folder: " + request.title + "|" + (recursive ? "1" : "0");
  if (folders_.empty()) {
    log.push_back("unanswered: " + entry);
    return std::nullopt;
  }
  log.push_back(entry);
  std::optional<FolderChoice> choice = std::move(folders_.front());
  folders_.pop_front();
  return choice;
}

}  // namespace kelvane
