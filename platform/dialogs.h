// The user-facing dialogs that the core reaches through one interface: plain messages,
// confirmation boxes, the input box, the beep and the two file dialogs. The window installs
// its Qt implementation, the headless scan its console one, tests a scripted one.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace kelvane {

enum class DialogButton { Ok, Cancel, Yes, No };
enum class DialogButtons { OkCancel, YesNo };

// What a file dialog is opened with; texts are byte strings like every core text.
struct FileDialogRequest {
  std::string title;
  std::string initialDir;
  std::string fileName;
  std::string filter;  // "Description|*.A;*.B|All Files|*.*"
  std::string defaultSuffix;
  bool programsOnly = false;  // lists folders and the files that may be run, nothing else
};

class Dialogs {
 public:
  virtual ~Dialogs() = default;
  // A plain modal message with an OK button; a CR (13) inside separates lines.
  virtual void ShowMessage(const std::string& text) = 0;
  // A message about the data being scanned (an odd line, a faulty game): a message box
  // in the window; the headless scan's --quiet leaves these out.
  virtual void ShowNotice(const std::string& text) { ShowMessage(text); }
  // The end-of-scan report: a message box in the window, standard output without one.
  virtual void ShowReport(const std::string& text) { ShowMessage(text); }
  // The report of a run stopped on request: a heading that says so, then the counts.
  virtual void ShowCancelledReport(const std::string& heading, const std::string& counts) {
    ShowReport(heading + "\r" + counts);
  }
  // A message or notice that quotes a line of the game file: before + line + after. The
  // console cuts a long line; by default the whole text is shown.
  virtual void ShowQuotedMessage(std::string_view before, std::string_view line,
                                 std::string_view after);
  virtual void ShowQuotedNotice(std::string_view before, std::string_view line,
                                std::string_view after);
  // A confirmation box captioned "Confirm"; returns the button pressed.
  virtual DialogButton Confirm(const std::string& text, DialogButtons buttons) = 0;
  // An input box; returns what the user left in it, or nothing when cancelled.
  virtual std::optional<std::string> InputBox(const std::string& caption, const std::string& prompt,
                                              const std::string& defaultText) = 0;
  virtual void Beep() = 0;
  // File dialogs; each returns the chosen full path, or nothing when cancelled.
  virtual std::optional<std::string> OpenFile(const FileDialogRequest& request) = 0;
  virtual std::optional<std::string> SaveFile(const FileDialogRequest& request) = 0;
};

// The dialogs in use. Until one is installed, a console implementation answers.
Dialogs& dialogs();
// Installs d (not owned; nullptr goes back to the default console dialogs).
void SetDialogs(Dialogs* d);

}  // namespace kelvane
