// Dialogs for tests: every message, question and beep is recorded in order, and every
// question is answered from a script. A question with no scripted answer is recorded as
// "unanswered: ..." and answered Cancel/No (or cancelled), so a test sees it.
#pragma once

#include <deque>
#include <string>
#include <vector>

#include "platform/dialogs.h"

namespace kelvane {

class ScriptedDialogs : public Dialogs {
 public:
  // Everything shown, in order: "message: T", "notice: T", "report: T", "confirm: T",
  // "input: CAPTION|PROMPT|DEFAULT", "beep", "open: TITLE", "save: TITLE".
  std::vector<std::string> log;
  // The texts of plain messages and notices only, in order.
  std::vector<std::string> messages;
  std::vector<std::string> reports;
  std::vector<FileDialogRequest> fileRequests;
  int beeps = 0;

  void AnswerConfirm(DialogButton b) { confirms_.push_back(b); }
  void AnswerInput(std::optional<std::string> s) { inputs_.push_back(std::move(s)); }
  void AnswerFile(std::optional<std::string> path) { files_.push_back(std::move(path)); }
  // The answer of the next OpenFiles (several files); without one, OpenFile's answer.
  void AnswerFiles(std::vector<std::string> paths) { manyFiles_.push_back(std::move(paths)); }
  void AnswerFolder(std::optional<FolderChoice> choice) { folders_.push_back(std::move(choice)); }
  // True when every scripted answer was used.
  bool AllAnswered() const {
    return confirms_.empty() && inputs_.empty() && files_.empty() && manyFiles_.empty() &&
           folders_.empty();
  }
  void Clear();

  void ShowMessage(const std::string& text) override;
  void ShowNotice(const std::string& text) override;
  void ShowReport(const std::string& text) override;
  DialogButton Confirm(const std::string& text, DialogButtons buttons) override;
  std::optional<std::string> InputBox(const std::string& caption, const std::string& prompt,
                                      const std::string& defaultText) override;
  void Beep() override;
  std::optional<std::string> OpenFile(const FileDialogRequest& request) override;
  std::optional<std::string> SaveFile(const FileDialogRequest& request) override;
  std::optional<std::vector<std::string>> OpenFiles(const FileDialogRequest& request) override;
  // Logged as "folder: TITLE|RECURSIVE" (0 or 1).
  std::optional<FolderChoice> ChooseFolder(const FileDialogRequest& request,
                                           bool recursive) override;

 private:
  std::optional<std::string> NextFile(const char* kind, const FileDialogRequest& request);
  // Logs entry and gives the next scripted answer; without one, logs it as unanswered.
  std::optional<std::string> NextAnswer(std::deque<std::optional<std::string>>& answers,
                                        const std::string& entry);

  std::deque<DialogButton> confirms_;
  std::deque<std::optional<std::string>> inputs_;
  std::deque<std::optional<std::string>> files_;
  std::deque<std::vector<std::string>> manyFiles_;
  std::deque<std::optional<FolderChoice>> folders_;
};

// Installs a ScriptedDialogs for the lifetime of this object.
class ScopedScriptedDialogs : public ScriptedDialogs {
 public:
  ScopedScriptedDialogs() { SetDialogs(this); }
  ~ScopedScriptedDialogs() override { SetDialogs(nullptr); }
};

// Words the invalid line of a game file as a caller of the scan does, with an advice line of
// its own ("\rTry this."), so that a test sees the kind reach the caller.
class AdvisingReporter : public ForwardingReporter {
 public:
  using ForwardingReporter::ForwardingReporter;
  void ShowInvalidLine(std::string_view line) override {
    target_.ShowQuotedMessage("invalid PGN: ", line, "\rTry this.");
  }
};

}  // namespace kelvane
