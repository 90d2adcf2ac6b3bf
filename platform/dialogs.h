// The user-facing dialogs that the core reaches through one interface: plain messages,
// confirmation boxes, the input box, the beep and the two file dialogs. The window installs
// its Qt implementation, the headless scan its console one, tests a scripted one. A scan
// reaches only the part it uses, ScanReporter.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

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

// What a scan reports, and the one question it asks: its messages and notices about the
// data, its report, and whether an output file is to be overwritten.
class ScanReporter {
 public:
  virtual ~ScanReporter() = default;
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
  // The line that stopped the usual reading of a header block: no tag, where tolerant
  // reading would have read past it. Shown as "invalid PGN: " + line; the window and the
  // console add how to turn tolerant reading on.
  virtual void ShowInvalidLine(std::string_view line) {
    ShowQuotedMessage("invalid PGN: ", line, {});
  }
  // A confirmation box captioned "Confirm"; returns the button pressed.
  virtual DialogButton Confirm(const std::string& text, DialogButtons buttons) = 0;
};

// Passes every report and question on to a target; a decorator overrides Forward to run
// the calls elsewhere (or not at all), and the calls it changes.
class ForwardingReporter : public ScanReporter {
 public:
  explicit ForwardingReporter(ScanReporter& target) : target_(target) {}

  void ShowMessage(const std::string& text) override {
    Forward([&](ScanReporter& r) { r.ShowMessage(text); });
  }
  void ShowNotice(const std::string& text) override {
    Forward([&](ScanReporter& r) { r.ShowNotice(text); });
  }
  void ShowReport(const std::string& text) override {
    Forward([&](ScanReporter& r) { r.ShowReport(text); });
  }
  void ShowCancelledReport(const std::string& heading, const std::string& counts) override {
    Forward([&](ScanReporter& r) { r.ShowCancelledReport(heading, counts); });
  }
  void ShowQuotedMessage(std::string_view before, std::string_view line,
                         std::string_view after) override {
    Forward([&](ScanReporter& r) { r.ShowQuotedMessage(before, line, after); });
  }
  void ShowQuotedNotice(std::string_view before, std::string_view line,
                        std::string_view after) override {
    Forward([&](ScanReporter& r) { r.ShowQuotedNotice(before, line, after); });
  }
  void ShowInvalidLine(std::string_view line) override {
    Forward([&](ScanReporter& r) { r.ShowInvalidLine(line); });
  }
  // Cancel (or No) when the call is not passed on.
  DialogButton Confirm(const std::string& text, DialogButtons buttons) override {
    DialogButton answer =
        buttons == DialogButtons::OkCancel ? DialogButton::Cancel : DialogButton::No;
    Forward([&](ScanReporter& r) { answer = r.Confirm(text, buttons); });
    return answer;
  }

 protected:
  virtual void Forward(const std::function<void(ScanReporter&)>& call) { call(target_); }

  ScanReporter& target_;
};

// A folder chosen in the folder dialog, and its "Include subfolders" check box.
struct FolderChoice {
  std::string dir;  // ends with "/"
  bool recursive = false;
};

// The scan's reports and the dialogs only the window opens: the input box, the beep and the
// file and folder dialogs.
class Dialogs : public ScanReporter {
 public:
  // An input box; returns what the user left in it, or nothing when cancelled.
  virtual std::optional<std::string> InputBox(const std::string& caption, const std::string& prompt,
                                              const std::string& defaultText) = 0;
  virtual void Beep() = 0;
  // File dialogs; each returns the chosen full path, or nothing when cancelled.
  virtual std::optional<std::string> OpenFile(const FileDialogRequest& request) = 0;
  virtual std::optional<std::string> SaveFile(const FileDialogRequest& request) = 0;
  // An open dialog in which several files of a folder may be chosen: their full paths, or
  // nothing when cancelled. By default OpenFile's one file.
  virtual std::optional<std::vector<std::string>> OpenFiles(const FileDialogRequest& request);
  // A folder dialog with an "Include subfolders" check box, checked as recursive says;
  // nothing when cancelled (the default).
  virtual std::optional<FolderChoice> ChooseFolder(const FileDialogRequest& request,
                                                   bool recursive);
};

// The dialogs in use. Until one is installed, a console implementation answers.
Dialogs& dialogs();
// Installs d (not owned; nullptr goes back to the default console dialogs).
void SetDialogs(Dialogs* d);

}  // namespace kelvane
