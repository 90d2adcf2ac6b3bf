// The window's dialogs: Qt message boxes, confirmation boxes, the input box, the beep and
// the file dialogs, behind the same interface the core uses everywhere.
#pragma once

#include <QStringList>
#include <functional>
#include <string>

#include "platform/dialogs.h"

namespace kelvane {

class QtDialogs : public Dialogs {
 public:
  void ShowMessage(const std::string& text) override;
  // The message, with the button that SetReportButton gave when there is one.
  void ShowReport(const std::string& text) override;
  DialogButton Confirm(const std::string& text, DialogButtons buttons) override;
  std::optional<std::string> InputBox(const std::string& caption, const std::string& prompt,
                                      const std::string& defaultText) override;
  void Beep() override;
  std::optional<std::string> OpenFile(const FileDialogRequest& request) override;
  std::optional<std::string> SaveFile(const FileDialogRequest& request) override;
  std::optional<std::vector<std::string>> OpenFiles(const FileDialogRequest& request) override;
  std::optional<FolderChoice> ChooseFolder(const FileDialogRequest& request,
                                           bool recursive) override;
};

// Installs a QtDialogs for the lifetime of this object.
class ScopedQtDialogs : public QtDialogs {
 public:
  ScopedQtDialogs() { SetDialogs(this); }
  ~ScopedQtDialogs() override { SetDialogs(nullptr); }
};

// "PGN & Text Files|*.PGN;*.TXT|All Files|*.*" becomes Qt's name filters
// "PGN & Text Files (*.PGN *.pgn *.TXT *.txt)" and "All Files (*)": on a file system that
// tells letter case apart the lower-case patterns are added, and "*.*" means every file.
// A button that the end-of-scan report offers beside OK, and what it does (the window's
// Selected games); an empty caption takes it away.
void SetReportButton(const QString& caption, std::function<void()> action);
// One more such button, after those given before.
void AddReportButton(const QString& caption, std::function<void()> action);

QStringList NameFilters(const std::string& filter);
// A message text for a Qt widget: UTF-8, with a CR (alone or before an LF) as a line break
// and every other control character but tab shown as U+FFFD; a text of more than 2000
// bytes is shown cut, with the number of bytes left out.
QString MessageText(const std::string& text);

}  // namespace kelvane
